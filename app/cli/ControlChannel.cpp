#include "app/cli/ControlChannel.h"

#include "app/SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#ifndef Q_OS_WIN
#include <unistd.h>
#endif

namespace {

[[maybe_unused]] QString FolderOf(const QString& socketPath)
{
    return QFileInfo(socketPath).absolutePath();
}

} // namespace

QString ControlChannel::SocketPathBeside(const QString& lockPath)
{
    const QDir lockFolder = QFileInfo(lockPath).absoluteDir();
#ifdef Q_OS_WIN
    // A named pipe, whose name cannot hold the folder's backslashes: the
    // folder's own hash names the pipe of the program that holds its lock.
    // Not qHash: its seed differs from process to process, and the command
    // line must arrive at the very name the program listens on.
    const QByteArray place = lockFolder.absolutePath().toLower().toUtf8();
    const QByteArray digest = QCryptographicHash::hash(place, QCryptographicHash::Sha256).toHex();
    return QStringLiteral("%1-%2").arg(QLatin1String(kFolderName),
                                       QString::fromLatin1(digest.left(kPipeNameHashDigits)));
#endif
    return lockFolder.filePath(QLatin1String(kFolderName) + QLatin1Char('/') + QLatin1String(kSocketName));
}

QString ControlChannel::DefaultSocketPath()
{
    return SocketPathBeside(SingleInstance::DefaultLockPath());
}

bool ControlChannel::FolderIsPrivate(const QString& socketPath)
{
#ifdef Q_OS_WIN
    // No folder: the pipe's own access list admits only this user.
    (void)socketPath;
    return true;
#else
    struct stat info{};
    const QByteArray folder = QFile::encodeName(FolderOf(socketPath));
    // lstat: a symbolic link planted in place of the folder is not ours.
    if (::lstat(folder.constData(), &info) != 0 || !S_ISDIR(info.st_mode))
        return false;
    return info.st_uid == ::geteuid() && (info.st_mode & 077) == 0;
#endif
}

bool ControlChannel::PrepareFolder(const QString& socketPath, QString* error)
{
#ifdef Q_OS_WIN
    (void)socketPath;
    (void)error;
    return true;
#else
    const QString folder = FolderOf(socketPath);
    const QByteArray name = QFile::encodeName(folder);
    if (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST) {
        *error = QStringLiteral("cannot make the folder \"%1\": %2").arg(folder, QString::fromLocal8Bit(strerror(errno)));
        return false;
    }
    struct stat info{};
    if (::lstat(name.constData(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        *error = QStringLiteral("\"%1\" is not a folder").arg(folder);
        return false;
    }
    if (info.st_uid != ::geteuid()) {
        *error = QStringLiteral("the folder \"%1\" belongs to another user").arg(folder);
        return false;
    }
    if ((info.st_mode & 077) != 0 && ::chmod(name.constData(), 0700) != 0) {
        *error = QStringLiteral("the folder \"%1\" is open to other users and cannot be closed: %2")
                     .arg(folder, QString::fromLocal8Bit(strerror(errno)));
        return false;
    }
    return true;
#endif
}
