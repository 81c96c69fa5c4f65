#include "core/ProgramLog.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(ProgramLog, StaysSmallAndPrivate)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("state/quillo/quillo.log");
    ProgramLog::Open(path, false);
    const QString entry(200, QLatin1Char('x'));
    // Enough for two turns of the file.
    for (qint64 written = 0; written < 2 * ProgramLog::kMaxBytes + 1000; written += entry.size())
        ProgramLog::Info(entry);
    ProgramLog::Close();

    EXPECT_EQ(QDir(dir.filePath("state/quillo")).entryList(QDir::Files),
              QStringList({"quillo.log", "quillo.log.1"}));
    EXPECT_LE(QFile(path).size(), ProgramLog::kMaxBytes);
    EXPECT_GE(QFile(path + ".1").size(), ProgramLog::kMaxBytes);
    EXPECT_EQ(QFile(path).permissions() & (QFile::ReadOther | QFile::ReadGroup), 0);
    EXPECT_EQ(QFile(dir.filePath("state/quillo")).permissions() & (QFile::ExeOther | QFile::ExeGroup), 0);

    // Lines after Close go nowhere.
    const qint64 size = QFile(path).size();
    ProgramLog::Info("after");
    EXPECT_EQ(QFile(path).size(), size);
}
