#include "app/cli/LaunchCommands.h"

#include "app/cli/ChannelCommands.h"
#include "core/ProgramLog.h"
#include "platform/HostSystem.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QThread>

namespace {

// The problems the process wrote to the log, to say why it ended.
QStringList ProblemsOf(qint64 pid)
{
    QStringList lines;
    QFile log(ProgramLog::DefaultPath());
    if (!log.open(QIODevice::ReadOnly | QIODevice::Text))
        return lines;
    const QByteArray mark = " [" + QByteArray::number(pid) + "] " + ProgramLog::kProblemMark;
    while (!log.atEnd()) {
        const QByteArray line = log.readLine();
        const qsizetype at = line.indexOf(mark);
        if (at >= 0)
            lines << QString::fromUtf8(line.mid(at + mark.size())).trimmed();
    }
    return lines;
}

// Starts the tray program apart from this terminal and waits until it
// answers. Returns the exit code.
int Launch(const CliContext& context)
{
    QProcess process;
    process.setProgram(QCoreApplication::applicationFilePath());
    process.setArguments(context.trayOptions);
    // Nothing of the terminal: a closed terminal or a pipe nobody reads
    // must not end or block the program. What it has to say goes to its log.
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    // Not the folder the command was given in: it may be unmounted later.
    process.setWorkingDirectory(QDir::homePath());
    qint64 pid = 0;
    if (!process.startDetached(&pid)) {
        context.err << "quillo: cannot start " << process.program() << ": " << process.errorString() << Qt::endl;
        return 1;
    }
    const QDeadlineTimer deadline(LaunchCommands::kStartTimeoutMs);
    while (!deadline.hasExpired()) {
        const ControlClient::Result result = ChannelCommands::Send(context, QStringLiteral("status"));
        if (result.outcome == ControlClient::Outcome::Replied && result.error.isEmpty()) {
            context.out << "Quillo is running (process " << result.reply.value(QStringLiteral("pid")).toInteger()
                        << ")." << Qt::endl;
            return 0;
        }
        if (!HostSystem::ProcessAlive(pid)) {
            const QStringList lines = ProblemsOf(pid);
            context.err << "quillo: Quillo did not start" << (lines.isEmpty() ? "." : ":") << Qt::endl;
            for (const QString& line : lines)
                context.err << "  " << line << Qt::endl;
            context.err << "See " << ProgramLog::DefaultPath() << " and quillo --verbose for more." << Qt::endl;
            return 1;
        }
        QThread::msleep(LaunchCommands::kPollMs);
    }
    context.err << "quillo: Quillo (process " << pid << ") did not answer within "
                << LaunchCommands::kStartTimeoutMs / 1000 << " s; see " << ProgramLog::DefaultPath() << Qt::endl;
    return 1;
}

// The running program's process, or 0 when none answers; *code holds the
// exit code when the answer rules out a start.
qint64 RunningProcess(const CliContext& context, int* code)
{
    *code = 0;
    const ControlClient::Result result = ChannelCommands::Send(context, QStringLiteral("status"));
    if (result.outcome == ControlClient::Outcome::NotRunning)
        return 0;
    if (result.outcome == ControlClient::Outcome::OtherFolder) {
        context.err << "quillo: " << ChannelCommands::OtherFolderText(context, result)
                    << "; end it first with quillo exit" << Qt::endl;
        *code = 1;
        return 0;
    }
    if (!result.error.isEmpty()) {
        context.err << "quillo: " << result.error << Qt::endl;
        *code = 1;
        return 0;
    }
    return result.reply.value(QStringLiteral("pid")).toInteger();
}

} // namespace

QList<CliCommand> LaunchCommands::Commands()
{
    return {
        {QStringLiteral("start"), QString(),
         QStringLiteral("start Quillo apart from this terminal; returns once it runs"), &Start},
        {QStringLiteral("restart"), QString(), QStringLiteral("end the running Quillo in order and start it again"),
         &Restart},
    };
}

int LaunchCommands::Start(const CliContext& context)
{
    if (!context.args.isEmpty())
        throw CliUsageError("start takes no arguments");
    int code = 0;
    if (const qint64 pid = RunningProcess(context, &code)) {
        context.out << "Quillo is already running (process " << pid << ")." << Qt::endl;
        return 0;
    }
    return code != 0 ? code : Launch(context);
}

int LaunchCommands::Restart(const CliContext& context)
{
    if (!context.args.isEmpty())
        throw CliUsageError("restart takes no arguments");
    int code = 0;
    const qint64 pid = RunningProcess(context, &code);
    if (code != 0)
        return code;
    if (pid != 0) {
        const ControlClient::Result result = ChannelCommands::Send(context, QStringLiteral("exit"));
        if (!result.error.isEmpty()) {
            context.err << "quillo: " << result.error << Qt::endl;
            return 1;
        }
        // The channel closes before the program has let go of its files.
        const QDeadlineTimer deadline(kStopTimeoutMs);
        while (HostSystem::ProcessAlive(pid) && !deadline.hasExpired())
            QThread::msleep(kPollMs);
        if (HostSystem::ProcessAlive(pid)) {
            context.err << "quillo: Quillo (process " << pid << ") did not end within " << kStopTimeoutMs / 1000
                        << " s" << Qt::endl;
            return 1;
        }
    }
    return Launch(context);
}
