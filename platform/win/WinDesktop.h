#pragma once

#include "platform/Desktop.h"

#include <functional>
#include <memory>

class WinUiAutomation;

// The Windows desktop: the foreground window, its title and window class,
// Caps Lock, the caret (the system caret of the foreground thread, or UI
// Automation where the program draws its own), password fields, the screen.
// Positions are the system's screen pixels. Belongs to the GUI thread.
class WinDesktop : public Desktop
{
public:
    using ForegroundChanged = std::function<void(WindowId)>;

    WinDesktop();
    ~WinDesktop() override;
    WinDesktop(const WinDesktop&) = delete;
    WinDesktop& operator=(const WinDesktop&) = delete;

    WindowId ForegroundWindow() const override;
    bool CapsLockOn() const override;
    std::optional<QRect> CaretRect() const override;
    QString WindowTitle(WindowId window) const override;
    // The window class alone (e.g. "ConsoleWindowClass", "Notepad").
    QStringList WindowClass(WindowId window) const override;
    QSize ScreenSize() const override;
    // The focused control is an edit control with ES_PASSWORD, or UI
    // Automation calls the focused element a password field.
    bool SecureInputActive() const override;
    // SetForegroundWindow, with the foreground thread's input attached to
    // ours for the moment so that Windows lets us hand the focus on.
    bool ActivateWindow(WindowId window) override;

    // Told on the GUI thread whenever another window comes to the
    // foreground (EVENT_SYSTEM_FOREGROUND); none by default.
    void SetForegroundChanged(ForegroundChanged callback);

private:
    struct EventHook;
    std::unique_ptr<WinUiAutomation> automation;
    std::unique_ptr<EventHook> foregroundHook;
};
