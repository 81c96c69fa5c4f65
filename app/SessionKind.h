#pragma once

#include <QProcessEnvironment>
#include <QString>

// What kind of graphical session the program starts in. Quillo reaches
// applications through X11; in a Wayland session that is only the ones
// running on Xwayland, which the user must be told.
class SessionKind
{
public:
    explicit SessionKind(const QProcessEnvironment& environment);

    bool IsWayland() const;
    bool HasX11Display() const;
    // The notice for a Wayland session with an X11 display; "" elsewhere.
    QString WaylandNotice() const;
    // Why the tray program cannot start without an X11 display, naming what is missing.
    QString NoDisplayText() const;

private:
    QProcessEnvironment environment;
};
