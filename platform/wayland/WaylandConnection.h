#pragma once

#include <QByteArray>
#include <QObject>
#include <QList>
#include <QRect>
#include <QString>
#include <memory>
#include <vector>

struct wl_display;
struct wl_registry;
struct wl_seat;
struct wl_keyboard;
struct zwp_virtual_keyboard_manager_v1;
struct zwlr_data_control_manager_v1;
struct zwlr_foreign_toplevel_manager_v1;
struct wl_compositor;
struct wl_shm;
struct wl_output;
struct zwlr_layer_shell_v1;
struct zxdg_output_manager_v1;
struct zxdg_output_v1;
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
    wl_compositor* Compositor() const { return compositor; }
    wl_shm* Shm() const { return shm; }
    zwlr_layer_shell_v1* LayerShell() const { return layerShell; }

    // A screen of the compositor: where it lies in the layout that window
    // and caret positions are given in, and its scale.
    struct OutputInfo
    {
        wl_output* output = nullptr;
        QRect geometry;
        int scale = 1;
    };
    // The screens as the compositor last described them, in the order it
    // announced them; screens without a size yet are left out.
    QList<OutputInfo> Outputs() const;

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

    struct Output
    {
        uint32_t name = 0;
        wl_output* output = nullptr;
        zxdg_output_v1* xdgOutput = nullptr;
        // From wl_output: the corner in the layout, the mode's pixels, the scale.
        QPoint position;
        QSize modePixels;
        int scale = 1;
        // From xdg-output, which accounts for scale and rotation: the
        // place in the layout itself, when the compositor offers it.
        QPoint logicalPosition;
        QSize logicalSize;
    };
    void WatchLogicalGeometry(Output& output);
    static void OnOutputGeometry(void* data, wl_output* output, int32_t x, int32_t y, int32_t physicalWidth,
                                 int32_t physicalHeight, int32_t subpixel, const char* make, const char* model,
                                 int32_t transform);
    static void OnOutputMode(void* data, wl_output* output, uint32_t flags, int32_t width, int32_t height,
                             int32_t refresh);
    static void OnOutputScale(void* data, wl_output* output, int32_t factor);
    static void OnLogicalPosition(void* data, zxdg_output_v1* output, int32_t x, int32_t y);
    static void OnLogicalSize(void* data, zxdg_output_v1* output, int32_t width, int32_t height);

    wl_display* display = nullptr;
    wl_registry* registry = nullptr;
    wl_seat* seat = nullptr;
    wl_keyboard* keyboard = nullptr;
    zwp_virtual_keyboard_manager_v1* virtualKeyboardManager = nullptr;
    zwlr_data_control_manager_v1* dataControlManager = nullptr;
    zwlr_foreign_toplevel_manager_v1* toplevelManager = nullptr;
    wl_compositor* compositor = nullptr;
    wl_shm* shm = nullptr;
    zwlr_layer_shell_v1* layerShell = nullptr;
    zxdg_output_manager_v1* xdgOutputManager = nullptr;
    std::vector<std::unique_ptr<Output>> outputs;
    quint32 dataControlVersion = 0;
    QByteArray sessionKeymap;
    bool keymapTaken = false;
    bool broken = false;
    std::unique_ptr<QSocketNotifier> notifier;
};
