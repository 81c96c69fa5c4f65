#include "settings/FileRoutines.h"

#include "core/QuilloError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

constexpr const char* kErrorSource = "settings";
constexpr int kErrorCopy = 2011;
constexpr int kErrorDelete = 2012;

} // namespace

QString GetStartupFolder()
{
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    // The XDG rules ignore a relative value.
    if (config.isEmpty() || QDir::isRelativePath(config)) {
        const QString home = qEnvironmentVariable("HOME");
        if (home.isEmpty())
            return QString();
        config = QDir(home).filePath(QStringLiteral(".config"));
    }
    return QDir(config).filePath(QStringLiteral("autostart"));
}

void CopyFileTo(const QString& source, const QString& target)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        throw QuilloError(kErrorCopy, kErrorSource,
                          QStringLiteral("Cannot copy \"%1\": %2").arg(source, in.errorString()));
    const QByteArray bytes = in.readAll();
    QDir().mkpath(QFileInfo(target).absolutePath());
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit())
        throw QuilloError(kErrorCopy, kErrorSource,
                          QStringLiteral("Cannot copy \"%1\" to \"%2\": %3")
                              .arg(source, target, out.errorString()));
}

void DeleteFileIfExists(const QString& path)
{
    if (!FileExists(path))
        return;
    QFile file(path);
    if (file.moveToTrash() || file.remove())
        return;
    throw QuilloError(kErrorDelete, kErrorSource,
                      QStringLiteral("Cannot delete \"%1\": %2").arg(path, file.errorString()));
}

bool FileExists(const QString& path)
{
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    const QString name = info.fileName();
    if (name.contains(QLatin1Char('*')) || name.contains(QLatin1Char('?'))) {
        // QDir::Files without QDir::Hidden leaves hidden files out.
        const QDir folder = info.absoluteDir();
        return !folder.entryList({name}, QDir::Files).isEmpty();
    }
    return info.isFile() && !info.isHidden();
}
