#include "platform/wayland/LayerShellOverlay.h"

#include "platform/wayland/WaylandConnection.h"

#include "wlr-layer-shell-unstable-v1-client-protocol.h"

#include <QPainter>
#include <algorithm>
#include <climits>
#include <cstring>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

namespace {

// Names the surface's purpose to the compositor (rules in its configuration
// may match it).
constexpr const char* kNamespace = "quillo-suggestions";
constexpr int kBytesPerPixel = 4;
// Buffers kept at most. One in the compositor's hands and one being filled is
// the usual case; a compositor that never gives some back must not make the
// program's memory grow with every list shown.
constexpr size_t kMaxBuffers = 4;

// How far the point lies outside the rectangle (0 inside it).
qint64 DistanceSquared(const QRect& rect, QPoint point)
{
    const qint64 dx = point.x() < rect.left() ? rect.left() - point.x()
                      : point.x() > rect.right() ? point.x() - rect.right() : 0;
    const qint64 dy = point.y() < rect.top() ? rect.top() - point.y()
                      : point.y() > rect.bottom() ? point.y() - rect.bottom() : 0;
    return dx * dx + dy * dy;
}

} // namespace

std::unique_ptr<LayerShellOverlay> LayerShellOverlay::Create(WaylandConnection& connection)
{
    if (!connection.LayerShell() || !connection.Compositor() || !connection.Shm())
        return nullptr;
    return std::unique_ptr<LayerShellOverlay>(new LayerShellOverlay(connection));
}

LayerShellOverlay::LayerShellOverlay(WaylandConnection& connection) : connection(connection) {}

LayerShellOverlay::~LayerShellOverlay()
{
    DestroySurface();
    for (const std::unique_ptr<Buffer>& buffer : buffers)
        DestroyBuffer(*buffer);
    buffers.clear();
    connection.Flush();
}

qsizetype LayerShellOverlay::ScreenFor(const QList<QRect>& screens, QPoint point)
{
    qsizetype best = -1;
    qint64 bestDistance = LLONG_MAX;
    for (qsizetype i = 0; i < screens.size(); ++i) {
        const qint64 distance = DistanceSquared(screens[i], point);
        if (distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    return best;
}

bool LayerShellOverlay::Show(const QImage& shownImage, QPoint topLeft)
{
    if (connection.IsBroken() || shownImage.isNull()) {
        Hide();
        return false;
    }
    // The screen that holds the point; without any described, the
    // compositor's choice with the point taken as on a screen at 0,0.
    const QList<WaylandConnection::OutputInfo> outputs = connection.Outputs();
    QList<QRect> places;
    for (const WaylandConnection::OutputInfo& output : outputs)
        places << output.geometry;
    const qsizetype index = ScreenFor(places, topLeft);
    wl_output* output = index < 0 ? nullptr : outputs[index].output;
    const QPoint origin = index < 0 ? QPoint() : outputs[index].geometry.topLeft();
    scale = index < 0 ? 1 : outputs[index].scale;

    const qreal ratio = std::max<qreal>(1, shownImage.devicePixelRatio());
    const QSize logical((shownImage.width() + ratio - 1) / ratio, (shownImage.height() + ratio - 1) / ratio);
    // Drawn at the screen's own pixels, so it is not scaled up blurred.
    const QSize pixels = logical * scale;
    image = shownImage.size() == pixels ? shownImage : shownImage.scaled(pixels, Qt::IgnoreAspectRatio,
                                                                            Qt::SmoothTransformation);
    image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);

    // A layer surface stays on the screen it was made for.
    if (layerSurface && surfaceOutput != output)
        DestroySurface();
    if (!layerSurface && !MakeSurface(output))
        return false;
    zwlr_layer_surface_v1_set_size(layerSurface, uint32_t(logical.width()), uint32_t(logical.height()));
    zwlr_layer_surface_v1_set_margin(layerSurface, topLeft.y() - origin.y(), 0, 0, topLeft.x() - origin.x());
    wl_surface_set_buffer_scale(surface, scale);
    shown = true;
    if (configured)
        Commit();
    else
        wl_surface_commit(surface); // the state alone: the compositor answers with a configure
    return connection.Flush();
}

void LayerShellOverlay::Hide()
{
    shown = false;
    if (!surface)
        return;
    // Off the screen at once; the surface goes too. A surface unmapped by a
    // null buffer would have to be configured afresh, and acknowledging a
    // configure the compositor sent before the unmap is a protocol error
    // that ends the connection: a new surface per showing avoids that race.
    wl_surface_attach(surface, nullptr, 0, 0);
    wl_surface_commit(surface);
    DestroySurface();
    connection.Flush();
}

bool LayerShellOverlay::MakeSurface(wl_output* output)
{
    static const zwlr_layer_surface_v1_listener listener = {&OnConfigure, &OnClosed};
    surface = wl_compositor_create_surface(connection.Compositor());
    if (!surface)
        return false;
    // An empty input region: pointer and touch go to the window below.
    wl_region* nothing = wl_compositor_create_region(connection.Compositor());
    wl_surface_set_input_region(surface, nothing);
    wl_region_destroy(nothing);
    layerSurface = zwlr_layer_shell_v1_get_layer_surface(connection.LayerShell(), surface, output,
                                                         ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, kNamespace);
    zwlr_layer_surface_v1_add_listener(layerSurface, &listener, this);
    zwlr_layer_surface_v1_set_anchor(layerSurface,
                                     ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT);
    // Never the keyboard: the user goes on typing in the application.
    zwlr_layer_surface_v1_set_keyboard_interactivity(layerSurface,
                                                     ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_NONE);
    // Margins count from the screen's corner, not from inside panels'
    // reserved zones, so the list lands where the caret is.
    zwlr_layer_surface_v1_set_exclusive_zone(layerSurface, -1);
    surfaceOutput = output;
    configured = false;
    committed = false;
    return true;
}

void LayerShellOverlay::DestroySurface()
{
    if (layerSurface)
        zwlr_layer_surface_v1_destroy(layerSurface);
    if (surface)
        wl_surface_destroy(surface);
    layerSurface = nullptr;
    surface = nullptr;
    surfaceOutput = nullptr;
    configured = false;
    committed = false;
}

void LayerShellOverlay::Commit()
{
    Buffer* buffer = FreeBuffer(image.size());
    if (!buffer)
        return;
    const int stride = image.width() * kBytesPerPixel;
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(buffer->pixels + size_t(y) * size_t(stride), image.constScanLine(y), size_t(stride));
    buffer->busy = true;
    wl_surface_attach(surface, buffer->buffer, 0, 0);
    wl_surface_damage_buffer(surface, 0, 0, image.width(), image.height());
    wl_surface_commit(surface);
    committed = true;
}

LayerShellOverlay::Buffer* LayerShellOverlay::FreeBuffer(QSize size)
{
    // Buffers of another size are of no more use once the compositor is done with them.
    for (auto it = buffers.begin(); it != buffers.end();) {
        if (!(*it)->busy && (*it)->size != size) {
            DestroyBuffer(**it);
            it = buffers.erase(it);
        } else {
            ++it;
        }
    }
    for (const std::unique_ptr<Buffer>& buffer : buffers) {
        if (!buffer->busy)
            return buffer.get();
    }
    // All busy: the oldest go. A buffer the compositor still holds may be
    // destroyed as long as its memory is not written again, and a destroyed
    // one's never is.
    while (buffers.size() >= kMaxBuffers) {
        DestroyBuffer(*buffers.front());
        buffers.erase(buffers.begin());
    }

    auto made = std::make_unique<Buffer>();
    made->owner = this;
    made->size = size;
    const int stride = size.width() * kBytesPerPixel;
    made->bytes = size_t(stride) * size_t(size.height());
    const int fd = memfd_create("quillo-list", MFD_CLOEXEC);
    if (fd < 0)
        return nullptr;
    if (ftruncate(fd, off_t(made->bytes)) != 0) {
        close(fd);
        return nullptr;
    }
    void* memory = mmap(nullptr, made->bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (memory == MAP_FAILED) {
        close(fd);
        return nullptr;
    }
    made->pixels = static_cast<uchar*>(memory);
    wl_shm_pool* pool = wl_shm_create_pool(connection.Shm(), fd, int32_t(made->bytes));
    // Premultiplied ARGB in native byte order is the compositor's ARGB8888.
    made->buffer = wl_shm_pool_create_buffer(pool, 0, size.width(), size.height(), stride, WL_SHM_FORMAT_ARGB8888);
    wl_shm_pool_destroy(pool);
    close(fd);
    static const wl_buffer_listener listener = {&OnRelease};
    wl_buffer_add_listener(made->buffer, &listener, made.get());
    buffers.push_back(std::move(made));
    return buffers.back().get();
}

void LayerShellOverlay::DestroyBuffer(Buffer& buffer)
{
    if (buffer.buffer)
        wl_buffer_destroy(buffer.buffer);
    if (buffer.pixels)
        munmap(buffer.pixels, buffer.bytes);
    buffer.buffer = nullptr;
    buffer.pixels = nullptr;
}

void LayerShellOverlay::OnConfigure(void* data, zwlr_layer_surface_v1* layerSurface, uint32_t serial, uint32_t,
                                    uint32_t)
{
    auto* self = static_cast<LayerShellOverlay*>(data);
    zwlr_layer_surface_v1_ack_configure(layerSurface, serial);
    const bool first = !self->configured;
    self->configured = true;
    // The size is ours to choose (set_size); later configures need no new buffer.
    if (first && self->shown)
        self->Commit();
    self->connection.Flush();
}

void LayerShellOverlay::OnClosed(void* data, zwlr_layer_surface_v1*)
{
    // The compositor will show the surface no more (its screen went away):
    // the next showing makes a new one.
    auto* self = static_cast<LayerShellOverlay*>(data);
    self->DestroySurface();
    self->shown = false;
}

void LayerShellOverlay::OnRelease(void* data, wl_buffer*)
{
    static_cast<Buffer*>(data)->busy = false;
}
