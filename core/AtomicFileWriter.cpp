#include "core/AtomicFileWriter.h"

#include "core/QuilloError.h"

#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#ifdef Q_OS_WIN
#include "platform/win/WinFileCalls.h"
#include <QRandomGenerator>
#include <io.h>
#include <share.h>
#else
#include <unistd.h>
#endif

namespace {

// A short fixed name, so a target whose own name is near the file-name limit
// still gets a temporary file beside it. The leading dot keeps it out of
// ordinary listings while it exists.
constexpr const char* kTemporaryTemplate = "/.quillo-XXXXXX.part";
constexpr int kTemporarySuffixLength = 5; // ".part"
// Links of links are followed this deep, as the kernel does.
constexpr int kMaxLinkDepth = 40;

QString ErrnoText(int number)
{
    return QString::fromLocal8Bit(std::strerror(number));
}

[[maybe_unused]] QByteArray Native(const QString& path)
{
    return QFile::encodeName(path);
}

#ifdef Q_OS_WIN
constexpr int kTemporaryAttempts = 100;

int OpenExisting(const QString& path, int flags)
{
    int fd = -1;
    ::_wsopen_s(&fd, reinterpret_cast<const wchar_t*>(path.utf16()), flags | _O_BINARY | _O_NOINHERIT, _SH_DENYNO, 0);
    return fd;
}
#else
int OpenExisting(const QString& path, int flags)
{
    return ::open(Native(path).constData(), flags | O_CLOEXEC);
}

mode_t CurrentUmask()
{
    // umask can only be read by setting it; the old value goes straight back.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}
#endif

// The same place in the file system: the same file name in the same folder,
// however either path spells the folder. Catches a journal file the
// database does not have at the moment, which no inode comparison can.
bool SamePlace(const QString& a, const QString& b)
{
    const QFileInfo first(a), second(b);
    const QString firstFolder = QFileInfo(first.absolutePath()).canonicalFilePath();
    return !firstFolder.isEmpty() && first.fileName() == second.fileName() &&
           firstFolder == QFileInfo(second.absolutePath()).canonicalFilePath();
}

QuilloError Refusal(const QString& source, const QString& lead, const QString& target, const QString& reason)
{
    return QuilloError(AtomicFileWriter::kErrorRefused, source, lead.arg(target) + QStringLiteral(": ") + reason);
}

} // namespace

void AtomicFileWriter::CheckTarget(const QString& target, const Rules& rules, const QString& errorSource,
                                   const QString& errorLead)
{
    if (target.isEmpty())
        throw Refusal(errorSource, errorLead, target, QStringLiteral("no file name was given."));
    for (const QString& protectedFile : rules.protectedFiles)
        if (!protectedFile.isEmpty() && SamePlace(target, protectedFile))
            throw Refusal(errorSource, errorLead, target, QStringLiteral("that is the snippet database itself."));
#ifdef Q_OS_WIN
    // No inodes and no FIFOs here: links, junctions and folders are told by
    // their attributes, the same file by its full path.
    const QFileInfo own(target);
    if (!own.exists() && !own.isSymLink()) {
        if (!QFileInfo(own.absolutePath()).isDir())
            throw Refusal(errorSource, errorLead, target,
                          QStringLiteral("the folder \"%1\" does not exist.")
                              .arg(QDir::toNativeSeparators(own.absolutePath())));
        return;
    }
    if (own.isSymbolicLink() || own.isJunction())
        throw Refusal(errorSource, errorLead, target,
                      QStringLiteral("it is a symbolic link; name the file itself, so that no other file is "
                                     "replaced through the link."));
    if (own.isDir())
        throw Refusal(errorSource, errorLead, target, QStringLiteral("it is a folder."));
    if (!own.isFile())
        throw Refusal(errorSource, errorLead, target, QStringLiteral("it is not a regular file."));
    for (const QString& protectedFile : rules.protectedFiles) {
        if (!protectedFile.isEmpty() &&
            QFileInfo(protectedFile).canonicalFilePath().compare(own.canonicalFilePath(), Qt::CaseInsensitive) == 0)
            throw Refusal(errorSource, errorLead, target, QStringLiteral("that is the snippet database itself."));
    }
#else
    struct stat own {};
    if (::lstat(Native(target).constData(), &own) != 0) {
        const int error = errno;
        if (error != ENOENT)
            throw Refusal(errorSource, errorLead, target, ErrnoText(error) + QLatin1Char('.'));
        const QString folder = QFileInfo(target).absolutePath();
        struct stat parent {};
        if (::stat(Native(folder).constData(), &parent) != 0 || !S_ISDIR(parent.st_mode))
            throw Refusal(errorSource, errorLead, target,
                          QStringLiteral("the folder \"%1\" does not exist.").arg(QDir::toNativeSeparators(folder)));
        return;
    }
    if (S_ISLNK(own.st_mode))
        throw Refusal(errorSource, errorLead, target,
                      QStringLiteral("it is a symbolic link; name the file itself, so that no other file is "
                                     "replaced through the link."));
    if (S_ISDIR(own.st_mode))
        throw Refusal(errorSource, errorLead, target, QStringLiteral("it is a folder."));
    if (!S_ISREG(own.st_mode))
        throw Refusal(errorSource, errorLead, target,
                      QStringLiteral("it is not a regular file (a FIFO, a device or a socket)."));
    for (const QString& protectedFile : rules.protectedFiles) {
        struct stat other {};
        if (!protectedFile.isEmpty() && ::stat(Native(protectedFile).constData(), &other) == 0 &&
            other.st_dev == own.st_dev && other.st_ino == own.st_ino)
            throw Refusal(errorSource, errorLead, target, QStringLiteral("that is the snippet database itself."));
    }
#endif
    if (!rules.replaceExisting)
        throw Refusal(errorSource, errorLead, target, QStringLiteral("it already exists."));
}

AtomicFileWriter::AtomicFileWriter(QString target, const Rules& rules, QString errorSource, QString errorLead)
    : target(std::move(target)), errorSource(std::move(errorSource)), errorLead(std::move(errorLead))
{
    // Renaming over the link would replace the link and part it from its file.
    for (int depth = 0; rules.followLinks && depth < kMaxLinkDepth && QFileInfo(this->target).isSymLink(); ++depth)
        this->target = QFileInfo(this->target).symLinkTarget();
    CheckTarget(this->target, rules, this->errorSource, this->errorLead);
#ifdef Q_OS_WIN
    // A replaced file keeps its place and name; Windows keeps who may read
    // it with the folder's inherited permissions.
    replacing = QFileInfo::exists(this->target);
#else
    struct stat existing {};
    if (::stat(Native(this->target).constData(), &existing) == 0) {
        // A replaced file keeps who may read it: a private 0600 file stays private.
        replacing = true;
        targetMode = existing.st_mode & 07777;
        targetUid = existing.st_uid;
        targetGid = existing.st_gid;
    } else {
        targetMode = 0666 & ~CurrentUmask();
    }
#endif
    OpenTemporary();
}

AtomicFileWriter::~AtomicFileWriter()
{
    if (fd >= 0)
        ::close(fd);
    if (!committed && !temporaryPath.isEmpty())
        QFile::remove(temporaryPath);
}

void AtomicFileWriter::OpenTemporary()
{
#ifdef Q_OS_WIN
    for (int attempt = 0; attempt < kTemporaryAttempts && fd < 0; ++attempt) {
        temporaryPath = QFileInfo(target).absolutePath() +
                        QStringLiteral("/.quillo-%1.part").arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
        const int error = ::_wsopen_s(&fd, reinterpret_cast<const wchar_t*>(temporaryPath.utf16()),
                                      _O_CREAT | _O_EXCL | _O_RDWR | _O_BINARY | _O_NOINHERIT, _SH_DENYNO,
                                      _S_IREAD | _S_IWRITE);
        if (error != 0 && error != EEXIST)
            break;
    }
    if (fd < 0) {
        const int error = errno;
        temporaryPath.clear();
        Fail(kErrorIo, QStringLiteral("cannot create a file in its folder (%1).").arg(ErrnoText(error)));
    }
    return;
#else
    QByteArray name = Native(QFileInfo(target).absolutePath()) + kTemporaryTemplate;
    fd = ::mkostemps(name.data(), kTemporarySuffixLength, O_CLOEXEC);
    if (fd < 0)
        Fail(kErrorIo, QStringLiteral("cannot create a file in its folder (%1).").arg(ErrnoText(errno)));
    temporaryPath = QFile::decodeName(name);
#endif
}

void AtomicFileWriter::ReleaseForOtherWriter()
{
    // SQLite's locks are per process: a second descriptor of ours closed
    // while it works would drop them.
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

void AtomicFileWriter::Write(const QByteArray& bytes)
{
    if (fd < 0 && (fd = OpenExisting(temporaryPath, O_WRONLY | O_APPEND)) < 0)
        Fail(kErrorIo, ErrnoText(errno) + QLatin1Char('.'));
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, static_cast<size_t>(left));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            Fail(kErrorIo, ErrnoText(errno) + QLatin1Char('.'));
        }
        if (written == 0)
            Fail(kErrorIo, QStringLiteral("the disk took no more data."));
        data += written;
        left -= written;
    }
}

void AtomicFileWriter::Commit()
{
    if (fd < 0 && (fd = OpenExisting(temporaryPath, O_RDWR)) < 0)
        Fail(kErrorIo, ErrnoText(errno) + QLatin1Char('.'));
#ifdef Q_OS_WIN
    if (::_commit(fd) != 0)
        Fail(kErrorIo, ErrnoText(errno) + QLatin1Char('.'));
    const int closing = fd;
    fd = -1;
    if (::_close(closing) != 0)
        Fail(kErrorIo, ErrnoText(errno) + QLatin1Char('.'));
    // Replaced in one step, written through to the disk.
    const QString problem = WinFileCalls::MoveOver(temporaryPath, target);
    if (!problem.isEmpty())
        Fail(kErrorIo, problem);
    committed = true;
#else
    // Data that never reached the disk would surface as an empty file after
    // a crash, under the target's name.
    if (::fsync(fd) != 0)
        Fail(kErrorIo, ErrnoText(errno) + QLatin1Char('.'));
    if (::fchmod(fd, targetMode) != 0)
        Fail(kErrorIo, ErrnoText(errno) + QLatin1Char('.'));
    if (replacing && ::geteuid() == 0) {
        // Run as root, a replaced file still belongs to its owner; if that
        // cannot be done the file stays ours, which loses nothing.
        if (::fchown(fd, targetUid, targetGid) != 0) {
        }
    }
    const int closing = fd;
    fd = -1;
    if (::close(closing) != 0)
        Fail(kErrorIo, ErrnoText(errno) + QLatin1Char('.'));
    if (::rename(Native(temporaryPath).constData(), Native(target).constData()) != 0)
        Fail(kErrorIo, ErrnoText(errno) + QLatin1Char('.'));
    committed = true;
    const int folder = ::open(Native(QFileInfo(target).absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder); // the rename itself survives a crash; best effort
        ::close(folder);
    }
#endif
}

void AtomicFileWriter::Fail(int number, const QString& reason) const
{
    throw QuilloError(number, errorSource, errorLead.arg(target) + QStringLiteral(": ") + reason);
}
