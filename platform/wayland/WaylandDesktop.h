#pragma once

#include "platform/Desktop.h"

#include <QHash>
#include <functional>
#include <memory>

class SwayIpc;
class WaylandConnection;
struct zwlr_foreign_toplevel_handle_v1;
struct zwlr_foreign_toplevel_manager_v1;
struct wl_array;
struct wl_output;

// The desktop's answers in a Wayland session. The active window, its title
// and its application id (its class) come from the compositor's
// foreign-toplevel protocol where it offers one; elsewhere from a focus
// source the program gives (the accessibility bus).
//
// Wayland clients do not know where their windows are: what toolkits
// report as screen positions over the accessibility bus is relative to
// their own window. The caret on the screen is that position plus the
// place of the window, which only the compositor knows; sway and other
// compositors speaking the i3 IPC tell it for the focused window. The
// caret is given only when the application whose caret it is owns the
// window the compositor says has the focus; elsewhere (GNOME, KDE, no IPC
// socket) there is no caret, and the list stays parked.
class WaylandDesktop : public Desktop
{
public:
    explicit WaylandDesktop(WaylandConnection& connection);
    ~WaylandDesktop() override;
    WaylandDesktop(const WaylandDesktop&) = delete;
    WaylandDesktop& operator=(const WaylandDesktop&) = delete;

    // Whether the compositor tells which window is active.
    bool KnowsToplevels() const { return manager != nullptr; }
    // Used when the compositor does not tell: the focused window's id,
    // title and class from elsewhere.
    struct FocusInfo
    {
        WindowId window = 0;
        QString title;
        QString appId;
    };
    void SetFocusSource(std::function<FocusInfo()> source) { focusSource = std::move(source); }
    // Where Caps Lock's state comes from (the keyboard monitor knows it).
    void SetCapsLockSource(std::function<bool()> source) { capsLockSource = std::move(source); }

    // Where the caret of the focused application is within its window, and
    // the process owning that window (the accessibility bus knows both).
    struct WindowCaret
    {
        QRect rect;
        qint64 processId = 0;
    };
    void SetCaretSource(std::function<std::optional<WindowCaret>()> source) { caretSource = std::move(source); }
    // Whether the focused field is a password field (the accessibility bus
    // knows).
    void SetPasswordFocusSource(std::function<bool()> source) { passwordFocusSource = std::move(source); }
    // Where the focused window's content lies on the screen: the
    // compositor's IPC socket unless given (tests).
    void SetWindowPlacer(std::unique_ptr<SwayIpc> placer);

    // The caret on the screen, given the caret in its window and the window
    // the compositor has focused: nothing unless that window is the caret's
    // application's, and the caret lies within it.
    static std::optional<QRect> PlaceCaret(const WindowCaret& caret, const QRect& windowContent,
                                           qint64 windowProcessId);

    WindowId ForegroundWindow() const override;
    bool CapsLockOn() const override;
    // In layout pixels (the compositor's logical pixels, all outputs together).
    std::optional<QRect> CaretRect() const override;
    QString WindowTitle(WindowId window) const override;
    // The application id twice (instance and class), as X11 programs give
    // two names.
    QStringList WindowClass(WindowId window) const override;
    QSize ScreenSize() const override;
    // A password field has the focus. No client can learn whether the
    // compositor gives the keyboard to a screen locker.
    bool SecureInputActive() const override;

private:
    struct Toplevel
    {
        WindowId id = 0;
        QString title;
        QString appId;
        bool activated = false;
        // Changes take effect together on "done".
        QString pendingTitle;
        QString pendingAppId;
        bool pendingActivated = false;
    };

    static void OnToplevel(void* data, zwlr_foreign_toplevel_manager_v1* manager,
                           zwlr_foreign_toplevel_handle_v1* handle);
    static void OnFinished(void* data, zwlr_foreign_toplevel_manager_v1* manager);
    static void OnTitle(void* data, zwlr_foreign_toplevel_handle_v1* handle, const char* title);
    static void OnAppId(void* data, zwlr_foreign_toplevel_handle_v1* handle, const char* appId);
    static void OnOutput(void* data, zwlr_foreign_toplevel_handle_v1* handle, wl_output* output);
    static void OnState(void* data, zwlr_foreign_toplevel_handle_v1* handle, wl_array* state);
    static void OnDone(void* data, zwlr_foreign_toplevel_handle_v1* handle);
    static void OnClosed(void* data, zwlr_foreign_toplevel_handle_v1* handle);

    WaylandConnection& connection;
    zwlr_foreign_toplevel_manager_v1* manager = nullptr;
    QHash<zwlr_foreign_toplevel_handle_v1*, Toplevel> toplevels;
    WindowId active = 0;
    WindowId nextId = 1;
    std::function<FocusInfo()> focusSource;
    std::function<bool()> capsLockSource;
    std::function<std::optional<WindowCaret>()> caretSource;
    std::function<bool()> passwordFocusSource;
    std::unique_ptr<SwayIpc> windowPlacer;
};
