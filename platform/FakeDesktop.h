#pragma once

#include "platform/Desktop.h"

// A desktop whose answers the test sets.
class FakeDesktop : public Desktop
{
public:
    WindowId ForegroundWindow() const override { return foreground; }
    bool CapsLockOn() const override { return capsLock; }
    std::optional<QRect> CaretRect() const override { return caret; }
    QString WindowTitle(WindowId window) const override { return window == foreground ? title : QString(); }
    QSize ScreenSize() const override { return screen; }
    bool SecureInputActive() const override { return secureInput; }
    QStringList WindowClass(WindowId window) const override
    {
        return window == foreground ? windowClass : QStringList();
    }

    WindowId foreground = 1;
    bool capsLock = false;
    std::optional<QRect> caret;
    QString title;
    QStringList windowClass;
    QSize screen{1920, 1080};
    bool secureInput = false;
};
