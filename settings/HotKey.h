#pragma once

#include <QString>
#include <optional>

// A key pressed together with modifiers, as settings.ini names it:
// "Ctrl+Alt+Space", "Shift+Alt+F11" (modifiers Shift, Ctrl or Control, Alt,
// in any order and letter case; the key a name KeyNameToCode knows).
struct HotKey
{
    int keyCode = 0;
    bool shift = false;
    bool ctrl = false;
    bool alt = false;

    // nullopt for a text that names no key or an unknown modifier.
    static std::optional<HotKey> Parse(const QString& text);
    // Whether a press of virtualKey with these modifiers held is this key.
    // The modifiers must match exactly, so Ctrl+Alt+Space does not fire on
    // Ctrl+Shift+Alt+Space, which programs may use for something else.
    bool Matches(int virtualKey, bool shiftDown, bool ctrlDown, bool altDown) const
    {
        return keyCode != 0 && virtualKey == keyCode && shift == shiftDown && ctrl == ctrlDown && alt == altDown;
    }
};
