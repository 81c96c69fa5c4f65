#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Writes a file the user named (an exported snippet file, a printed list)
// without ever destroying what was there: the target is checked first, the
// new contents go to a temporary file beside it, and only a complete,
// flushed file is renamed over the target. A failure at any point leaves the
// target exactly as it was and removes the temporary file.
//
// The checks refuse what a user would never mean to replace: a folder, a
// FIFO, a device or a socket, a symbolic link (writing through it would
// replace some other file), any of the protected files (the live database
// and its journals; compared by device and inode, so links and other
// spellings of the same file are caught), and an existing file unless
// replacing was asked for. Failures are QuilloError exceptions whose message
// starts with the caller's sentence, e.g. "Cannot export the snippets to
// \"FILE\"", followed by the reason.
class AtomicFileWriter
{
public:
    static constexpr int kErrorRefused = 1301;
    static constexpr int kErrorIo = 1302;

    struct Rules
    {
        QStringList protectedFiles;   // never written, whatever they are called
        bool replaceExisting = false; // an existing regular file may be replaced
        // A symbolic link is followed and the file it names replaced, the
        // link kept (a user's own files linked from elsewhere); else refused.
        bool followLinks = false;
    };

    // Checks the target and creates the temporary file. errorSource and
    // errorLead (with %1 for the target) make the messages.
    AtomicFileWriter(QString target, const Rules& rules, QString errorSource, QString errorLead);
    ~AtomicFileWriter(); // removes the temporary file unless committed
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    // The temporary file, for a writer of its own (SQLite): call
    // ReleaseForOtherWriter first so no descriptor of ours is open on it.
    QString TemporaryPath() const { return temporaryPath; }
    void ReleaseForOtherWriter();

    // Appends bytes; a short or failed write throws with the reason.
    void Write(const QByteArray& bytes);
    // Flushes the data to disk, gives the file the mode it should have (that
    // of the file it replaces, else 0666 less the umask) and renames it over
    // the target.
    void Commit();

    // Throws, with the reason, when target may not be written under rules
    // (a link counts as itself: resolve it first where links are followed).
    static void CheckTarget(const QString& target, const Rules& rules, const QString& errorSource,
                            const QString& errorLead);

private:
    [[noreturn]] void Fail(int number, const QString& reason) const;
    void OpenTemporary();

    QString target;
    QString errorSource;
    QString errorLead;
    QString temporaryPath;
    int fd = -1;
    bool committed = false;
    bool replacing = false;
    unsigned targetMode = 0; // the permission bits the final file gets
    unsigned targetUid = 0, targetGid = 0;
};
