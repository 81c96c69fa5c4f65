#include "core/ProgramFolder.h"

#include "core/QuilloError.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

// Where an installed tree keeps its parts, relative to the executable's folder.
#ifndef QUILLO_RELATIVE_DATADIR
#define QUILLO_RELATIVE_DATADIR "../share/quillo"
#endif
#ifndef QUILLO_RELATIVE_LIBDIR
#define QUILLO_RELATIVE_LIBDIR "../lib/quillo"
#endif

namespace {

constexpr const char* kErrorSource = "quillo";
constexpr int kErrorFolder = 1101;
constexpr int kErrorDefaults = 1102;
constexpr const char* kUserFolderName = "quillo";
[[maybe_unused]] constexpr const char* kWindowsUserFolderName = "Quillo";

QString ExecutableFolder()
{
    return QCoreApplication::applicationDirPath();
}

QString BesideExecutable(const char* relative)
{
    return QDir::cleanPath(ExecutableFolder() + QLatin1Char('/') + QLatin1String(relative));
}

// The same folder whether it exists or not, however it was written.
QString Normalised(const QString& folder)
{
    const QFileInfo info(folder);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

} // namespace

QString ProgramFolder::Resolve(const QString& explicitHome)
{
    if (!explicitHome.isEmpty())
        return QDir(explicitHome).absolutePath();
    const QString named = qEnvironmentVariable(kHomeVariable);
    if (!named.isEmpty())
        return QDir(named).absolutePath();
    const QString folder = DefaultFolder();
    if (folder != ExecutableFolder()) {
        try {
            FillFromDefaults(folder);
        } catch (const QuilloError& e) {
            qWarning("quillo: %s", qPrintable(e.Message()));
        }
    }
    return folder;
}

QString ProgramFolder::DefaultFolder()
{
    if (ExecutableFolderIsProgramFolder())
        return ExecutableFolder();
    const QString user = UserFolder();
    // Without any home folder there is nowhere better to look.
    return user.isEmpty() ? ExecutableFolder() : user;
}

bool ProgramFolder::IsDefaultFolder(const QString& folder)
{
    return Normalised(folder) == Normalised(DefaultFolder());
}

QString ProgramFolder::UserFolder()
{
#ifdef Q_OS_WIN
    // %APPDATA%\Quillo: roams with the user's profile, as Windows programs' settings do.
    const QString roaming = qEnvironmentVariable("APPDATA");
    if (!roaming.isEmpty())
        return QDir(QDir::fromNativeSeparators(roaming)).filePath(QLatin1String(kWindowsUserFolderName));
#endif
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (config.isEmpty())
        return QString();
    return QDir(config).filePath(QLatin1String(kUserFolderName));
}

bool ProgramFolder::ExecutableFolderIsProgramFolder()
{
    const QString folder = ExecutableFolder();
    return QFileInfo(SettingsPath(folder)).isFile() && QFileInfo(folder).isWritable();
}

QString ProgramFolder::SharedFolder()
{
    const QString installed = BesideExecutable(QUILLO_RELATIVE_DATADIR);
    return QFileInfo(installed).isDir() ? installed : ExecutableFolder();
}

QString ProgramFolder::LibraryFolder()
{
    const QString installed = BesideExecutable(QUILLO_RELATIVE_LIBDIR);
    return QFileInfo(installed).isDir() ? installed : ExecutableFolder();
}

QString ProgramFolder::ReadOnlyFile(const QString& home, const QString& relativePath)
{
    const QString own = QDir(home).filePath(relativePath);
    if (QFileInfo::exists(own))
        return own;
    return QDir(SharedFolder()).filePath(relativePath);
}

QStringList ProgramFolder::FillFromDefaults(const QString& folder)
{
    const QDir defaults(SharedFolder());
    QStringList missing;
    for (const char* name : {kSettingsName, kDatabaseName}) {
        const QString target = QDir(folder).filePath(QLatin1String(name));
        // A dangling link counts as there too: it is the user's to mend.
        if (!QFileInfo(target).exists() && !QFileInfo(target).isSymLink())
            missing << QLatin1String(name);
    }
    // Every default is checked first, so a broken installation leaves no
    // empty folder behind.
    for (const QString& name : missing) {
        if (!QFileInfo(defaults.filePath(name)).isFile())
            throw QuilloError(kErrorDefaults, kErrorSource,
                              QStringLiteral("Cannot fill \"%1\": the default \"%2\" is missing.")
                                  .arg(folder, defaults.filePath(name)));
    }
    const bool newFolder = !QFileInfo(folder).isDir();
    if (!QDir().mkpath(folder))
        throw QuilloError(kErrorFolder, kErrorSource, QStringLiteral("Cannot create the folder \"%1\".").arg(folder));
    if (newFolder)
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QStringList created;
    for (const QString& name : missing) {
        const QString target = QDir(folder).filePath(name);
        const QString source = defaults.filePath(name);
        QFile file(source);
        // QFile::copy goes through a temporary file and never replaces the target.
        if (!file.copy(target))
            throw QuilloError(kErrorDefaults, kErrorSource,
                              QStringLiteral("Cannot copy \"%1\" to \"%2\": %3").arg(source, target, file.errorString()));
        // The installed defaults are read-only; the user's snippets are nobody else's.
        QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        created << target;
    }
    return created;
}

QString ProgramFolder::DatabasePath(const QString& folder)
{
    return QDir(folder).filePath(QLatin1String(kDatabaseName));
}

QString ProgramFolder::SettingsPath(const QString& folder)
{
    return QDir(folder).filePath(QLatin1String(kSettingsName));
}

QString ProgramFolder::DesktopEntryPath(const QString& folder)
{
    return QDir(folder).filePath(QStringLiteral("Quillo.desktop"));
}

QString ProgramFolder::SoundPath(const QString& folder, const QString& soundName)
{
    return ReadOnlyFile(folder, QStringLiteral("wav/") + soundName + QStringLiteral(".wav"));
}
