#pragma once

#include "platform/LibraryKeyboardHook.h"

#include <QString>
#include <memory>

class ClipboardAccess;
class Desktop;
class KeyOutput;
class SoundPlayer;

// What the tray program uses on Windows: the low-level keyboard hook in
// keybhook.dll, SendInput, the foreground window and its caret, a clipboard
// that keeps the content out of clipboard history, and sound from memory.
class WindowsBackend
{
public:
    // Made once the application object is there. Throws QuilloError.
    explicit WindowsBackend(const QString& libraryFolder);
    ~WindowsBackend();
    WindowsBackend(const WindowsBackend&) = delete;
    WindowsBackend& operator=(const WindowsBackend&) = delete;

    KeyboardHook& Hook() { return hook; }
    KeyOutput& Output() { return *keyOutput; }
    Desktop& DesktopServices() { return *desktop; }
    ClipboardAccess* Clipboard() { return clipboard.get(); }
    SoundPlayer& Sound() { return *sound; }

private:
    LibraryKeyboardHook hook;
    std::unique_ptr<KeyOutput> keyOutput;
    std::unique_ptr<Desktop> desktop;
    std::unique_ptr<ClipboardAccess> clipboard;
    std::unique_ptr<SoundPlayer> sound;
};
