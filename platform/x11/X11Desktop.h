#pragma once

#include "platform/Desktop.h"

#include <QObject>
#include <functional>

struct _XDisplay;
class QSocketNotifier;

// The X11 desktop: the active window from _NET_ACTIVE_WINDOW, kept up to
// date from the root window's property changes (or, without a window
// manager, the input focus walked up to its top-level window), Caps Lock
// from XKB, window titles, the screen size. The caret and whether the
// focused field is a password field come from sources set by the program
// (the accessibility bus), as no X call can tell them.
class X11Desktop : public QObject, public Desktop
{
public:
    using CaretSource = std::function<std::optional<QRect>()>;

    // Throws QuilloError when the display cannot be opened.
    X11Desktop();
    ~X11Desktop() override;

    WindowId ForegroundWindow() const override;
    bool CapsLockOn() const override;
    std::optional<QRect> CaretRect() const override;
    QString WindowTitle(WindowId window) const override;
    QSize ScreenSize() const override;
    QStringList WindowClass(WindowId window) const override;
    // A password field has the focus, or another client has grabbed the
    // keyboard.
    bool SecureInputActive() const override;
    QString NotificationAreaOwner() const override;
    // Through the window manager (_NET_ACTIVE_WINDOW) where there is one,
    // else the input focus set directly.
    bool ActivateWindow(WindowId window) override;

    void SetCaretSource(CaretSource source) { caretSource = std::move(source); }
    void SetPasswordFocusSource(std::function<bool()> source) { passwordFocusSource = std::move(source); }
    // Whether another client holds an active grab of the keyboard. One round
    // trip; the grab is never disturbed.
    bool KeyboardGrabbedElsewhere() const;

private:
    void ReadEvents();
    void ReadActiveWindow();
    WindowId FocusTopLevel() const;

    _XDisplay* display = nullptr;
    QSocketNotifier* notifier = nullptr;
    unsigned long activeAtom = 0;
    unsigned long utf8Atom = 0;
    unsigned long netNameAtom = 0;
    bool haveActiveProperty = false;
    WindowId active = 0;
    CaretSource caretSource;
    std::function<bool()> passwordFocusSource;
    // A window that is never mapped, for asking about the keyboard's grab.
    mutable unsigned long grabProbe = 0;
};
