#include "PrivatePulseServer.h"

#include <QFileInfo>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTest>

#include <csignal>
#include <sys/prctl.h>

namespace {

// Bounds on waiting for the daemon and the recorder, generous for a busy
// machine; reaching one means the environment cannot run them.
constexpr int kStartTimeoutMs = 15000;
constexpr int kStopTimeoutMs = 5000;
constexpr char kSinkName[] = "quillo_test_sink";
// Small recording fragments, so the recorder hands audio over promptly.
constexpr char kRecordLatency[] = "--latency-msec=20";

// Children die with the test, even when it crashes or is killed.
void DieWithParent()
{
    prctl(PR_SET_PDEATHSIG, SIGKILL);
}

}  // namespace

PrivatePulseServer::~PrivatePulseServer()
{
    StopProcess(m_recorder);
    StopProcess(m_daemon);
}

bool PrivatePulseServer::ToolsAvailable()
{
    for (const char* tool : {"pulseaudio", "parec", "pactl"}) {
        if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
            return false;
    }
    return true;
}

QByteArray PrivatePulseServer::Address() const
{
    return "unix:" + QFile::encodeName(m_dir.filePath(QStringLiteral("native")));
}

bool PrivatePulseServer::Start()
{
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary folder");
        return false;
    }
    // The daemon keeps its runtime files, state and cookie in the temporary
    // folder, and has no session bus or display to announce itself on.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), m_dir.path());
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_dir.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("PULSE_RUNTIME_PATH"), m_dir.filePath(QStringLiteral("runtime")));
    env.insert(QStringLiteral("PULSE_STATE_PATH"), m_dir.filePath(QStringLiteral("state")));
    env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("PULSE_SERVER"));
    m_daemon.setProcessEnvironment(env);
    m_daemon.setProcessChannelMode(QProcess::MergedChannels);
    m_daemon.setChildProcessModifier(DieWithParent);

    const QString socket = m_dir.filePath(QStringLiteral("native"));
    m_daemon.start(QStringLiteral("pulseaudio"), {
        QStringLiteral("--daemonize=no"),
        QStringLiteral("--exit-idle-time=-1"),
        QStringLiteral("--use-pid-file=no"),
        QStringLiteral("--system=no"),
        QStringLiteral("--realtime=no"),
        QStringLiteral("--high-priority=no"),
        QStringLiteral("--log-target=stderr"),
        QStringLiteral("-n"),
        QStringLiteral("--load=module-null-sink sink_name=%1").arg(QLatin1String(kSinkName)),
        QStringLiteral("--load=module-native-protocol-unix auth-anonymous=1 socket=%1").arg(socket),
    });
    if (!m_daemon.waitForStarted(kStartTimeoutMs)) {
        m_error = QStringLiteral("pulseaudio did not start: %1").arg(m_daemon.errorString());
        return false;
    }
    // The socket file appears before the daemon answers on it: ready means a
    // client got an answer.
    const bool ready = QTest::qWaitFor([&] {
        if (m_daemon.state() != QProcess::Running)
            return true;
        return QFileInfo::exists(socket) && Ask({QStringLiteral("info")});
    }, kStartTimeoutMs);
    if (!ready || m_daemon.state() != QProcess::Running) {
        m_error = QStringLiteral("pulseaudio cannot run here: %1")
                      .arg(QString::fromLocal8Bit(m_daemon.readAll()).trimmed());
        return false;
    }
    return true;
}

bool PrivatePulseServer::StartRecording()
{
    StopProcess(m_recorder);
    m_recorded.clear();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PULSE_SERVER"), QString::fromLocal8Bit(Address()));
    m_recorder.setProcessEnvironment(env);
    m_recorder.setChildProcessModifier(DieWithParent);
    m_recorder.start(QStringLiteral("parec"), {
        QStringLiteral("--device=%1.monitor").arg(QLatin1String(kSinkName)),
        QStringLiteral("--raw"),
        QStringLiteral("--format=s16le"),
        QStringLiteral("--channels=1"),
        QStringLiteral("--rate=%1").arg(kRecordRate),
        QLatin1String(kRecordLatency),
    });
    const bool flowing = QTest::qWaitFor([&] {
        m_recorded += m_recorder.readAllStandardOutput();
        return !m_recorded.isEmpty() || m_recorder.state() == QProcess::NotRunning;
    }, kStartTimeoutMs);
    if (!flowing || m_recorded.isEmpty()) {
        m_error = QStringLiteral("parec recorded nothing: %1")
                      .arg(QString::fromLocal8Bit(m_recorder.readAllStandardError()).trimmed());
        return false;
    }
    return true;
}

bool PrivatePulseServer::Ask(const QStringList& pactlArguments)
{
    QProcess pactl;
    pactl.start(QStringLiteral("pactl"),
                QStringList{QStringLiteral("--server=%1").arg(QString::fromLocal8Bit(Address()))}
                    + pactlArguments);
    return pactl.waitForFinished(kStopTimeoutMs) && pactl.exitStatus() == QProcess::NormalExit
           && pactl.exitCode() == 0;
}

std::vector<qint16> PrivatePulseServer::Recorded()
{
    m_recorded += m_recorder.readAllStandardOutput();
    std::vector<qint16> samples(size_t(m_recorded.size() / 2));
    for (size_t i = 0; i < samples.size(); ++i) {
        const auto lo = quint8(m_recorded[qsizetype(2 * i)]);
        const auto hi = quint8(m_recorded[qsizetype(2 * i + 1)]);
        samples[i] = qint16(quint16(lo | hi << 8));
    }
    return samples;
}

void PrivatePulseServer::StopProcess(QProcess& process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(kStopTimeoutMs)) {
        process.kill();
        process.waitForFinished(kStopTimeoutMs);
    }
}
