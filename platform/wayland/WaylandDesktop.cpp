#include "platform/wayland/WaylandDesktop.h"

#include "platform/wayland/SwayIpc.h"
#include "platform/wayland/WaylandConnection.h"
#include "wlr-foreign-toplevel-management-unstable-v1-client-protocol.h"

#include <QGuiApplication>
#include <QScreen>
#include <wayland-client.h>

WaylandDesktop::WaylandDesktop(WaylandConnection& connection)
    : connection(connection), manager(connection.ToplevelManager()), windowPlacer(std::make_unique<SwayIpc>())
{
    static const zwlr_foreign_toplevel_manager_v1_listener managerListener = {&OnToplevel, &OnFinished};
    if (manager) {
        zwlr_foreign_toplevel_manager_v1_add_listener(manager, &managerListener, this);
        // The windows there are now are announced at once.
        connection.Roundtrip();
    }
}

WaylandDesktop::~WaylandDesktop()
{
    for (auto it = toplevels.begin(); it != toplevels.end(); ++it)
        zwlr_foreign_toplevel_handle_v1_destroy(it.key());
    connection.Flush();
}

Desktop::WindowId WaylandDesktop::ForegroundWindow() const
{
    if (!manager)
        return focusSource ? focusSource().window : 0;
    // A window change that has arrived but not been read yet counts now.
    connection.ReadAvailable();
    return active;
}

void WaylandDesktop::SetWindowPlacer(std::unique_ptr<SwayIpc> placer)
{
    windowPlacer = std::move(placer);
}

std::optional<QRect> WaylandDesktop::PlaceCaret(const WindowCaret& caret, const QRect& windowContent,
                                                qint64 windowProcessId)
{
    // Never beside another window's caret: the accessibility bus and the
    // compositor may disagree for a moment after the focus moves.
    if (caret.processId <= 0 || caret.processId != windowProcessId)
        return std::nullopt;
    const QRect placed = caret.rect.translated(windowContent.topLeft());
    // A caret outside its own window is a toolkit that reports screen
    // positions after all, or one scrolled out of view: no place for a list.
    if (!windowContent.contains(placed.topLeft()))
        return std::nullopt;
    return placed;
}

std::optional<QRect> WaylandDesktop::CaretRect() const
{
    if (!caretSource || !windowPlacer)
        return std::nullopt;
    // The compositor first: its answer is the cheaper one, and where it
    // tells nothing (no IPC socket) the application need not be asked.
    const auto window = windowPlacer->FocusedWindow();
    if (!window)
        return std::nullopt;
    const auto caret = caretSource();
    if (!caret)
        return std::nullopt;
    return PlaceCaret(*caret, window->content, window->processId);
}

bool WaylandDesktop::SecureInputActive() const
{
    return passwordFocusSource && passwordFocusSource();
}

bool WaylandDesktop::CapsLockOn() const
{
    return capsLockSource && capsLockSource();
}

QString WaylandDesktop::WindowTitle(WindowId window) const
{
    if (!manager) {
        const FocusInfo focus = focusSource ? focusSource() : FocusInfo{};
        return focus.window == window ? focus.title : QString();
    }
    for (const Toplevel& toplevel : toplevels)
        if (toplevel.id == window)
            return toplevel.title;
    return QString();
}

QStringList WaylandDesktop::WindowClass(WindowId window) const
{
    QString appId;
    if (!manager) {
        const FocusInfo focus = focusSource ? focusSource() : FocusInfo{};
        if (focus.window == window)
            appId = focus.appId;
    } else {
        for (const Toplevel& toplevel : toplevels)
            if (toplevel.id == window)
                appId = toplevel.appId;
    }
    if (appId.isEmpty())
        return {};
    return {appId, appId};
}

QSize WaylandDesktop::ScreenSize() const
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->size() : QSize();
}

void WaylandDesktop::OnToplevel(void* data, zwlr_foreign_toplevel_manager_v1*, zwlr_foreign_toplevel_handle_v1* handle)
{
    static const zwlr_foreign_toplevel_handle_v1_listener handleListener = {
        &OnTitle, &OnAppId, &OnOutput, &OnOutput, &OnState, &OnDone, &OnClosed};
    auto* self = static_cast<WaylandDesktop*>(data);
    Toplevel toplevel;
    toplevel.id = self->nextId++;
    self->toplevels.insert(handle, toplevel);
    zwlr_foreign_toplevel_handle_v1_add_listener(handle, &handleListener, self);
}

void WaylandDesktop::OnFinished(void* data, zwlr_foreign_toplevel_manager_v1* manager)
{
    // The compositor stopped telling: the last answer stays the best one.
    wl_proxy_destroy(reinterpret_cast<wl_proxy*>(manager));
    auto* self = static_cast<WaylandDesktop*>(data);
    if (self->manager == manager)
        self->manager = nullptr;
}

void WaylandDesktop::OnTitle(void* data, zwlr_foreign_toplevel_handle_v1* handle, const char* title)
{
    auto* self = static_cast<WaylandDesktop*>(data);
    auto it = self->toplevels.find(handle);
    if (it != self->toplevels.end())
        it->pendingTitle = QString::fromUtf8(title);
}

void WaylandDesktop::OnAppId(void* data, zwlr_foreign_toplevel_handle_v1* handle, const char* appId)
{
    auto* self = static_cast<WaylandDesktop*>(data);
    auto it = self->toplevels.find(handle);
    if (it != self->toplevels.end())
        it->pendingAppId = QString::fromUtf8(appId);
}

void WaylandDesktop::OnOutput(void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {}

void WaylandDesktop::OnState(void* data, zwlr_foreign_toplevel_handle_v1* handle, wl_array* state)
{
    auto* self = static_cast<WaylandDesktop*>(data);
    auto it = self->toplevels.find(handle);
    if (it == self->toplevels.end())
        return;
    bool activated = false;
    const auto* entries = static_cast<const uint32_t*>(state->data);
    for (size_t i = 0; i < state->size / sizeof(uint32_t); ++i)
        activated = activated || entries[i] == ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_ACTIVATED;
    it->pendingActivated = activated;
}

void WaylandDesktop::OnDone(void* data, zwlr_foreign_toplevel_handle_v1* handle)
{
    auto* self = static_cast<WaylandDesktop*>(data);
    auto it = self->toplevels.find(handle);
    if (it == self->toplevels.end())
        return;
    it->title = it->pendingTitle;
    it->appId = it->pendingAppId;
    it->activated = it->pendingActivated;
    if (it->activated)
        self->active = it->id;
    else if (self->active == it->id)
        self->active = 0;
}

void WaylandDesktop::OnClosed(void* data, zwlr_foreign_toplevel_handle_v1* handle)
{
    auto* self = static_cast<WaylandDesktop*>(data);
    auto it = self->toplevels.find(handle);
    if (it == self->toplevels.end())
        return;
    if (self->active == it->id)
        self->active = 0;
    self->toplevels.erase(it);
    zwlr_foreign_toplevel_handle_v1_destroy(handle);
}
