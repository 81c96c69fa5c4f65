#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <memory>

struct wl_display;
struct wl_registry;
struct wl_seat;
struct wl_keyboard;
struct zwp_virtual_keyboard_manager_v1;
struct zwlr_data_control_manager_v1;
struct zwlr_foreign_toplevel_manager_v1;
class QSocketNotifier;

// Quillo's own connection to the Wayland compositor, beside the one Qt keeps
// for its windows: the protocols Quillo needs (virtual keyboard, data
// control, foreign toplevels) are not Qt's business, and their events must
// not wait for Qt's windows. Events are read by the UI thread's event loop.
class WaylandConnection : public QObject
{
public:
    // The compositor named by WAYLAND_DISPLAY; nullptr with the reason in
    // *error when there is none to reach.
    static std::unique_ptr<WaylandConnection> Open(QString* error);
    ~WaylandConnection() override;

    wl_display* Display() const { return display; }
    wl_seat* Seat() const { return seat; }
    zwp_virtual_keyboard_manager_v1* VirtualKeyboardManager() const { return virtualKeyboardManager; }
    zwlr_data_control_manager_v1* DataControlManager() const { return dataControlManager; }
    zwlr_foreign_toplevel_manager_v1* ToplevelManager() const { return toplevelManager; }
    quint32 DataControlVersion() const { return dataControlVersion; }

    // The keymap (XKB text) of the seat's keyboard as the compositor handed
    // it to us when we connected; empty when the seat had no keyboard then.
    // Later keymaps are not taken: every virtual keyboard (ours, other
    // typing tools') makes its own keymap the seat's for a while.
    QByteArray SessionKeymap() const { return sessionKeymap; }

    // Sends what is queued; false once the connection is gone.
    bool Flush();
    // Waits until the compositor has handled everything sent so far and the
    // events it sent in return were handled; false once the connection is gone.
    bool Roundtrip();
    // Handles the events that have arrived, without waiting; false once the
    // connection is gone.
    bool ReadAvailable();
    bool IsBroken() const { return broken; }

private:
    WaylandConnection() = default;
    void ReadEvents();
    void MarkBroken();

    static void OnGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t version);
    static void OnGlobalRemove(void* data, wl_registry* registry, uint32_t name);
    static void OnCapabilities(void* data, wl_seat* seat, uint32_t capabilities);
    static void OnSeatName(void* data, wl_seat* seat, const char* name);
    static void OnKeymap(void* data, wl_keyboard* keyboard, uint32_t format, int32_t fd, uint32_t size);

    wl_display* display = nullptr;
    wl_registry* registry = nullptr;
    wl_seat* seat = nullptr;
    wl_keyboard* keyboard = nullptr;
    zwp_virtual_keyboard_manager_v1* virtualKeyboardManager = nullptr;
    zwlr_data_control_manager_v1* dataControlManager = nullptr;
    zwlr_foreign_toplevel_manager_v1* toplevelManager = nullptr;
    quint32 dataControlVersion = 0;
    QByteArray sessionKeymap;
    bool keymapTaken = false;
    bool broken = false;
    std::unique_ptr<QSocketNotifier> notifier;
};
