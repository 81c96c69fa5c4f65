#pragma once

#include <QString>
#include <initializer_list>

struct _XDisplay;

// Key codes straight into the X server through XTEST, as a physical keyboard
// sends them, and the keyboard group locked as a layout switcher locks it.
// Unlike xdotool, nothing is looked up or remapped: what the key types is up
// to the active layout. Used by tests and benchmarks.
class X11KeyInjector
{
public:
    // A key code and whether the key goes down (true) or up.
    struct Event
    {
        unsigned keycode;
        bool down;
    };

    // Opens $DISPLAY; IsOpen() tells whether that worked.
    X11KeyInjector();
    ~X11KeyInjector();
    X11KeyInjector(const X11KeyInjector&) = delete;
    X11KeyInjector& operator=(const X11KeyInjector&) = delete;

    bool IsOpen() const { return display != nullptr; }
    // Locks the keyboard group (0 the first layout) and waits until the
    // server reports it.
    bool LockGroup(int group);
    int CurrentGroup() const;
    // Sends the events in order, delayMs apart, and flushes.
    void Send(std::initializer_list<Event> events, int delayMs = 0);
    // Presses and releases each key in turn.
    void Tap(std::initializer_list<unsigned> keycodes, int delayMs = 0);
    // From now on keys come from a keyboard of their own, as a person's
    // keyboard beside the program's synthetic keys: a second master keyboard
    // (made once per display) whose XTEST device sends them, its focus where
    // the core keyboard's focus is now. False when the server cannot.
    bool UseSecondKeyboard();
    // Whether another client has the second keyboard grabbed now (a grabbed
    // device is cut off from its master for the grab's length).
    bool SecondKeyboardGrabbed() const;
    // The key code that types a keysym named as X names it ("BackSpace"),
    // in the current mapping; 0 when none.
    unsigned KeycodeOf(const QString& keysymName) const;

private:
    _XDisplay* display = nullptr;
    void* secondKeyboard = nullptr; // its XTEST device (an XDevice)
};
