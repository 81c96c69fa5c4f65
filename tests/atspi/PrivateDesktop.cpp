#include "PrivateDesktop.h"
#include <QCoreApplication>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>
#include <QUuid>

#include <csignal>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Display numbers tried, from the first upward, so that the test never takes
// a display a person or another suite is likely to use.
constexpr int kFirstDisplay = 140;
constexpr int kDisplayAttempts = 60;
constexpr char kScreen[] = "1280x1024x24";
constexpr char kSocketFolder[] = "/tmp/.X11-unix";
constexpr char kBusLauncher[] = "/usr/libexec/at-spi-bus-launcher";
constexpr char kMarkerVariable[] = "QUILLO_PRIVATE_DESKTOP";

// How long a service may take to come up on a loaded machine.
constexpr std::chrono::milliseconds kServiceStartTimeout{20000};
// How long a started process may take to be exec'd.
constexpr std::chrono::milliseconds kExecTimeout{10000};
// After SIGTERM a process group gets this long before SIGKILL.
constexpr std::chrono::milliseconds kTermGrace{3000};
// After SIGKILL, how long to wait for the kernel to take processes down.
constexpr std::chrono::milliseconds kKillWait{3000};
// One xdotool command (typing a line, waiting for focus) at most.
constexpr std::chrono::milliseconds kXdotoolTimeout{15000};
// Typing speed: each key press and release spaced like a fast typist.
constexpr char kKeyDelayMs[] = "20";
// Interval between checks while waiting for something to appear.
constexpr std::chrono::milliseconds kPollInterval{50};
// A single D-Bus question while waiting for the accessibility bus.
constexpr int kBusCallTimeoutMs = 2000;
// Lines of a service's log quoted when it fails.
constexpr int kLogLinesQuoted = 15;

// Waits until `process` has a complete line on its standard output or exits.
QString ReadLine(QProcess& process, std::chrono::milliseconds timeout)
{
    QDeadlineTimer deadline(timeout);
    while (!process.canReadLine()) {
        if (process.state() == QProcess::NotRunning || deadline.hasExpired())
            return {};
        process.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime())));
    }
    return QString::fromLocal8Bit(process.readLine()).trimmed();
}

QString Tail(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QStringList lines = QString::fromLocal8Bit(file.readAll()).split('\n', Qt::SkipEmptyParts);
    return lines.mid(std::max<qsizetype>(0, lines.size() - kLogLinesQuoted)).join('\n');
}

} // namespace

struct PrivateDesktop::Child
{
    QString name;
    std::unique_ptr<QProcess> process;
    pid_t group = 0;
    QString log;
};

PrivateDesktop::PrivateDesktop() : marker(QUuid::createUuid().toString(QUuid::WithoutBraces)) {}

PrivateDesktop::~PrivateDesktop()
{
    Stop();
}

bool PrivateDesktop::Start()
{
    if (IsRunning())
        return true;
    error.clear();
    if (!home.isValid())
        return Fail("cannot create a temporary folder for the desktop's home: " + home.errorString());
    for (const char* sub : {"home", "config", "cache", "data", "state", "runtime"})
        QDir(home.path()).mkpath(sub);
    QFile::setPermissions(home.filePath("runtime"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    // Daemons whose parent dies are handed to this process instead of init,
    // which may not collect them (in containers): Stop() collects them.
    ::prctl(PR_SET_CHILD_SUBREAPER, 1);
    if (!StartXvfb() || !StartSessionBus() || !StartAccessibilityBus()) {
        const QString reason = error;
        Stop();
        error = reason;
        return false;
    }
    return true;
}

void PrivateDesktop::Stop()
{
    // Processes started by the programs and services rather than by this
    // one become this process's children once their parents are gone (some
    // at once: daemons started on demand are detached by their starter).
    QList<pid_t> orphans;
    for (qint64 pid : MarkedProcesses())
        if (!IsOwnChild(pid_t(pid)))
            orphans.append(pid_t(pid));
    while (!programs.empty()) {
        End(*programs.back());
        programs.pop_back();
    }
    while (!services.empty()) {
        End(*services.back());
        services.pop_back();
    }
    // Whatever escaped its process group (daemons that detach) still carries
    // the marker in its environment.
    QDeadlineTimer deadline(kKillWait);
    for (QList<qint64> left = MarkedProcesses(); !left.isEmpty(); left = MarkedProcesses()) {
        for (qint64 pid : left)
            ::kill(pid_t(pid), SIGKILL);
        if (deadline.hasExpired())
            break;
        QThread::msleep(kPollInterval.count());
    }
    // Collect them; one still exiting is waited for a little.
    QDeadlineTimer reapDeadline(kKillWait);
    while (!orphans.isEmpty()) {
        orphans.removeIf([](pid_t orphan) { return ::waitpid(orphan, nullptr, WNOHANG) != 0; });
        if (orphans.isEmpty() || reapDeadline.hasExpired())
            break;
        QThread::msleep(kPollInterval.count());
    }
    for (const auto& [name, value] : savedEnvironment) {
        if (value)
            qputenv(name.constData(), *value);
        else
            qunsetenv(name.constData());
    }
    savedEnvironment.clear();
    display.clear();
    sessionBus.clear();
}

QProcessEnvironment PrivateDesktop::Environment() const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // Nothing of the user's own session may leak in.
    for (const char* name : {"AT_SPI_BUS_ADDRESS", "DBUS_SESSION_BUS_ADDRESS", "WAYLAND_DISPLAY",
                             "XAUTHORITY", "SESSION_MANAGER", "NO_AT_BRIDGE", "DBUS_STARTER_ADDRESS",
                             "DBUS_STARTER_BUS_TYPE"})
        environment.remove(name);
    environment.insert(kMarkerVariable, marker);
    environment.insert("HOME", home.filePath("home"));
    environment.insert("XDG_CONFIG_HOME", home.filePath("config"));
    environment.insert("XDG_CACHE_HOME", home.filePath("cache"));
    environment.insert("XDG_DATA_HOME", home.filePath("data"));
    environment.insert("XDG_STATE_HOME", home.filePath("state"));
    environment.insert("XDG_RUNTIME_DIR", home.filePath("runtime"));
    // Settings in memory: no settings daemon to start and nothing written.
    environment.insert("GSETTINGS_BACKEND", "memory");
    // Qt programs expose their widgets only when asked to.
    environment.insert("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
    environment.insert("QT_QPA_PLATFORM", "xcb");
    if (!display.isEmpty())
        environment.insert("DISPLAY", display);
    else
        environment.remove("DISPLAY");
    if (!sessionBus.isEmpty())
        environment.insert("DBUS_SESSION_BUS_ADDRESS", sessionBus);
    return environment;
}

void PrivateDesktop::ExportToThisProcess()
{
    const QList<QPair<QByteArray, std::optional<QByteArray>>> values = {
        {"DISPLAY", display.toLocal8Bit()},
        {"DBUS_SESSION_BUS_ADDRESS", sessionBus.toLocal8Bit()},
        {"AT_SPI_BUS_ADDRESS", std::nullopt},
    };
    for (const auto& [name, value] : values) {
        const bool alreadySaved = std::any_of(savedEnvironment.cbegin(), savedEnvironment.cend(),
                                              [&](const auto& saved) { return saved.first == name; });
        if (!alreadySaved)
            savedEnvironment.append({name, qEnvironmentVariableIsSet(name.constData())
                                               ? std::optional(qgetenv(name.constData()))
                                               : std::nullopt});
        if (value)
            qputenv(name.constData(), *value);
        else
            qunsetenv(name.constData());
    }
}

qint64 PrivateDesktop::StartProgram(const QString& program, const QStringList& arguments,
                                    const std::optional<QProcessEnvironment>& environment)
{
    if (!IsRunning()) {
        Fail("the desktop is not running");
        return 0;
    }
    QProcessEnvironment chosen = environment.value_or(Environment());
    // Whatever the caller changed, Stop() must still find what it starts.
    chosen.insert(kMarkerVariable, marker);
    Child* child = Launch(program, arguments, chosen, programs, Output::ToLog);
    return child ? child->group : 0;
}

qint64 PrivateDesktop::StartWindowManager()
{
    const qint64 id = StartProgram(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
    if (!id)
        return 0;
    QDeadlineTimer deadline(kDefaultWait);
    while (!deadline.hasExpired()) {
        QProcess xprop;
        xprop.setProcessEnvironment(Environment());
        xprop.setStandardInputFile(QProcess::nullDevice());
        xprop.start(QStringLiteral("xprop"), {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")});
        if (!xprop.waitForStarted(int(kExecTimeout.count()))) {
            Fail("cannot run xprop (package x11-utils): " + xprop.errorString());
            return 0;
        }
        xprop.waitForFinished(int(kXdotoolTimeout.count()));
        if (xprop.readAllStandardOutput().contains("window id"))
            return id;
        Pause(int(kPollInterval.count()));
    }
    Fail("the window manager (openbox) did not take over the screen in time");
    return 0;
}

void PrivateDesktop::StopProgram(qint64 id)
{
    for (auto it = programs.begin(); it != programs.end(); ++it) {
        if ((*it)->group == id) {
            End(**it);
            programs.erase(it);
            return;
        }
    }
}

bool PrivateDesktop::IsProgramRunning(qint64 id) const
{
    for (const auto& child : programs)
        if (child->group == id)
            return child->process->state() == QProcess::Running;
    return false;
}

PrivateDesktop::Window PrivateDesktop::WaitForWindow(qint64 id, std::chrono::milliseconds timeout)
{
    QDeadlineTimer deadline(timeout);
    do {
        if (!IsProgramRunning(id)) {
            Fail(QString("program %1 ended before it showed a window").arg(id));
            return 0;
        }
        QString found;
        if (Xdotool({"search", "--onlyvisible", "--pid", QString::number(id)}, &found)) {
            const QStringList ids = found.split('\n', Qt::SkipEmptyParts);
            bool ok = false;
            const Window window = ids.isEmpty() ? 0 : ids.first().toULongLong(&ok);
            if (ok && window)
                return window;
        }
        QThread::msleep(kPollInterval.count());
    } while (!deadline.hasExpired());
    Fail(QString("program %1 showed no window within %2 ms").arg(id).arg(timeout.count()));
    return 0;
}

QRect PrivateDesktop::WindowGeometry(Window window)
{
    QString shell;
    if (!Xdotool({"getwindowgeometry", "--shell", QString::number(window)}, &shell))
        return {};
    QHash<QString, int> values;
    for (const QString& line : shell.split('\n', Qt::SkipEmptyParts)) {
        const qsizetype equals = line.indexOf('=');
        if (equals > 0)
            values.insert(line.left(equals), line.mid(equals + 1).toInt());
    }
    return QRect(values.value("X"), values.value("Y"), values.value("WIDTH"), values.value("HEIGHT"));
}

void PrivateDesktop::Pause(int ms, int pollMs)
{
    QDeadlineTimer deadline(ms);
    do {
        QCoreApplication::processEvents();
        QThread::msleep(pollMs);
    } while (!deadline.hasExpired());
}

QString PrivateDesktop::ReadText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

bool PrivateDesktop::FocusWindow(Window window)
{
    return Xdotool({"windowfocus", "--sync", QString::number(window)});
}

bool PrivateDesktop::Type(const QString& text)
{
    return Xdotool({"type", "--delay", kKeyDelayMs, "--", text});
}

bool PrivateDesktop::Key(const QString& keys)
{
    return Xdotool({"key", "--delay", kKeyDelayMs, "--", keys});
}

QList<qint64> PrivateDesktop::MarkedProcesses() const
{
    const QByteArray wanted = QByteArray(kMarkerVariable) + '=' + marker.toLatin1();
    QList<qint64> found;
    const QStringList entries = QDir("/proc").entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        bool numeric = false;
        const qint64 pid = entry.toLongLong(&numeric);
        if (!numeric || pid == ::getpid())
            continue;
        QFile environ("/proc/" + entry + "/environ");
        if (!environ.open(QIODevice::ReadOnly))
            continue;
        const QList<QByteArray> variables = environ.readAll().split('\0');
        if (variables.contains(wanted))
            found.append(pid);
    }
    return found;
}

bool PrivateDesktop::StartXvfb()
{
    QProcessEnvironment environment = Environment();
    for (int number = kFirstDisplay; number < kFirstDisplay + kDisplayAttempts; ++number) {
        if (QFileInfo::exists(QString("%1/X%2").arg(kSocketFolder).arg(number)) ||
            QFileInfo::exists(QString("/tmp/.X%1-lock").arg(number)))
            continue;
        // -displayfd: the server writes its number once it accepts clients.
        // -noreset: the last client leaving must not wipe the root window's
        // properties (the accessibility bus address lives there).
        Child* xvfb = Launch("Xvfb",
                             {":" + QString::number(number), "-screen", "0", kScreen, "-nolisten",
                              "tcp", "-noreset", "-displayfd", "1"},
                             environment, services, Output::Read);
        if (!xvfb)
            return false;
        const QString answer = ReadLine(*xvfb->process, kServiceStartTimeout);
        if (answer == QString::number(number)) {
            display = ":" + QString::number(number);
            return true;
        }
        const bool exited = xvfb->process->state() == QProcess::NotRunning;
        const QString log = Tail(xvfb->log);
        End(*xvfb);
        services.pop_back();
        // Another server took the number between the check and the start.
        if (!exited)
            return Fail(QString("Xvfb did not come up on :%1 within %2 ms:\n%3")
                            .arg(number)
                            .arg(kServiceStartTimeout.count())
                            .arg(log));
    }
    return Fail(QString("no free X display number from %1 to %2")
                    .arg(kFirstDisplay)
                    .arg(kFirstDisplay + kDisplayAttempts - 1));
}

bool PrivateDesktop::StartSessionBus()
{
    Child* bus = Launch("dbus-daemon", {"--session", "--nofork", "--print-address=1"}, Environment(),
                        services, Output::Read);
    if (!bus)
        return false;
    sessionBus = ReadLine(*bus->process, kServiceStartTimeout);
    if (sessionBus.isEmpty())
        return Fail("the session bus (dbus-daemon) did not tell its address:\n" + Tail(bus->log));
    return true;
}

bool PrivateDesktop::StartAccessibilityBus()
{
    if (!QFileInfo(kBusLauncher).isExecutable())
        return Fail(QString("%1 is missing (package at-spi2-core)").arg(kBusLauncher));
    // Started by hand rather than on demand, so that it belongs to this
    // desktop's process groups and puts the bus address on the root window
    // before the first program looks for it.
    if (!Launch(kBusLauncher, {"--launch-immediately"}, Environment(), services,
                Output::ToLog))
        return false;
    return WaitForAccessibilityBus();
}

bool PrivateDesktop::WaitForAccessibilityBus()
{
    const Child& launcher = *services.back();
    const QString connectionName = "quillo-private-desktop-" + marker;
    bool ready = false;
    {
        QDBusConnection bus = QDBusConnection::connectToBus(sessionBus, connectionName);
        QDeadlineTimer deadline(kServiceStartTimeout);
        while (bus.isConnected() && !deadline.hasExpired() &&
               launcher.process->state() == QProcess::Running) {
            // Asking before the launcher owns its name would start a second
            // one through D-Bus activation.
            if (bus.interface()->isServiceRegistered("org.a11y.Bus")) {
                const QDBusMessage reply = bus.call(
                    QDBusMessage::createMethodCall("org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus",
                                                   "GetAddress"),
                    QDBus::Block, kBusCallTimeoutMs);
                if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
                    !reply.arguments().first().toString().isEmpty()) {
                    ready = true;
                    break;
                }
            }
            QThread::msleep(kPollInterval.count());
        }
    }
    QDBusConnection::disconnectFromBus(connectionName);
    if (!ready)
        return Fail(QString("the accessibility bus did not come up within %1 ms:\n%2")
                        .arg(kServiceStartTimeout.count())
                        .arg(Tail(launcher.log)));
    return true;
}

PrivateDesktop::Child* PrivateDesktop::Launch(const QString& program, const QStringList& arguments,
                                              const QProcessEnvironment& environment,
                                              std::vector<std::unique_ptr<Child>>& list,
                                              Output output)
{
    auto child = std::make_unique<Child>();
    child->name = QFileInfo(program).fileName();
    child->process = std::make_unique<QProcess>();
    QProcess& process = *child->process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setProcessEnvironment(environment);
    child->log = home.filePath(QString("%1-%2.log").arg(child->name).arg(services.size() + programs.size()));
    process.setStandardErrorFile(child->log, QIODevice::Append);
    if (output == Output::ToLog)
        process.setStandardOutputFile(child->log, QIODevice::Append);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setChildProcessModifier([] {
        // A group of its own, so that it can be ended with everything it
        // starts; and gone with the test process, should that crash.
        ::setpgid(0, 0);
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    });
    process.start();
    if (!process.waitForStarted(int(kExecTimeout.count()))) {
        Fail(QString("cannot run %1: %2").arg(program, process.errorString()));
        return nullptr;
    }
    child->group = pid_t(process.processId());
    // The parent sets the group too, so that it exists before End() can run.
    ::setpgid(child->group, child->group);
    list.push_back(std::move(child));
    return list.back().get();
}

void PrivateDesktop::End(Child& child)
{
    QProcess& process = *child.process;
    if (child.group > 0)
        ::kill(-child.group, SIGTERM);
    process.waitForFinished(int(kTermGrace.count()));
    // Members that ignored SIGTERM or outlived the leader. Stop() waits for
    // them through the marker; a dead leader's zombie is reaped right here.
    if (child.group > 0)
        ::kill(-child.group, SIGKILL);
    if (process.state() != QProcess::NotRunning)
        process.waitForFinished(int(kKillWait.count()));
}

bool PrivateDesktop::Xdotool(const QStringList& arguments, QString* output)
{
    QProcess xdotool;
    xdotool.setProcessEnvironment(Environment());
    xdotool.setStandardInputFile(QProcess::nullDevice());
    xdotool.start("xdotool", arguments);
    if (!xdotool.waitForStarted(int(kExecTimeout.count())))
        return Fail("cannot run xdotool (package xdotool): " + xdotool.errorString());
    if (!xdotool.waitForFinished(int(kXdotoolTimeout.count()))) {
        xdotool.kill();
        xdotool.waitForFinished();
        return Fail("xdotool " + arguments.join(' ') + " did not finish in time");
    }
    if (output)
        *output = QString::fromLocal8Bit(xdotool.readAllStandardOutput());
    if (xdotool.exitStatus() != QProcess::NormalExit || xdotool.exitCode() != 0)
        return Fail("xdotool " + arguments.join(' ') + " failed: " +
                    QString::fromLocal8Bit(xdotool.readAllStandardError()).trimmed());
    return true;
}

bool PrivateDesktop::IsOwnChild(pid_t pid) const
{
    for (const auto* list : {&services, &programs})
        for (const auto& child : *list)
            if (child->group == pid)
                return true;
    return false;
}

bool PrivateDesktop::Fail(const QString& message)
{
    error = message;
    return false;
}
