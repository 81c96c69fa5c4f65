#pragma once

#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <optional>

// What the program asks of the desktop it runs on. Window ids are the
// desktop's own (on X11 the top-level window's XID); 0 means none.
class Desktop
{
public:
    using WindowId = quint64;

    virtual ~Desktop() = default;
    // The window the user is typing into.
    virtual WindowId ForegroundWindow() const = 0;
    virtual bool CapsLockOn() const = 0;
    // The text caret of the foreground application in screen pixels, if the
    // application tells.
    virtual std::optional<QRect> CaretRect() const = 0;
    virtual QString WindowTitle(WindowId window) const = 0;
    // The window's class names, instance first (on X11 the two strings of
    // WM_CLASS, e.g. "xterm", "XTerm"); empty when unknown.
    virtual QStringList WindowClass(WindowId window) const = 0;
    virtual QSize ScreenSize() const = 0;
    // Whether what the user types now is a secret: the focused field is a
    // password field, or another program holds the whole keyboard (a screen
    // locker, a password prompt). Nothing typed then may be kept, listed or
    // expanded. May cost a round trip to the display server: asked when a
    // word starts and at the trigger, not for every key.
    virtual bool SecureInputActive() const = 0;
    // The program that shows the XEmbed notification area (its class or
    // process name), for the status and bug reports; "" when there is none
    // or it cannot be told.
    virtual QString NotificationAreaOwner() const { return QString(); }
    // Gives the keyboard back to a window that had it before one of the
    // program's own windows took it. False where the desktop leaves that to
    // itself (a Wayland compositor refocuses the previous window on its own).
    virtual bool ActivateWindow(WindowId window)
    {
        (void)window;
        return false;
    }
};
