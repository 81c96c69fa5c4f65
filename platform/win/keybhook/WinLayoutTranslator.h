#pragma once

#include "platform/win/WinApi.h"
#include <bitset>

// Turns a key press the hook saw into the character it types in the
// foreground window's keyboard layout, from the keys the monitor knows to be
// down. ToUnicodeEx is asked with the flag (Windows 10 1607 and later) that
// leaves the keyboard state alone, so a dead key the user is in the middle of
// still reaches the program intact; the dead key and the letter after it are
// composed here instead (the letter plus the dead key's combining mark, to
// its composed form). Lives on the monitor's thread.
class WinLayoutTranslator
{
public:
    struct Typed
    {
        char32_t character = 0; // 0: the press typed no character
        bool layoutChanged = false;
    };

    // keysDown: the keys down before this press (virtual keys, left/right
    // apart); capsLock: the toggle before it.
    Typed Press(DWORD virtualKey, DWORD scanCode, bool extended, const std::bitset<256>& keysDown, bool capsLock,
                HKL layout);

    // The combining mark of a dead key's own character (U+00B4 -> U+0301),
    // 0 when it has none. Public for tests.
    static char32_t CombiningMarkOf(char32_t deadCharacter);
    // The dead key's character followed by the letter, as Windows writes it:
    // the composed letter, or the dead key's character after a space. 0 when
    // the two do not compose.
    static char32_t Compose(char32_t deadCharacter, char32_t letter);

private:
    HKL lastLayout = nullptr;
    char32_t pendingDead = 0;
};
