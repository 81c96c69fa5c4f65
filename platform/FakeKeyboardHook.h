#pragma once

#include "platform/KeyboardHook.h"

#include <QPointer>
#include <QStringList>

class QObject;

// A keyboard monitor for tests: it delivers exactly the keys a test presses,
// through the same posted messages a real monitor uses.
class FakeKeyboardHook : public KeyboardHook
{
public:
    bool SetKeyboardHook(QObject* window, quint32 msg, QString* error) override;
    void ReleaseKeyboardHook() override;

    // Makes the next SetKeyboardHook fail with this reason.
    void FailWith(const QString& reason) { failure = reason; }
    bool IsSet() const { return !window.isNull(); }

    // Post one event, as the desktop would; nothing is posted while released.
    void Press(int virtualKey);
    // A press as a layout-aware monitor reports it: the key and the
    // character it typed (0 for none), optionally the first after a switch
    // of layout.
    void PressTyped(int virtualKey, char32_t character, bool layoutChanged = false);
    void Release(int virtualKey);
    void Tap(int virtualKey);
    // The mark a monitor posts where a hold of the user's keys begins or ends.
    void Mark();

    QStringList calls; // "set 1024", "release"

private:
    QPointer<QObject> window;
    quint32 msg = 0;
    QString failure;
};
