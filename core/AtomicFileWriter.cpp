#include "core/AtomicFileWriter.h"

#include "core/QuilloError.h"

#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

QByteArray Native(const QString& path)
{
    return QFile::encodeName(path);
}

mode_t CurrentUmask()
{
    // umask can only be read by setting it; the old value goes straight back.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

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
    OpenTemporary();
}

AtomicFileWriter::~AtomicFileWriter()
{
    if (fd >= 0)
        ::close(fd);
    if (!committed && !temporaryPath.isEmpty())
        ::unlink(Native(temporaryPath).constData());
}

void AtomicFileWriter::OpenTemporary()
{
    QByteArray name = Native(QFileInfo(target).absolutePath()) + kTemporaryTemplate;
    fd = ::mkostemps(name.data(), kTemporarySuffixLength, O_CLOEXEC);
    if (fd < 0)
        Fail(kErrorIo, QStringLiteral("cannot create a file in its folder (%1).").arg(ErrnoText(errno)));
    temporaryPath = QFile::decodeName(name);
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
    if (fd < 0 && (fd = ::open(Native(temporaryPath).constData(), O_WRONLY | O_APPEND | O_CLOEXEC)) < 0)
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
    if (fd < 0 && (fd = ::open(Native(temporaryPath).constData(), O_RDWR | O_CLOEXEC)) < 0)
        Fail(kErrorIo, ErrnoText(errno) + QLatin1Char('.'));
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
}

void AtomicFileWriter::Fail(int number, const QString& reason) const
{
    throw QuilloError(number, errorSource, errorLead.arg(target) + QStringLiteral(": ") + reason);
}
