#pragma once

#include <QLockFile>
#include <QString>
#include <memory>

// One running tray program per user and per program folder: a lock file in
// the user's runtime folder, and one in the program folder itself, so that a
// start that sees another runtime folder (or none) still finds the program
// that serves the folder. A lock left by a process that died (kill -9, a
// crash) is taken over.
class SingleInstance
{
public:
    static constexpr const char* kFolderLockName = ".quillo.lock";

    // The lock file the program uses when nothing else is named.
    static QString DefaultLockPath();
    static QString FolderLockPath(const QString& folder);

    // folderLockPath "" locks the runtime folder only.
    explicit SingleInstance(const QString& lockPath, const QString& folderLockPath = QString());
    // False when a running program holds either lock. A program folder that
    // cannot hold a lock file (read-only, a portable copy on a disc) is
    // served with the runtime lock alone.
    bool TryLock();
    void Unlock();
    // True when a running program holds either lock; nothing is kept.
    static bool HeldElsewhere(const QString& lockPath, const QString& folderLockPath);

private:
    QLockFile lock;
    std::unique_ptr<QLockFile> folderLock;
};
