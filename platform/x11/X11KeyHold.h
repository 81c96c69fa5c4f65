#pragma once

#include "platform/KeyOutput.h"

#include <QHash>
#include <QList>
#include <QPair>
#include <QSet>

struct _XDisplay;

// Holds the user's keys for the length of an expansion. Every keyboard the
// user types on (each slave keyboard device but the XTEST one our own keys
// come from) is grabbed on a window no one sees; a grabbed device is cut off
// from its master, so what the user types reaches no program, while the keys
// we inject through XTEST still do. On release the held keys are sent on
// through XTEST in the order typed.
//
// The keyboard monitor records no event of a grabbed device. It does record
// the core NoOperation request: one is sent once every grab is in place (key
// events it saw before that reached the program) and one just before the
// held keys are replayed.
class X11KeyHold
{
public:
    // display: the connection our XTEST keys go through.
    explicit X11KeyHold(_XDisplay* display);
    ~X11KeyHold();
    X11KeyHold(const X11KeyHold&) = delete;
    X11KeyHold& operator=(const X11KeyHold&) = delete;

    // False when nothing could be grabbed (no XInput 2, no keyboard).
    bool Hold();
    bool Holding() const { return holding; }
    // Sends replayFirst, then the held keys, and lets the keyboards go.
    void Release(const KeyOutput::RawKeys& replayFirst);

private:
    bool EnsureWindow();
    // The keyboards the user types on, and for each the XTEST keyboard of
    // its master.
    void RefreshKeyboards();
    void CloseKeyboards();
    // Reads the key events the grabs have delivered so far.
    void Collect();
    // The same without waiting for the server: only what has arrived.
    void Drain();
    // A key pressed before the hold and let up during it: the master never
    // saw the release and would drop the key's next press. A press and a
    // release through the master's XTEST keyboard set it right (the press
    // is dropped as a key already down, the release goes through).
    // Only for masters whose XTEST keyboard is not grabbed itself (the
    // grab would take these keys too) unless afterUngrab.
    void SetReleasedKeysRight(bool afterUngrab);
    // Whether the master of the keyboard has the key down. A key pressed
    // during one hold and let up during the next never reached the master:
    // a press sent to set it right would type it.
    bool MasterHasKeyDown(int keyboard, unsigned keycode);
    // Sends the keys; those still down at the end are let up too, so that
    // no key stays down on the XTEST device.
    void Replay(const KeyOutput::RawKeys& keys);
    // A key down when the hold begins (the trigger, mostly) stays down on
    // the master, cut off from its release by the grab, and the server
    // repeats it into the focused program for as long as the hold lasts
    // (past about 0.7 s: a stalled event loop). Such keys are let up on
    // their master before the grabs, through the master's XTEST keyboard:
    // a release alone where that keyboard holds the key itself, else a
    // press (dropped by the master as a key already down) and a release.
    // Modifiers do not repeat and stay as they are.
    void LiftKeysDown();

    _XDisplay* display;
    int xiOpcode = -1;
    unsigned long window = 0;
    bool holding = false;
    QList<int> keyboards;
    QHash<int, int> masterXtest; // keyboard -> its master's XTEST keyboard
    QSet<int> onOurMaster; // keyboards of the master our XTEST keys go through
    QHash<int, void*> opened; // keyboard or XTEST keyboard -> it opened (an XDevice)
    QHash<int, int> masterPointer; // keyboard -> the pointer paired with its master
    // Asks for a master's key state: the core keymap request answers for
    // the master of the connection's pointer, which ours must keep.
    _XDisplay* stateDisplay = nullptr;
    bool keyboardsKnown = false; // until the device hierarchy changes
    QList<int> grabbed;
    KeyOutput::RawKeys held;
    QSet<QPair<int, unsigned>> heldDown; // keyboard, key code pressed during the hold
    QList<QPair<int, unsigned>> releasedUnseen; // keyboard, key code let up during the hold
    QSet<QPair<int, unsigned>> lifted; // keyboard, key code let up on its master when the hold began
    QSet<unsigned> replayedDown; // key codes the replay has pressed and not let up
};
