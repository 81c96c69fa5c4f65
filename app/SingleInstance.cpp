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

SingleInstance::SingleInstance(const QString& lockPath) : lock(lockPath)
{
    // A running instance holds the lock for days; only a dead owner makes it stale.
    lock.setStaleLockTime(0);
}

bool SingleInstance::TryLock()
{
    return lock.tryLock(0);
}

void SingleInstance::Unlock()
{
    lock.unlock();
}
