#include "core/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>

QString ProgramFolder::Resolve(const QString& explicitHome)
{
    QString folder = explicitHome;
    if (folder.isEmpty())
        folder = qEnvironmentVariable(kHomeVariable);
    if (folder.isEmpty())
        folder = QCoreApplication::applicationDirPath();
    return QDir(folder).absolutePath();
}

QString ProgramFolder::DatabasePath(const QString& folder)
{
    return QDir(folder).filePath(QStringLiteral("snippets.mdb"));
}

QString ProgramFolder::SettingsPath(const QString& folder)
{
    return QDir(folder).filePath(QStringLiteral("settings.ini"));
}

QString ProgramFolder::DesktopEntryPath(const QString& folder)
{
    return QDir(folder).filePath(QStringLiteral("Quillo.desktop"));
}

QString ProgramFolder::SoundPath(const QString& folder, const QString& soundName)
{
    return QDir(folder).filePath(QStringLiteral("wav/") + soundName + QStringLiteral(".wav"));
}
