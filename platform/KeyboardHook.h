#pragma once

#include <QString>

class QObject;

// The keyboard monitor: once set, every key event of the desktop arrives at
// the window as a posted window message (MessageLayer) whose wParam is the
// virtual-key code and whose lParam has bit 31 set on release. Mouse button
// presses arrive the same way as the virtual keys 1, 2 and 4.
//
// A monitor that knows the keyboard layout also says, on each key press,
// which character the press typed in the layout and group active at that
// moment (after Shift, Caps Lock, AltGr and a dead key before it): lParam
// then has kTypedFlag set and the character in the bits from kTextShift on,
// 0 when the press typed no character (a modifier, a dead key waiting for
// its letter, Ctrl+C). kLayoutChangedFlag marks the first event after the
// user switched layout or group: what was typed before is in another
// alphabet and must not be matched with what follows.
class KeyboardHook
{
public:
    static constexpr qintptr kReleasedFlag = qintptr(1) << 31;
    static constexpr int kTextShift = 32;
    static constexpr qintptr kTextMask = qintptr(0x1FFFFF) << kTextShift;
    static constexpr qintptr kTypedFlag = qintptr(1) << 53;
    static constexpr qintptr kLayoutChangedFlag = qintptr(1) << 54;
    // A message of its own (wParam 0): a hold of the user's keys began or
    // ended here (KeyOutput::HoldUserKeys); the first after the hold began
    // is its start, the next its end.
    static constexpr qintptr kHoldMarkFlag = qintptr(1) << 55;
    // The desktop's own number of the key (on X11 the key code), so that a
    // key the program saw can be sent again exactly as it came.
    static constexpr int kKeycodeShift = 16;
    static constexpr qintptr kKeycodeMask = qintptr(0xFF) << kKeycodeShift;
    static constexpr unsigned KeycodeOf(qintptr lParam) { return unsigned((lParam & kKeycodeMask) >> kKeycodeShift); }

    static constexpr qintptr TypedBits(char32_t character)
    {
        return kTypedFlag | ((qintptr(character) << kTextShift) & kTextMask);
    }
    static constexpr char32_t TypedCharacter(qintptr lParam)
    {
        return char32_t((lParam & kTextMask) >> kTextShift);
    }

    virtual ~KeyboardHook() = default;
    // Returns false and says why in *error when the monitor cannot start.
    virtual bool SetKeyboardHook(QObject* window, quint32 msg, QString* error) = 0;
    // Stops delivering; no message is posted after it returns.
    virtual void ReleaseKeyboardHook() = 0;
};
