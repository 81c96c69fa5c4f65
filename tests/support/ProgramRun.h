#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

// Runs a program to its end, as a user would from a shell, and keeps what it
// said. A program that does not end in time is killed and reported so.
struct ProgramRun
{
    static constexpr int kDefaultTimeoutMs = 60000;

    int code = -1; // -1: crashed or did not finish
    QString out;
    QString err;

    static ProgramRun Of(const QString& program, const QStringList& arguments,
                         const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment(),
                         int timeoutMs = kDefaultTimeoutMs)
    {
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(program, arguments);
        process.closeWriteChannel();
        ProgramRun result;
        if (!process.waitForFinished(timeoutMs)) {
            process.kill();
            process.waitForFinished();
            result.err = QStringLiteral("did not finish: ") + program + QLatin1Char(' ') + arguments.join(' ');
            return result;
        }
        result.code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        // Windows consoles end lines with CR LF; what is said is the same.
        result.out = QString::fromUtf8(process.readAllStandardOutput()).replace(QLatin1String("\r\n"), QLatin1String("\n"));
        result.err = QString::fromUtf8(process.readAllStandardError()).replace(QLatin1String("\r\n"), QLatin1String("\n"));
        return result;
    }
};
