#pragma once

#include <QString>

class QObject;

// The keyboard monitor: once set, every key event of the desktop arrives at
// the window as a posted window message (MessageLayer) whose wParam is the
// virtual-key code and whose lParam has bit 31 set on release. Mouse button
// presses arrive the same way as the virtual keys 1, 2 and 4.
class KeyboardHook
{
public:
    static constexpr qintptr kReleasedFlag = qintptr(1) << 31;

    virtual ~KeyboardHook() = default;
    // Returns false and says why in *error when the monitor cannot start.
    virtual bool SetKeyboardHook(QObject* window, quint32 msg, QString* error) = 0;
    // Stops delivering; no message is posted after it returns.
    virtual void ReleaseKeyboardHook() = 0;
};
