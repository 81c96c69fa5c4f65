#include "app/TrayHost.h"

#include "core/ProgramFolder.h"
#include "platform/Desktop.h"

#if QUILLO_HAS_DBUS
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusReply>
#endif
#include <QFile>
#include <QFileInfo>
#include <QSystemTrayIcon>

bool TrayHost::StatusNotifierHostPresent()
{
#if !QUILLO_HAS_DBUS
    // Windows: the taskbar's notification area is the only host.
    return false;
#else
    // Without a session bus, asking for one would start a bus daemon that
    // outlives the program.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS") &&
        (runtime.isEmpty() || !QFileInfo::exists(runtime + QLatin1String("/bus"))))
        return false;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface() ||
        !bus.interface()->isServiceRegistered(QLatin1String(kWatcherService)))
        return false;
    QDBusInterface watcher(QString::fromLatin1(kWatcherService), QString::fromLatin1(kWatcherPath),
                           QString::fromLatin1(kWatcherService), bus);
    return watcher.property("IsStatusNotifierHostRegistered").toBool();
#endif
}

namespace {

[[maybe_unused]] QString ProcessName(uint pid)
{
    QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
    return comm.open(QIODevice::ReadOnly) ? QString::fromUtf8(comm.readAll()).trimmed() : QString();
}

QString Named(const QString& what, const QString& name)
{
    return name.isEmpty() ? what : QStringLiteral("%1 (%2)").arg(what, name);
}

} // namespace

QString TrayHost::Describe(const Desktop& desktop)
{
#if QUILLO_HAS_DBUS
    if (StatusNotifierHostPresent()) {
        const QDBusReply<uint> pid =
            QDBusConnection::sessionBus().interface()->servicePid(QLatin1String(kWatcherService));
        return Named(QStringLiteral("StatusNotifier host"), pid.isValid() ? ProcessName(pid.value()) : QString());
    }
#endif
    if (QSystemTrayIcon::isSystemTrayAvailable())
        return Named(QStringLiteral("notification area"), desktop.NotificationAreaOwner());
    return QStringLiteral("none");
}

bool TrayHost::Available()
{
    return QSystemTrayIcon::isSystemTrayAvailable() || StatusNotifierHostPresent();
}

bool TrayHost::SessionNoticeDue(const QString& homeOption)
{
    const QByteArray asked = qgetenv(kNoticeVariable);
    if (asked == "0")
        return false;
    const bool namedFolder = !homeOption.isEmpty() || !qEnvironmentVariableIsEmpty(ProgramFolder::kHomeVariable);
    return !namedFolder || asked == "1";
}

QString TrayHost::NoTrayText()
{
    return QStringLiteral(
        "Quillo is running and expands your snippets, but this desktop has no notification area, "
        "so there is no Quillo icon to click.\n\n"
        "To open the settings, start Quillo again from the applications menu or run \"quillo settings\" "
        "in a terminal. \"quillo exit\" ends Quillo; \"quillo --help\" lists more commands.");
}
