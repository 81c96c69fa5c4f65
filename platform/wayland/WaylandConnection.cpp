#include "platform/wayland/WaylandConnection.h"

#include "virtual-keyboard-unstable-v1-client-protocol.h"
#include "wlr-data-control-unstable-v1-client-protocol.h"
#include "wlr-foreign-toplevel-management-unstable-v1-client-protocol.h"

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
// A compositor that reads nothing of ours for this long is taken as gone.
constexpr int kFlushWaitMs = 5000;

void IgnoreEnter(void*, wl_keyboard*, uint32_t, wl_surface*, wl_array*) {}
void IgnoreLeave(void*, wl_keyboard*, uint32_t, wl_surface*) {}
void IgnoreKey(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t) {}
void IgnoreModifiers(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) {}
void IgnoreRepeat(void*, wl_keyboard*, int32_t, int32_t) {}

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
    }
}

void WaylandConnection::OnGlobalRemove(void*, wl_registry*, uint32_t) {}

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
