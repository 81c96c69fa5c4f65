#include "app/SingleInstance.h"

#include <QDir>
#include <QStandardPaths>

QString SingleInstance::DefaultLockPath()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return QDir(folder).filePath(QStringLiteral("quillo.lock"));
}

QString SingleInstance::FolderLockPath(const QString& folder)
{
    return QDir(folder).filePath(QLatin1String(kFolderLockName));
}

SingleInstance::SingleInstance(const QString& lockPath, const QString& folderLockPath) : lock(lockPath)
{
    // A running instance holds the lock for days; only a dead owner makes it stale.
    lock.setStaleLockTime(0);
    if (!folderLockPath.isEmpty()) {
        folderLock = std::make_unique<QLockFile>(folderLockPath);
        folderLock->setStaleLockTime(0);
    }
}

bool SingleInstance::TryLock()
{
    if (!lock.tryLock(0))
        return false;
    if (folderLock && !folderLock->tryLock(0) && folderLock->error() == QLockFile::LockFailedError) {
        lock.unlock();
        return false;
    }
    return true;
}

void SingleInstance::Unlock()
{
    if (folderLock)
        folderLock->unlock();
    lock.unlock();
}

bool SingleInstance::HeldElsewhere(const QString& lockPath, const QString& folderLockPath)
{
    SingleInstance probe(lockPath, folderLockPath);
    if (!probe.TryLock())
        return true;
    probe.Unlock();
    return false;
}
