#include "platform/win/keybhook/WinLayoutTranslator.h"

#include <QChar>
#include <QList>
#include <QString>

namespace {

// ToUnicodeEx: leave the keyboard state (a pending dead key) as it is.
constexpr UINT kKeepKeyboardState = 0x4;
constexpr int kBufferUnits = 8;

bool IsNumberPadKey(DWORD virtualKey)
{
    return (virtualKey >= VK_NUMPAD0 && virtualKey <= VK_DIVIDE);
}

} // namespace

char32_t WinLayoutTranslator::CombiningMarkOf(char32_t dead)
{
    switch (dead) {
    case U'`': return 0x0300;
    case 0x00B4: case U'\'': return 0x0301;
    case U'^': case 0x02C6: return 0x0302;
    case U'~': case 0x02DC: return 0x0303;
    case 0x00AF: return 0x0304;
    case 0x02D8: return 0x0306;
    case 0x02D9: return 0x0307;
    case 0x00A8: case U'"': return 0x0308;
    case 0x00B0: case 0x02DA: return 0x030A;
    case 0x02DD: return 0x030B;
    case 0x02C7: return 0x030C;
    case 0x00B8: return 0x0327;
    case 0x02DB: return 0x0328;
    default: return 0;
    }
}

char32_t WinLayoutTranslator::Compose(char32_t dead, char32_t letter)
{
    if (letter == U' ')
        return dead;
    const char32_t mark = CombiningMarkOf(dead);
    if (!mark)
        return 0;
    const char32_t pair[] = {letter, mark};
    const QString composed = QString::fromUcs4(pair, 2).normalized(QString::NormalizationForm_C);
    const QList<uint> units = composed.toUcs4();
    return units.size() == 1 ? char32_t(units.first()) : 0;
}

WinLayoutTranslator::Typed WinLayoutTranslator::Press(DWORD virtualKey, DWORD scanCode, bool extended,
                                                      const std::bitset<256>& keysDown, bool capsLock, HKL layout)
{
    Typed typed;
    if (lastLayout && layout != lastLayout) {
        typed.layoutChanged = true;
        pendingDead = 0;
    }
    lastLayout = layout;

    BYTE state[256] = {};
    for (int key = 0; key < 256; ++key)
        if (keysDown[size_t(key)])
            state[key] = 0x80;
    auto either = [&](int generic, int left, int right) {
        if (keysDown[size_t(left)] || keysDown[size_t(right)])
            state[generic] = 0x80;
    };
    either(VK_SHIFT, VK_LSHIFT, VK_RSHIFT);
    either(VK_CONTROL, VK_LCONTROL, VK_RCONTROL);
    either(VK_MENU, VK_LMENU, VK_RMENU);
    if (capsLock)
        state[VK_CAPITAL] |= 0x01;
    state[virtualKey & 0xFF] |= 0x80;

    const bool control = state[VK_CONTROL] & 0x80;
    const bool alt = state[VK_MENU] & 0x80;
    // Ctrl or Alt alone make a command; both together are AltGr.
    if (control != alt || IsNumberPadKey(virtualKey)) {
        pendingDead = 0;
        return typed;
    }
    wchar_t buffer[kBufferUnits] = {};
    const UINT scan = scanCode | (extended ? 0xE000 : 0);
    const int units = ToUnicodeEx(virtualKey, scan, state, buffer, kBufferUnits, kKeepKeyboardState, layout);
    if (units < 0) {
        // A dead key: its letter is the next press.
        pendingDead = buffer[0];
        return typed;
    }
    if (units == 0)
        return typed; // a modifier or a key without a character: the dead key still waits
    const QString text = QString::fromWCharArray(buffer, units);
    const QList<uint> characters = text.toUcs4();
    char32_t character = characters.isEmpty() ? 0 : char32_t(characters.last());
    if (pendingDead && characters.size() == 1) {
        if (const char32_t composed = Compose(pendingDead, character))
            character = composed;
    }
    pendingDead = 0;
    if (character != 0 && QChar::isPrint(character) && !QChar::isSpace(character))
        typed.character = character;
    return typed;
}
