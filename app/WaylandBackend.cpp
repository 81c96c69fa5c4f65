#include "app/WaylandBackend.h"

#include "core/QuilloError.h"
#include "platform/atspi/AtspiCaretTracker.h"
#include "platform/evdevhook/EvdevKeymap.h"
#include "platform/wayland/DeviceAccess.h"
#include "platform/wayland/EvdevKeyHold.h"
#include "platform/wayland/UinputKeyOutput.h"
#include "platform/wayland/DataControlClipboard.h"
#include "platform/wayland/LayerShellOverlay.h"
#include "platform/wayland/VirtualKeyboardOutput.h"
#include "platform/wayland/WaylandConnection.h"
#include "platform/wayland/WaylandDesktop.h"

#include <QDir>
#include <QHash>

namespace {

constexpr const char* kErrorSource = "WaylandBackend";
constexpr int kErrorNoCompositor = 3401;
constexpr int kErrorNoDevices = 3402;

} // namespace

WaylandBackend::WaylandBackend(const QString& libraryFolder)
    : hook(libraryFolder, QLatin1String(LibraryKeyboardHook::kEvdevLibrary))
{
    QString error;
    connection = WaylandConnection::Open(&error);
    if (!connection)
        throw QuilloError(kErrorNoCompositor, kErrorSource, error);
    // The keymap keys are typed in and read with: the one the compositor
    // hands its clients, else the session's XKB names, as the monitor takes them.
    QString keymapError;
    std::shared_ptr<const EvdevKeymap> keymap;
    if (!connection->SessionKeymap().isEmpty())
        keymap = EvdevKeymap::FromText(connection->SessionKeymap(), &keymapError);
    if (!keymap)
        keymap = EvdevKeymap::FromNames(EvdevKeymap::SessionNames(), &keymapError);
    if (!keymap)
        throw QuilloError(kErrorNoCompositor, kErrorSource,
                          QStringLiteral("Quillo cannot compile the keyboard layout: %1").arg(keymapError));
    // Everything that is missing, in one message: reading the keyboards,
    // and writing the virtual keyboard device where the compositor offers
    // none of its own.
    const bool compositorKeyboard = connection->VirtualKeyboardManager() != nullptr;
    const QString problems = DeviceAccess::ForSession().Problems(!compositorKeyboard);
    if (!problems.isEmpty())
        throw QuilloError(kErrorNoDevices, kErrorSource, problems);
    // The user's keys typed during an expansion are held by the monitor,
    // which owns the keyboards, and sent on through the virtual keyboard.
    EvdevKeyHold::RawSender sendRaw;
    if (compositorKeyboard) {
        auto output = std::make_unique<VirtualKeyboardOutput>(*connection, keymap->Text());
        sendRaw = [keyboard = output.get()](unsigned keycode, bool down) { keyboard->SendRawKey(keycode, down); };
        deviceOutput = std::move(output);
    } else {
        auto output = std::make_unique<UinputKeyOutput>(keymap);
        sendRaw = [keyboard = output.get()](unsigned keycode, bool down) { keyboard->SendRawKey(keycode, down); };
        deviceOutput = std::move(output);
    }
    keyOutput = std::make_unique<EvdevKeyHold>(*deviceOutput, sendRaw,
                                               QDir(libraryFolder).filePath(LibraryKeyboardHook::kEvdevLibrary));
    hook.SetKeymap(keymap->Text());
    desktop = std::make_unique<WaylandDesktop>(*connection);
    if (connection->DataControlManager())
        clipboard = std::make_unique<DataControlClipboard>(*connection);
    overlay = LayerShellOverlay::Create(*connection);
}

WaylandBackend::~WaylandBackend()
{
    // Keys held at the end are sent on while the monitor still has them.
    if (keyOutput) {
        try {
            keyOutput->ReleaseUserKeys({});
        } catch (const std::exception&) {
        }
    }
    // The monitor stops before the connection its keymap came from; it lets
    // the keyboards go (and were the process killed, the kernel would).
    hook.ReleaseKeyboardHook();
    overlay.reset();
    clipboard.reset();
    desktop.reset();
    keyOutput.reset();
    deviceOutput.reset();
}

Desktop& WaylandBackend::DesktopServices()
{
    return *desktop;
}

ClipboardAccess* WaylandBackend::Clipboard()
{
    return clipboard.get();
}

ListOverlay* WaylandBackend::Overlay()
{
    return overlay.get();
}

void WaylandBackend::FollowFocus(const AtspiCaretTracker& tracker)
{
    // The caret within its window; the desktop adds the window's place.
    desktop->SetCaretSource([&tracker]() -> std::optional<WaylandDesktop::WindowCaret> {
        const auto caret = tracker.CaretInWindow();
        if (!caret)
            return std::nullopt;
        return WaylandDesktop::WindowCaret{caret->rect, caret->processId};
    });
    desktop->SetPasswordFocusSource([&tracker] { return tracker.FocusIsPassword(); });
    if (desktop->KnowsToplevels())
        return;
    desktop->SetFocusSource([&tracker] {
        const AtspiCaretTracker::Application application = tracker.FocusedApplication();
        WaylandDesktop::FocusInfo focus;
        if (!application.busName.isEmpty()) {
            // Never 0, which means no window.
            focus.window = Desktop::WindowId(qHash(application.busName)) | 1;
            focus.appId = application.name;
        }
        return focus;
    });
}
