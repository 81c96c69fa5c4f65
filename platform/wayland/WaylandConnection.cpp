#include "platform/wayland/WaylandConnection.h"

#include "virtual-keyboard-unstable-v1-client-protocol.h"
#include "wlr-data-control-unstable-v1-client-protocol.h"
#include "wlr-foreign-toplevel-management-unstable-v1-client-protocol.h"
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#include "xdg-output-unstable-v1-client-protocol.h"

#include <QSocketNotifier>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

namespace {

// The newest versions whose messages this client knows.
constexpr uint32_t kSeatVersion = 5;
constexpr uint32_t kDataControlVersion = 2;
constexpr uint32_t kToplevelVersion = 1;
// Surfaces need set_buffer_scale (3) and damage_buffer (4).
constexpr uint32_t kCompositorVersion = 4;
constexpr uint32_t kCompositorVersionNeeded = 3;
constexpr uint32_t kShmVersion = 1;
constexpr uint32_t kLayerShellVersion = 1;
// Geometry, mode, done and scale; later versions add only names.
constexpr uint32_t kOutputVersion = 2;
constexpr uint32_t kXdgOutputVersion = 1;
// A compositor that reads nothing of ours for this long is taken as gone.
constexpr int kFlushWaitMs = 5000;

void IgnoreEnter(void*, wl_keyboard*, uint32_t, wl_surface*, wl_array*) {}
void IgnoreLeave(void*, wl_keyboard*, uint32_t, wl_surface*) {}
void IgnoreKey(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t) {}
void IgnoreModifiers(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) {}
void IgnoreRepeat(void*, wl_keyboard*, int32_t, int32_t) {}
void IgnoreOutputDone(void*, wl_output*) {}
void IgnoreOutputText(void*, wl_output*, const char*) {}
void IgnoreXdgOutputDone(void*, zxdg_output_v1*) {}
void IgnoreXdgOutputText(void*, zxdg_output_v1*, const char*) {}

} // namespace

std::unique_ptr<WaylandConnection> WaylandConnection::Open(QString* error)
{
    static const wl_registry_listener registryListener = {&OnGlobal, &OnGlobalRemove};
    std::unique_ptr<WaylandConnection> connection(new WaylandConnection);
    connection->display = wl_display_connect(nullptr);
    if (!connection->display) {
        if (error)
            *error = QStringLiteral("Quillo cannot reach the Wayland compositor (WAYLAND_DISPLAY=\"%1\"): %2")
                         .arg(qEnvironmentVariable("WAYLAND_DISPLAY"), QString::fromLocal8Bit(std::strerror(errno)));
        return nullptr;
    }
    connection->registry = wl_display_get_registry(connection->display);
    wl_registry_add_listener(connection->registry, &registryListener, connection.get());
    // Globals first, then the seat's capabilities, then the keyboard's keymap.
    for (int round = 0; round < 3; ++round) {
        if (wl_display_roundtrip(connection->display) < 0) {
            if (error)
                *error = QStringLiteral("Quillo lost its connection to the Wayland compositor while starting.");
            return nullptr;
        }
    }
    connection->keymapTaken = true;
    connection->notifier = std::make_unique<QSocketNotifier>(wl_display_get_fd(connection->display),
                                                             QSocketNotifier::Read);
    connect(connection->notifier.get(), &QSocketNotifier::activated, connection.get(),
            [c = connection.get()] { c->ReadEvents(); });
    return connection;
}

WaylandConnection::~WaylandConnection()
{
    notifier.reset();
    if (!display)
        return;
    if (keyboard)
        wl_keyboard_destroy(keyboard);
    if (virtualKeyboardManager)
        wl_proxy_destroy(reinterpret_cast<wl_proxy*>(virtualKeyboardManager));
    if (dataControlManager)
        zwlr_data_control_manager_v1_destroy(dataControlManager);
    if (toplevelManager)
        wl_proxy_destroy(reinterpret_cast<wl_proxy*>(toplevelManager));
    for (const std::unique_ptr<Output>& output : outputs) {
        if (output->xdgOutput)
            zxdg_output_v1_destroy(output->xdgOutput);
        wl_output_destroy(output->output);
    }
    outputs.clear();
    if (xdgOutputManager)
        zxdg_output_manager_v1_destroy(xdgOutputManager);
    if (layerShell)
        wl_proxy_destroy(reinterpret_cast<wl_proxy*>(layerShell));
    if (shm)
        wl_shm_destroy(shm);
    if (compositor)
        wl_compositor_destroy(compositor);
    if (seat)
        wl_seat_destroy(seat);
    if (registry)
        wl_registry_destroy(registry);
    wl_display_flush(display);
    wl_display_disconnect(display);
}

bool WaylandConnection::Flush()
{
    if (broken)
        return false;
    // A full socket waits until the compositor has read some: the client
    // library's own buffer is small, and overrunning it ends the connection.
    while (wl_display_flush(display) < 0) {
        pollfd writable{wl_display_get_fd(display), POLLOUT, 0};
        if (errno != EAGAIN || poll(&writable, 1, kFlushWaitMs) <= 0) {
            MarkBroken();
            break;
        }
    }
    return !broken;
}

bool WaylandConnection::ReadAvailable()
{
    if (broken)
        return false;
    // Events already on the socket, without waiting for more.
    while (wl_display_prepare_read(display) != 0)
        wl_display_dispatch_pending(display);
    pollfd readable{wl_display_get_fd(display), POLLIN, 0};
    if (poll(&readable, 1, 0) > 0) {
        if (wl_display_read_events(display) < 0)
            MarkBroken();
    } else {
        wl_display_cancel_read(display);
    }
    if (!broken && wl_display_dispatch_pending(display) < 0)
        MarkBroken();
    return !broken;
}

bool WaylandConnection::Roundtrip()
{
    if (broken)
        return false;
    if (wl_display_roundtrip(display) < 0)
        MarkBroken();
    return !broken;
}

void WaylandConnection::ReadEvents()
{
    // Never waits: a round trip run meanwhile may have read what woke us,
    // and a blocking read would then hold the UI thread until the next event.
    if (ReadAvailable())
        Flush();
}

void WaylandConnection::MarkBroken()
{
    broken = true;
    if (notifier)
        notifier->setEnabled(false);
}

void WaylandConnection::OnGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface,
                                 uint32_t version)
{
    static const wl_seat_listener seatListener = {&OnCapabilities, &OnSeatName};
    auto* self = static_cast<WaylandConnection*>(data);
    const auto bind = [&](const wl_interface* which, uint32_t newest) {
        return wl_registry_bind(registry, name, which, std::min(version, newest));
    };
    if (std::strcmp(interface, wl_seat_interface.name) == 0 && !self->seat) {
        self->seat = static_cast<wl_seat*>(bind(&wl_seat_interface, kSeatVersion));
        wl_seat_add_listener(self->seat, &seatListener, self);
    } else if (std::strcmp(interface, zwp_virtual_keyboard_manager_v1_interface.name) == 0) {
        self->virtualKeyboardManager =
            static_cast<zwp_virtual_keyboard_manager_v1*>(bind(&zwp_virtual_keyboard_manager_v1_interface, 1));
    } else if (std::strcmp(interface, zwlr_data_control_manager_v1_interface.name) == 0) {
        self->dataControlVersion = std::min(version, kDataControlVersion);
        self->dataControlManager = static_cast<zwlr_data_control_manager_v1*>(
            bind(&zwlr_data_control_manager_v1_interface, kDataControlVersion));
    } else if (std::strcmp(interface, zwlr_foreign_toplevel_manager_v1_interface.name) == 0) {
        self->toplevelManager = static_cast<zwlr_foreign_toplevel_manager_v1*>(
            bind(&zwlr_foreign_toplevel_manager_v1_interface, kToplevelVersion));
    } else if (std::strcmp(interface, wl_compositor_interface.name) == 0 && !self->compositor &&
               version >= kCompositorVersionNeeded) {
        self->compositor = static_cast<wl_compositor*>(bind(&wl_compositor_interface, kCompositorVersion));
    } else if (std::strcmp(interface, wl_shm_interface.name) == 0 && !self->shm) {
        self->shm = static_cast<wl_shm*>(bind(&wl_shm_interface, kShmVersion));
    } else if (std::strcmp(interface, zwlr_layer_shell_v1_interface.name) == 0 && !self->layerShell) {
        self->layerShell = static_cast<zwlr_layer_shell_v1*>(bind(&zwlr_layer_shell_v1_interface, kLayerShellVersion));
    } else if (std::strcmp(interface, zxdg_output_manager_v1_interface.name) == 0 && !self->xdgOutputManager) {
        self->xdgOutputManager =
            static_cast<zxdg_output_manager_v1*>(bind(&zxdg_output_manager_v1_interface, kXdgOutputVersion));
        for (const std::unique_ptr<Output>& output : self->outputs)
            self->WatchLogicalGeometry(*output);
    } else if (std::strcmp(interface, wl_output_interface.name) == 0) {
        static const wl_output_listener outputListener = {&OnOutputGeometry, &OnOutputMode, &IgnoreOutputDone,
                                                          &OnOutputScale,    &IgnoreOutputText, &IgnoreOutputText};
        auto output = std::make_unique<Output>();
        output->name = name;
        output->output = static_cast<wl_output*>(bind(&wl_output_interface, kOutputVersion));
        wl_output_add_listener(output->output, &outputListener, output.get());
        self->WatchLogicalGeometry(*output);
        self->outputs.push_back(std::move(output));
    }
}

void WaylandConnection::OnGlobalRemove(void* data, wl_registry*, uint32_t name)
{
    // A screen unplugged; the other globals Quillo binds stay for the session.
    auto* self = static_cast<WaylandConnection*>(data);
    const auto gone = std::find_if(self->outputs.begin(), self->outputs.end(),
                                   [name](const std::unique_ptr<Output>& output) { return output->name == name; });
    if (gone == self->outputs.end())
        return;
    if ((*gone)->xdgOutput)
        zxdg_output_v1_destroy((*gone)->xdgOutput);
    wl_output_destroy((*gone)->output);
    self->outputs.erase(gone);
}

void WaylandConnection::WatchLogicalGeometry(Output& output)
{
    static const zxdg_output_v1_listener xdgOutputListener = {&OnLogicalPosition, &OnLogicalSize,
                                                              &IgnoreXdgOutputDone, &IgnoreXdgOutputText,
                                                              &IgnoreXdgOutputText};
    if (!xdgOutputManager || output.xdgOutput)
        return;
    output.xdgOutput = zxdg_output_manager_v1_get_xdg_output(xdgOutputManager, output.output);
    zxdg_output_v1_add_listener(output.xdgOutput, &xdgOutputListener, &output);
}

QList<WaylandConnection::OutputInfo> WaylandConnection::Outputs() const
{
    QList<OutputInfo> list;
    for (const std::unique_ptr<Output>& output : outputs) {
        OutputInfo info;
        info.output = output->output;
        info.scale = std::max(1, output->scale);
        if (output->logicalSize.isValid() && !output->logicalSize.isEmpty())
            info.geometry = QRect(output->logicalPosition, output->logicalSize);
        else if (output->modePixels.isValid() && !output->modePixels.isEmpty())
            info.geometry = QRect(output->position, output->modePixels / info.scale);
        else
            continue;
        list << info;
    }
    return list;
}

void WaylandConnection::OnOutputGeometry(void* data, wl_output*, int32_t x, int32_t y, int32_t, int32_t, int32_t,
                                         const char*, const char*, int32_t)
{
    static_cast<Output*>(data)->position = QPoint(x, y);
}

void WaylandConnection::OnOutputMode(void* data, wl_output*, uint32_t flags, int32_t width, int32_t height, int32_t)
{
    if (flags & WL_OUTPUT_MODE_CURRENT)
        static_cast<Output*>(data)->modePixels = QSize(width, height);
}

void WaylandConnection::OnOutputScale(void* data, wl_output*, int32_t factor)
{
    static_cast<Output*>(data)->scale = factor;
}

void WaylandConnection::OnLogicalPosition(void* data, zxdg_output_v1*, int32_t x, int32_t y)
{
    static_cast<Output*>(data)->logicalPosition = QPoint(x, y);
}

void WaylandConnection::OnLogicalSize(void* data, zxdg_output_v1*, int32_t width, int32_t height)
{
    static_cast<Output*>(data)->logicalSize = QSize(width, height);
}

void WaylandConnection::OnCapabilities(void* data, wl_seat* seat, uint32_t capabilities)
{
    static const wl_keyboard_listener keyboardListener = {&OnKeymap,       &IgnoreEnter,  &IgnoreLeave, &IgnoreKey,
                                                          &IgnoreModifiers, &IgnoreRepeat};
    auto* self = static_cast<WaylandConnection*>(data);
    // The keyboard is only wanted for the keymap it brings when it is made.
    if ((capabilities & WL_SEAT_CAPABILITY_KEYBOARD) && !self->keyboard && !self->keymapTaken) {
        self->keyboard = wl_seat_get_keyboard(seat);
        wl_keyboard_add_listener(self->keyboard, &keyboardListener, self);
    }
}

void WaylandConnection::OnSeatName(void*, wl_seat*, const char*) {}

void WaylandConnection::OnKeymap(void* data, wl_keyboard*, uint32_t format, int32_t fd, uint32_t size)
{
    auto* self = static_cast<WaylandConnection*>(data);
    if (format == WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1 && !self->keymapTaken && size > 0) {
        void* map = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
        if (map != MAP_FAILED) {
            // The text ends with a NUL that is counted in the size.
            self->sessionKeymap = QByteArray(static_cast<const char*>(map), qsizetype(strnlen(static_cast<const char*>(map), size)));
            munmap(map, size);
        }
    }
    close(fd);
}
