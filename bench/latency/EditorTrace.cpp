#include "EditorTrace.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QList>
#include <QThread>
#include <algorithm>
#include <cstdio>

QByteArray EditorTrace::ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool EditorTrace::WaitForLength(const QString& textFile, int length)
{
    QDeadlineTimer deadline(kWaitMs);
    while (!deadline.hasExpired()) {
        if (QString::fromUtf8(ReadAll(textFile)).size() == length)
            return true;
        QThread::msleep(kPollMs);
    }
    return false;
}

double EditorTrace::LatencyMs(const QString& traceFile, qsizetype offset, int length)
{
    const QList<QByteArray> lines = ReadAll(traceFile).mid(offset).split('\n');
    qint64 space = -1;
    for (const QByteArray& line : lines) {
        const QList<QByteArray> parts = line.split(' ');
        // The first Space is the trigger: content typed key by key has
        // Spaces of its own.
        if (parts.value(0) == "space" && space < 0)
            space = parts.value(1).toLongLong();
        else if (parts.value(0) == "text" && space >= 0 && parts.value(2).toInt() == length)
            return (parts.value(1).toLongLong() - space) / 1e6;
    }
    return -1;
}

void EditorTrace::PrintRow(const QString& abbreviation, int length, std::vector<double> latencies)
{
    std::sort(latencies.begin(), latencies.end());
    const double median = latencies.empty() ? -1 : latencies[latencies.size() / 2];
    const double max = latencies.empty() ? -1 : latencies.back();
    std::printf("%-28s %10.2f %10.2f %6zu\n", qPrintable(QString("%1 -> %2 characters").arg(abbreviation).arg(length)),
                median, max, latencies.size());
}

void EditorTrace::FillProgramFolder(const QString& folder, bool sound)
{
    const QDir target(folder);
    for (const char* name : {"snippets.mdb", "settings.ini", "Quillo.desktop"}) {
        QFile::copy(QString(QUILLO_PROGRAM_DIR "/") + name, target.filePath(name));
        QFile::setPermissions(target.filePath(name), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
    target.mkdir("wav");
    for (const QString& name : QDir(QUILLO_PROGRAM_DIR "/wav").entryList(QDir::Files))
        QFile::copy(QString(QUILLO_PROGRAM_DIR "/wav/") + name, target.filePath("wav/" + name));
    if (!sound) {
        QFile ini(target.filePath("settings.ini"));
        ini.open(QIODevice::ReadOnly);
        QByteArray text = ini.readAll().replace("EnablePlaySound=True", "EnablePlaySound=False");
        ini.close();
        ini.open(QIODevice::WriteOnly | QIODevice::Truncate);
        ini.write(text);
    }
}
