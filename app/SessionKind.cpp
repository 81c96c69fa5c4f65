#include "app/SessionKind.h"

#include "platform/HostSystem.h"

#include <QDir>
#include <QFileInfo>

SessionKind::SessionKind(const QProcessEnvironment& environment) : environment(environment) {}

bool SessionKind::IsWayland() const
{
    return !environment.value(QStringLiteral("WAYLAND_DISPLAY")).isEmpty() ||
           environment.value(QStringLiteral("XDG_SESSION_TYPE")).compare(QLatin1String("wayland"), Qt::CaseInsensitive) == 0;
}

bool SessionKind::HasX11Display() const
{
    return !environment.value(QStringLiteral("DISPLAY")).isEmpty();
}

QString SessionKind::WaylandNotice() const
{
    if (!IsWayland() || !HasX11Display())
        return QString();
    return QStringLiteral(
        "This is a Wayland session. Quillo works through X11 (Xwayland) here, so it expands snippets only in "
        "applications that run on X11; applications running natively on Wayland do not see it.");
}

QString SessionKind::NoDisplayText() const
{
    if (IsWayland())
        return QStringLiteral(
            "this Wayland session offers no X11 display (DISPLAY is not set): Quillo reaches applications "
            "through X11 and needs Xwayland, which this session does not run. "
            "See quillo --help for what works without one.");
    return QStringLiteral(
        "no X display (DISPLAY is not set); the tray program needs a desktop. "
        "See quillo --help for what works without one.");
}

bool SessionKind::HasWaylandDisplay() const
{
    return !environment.value(QStringLiteral("WAYLAND_DISPLAY")).isEmpty();
}

bool SessionKind::WaylandSocketExists() const
{
    const QString path = WaylandSocketPath();
    return !path.isEmpty() && QFileInfo::exists(path);
}

bool SessionKind::WaylandSocketAnswers() const
{
    // A socket left by a compositor that crashed is still there, but
    // nobody accepts on it.
    return HostSystem::LocalSocketAnswers(WaylandSocketPath());
}

SessionKind::Backend SessionKind::ChooseBackend(const QString& named) const
{
    if (named.compare(QLatin1String("x11"), Qt::CaseInsensitive) == 0)
        return Backend::X11;
    if (named.compare(QLatin1String("wayland"), Qt::CaseInsensitive) == 0)
        return Backend::Wayland;
    if (!IsWayland())
        return Backend::X11;
    // A Wayland session whose compositor cannot be reached but that has an
    // X display (Xwayland) still gets the X11 backend, and is told what it
    // reaches there.
    return WaylandSocketExists() || !HasX11Display() ? Backend::Wayland : Backend::X11;
}

QString SessionKind::WaylandSocketPath() const
{
    const QString name = environment.value(QStringLiteral("WAYLAND_DISPLAY"));
    if (name.isEmpty())
        return QString();
    return QDir::isAbsolutePath(name) ? name
                                      : QDir(environment.value(QStringLiteral("XDG_RUNTIME_DIR"))).filePath(name);
}

QString SessionKind::NoWaylandText() const
{
    const QString name = environment.value(QStringLiteral("WAYLAND_DISPLAY"));
    const QString compositor =
        name.isEmpty() ? QStringLiteral("no Wayland compositor to reach (WAYLAND_DISPLAY is not set)")
                       : QStringLiteral("no Wayland compositor at WAYLAND_DISPLAY \"%1\" (%2 %3)")
                             .arg(name,
                                  WaylandSocketExists() ? QStringLiteral("nothing answers at the socket")
                                                        : QStringLiteral("there is no socket"),
                                  WaylandSocketPath());
    if (IsWayland() && !HasX11Display())
        return QStringLiteral("this Wayland session offers no X11 display (DISPLAY is not set) and ") + compositor +
               QStringLiteral(". See quillo --help for what works without one.");
    return compositor + QStringLiteral("; the Wayland backend needs a running Wayland compositor. "
                                       "Start Quillo with --backend x11 on an X11 desktop.");
}

QString SessionKind::WaylandBackendNotice()
{
    return QStringLiteral(
        "Quillo is running with the Wayland backend: it reads the keyboard devices and types through the "
        "compositor, so snippets expand in Wayland and X11 applications alike. The suggestion list is shown "
        "beside the caret on compositors with the layer-shell protocol where the caret's place is known "
        "(sway); elsewhere it stays hidden.");
}
