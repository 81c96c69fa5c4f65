#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <cstdint>

// Where synthetic keystrokes go. The send-keys parser speaks only this: key
// down and key up of a virtual-key code, and the layout's answer to "which key
// types this character". Each desktop provides one (X11 through XTEST); tests
// use RecordingKeyOutput.
class KeyOutput
{
public:
    // KeyScan() answer: the low byte is the virtual key, the high byte the
    // shift state the layout needs (bits below). A character that the layout
    // cannot produce gives kNoKeyScan, whose low byte is kNoKey.
    static constexpr std::uint16_t kShiftState = 0x0100;
    static constexpr std::uint16_t kControlState = 0x0200;
    static constexpr std::uint16_t kAltState = 0x0400;
    static constexpr std::uint16_t kNoKeyScan = 0xFFFF;
    static constexpr int kNoKey = 0xFF;

    virtual ~KeyOutput() = default;

    // One event into the input stream of whatever has the keyboard focus.
    // Both may throw QuilloError when the desktop refuses the event.
    virtual void KeyDown(std::uint8_t virtualKey) = 0;
    virtual void KeyUp(std::uint8_t virtualKey) = 0;

    // The key (and shift state) that types one UTF-16 unit on the current
    // keyboard layout.
    virtual std::uint16_t KeyScan(char16_t character) const = 0;

    // Types the text key by key in the active layout and group, for
    // programs that paste with no key at all. Characters the layout lacks
    // are typed all the same (on X11 through a spare key code mapped to them
    // for the moment). Line breaks are Enter, tabs Tab. May throw QuilloError.
    virtual void TypeText(const QString& text) = 0;

    // Holds the user's keys for the length of an expansion: what the user
    // types from now on reaches no program, while this output's own keys
    // still do. False when the desktop cannot hold them (then nothing is
    // held). The base holds nothing.
    virtual bool HoldUserKeys() { return false; }
    // The keyboard monitor sees a mark (KeyboardHook::kHoldMarkFlag) where
    // the hold took effect: keys reported before it reached the program.
    //
    // Ends the hold and sends on first the given keys (desktop key codes,
    // true for down), then the held keys in the order typed. The monitor
    // sees a second mark after the held keys, before their replay.
    using RawKeys = QList<QPair<unsigned, bool>>;
    virtual void ReleaseUserKeys(const RawKeys& replayFirst) { (void)replayFirst; }
};
