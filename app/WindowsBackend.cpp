#include "app/WindowsBackend.h"

#include "platform/win/WinClipboardAccess.h"
#include "platform/win/WinDesktop.h"
#include "platform/win/WinKeyOutput.h"
#include "platform/win/WinSoundPlayer.h"

WindowsBackend::WindowsBackend(const QString& libraryFolder)
    : hook(libraryFolder, QLatin1String(LibraryKeyboardHook::kWinLibrary)),
      keyOutput(std::make_unique<WinKeyOutput>()),
      // After the application object: UI Automation needs COM on this thread.
      desktop(std::make_unique<WinDesktop>()),
      clipboard(std::make_unique<WinClipboardAccess>()),
      sound(std::make_unique<WinSoundPlayer>())
{
}

WindowsBackend::~WindowsBackend() = default;
