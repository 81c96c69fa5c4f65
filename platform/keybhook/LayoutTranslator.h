#pragma once

#include <memory>

struct _XDisplay;

// Turns a recorded key press into the character it typed, as the
// application receiving it sees it: the key's symbol in the group and at the
// level of the state that came with the event (Shift, Caps Lock, AltGr, the
// locked group), then through the locale's compose table, so that a dead key
// followed by a letter gives the composed letter. Lives on the monitor's
// reader thread.
class LayoutTranslator
{
public:
    struct Typed
    {
        char32_t character = 0; // 0: the press typed no character
        bool layoutChanged = false;
    };

    LayoutTranslator();
    ~LayoutTranslator();
    LayoutTranslator(const LayoutTranslator&) = delete;
    LayoutTranslator& operator=(const LayoutTranslator&) = delete;

    // (Re)reads the keyboard mapping from the display; the next press counts
    // as a change of layout when a mapping had been read before.
    void Load(_XDisplay* display);

    // The server said the group changed: the next press counts as a change.
    void GroupSwitched() { switched = true; }

    // One key press with the core state of its event (modifiers and group).
    Typed Press(unsigned keycode, unsigned state);

    // The character a keysym gives after an optional dead key or compose
    // sequence: fed one keysym at a time. Public for tests.
    class Composer;

private:
    struct Keymap;
    std::unique_ptr<Keymap> keymap;
    std::unique_ptr<Composer> composer;
    int lastGroup = -1;
    bool switched = false;
};

class LayoutTranslator::Composer
{
public:
    // locale as setlocale() names it; the compose table of "C" is used when
    // the locale has none.
    explicit Composer(const char* locale);
    ~Composer();
    Composer(const Composer&) = delete;
    Composer& operator=(const Composer&) = delete;

    // The character typed by this keysym: the keysym's own character, the
    // composed one when it ends a sequence, 0 while a sequence goes on or
    // when it was cancelled.
    char32_t Feed(unsigned long keysym);
    void Reset();

private:
    struct State;
    std::unique_ptr<State> state;
};
