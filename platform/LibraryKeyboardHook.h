#pragma once

#include "platform/KeyboardHook.h"

#include <QLibrary>

// The keyboard monitor as the separate library libkeybhook.so, loaded from
// the executable's folder when the hook is set. A library that is missing or
// broken is reported as the reason the hook could not be set.
class LibraryKeyboardHook : public KeyboardHook
{
public:
    explicit LibraryKeyboardHook(const QString& libraryFolder);
    ~LibraryKeyboardHook() override;

    bool SetKeyboardHook(QObject* window, quint32 msg, QString* error) override;
    void ReleaseKeyboardHook() override;

private:
    using SetFunction = int (*)(void*, unsigned int, char*, int);
    using ReleaseFunction = void (*)();
    static constexpr int kErrorBufferSize = 512;

    QLibrary library;
    ReleaseFunction release = nullptr;
};
