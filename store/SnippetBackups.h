#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

// Consistent copies of the snippet database in a backups folder beside it:
// taken through SQLite's backup API (never a file copy of a live database),
// written under a temporary name and renamed into place, so a backup that is
// listed is always whole, even after a power cut. Only the newest `keep`
// are kept. A restore first backs up what is there now, then copies the
// backup into the live database in one transaction: other programs that
// have it open see the change as any other write.
class SnippetBackups
{
public:
    static constexpr int kDefaultKeep = 10;
    static constexpr qint64 kDailySeconds = 24 * 60 * 60;
    static constexpr const char* kFolderName = "backups";

    struct Backup
    {
        QString id;     // "20261208-094512-import", the name without ".mdb"
        QString path;
        QDateTime made; // local time, from the name
        QString reason; // "import", "sync", "upgrade", "daily", "restore"
    };

    // database: the snippets.mdb the backups are of.
    explicit SnippetBackups(const QString& database, int keep = kDefaultKeep);

    QString Folder() const;
    // Newest first.
    QList<Backup> List() const;
    // Backs the database up now; reason is one word. Throws QuilloError when
    // it cannot (the folder cannot be made, the database cannot be read).
    Backup Make(const QString& reason);
    // A "daily" backup when the newest backup is older than a day (or there
    // is none); false when none was due.
    bool MakeDailyIfDue(const QDateTime& now = QDateTime::currentDateTime());
    // Puts the backup with that id back; the state before is backed up first
    // (reason "restore") and returned. Throws QuilloError for an unknown id or
    // a backup that is no snippet database.
    Backup Restore(const QString& id);

    // Tests set the clock.
    void SetClock(QDateTime (*now)()) { clock = now; }

private:
    void Prune();

    QString database;
    int keep;
    QDateTime (*clock)() = &QDateTime::currentDateTime;
};
