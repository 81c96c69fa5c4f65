#include "core/ProgramLog.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <cstdio>

namespace {

struct LogState
{
    QString path;
    bool echo = false;
    QFile file;
};

LogState& State()
{
    static LogState state;
    return state;
}

void Rotate(LogState& state)
{
    state.file.close();
    const QString older = state.path + QStringLiteral(".1");
    QFile::remove(older);
    QFile::rename(state.path, older);
}

void Append(const QString& text, bool echo)
{
    LogState& state = State();
    if (echo && state.echo)
        std::fprintf(stderr, "quillo: %s\n", qPrintable(text.startsWith(QLatin1String(ProgramLog::kProblemMark))
                                                             ? text.mid(int(qstrlen(ProgramLog::kProblemMark)))
                                                             : text));
    if (state.path.isEmpty())
        return;
    if (state.file.isOpen() && state.file.size() >= ProgramLog::kMaxBytes)
        Rotate(state);
    if (!state.file.isOpen()) {
        state.file.setFileName(state.path);
        // Append: a command line that starts the program reads the lines
        // its child wrote, and two writers never cut each other's lines.
        if (!state.file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text))
            return;
        state.file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
    const QString line = QStringLiteral("%1 [%2] %3\n")
                             .arg(QDateTime::currentDateTime().toString(Qt::ISODateWithMs))
                             .arg(QCoreApplication::applicationPid())
                             .arg(QString(text).replace(QLatin1Char('\n'), QLatin1Char(' ')));
    state.file.write(line.toUtf8());
    state.file.flush();
}

} // namespace

QString ProgramLog::DefaultPath()
{
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty() || !QDir::isAbsolutePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/quillo/") + QLatin1String(kFileName);
}

void ProgramLog::Open(const QString& path, bool echo)
{
    Close();
    LogState& state = State();
    state.path = path;
    state.echo = echo;
    // When and where the user expanded is the user's business: only the user reads the log.
    const QString folder = QFileInfo(path).absolutePath();
    if (!QFileInfo::exists(folder) && QDir().mkpath(folder))
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

void ProgramLog::Close()
{
    LogState& state = State();
    state.file.close();
    state.path.clear();
    state.echo = false;
}

bool ProgramLog::IsOpen()
{
    return !State().path.isEmpty();
}

QString ProgramLog::Path()
{
    return State().path;
}

void ProgramLog::Info(const QString& text)
{
    Append(text, true);
}

void ProgramLog::Said(const QString& text)
{
    Append(text, false);
}

void ProgramLog::Problem(const QString& text)
{
    if (!State().echo)
        std::fprintf(stderr, "quillo: %s\n", qPrintable(text));
    Append(QLatin1String(kProblemMark) + text, true);
}
