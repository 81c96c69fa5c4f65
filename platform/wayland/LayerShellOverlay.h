#pragma once

#include "platform/ListOverlay.h"

#include <QList>
#include <QRect>
#include <memory>
#include <vector>

class WaylandConnection;
struct wl_buffer;
struct wl_output;
struct wl_surface;
struct zwlr_layer_surface_v1;

// The overlay as a surface of the compositor's layer shell, on Quillo's own
// connection: in the overlay layer above every window, anchored to the
// top-left corner of the screen that holds the point, its margins giving the
// place. It never takes the keyboard and has an empty input region, so the
// application being typed in keeps the keyboard and clicks pass through.
class LayerShellOverlay : public ListOverlay
{
public:
    // nullptr where the compositor lacks the layer shell (GNOME) or shared
    // memory buffers: there nothing can be shown beside the caret.
    static std::unique_ptr<LayerShellOverlay> Create(WaylandConnection& connection);
    ~LayerShellOverlay() override;
    LayerShellOverlay(const LayerShellOverlay&) = delete;
    LayerShellOverlay& operator=(const LayerShellOverlay&) = delete;

    bool Show(const QImage& image, QPoint topLeft) override;
    void Hide() override;
    bool IsShown() const override { return shown; }
    // The image has reached the compositor: the surface was configured and
    // the image committed to it.
    bool IsOnScreen() const { return shown && committed; }

    // Which of the screens (given by their places in the layout) holds the
    // point: the first that contains it, else the nearest; -1 for none.
    static qsizetype ScreenFor(const QList<QRect>& screens, QPoint point);

private:
    struct Buffer
    {
        LayerShellOverlay* owner = nullptr;
        wl_buffer* buffer = nullptr;
        uchar* pixels = nullptr;
        size_t bytes = 0;
        QSize size;
        // Between attaching and the compositor's release it must not be written.
        bool busy = false;
    };

    explicit LayerShellOverlay(WaylandConnection& connection);
    bool MakeSurface(wl_output* output);
    void DestroySurface();
    // Puts the image into a free buffer and commits it.
    void Commit();
    Buffer* FreeBuffer(QSize size);
    void DestroyBuffer(Buffer& buffer);

    static void OnConfigure(void* data, zwlr_layer_surface_v1* layerSurface, uint32_t serial, uint32_t width,
                            uint32_t height);
    static void OnClosed(void* data, zwlr_layer_surface_v1* layerSurface);
    static void OnRelease(void* data, wl_buffer* buffer);

    WaylandConnection& connection;
    wl_surface* surface = nullptr;
    zwlr_layer_surface_v1* layerSurface = nullptr;
    wl_output* surfaceOutput = nullptr;
    // The surface may take a buffer only once the compositor configured it.
    bool configured = false;
    bool committed = false;
    bool shown = false;
    // The image to show, already at the screen's scale.
    QImage image;
    int scale = 1;
    std::vector<std::unique_ptr<Buffer>> buffers;
};
