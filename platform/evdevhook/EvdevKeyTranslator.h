#pragma once

#include "platform/evdevhook/EvdevKeymap.h"

#include <memory>

struct xkb_state;
struct xkb_compose_table;
struct xkb_compose_state;

// Follows the keyboard as an application would: every key press and release
// read from the devices updates the modifiers, locks and group of one
// keyboard state, and each press gives its virtual key and the character it
// typed (after Shift, Caps Lock, AltGr, the group, and a dead key or compose
// sequence before it, through the locale's compose table). Lives on the
// monitor's reader thread.
class EvdevKeyTranslator
{
public:
    struct Typed
    {
        int virtualKey = 0;
        char32_t character = 0; // 0: the press typed no character
        bool layoutChanged = false;
    };

    // locale as setlocale() names it; the compose table of "C" serves
    // locales without one.
    EvdevKeyTranslator(std::shared_ptr<const EvdevKeymap> keymap, const char* locale);
    ~EvdevKeyTranslator();
    EvdevKeyTranslator(const EvdevKeyTranslator&) = delete;
    EvdevKeyTranslator& operator=(const EvdevKeyTranslator&) = delete;

    // A new keymap starts from a fresh state; the next press counts as a
    // change of layout.
    void SetKeymap(std::shared_ptr<const EvdevKeymap> keymap);

    Typed Press(unsigned evdevCode);
    // The key held down typing again (the kernel's autorepeat): a press
    // for everything but modifiers and keys the keymap does not repeat,
    // as the desktop's own repeat is; virtualKey 0 for those.
    Typed Repeat(unsigned evdevCode);
    // The virtual key released.
    int Release(unsigned evdevCode);

private:
    Typed Type(unsigned evdevCode, bool repeat);
    char32_t Compose(unsigned keysym);

    std::shared_ptr<const EvdevKeymap> keymap;
    xkb_state* state = nullptr;
    xkb_compose_table* composeTable = nullptr;
    xkb_compose_state* compose = nullptr;
    int lastGroup = -1;
    bool switched = false;
};
