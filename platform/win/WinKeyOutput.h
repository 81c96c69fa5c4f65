#pragma once

#include "platform/KeyOutput.h"

// Synthetic keys through SendInput, each event marked (WinInputMarker) so
// that the keyboard monitor lets them pass a hold of the user's keys: virtual
// keys for commands (Backspace, the paste keys), KEYEVENTF_UNICODE for text.
// The hold itself lives in the keyboard monitor library, whose functions are
// found in it once the program has loaded it.
class WinKeyOutput : public KeyOutput
{
public:
    static constexpr const wchar_t* kMonitorLibrary = L"keybhook.dll";

    // Throw QuilloError when Windows refuses the input (a window of a
    // higher integrity level has the focus).
    void KeyDown(std::uint8_t virtualKey) override;
    void KeyUp(std::uint8_t virtualKey) override;
    // From the foreground window's keyboard layout.
    std::uint16_t KeyScan(char16_t character) const override;
    // In one sequence, so that nothing the user types lands inside it; a
    // line break (CR, LF or CR LF) is Enter, a tab Tab.
    void TypeText(const QString& text) override;
    // False when the monitor library is not loaded or not running.
    bool HoldUserKeys() override;
    // replayFirst holds the monitor's key numbers (virtual keys).
    void ReleaseUserKeys(const RawKeys& replayFirst) override;

private:
    void Send(std::uint8_t virtualKey, bool down);
};
