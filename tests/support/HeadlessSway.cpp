#include "HeadlessSway.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QThread>
#include <functional>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char* kConfig = "output HEADLESS-1 resolution 1280x800\n"
                                "xwayland disable\n"
                                "default_border none\n";

bool LookUpUser(const char* name, uint* uid, uint* gid)
{
    const passwd* entry = getpwnam(name);
    if (!entry)
        return false;
    *uid = entry->pw_uid;
    *gid = entry->pw_gid;
    return true;
}

} // namespace

HeadlessSway::~HeadlessSway()
{
    Stop();
}

bool HeadlessSway::EnsureUser()
{
    asOtherUser = geteuid() == 0;
    if (!asOtherUser)
        return true;
    if (!LookUpUser(kUserName, &userId, &groupId)) {
        // Made once: a system user without a home or a login shell.
        QProcess useradd;
        // Not every root's PATH holds the system folders.
        QString program = QStandardPaths::findExecutable(QStringLiteral("useradd"));
        if (program.isEmpty())
            program = QStandardPaths::findExecutable(QStringLiteral("useradd"),
                                                     {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")});
        useradd.start(program, {"-r", "-M", "-d", "/nonexistent", "-s", "/usr/sbin/nologin",
                                                  QString::fromLatin1(kUserName)});
        useradd.waitForFinished(kStartTimeoutMs);
        // Another test run may have made it meanwhile: what counts is that it exists.
        if (!LookUpUser(kUserName, &userId, &groupId)) {
            error = QStringLiteral("cannot create the user %1 for the compositor: %2")
                        .arg(QString::fromLatin1(kUserName), QString::fromLocal8Bit(useradd.readAllStandardError()));
            return false;
        }
    }
    return true;
}

bool HeadlessSway::GiveToUser(const QString& path) const
{
    if (!asOtherUser)
        return true;
    QProcess chown;
    chown.start(QStringLiteral("chown"), {"-R", QStringLiteral("%1:%2").arg(userId).arg(groupId), path});
    return chown.waitForFinished(kStartTimeoutMs) && chown.exitStatus() == QProcess::NormalExit &&
           chown.exitCode() == 0;
}

QProcessEnvironment HeadlessSway::ClientEnvironment() const
{
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("PATH"), qEnvironmentVariable("PATH", QStringLiteral("/usr/bin:/bin")));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), RuntimeDir());
    environment.insert(QStringLiteral("HOME"), RuntimeDir());
    environment.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
    if (!socketName.isEmpty())
        environment.insert(QStringLiteral("WAYLAND_DISPLAY"), socketName);
    if (!sessionBus.isEmpty()) {
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), sessionBus);
        // Qt exposes its widgets only when told to or when a screen reader runs.
        environment.insert(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"), QStringLiteral("1"));
    }
    environment.insert(QStringLiteral("XDG_SESSION_TYPE"), QStringLiteral("wayland"));
    return environment;
}

void HeadlessSway::Prepare(QProcess& process, const QString& program, const QStringList& arguments,
                           const QProcessEnvironment& environment) const
{
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(RuntimeDir());
    if (asOtherUser) {
        process.setProgram(QStringLiteral("setpriv"));
        process.setArguments(QStringList{QStringLiteral("--reuid=%1").arg(userId),
                                         QStringLiteral("--regid=%1").arg(groupId), QStringLiteral("--clear-groups"),
                                         QStringLiteral("--"), program} +
                             arguments);
    } else {
        process.setProgram(program);
        process.setArguments(arguments);
    }
}

bool HeadlessSway::Start()
{
    if (!EnsureUser())
        return false;
    runtime = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/quillo-sway-XXXXXX"));
    if (!runtime->isValid()) {
        error = QStringLiteral("cannot make a runtime folder: %1").arg(runtime->errorString());
        return false;
    }
    const QString config = runtime->filePath(QStringLiteral("sway.config"));
    QFile configFile(config);
    if (!configFile.open(QIODevice::WriteOnly) || configFile.write(kConfig) < 0) {
        error = QStringLiteral("cannot write %1").arg(config);
        return false;
    }
    configFile.close();
    // The compositor wants its runtime folder private to its user.
    chmod(QFile::encodeName(RuntimeDir()).constData(), 0700);
    if (!GiveToUser(RuntimeDir())) {
        error = QStringLiteral("cannot hand %1 to the user %2").arg(RuntimeDir(), QString::fromLatin1(kUserName));
        return false;
    }

    QProcessEnvironment environment = ClientEnvironment();
    environment.insert(QStringLiteral("WLR_BACKENDS"), QStringLiteral("headless"));
    environment.insert(QStringLiteral("WLR_LIBINPUT_NO_DEVICES"), QStringLiteral("1"));
    environment.insert(QStringLiteral("WLR_RENDERER"), QStringLiteral("pixman"));
    sway = std::make_unique<QProcess>();
    sway->setProcessChannelMode(QProcess::MergedChannels);
    sway->setStandardOutputFile(runtime->filePath(QStringLiteral("sway.log")));
    Prepare(*sway, QStringLiteral("sway"), {QStringLiteral("-c"), config}, environment);
    sway->start();
    if (!sway->waitForStarted(kStartTimeoutMs)) {
        error = QStringLiteral("cannot start sway: %1").arg(sway->errorString());
        return false;
    }
    // Ready once its socket is there.
    const QDeadlineTimer deadline(kStartTimeoutMs);
    while (!deadline.hasExpired() && sway->state() == QProcess::Running) {
        const QStringList sockets = QDir(RuntimeDir()).entryList({QStringLiteral("wayland-*")}, QDir::System);
        for (const QString& name : sockets) {
            if (!name.endsWith(QLatin1String(".lock"))) {
                socketName = name;
                return true;
            }
        }
        QThread::msleep(kPollMs);
    }
    QFile log(runtime->filePath(QStringLiteral("sway.log")));
    log.open(QIODevice::ReadOnly);
    error = QStringLiteral("sway did not come up: %1").arg(QString::fromLocal8Bit(log.readAll().right(2000)));
    return false;
}

bool HeadlessSway::StartSessionBus()
{
    if (!IsRunning()) {
        error = QStringLiteral("the compositor is not running");
        return false;
    }
    const QString address = QStringLiteral("unix:path=%1").arg(QDir(RuntimeDir()).filePath(QStringLiteral("bus")));
    busDaemon = std::make_unique<QProcess>();
    busDaemon->setProcessChannelMode(QProcess::MergedChannels);
    busDaemon->setStandardOutputFile(QDir(RuntimeDir()).filePath(QStringLiteral("dbus.log")));
    Prepare(*busDaemon, QStringLiteral("dbus-daemon"),
            {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--address=") + address},
            ClientEnvironment());
    busDaemon->start();
    if (!busDaemon->waitForStarted(kStartTimeoutMs)) {
        error = QStringLiteral("cannot start dbus-daemon: %1").arg(busDaemon->errorString());
        return false;
    }
    // Listening once its socket is there.
    const QDeadlineTimer listening(kStartTimeoutMs);
    while (!QFileInfo::exists(QDir(RuntimeDir()).filePath(QStringLiteral("bus"))) && !listening.hasExpired() &&
           busDaemon->state() == QProcess::Running)
        QThread::msleep(kPollMs);
    sessionBus = address;
    accessibilityBus = std::make_unique<QProcess>();
    accessibilityBus->setProcessChannelMode(QProcess::MergedChannels);
    accessibilityBus->setStandardOutputFile(QDir(RuntimeDir()).filePath(QStringLiteral("at-spi.log")));
    Prepare(*accessibilityBus, QStringLiteral("/usr/libexec/at-spi-bus-launcher"),
            {QStringLiteral("--launch-immediately")}, ClientEnvironment());
    accessibilityBus->start();
    if (!accessibilityBus->waitForStarted(kStartTimeoutMs)) {
        error = QStringLiteral("cannot start at-spi-bus-launcher: %1").arg(accessibilityBus->errorString());
        return false;
    }
    // Ready once the launcher answers for the accessibility bus; a program
    // asking earlier would have a second launcher started for it.
    const QDeadlineTimer deadline(kStartTimeoutMs);
    while (!deadline.hasExpired() && accessibilityBus->state() == QProcess::Running) {
        QByteArray answer;
        if (RunClient(QStringLiteral("dbus-send"),
                      {"--session", "--print-reply", "--dest=org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus.GetAddress"},
                      kBusQueryTimeoutMs, &answer) &&
            answer.contains("unix:"))
            return true;
        QThread::msleep(kPollMs);
    }
    error = QStringLiteral("the accessibility bus did not come up");
    return false;
}

QString HeadlessSway::IpcSocket() const
{
    const QStringList sockets = QDir(RuntimeDir()).entryList({QStringLiteral("sway-ipc.*.sock")}, QDir::System);
    return sockets.isEmpty() ? QString() : QDir(RuntimeDir()).filePath(sockets.first());
}

bool HeadlessSway::IsRunning() const
{
    return sway && sway->state() == QProcess::Running && !socketName.isEmpty();
}

QProcess* HeadlessSway::StartClient(const QString& program, const QStringList& arguments,
                                    const QProcessEnvironment& extra, Output output)
{
    QProcessEnvironment environment = ClientEnvironment();
    for (const QString& name : extra.keys())
        environment.insert(name, extra.value(name));
    auto* process = new QProcess;
    process->setProcessChannelMode(output == Output::KeepWithErrors ? QProcess::MergedChannels
                                                                    : QProcess::ForwardedErrorChannel);
    if (output == Output::Drop)
        process->setStandardOutputFile(QProcess::nullDevice());
    Prepare(*process, program, arguments, environment);
    process->start();
    if (!process->waitForStarted(kStartTimeoutMs)) {
        error = QStringLiteral("cannot start %1: %2").arg(program, process->errorString());
        delete process;
        return nullptr;
    }
    clients << process;
    return process;
}

bool HeadlessSway::RunClient(const QString& program, const QStringList& arguments, int timeoutMs,
                             QByteArray* output)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    Prepare(process, program, arguments, ClientEnvironment());
    process.start();
    const bool ended = process.waitForFinished(timeoutMs);
    if (output)
        *output = process.readAllStandardOutput();
    if (!ended) {
        process.kill();
        process.waitForFinished(kStopTimeoutMs);
        return false;
    }
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

void HeadlessSway::StopClient(QProcess* client)
{
    if (!client || !clients.removeOne(client))
        return;
    if (client->state() != QProcess::NotRunning) {
        client->terminate();
        if (!client->waitForFinished(kStopTimeoutMs)) {
            client->kill();
            client->waitForFinished(kStopTimeoutMs);
        }
    }
    delete client;
}

bool HeadlessSway::Crash()
{
    if (!sway || sway->state() == QProcess::NotRunning)
        return false;
    sway->kill();
    return sway->waitForFinished(kStopTimeoutMs);
}

void HeadlessSway::Stop()
{
    while (!clients.isEmpty())
        StopClient(clients.last());
    // The launcher takes its accessibility bus down with it; services the
    // buses started end when their bus goes.
    for (auto* service : {&accessibilityBus, &busDaemon}) {
        if (*service && (*service)->state() != QProcess::NotRunning) {
            (*service)->terminate();
            if (!(*service)->waitForFinished(kStopTimeoutMs)) {
                (*service)->kill();
                (*service)->waitForFinished(kStopTimeoutMs);
            }
        }
        service->reset();
    }
    sessionBus.clear();
    if (sway && sway->state() != QProcess::NotRunning) {
        sway->terminate();
        if (!sway->waitForFinished(kStopTimeoutMs)) {
            sway->kill();
            sway->waitForFinished(kStopTimeoutMs);
        }
    }
    sway.reset();
    socketName.clear();
    runtime.reset();
}

QString HeadlessSway::Describe()
{
    const QString socket = IpcSocket();
    if (socket.isEmpty())
        return QStringLiteral("(sway has no IPC socket)");
    QByteArray tree;
    QByteArray seats;
    RunClient(QStringLiteral("swaymsg"), {"-s", socket, "-r", "-t", "get_tree"}, kStopTimeoutMs, &tree);
    RunClient(QStringLiteral("swaymsg"), {"-s", socket, "-r", "-t", "get_seats"}, kStopTimeoutMs, &seats);
    QStringList windows;
    std::function<void(const QJsonObject&)> walk = [&](const QJsonObject& node) {
        // Tiled windows are "con", dialogs and other floating ones "floating_con".
        if (node.value(QStringLiteral("type")).toString().endsWith(QLatin1String("con")))
            windows << QStringLiteral("%1 (%2)%3")
                           .arg(node.value(QStringLiteral("name")).toString(),
                                node.value(QStringLiteral("app_id")).toString(),
                                node.value(QStringLiteral("focused")).toBool() ? QStringLiteral(" focused") : QString());
        for (const QJsonValue& child : node.value(QStringLiteral("nodes")).toArray())
            walk(child.toObject());
        for (const QJsonValue& child : node.value(QStringLiteral("floating_nodes")).toArray())
            walk(child.toObject());
    };
    walk(QJsonDocument::fromJson(tree).object());
    QStringList devices;
    for (const QJsonValue& seat : QJsonDocument::fromJson(seats).array())
        for (const QJsonValue& device : seat.toObject().value(QStringLiteral("devices")).toArray())
            devices << device.toObject().value(QStringLiteral("identifier")).toString();
    return QStringLiteral("windows: %1; seat devices: %2").arg(windows.join(QStringLiteral(", ")), devices.join(QStringLiteral(", ")));
}
