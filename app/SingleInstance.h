#pragma once

#include <QLockFile>
#include <QString>

// One running tray program per user: a lock file in the user's runtime
// folder. A lock left by a process that died (kill -9, a crash) is taken over.
class SingleInstance
{
public:
    // The lock file the program uses when nothing else is named.
    static QString DefaultLockPath();

    explicit SingleInstance(const QString& lockPath);
    bool TryLock();
    void Unlock();

private:
    QLockFile lock;
};
