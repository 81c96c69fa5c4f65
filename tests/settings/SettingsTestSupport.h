#pragma once

#include "support/FileBytes.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#ifndef Q_OS_WIN
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>
#endif

inline void WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

// Sets an environment variable for the life of the object.
class ScopedEnv
{
public:
    ScopedEnv(const char* name, const QByteArray& value) : name(name), had(qEnvironmentVariableIsSet(name)), old(qgetenv(name))
    {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }
    ~ScopedEnv()
    {
        if (had)
            qputenv(name, old);
        else
            qunsetenv(name);
    }

private:
    const char* name;
    bool had;
    QByteArray old;
};

// A file system of its own, a few pages large, that Fill() leaves without a
// free block: writes there fail with "No space left on device" as on a full
// disk. Mounting needs root; Mounted() says whether it worked.
class TinyFileSystem
{
public:
    static constexpr const char* kOptions = "size=64k,mode=0755";

    TinyFileSystem()
    {
#ifdef Q_OS_WIN
        why = QStringLiteral("no small file systems to mount on Windows");
#else
        if (::mount("tmpfs", QFile::encodeName(dir.path()).constData(), "tmpfs", 0, kOptions) == 0)
            mounted = true;
        else
            why = QString::fromLocal8Bit(std::strerror(errno));
#endif
    }
    ~TinyFileSystem()
    {
#ifndef Q_OS_WIN
        if (mounted)
            ::umount2(QFile::encodeName(dir.path()).constData(), MNT_DETACH);
#endif
    }
    bool Mounted() const { return mounted; }
    QString Why() const { return why; }
    QString File(const QString& name) const { return dir.filePath(name); }

#ifndef Q_OS_WIN
    void Fill()
    {
        const int fd = ::open(QFile::encodeName(File("filler")).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ASSERT_GE(fd, 0);
        const QByteArray block(4096, 'f');
        while (::write(fd, block.constData(), block.size()) > 0) {
        }
        const int error = errno;
        ::close(fd);
        ASSERT_EQ(error, ENOSPC);
    }
    void Free() { ::unlink(QFile::encodeName(File("filler")).constData()); }
#else
    void Fill() {}
    void Free() {}
#endif

private:
    QTemporaryDir dir;
    bool mounted = false;
    QString why;
};

// Files this process writes may not grow past the limit while the object
// lives: write() fails with "File too large" (the signal that would end the
// process is ignored meanwhile).
#ifdef Q_OS_WIN
class FileSizeLimit
{
public:
    explicit FileSizeLimit(qint64) {}
};
#else
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &old);
        oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = old;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
    }

private:
    rlimit old{};
    void (*oldHandler)(int) = nullptr;
};
#endif
