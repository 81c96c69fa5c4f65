#pragma once

#include "platform/KeyboardHook.h"

#include <QByteArray>
#include <QLibrary>

// The keyboard monitor as a separate library (libkeybhook.so on X11,
// libevdevhook.so reading the keyboard devices), loaded from the
// executable's folder when the hook is set. A library that is missing or
// broken is reported as the reason the hook could not be set.
class LibraryKeyboardHook : public KeyboardHook
{
public:
    static constexpr const char* kX11Library = "libkeybhook.so";
    static constexpr const char* kEvdevLibrary = "libevdevhook.so";
    static constexpr const char* kWinLibrary = "keybhook.dll";

    explicit LibraryKeyboardHook(const QString& libraryFolder, const QString& libraryName = QLatin1String(kX11Library));
    ~LibraryKeyboardHook() override;

    // The keymap (XKB text) a monitor that reads key codes turns them into
    // characters with; handed over when the hook is set, to a library that
    // takes one (SetKeyboardKeymap).
    void SetKeymap(const QByteArray& xkbKeymapText) { keymap = xkbKeymapText; }

    bool SetKeyboardHook(QObject* window, quint32 msg, QString* error) override;
    void ReleaseKeyboardHook() override;

private:
    using SetFunction = int (*)(void*, unsigned int, char*, int);
    using ReleaseFunction = void (*)();
    using KeymapFunction = int (*)(const char*);
    static constexpr int kErrorBufferSize = 512;

    QLibrary library;
    QByteArray keymap;
    ReleaseFunction release = nullptr;
};
