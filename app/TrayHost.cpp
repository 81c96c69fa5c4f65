#include "app/TrayHost.h"

#include "core/ProgramFolder.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QFileInfo>
#include <QSystemTrayIcon>

bool TrayHost::StatusNotifierHostPresent()
{
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
