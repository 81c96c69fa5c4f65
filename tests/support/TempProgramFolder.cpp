#include "support/TempProgramFolder.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

TempProgramFolder::TempProgramFolder(bool withSamples)
{
    const QDir demo(DemoFolder());
    const QString database = withSamples ? demo.filePath(QStringLiteral("snippets.mdb")) : EmptyDatabase();
    const bool copied = QFile::copy(database, DatabasePath()) &&
                        QFile::copy(demo.filePath(QStringLiteral("settings.ini")), SettingsPath()) &&
                        QFile::copy(demo.filePath(QStringLiteral("Quillo.desktop")), File(QStringLiteral("Quillo.desktop")));
    EXPECT_TRUE(copied) << "cannot copy the program folder " << DemoFolder().toStdString();
    // Copies of read-only sources stay read-only; tests write to them.
    for (const QString& name : QDir(Path()).entryList(QDir::Files))
        QFile::setPermissions(File(name), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    // The sounds, so that a start on this folder misses nothing.
    QDir(Path()).mkdir(QStringLiteral("wav"));
    for (const QString& name : QDir(demo.filePath(QStringLiteral("wav"))).entryList(QDir::Files)) {
        const QString copy = File(QStringLiteral("wav/") + name);
        QFile::copy(demo.filePath(QStringLiteral("wav/") + name), copy);
        QFile::setPermissions(copy, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
}
