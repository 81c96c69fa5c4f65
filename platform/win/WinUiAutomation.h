#pragma once

#include <QRect>
#include <optional>

struct IUnknown;

// UI Automation as the desktop needs it: the caret of the focused element
// (its text pattern's caret or selection) for programs that show no system
// caret, and whether the focused element is a password field. The client
// object is made on first use, on the calling thread (the GUI thread, whose
// COM apartment Qt has set up). Calls reach other programs: each is bounded
// by a short time-out.
class WinUiAutomation
{
public:
    WinUiAutomation() = default;
    ~WinUiAutomation();
    WinUiAutomation(const WinUiAutomation&) = delete;
    WinUiAutomation& operator=(const WinUiAutomation&) = delete;

    // In screen pixels; nothing when the element has no text pattern or
    // gives no rectangle.
    std::optional<QRect> FocusedCaret();
    bool FocusedIsPassword();

    // How long one question to another program may take.
    static constexpr unsigned kTimeoutMs = 300;

private:
    bool Ensure();

    IUnknown* automation = nullptr; // IUIAutomation
    bool tried = false;
    bool comInitialized = false;
};
