#include "app/WaylandBackend.h"

#include "core/QuilloError.h"
#include "platform/wayland/DataControlClipboard.h"
#include "platform/wayland/VirtualKeyboardOutput.h"
#include "platform/wayland/WaylandConnection.h"
#include "platform/wayland/WaylandDesktop.h"

namespace {

constexpr const char* kErrorSource = "WaylandBackend";
constexpr int kErrorNoCompositor = 3401;

} // namespace

WaylandBackend::WaylandBackend(const QString& libraryFolder)
    : hook(libraryFolder, QLatin1String(LibraryKeyboardHook::kEvdevLibrary))
{
    QString error;
    connection = WaylandConnection::Open(&error);
    if (!connection)
        throw QuilloError(kErrorNoCompositor, kErrorSource, error);
    auto output = std::make_unique<VirtualKeyboardOutput>(*connection, connection->SessionKeymap());
    // The monitor turns key codes into characters with the keymap the keys
    // are typed in.
    hook.SetKeymap(output->KeymapText());
    keyOutput = std::move(output);
    desktop = std::make_unique<WaylandDesktop>(*connection);
    if (connection->DataControlManager())
        clipboard = std::make_unique<DataControlClipboard>(*connection);
}

WaylandBackend::~WaylandBackend()
{
    // The monitor stops before the connection its keymap came from.
    hook.ReleaseKeyboardHook();
    clipboard.reset();
    desktop.reset();
    keyOutput.reset();
}

Desktop& WaylandBackend::DesktopServices()
{
    return *desktop;
}

ClipboardAccess* WaylandBackend::Clipboard()
{
    return clipboard.get();
}
