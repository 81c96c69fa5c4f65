#pragma once

#include <QProcessEnvironment>
#include <QString>

// What kind of graphical session the program starts in, and so how Quillo
// reaches applications: through X11, or in a Wayland session through the
// keyboard devices and the compositor. With X11 in a Wayland session that is
// only the applications running on Xwayland, which the user must be told.
class SessionKind
{
public:
    explicit SessionKind(const QProcessEnvironment& environment);

    enum class Backend { X11, Wayland };

    bool IsWayland() const;
    bool HasX11Display() const;
    bool HasWaylandDisplay() const;
    // Whether WAYLAND_DISPLAY names a socket that is there (in
    // XDG_RUNTIME_DIR unless it is a full path).
    bool WaylandSocketExists() const;
    QString WaylandSocketPath() const;
    // Whether a compositor accepts connections on that socket.
    bool WaylandSocketAnswers() const;
    // How the tray program reaches other applications: the backend named
    // on the command line ("x11", "wayland"), else Wayland in a Wayland
    // session and X11 elsewhere, or where the session's compositor is not
    // there to reach but an X display is.
    Backend ChooseBackend(const QString& named) const;
    // Why the Wayland backend cannot start: no compositor to reach.
    QString NoWaylandText() const;
    // The start-up notice of the Wayland backend.
    static QString WaylandBackendNotice();
    // The notice for a Wayland session with an X11 display; "" elsewhere.
    QString WaylandNotice() const;
    // Why the tray program cannot start without an X11 display, naming what is missing.
    QString NoDisplayText() const;

private:
    QProcessEnvironment environment;
};
