#pragma once

#include "store/AbbreviationIndex.h"
#include "store/Snippet.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

namespace SQLite {
class Database;
class Statement;
} // namespace SQLite

// The only component that talks to the snippet database. It keeps the whole
// table in memory in the current listing order, answers matching questions
// from that cache, hands out independent copies for editing, and writes every
// change straight to the file, after which it re-reads the table.
//
// Failures are QuilloError exceptions (source "SnippetManager") naming the
// file and the reason. The one failure it absorbs is a lock held by another
// program while the cache is rebuilt: the old cache stays in use and the
// rebuild is marked pending (RefreshPending), for the owner to try again.
//
// The file is followed by identity: a sync tool or `mv` that puts another
// file at the path (a rename) makes the manager open that file (FollowFile,
// and before every write); a file that is gone is never created again.
class SnippetManager
{
public:
    static constexpr const char* kErrorSource = "SnippetManager";
    // Our own error numbers; failures reported by SQLite carry its result code.
    static constexpr int kErrorNoDatabase = 1001;
    static constexpr int kErrorRowGone = 1002;
    static constexpr int kErrorBadRow = 1003;
    static constexpr int kErrorNotSnippetFile = 1004;
    static constexpr int kErrorDuplicate = 1005;
    static constexpr int kErrorBadAbbreviation = 1006;
    static constexpr int kErrorNoFreeId = 1007;
    static constexpr int kErrorImportLimit = 1008;
    static constexpr int kErrorDatabaseGone = 1009;
    static constexpr int kErrorNewerFormat = 1010; // written by a later version: never opened, never changed
    static constexpr int kErrorDamaged = 1011;     // not a database, or a damaged one: left as it is
    static constexpr int kErrorNotUpgraded = 1012; // a write to an older file that could not be upgraded
    // The format of the database and of snippet files, kept in SQLite's
    // user_version: 0 as first made, 1 with the trigger mode and the
    // application list, 2 with the case that follows the typing, 3 with the
    // modification time of each snippet and the markers of deleted ones.
    static constexpr int kFormat = 3;
    // Before an older file is upgraded, a copy of it is kept beside it as
    // "<file>.v<old format>.bak" ("snippets.mdb.v1.bak"); when that name is
    // taken, "<file>.v<old format>-2.bak", -3 and so on: a copy is never replaced.
    static QString UpgradeCopyPath(const QString& databasePath, int oldFormat, int attempt);
    // The columns of the newer fields a database has.
    struct StoredColumns
    {
        bool modes = false;       // trigger mode and application list
        bool caseFollows = false;
        bool modified = false; // modification times and deletion markers
        bool Complete() const { return modes && caseFollows && modified; }
    };
    // Row ids are 32-bit numbers here; rows another program numbered beyond
    // that are left out of the list (see SkippedRows) and new rows never get one.
    static constexpr long long kMaxId = 2147483647;
    // What one snippet file may bring, so a hostile file (an endless view, a
    // giant value) ends in a clear error instead of exhausting memory or time.
    struct ImportLimits
    {
        long long rows = 1000000;
        int valueBytes = 16 * 1024 * 1024;
        long long steps = 2000000000; // SQLite virtual machine steps reading the file
    };
    static constexpr int kImportStepsPerCheck = 10000;
    // How long a user's action (a save, a search, the command line) waits
    // for another connection's lock before failing, in pauses of kBusyPollMs.
    // Cache rebuilds never wait: they run on the thread that handles the keys.
    static constexpr int kBusyTimeoutMs = 1000;
    static constexpr int kBusyPollMs = 10;

    // What FollowFile found at the database's path.
    enum class FileState {
        Same,     // the file the connection has open
        Reopened, // another file, now open and read in place of the old one
        Locked,   // another file, held locked by another program: not read yet (RefreshPending)
        Gone,     // no file: connection and cache stay, writes are refused
    };

    static constexpr const char* kOrderById = " order by id";
    static constexpr const char* kOrderByIdDesc = " order by id desc";
    static constexpr const char* kOrderBySnippet = " order by snippet";
    static constexpr const char* kOrderBySnippetDesc = " order by snippet desc";

    SnippetManager();
    ~SnippetManager();
    SnippetManager(const SnippetManager&) = delete;
    SnippetManager& operator=(const SnippetManager&) = delete;

    // 1 toggles date-added order, 2 toggles abbreviation order; anything else
    // keeps the order. The cache is rebuilt in every case.
    int ChangeSortMethod(qint16 sortInt);
    // Clones of every snippet, or of those whose abbreviation or content is
    // LIKE %searchStr% (single quotes dropped; % and _ stay patterns).
    SnippetCollection GetSnippetCollection(const QString& searchStr = QString());
    int DelSnippet(const Snippet& aSnippet);
    // Inserts (id below 1) or updates the row; returns a clone with the row id.
    // An abbreviation holding a space or a line break could never be typed
    // as one word: it is refused (kErrorBadAbbreviation).
    SnippetPtr CommitSnippet(const Snippet& aSnippet);
    // Inserts a new snippet unless one with the same abbreviation is stored:
    // the check and the insert are one transaction, so two programs adding
    // the same abbreviation at once store it once (kErrorDuplicate for the other).
    SnippetPtr AddSnippet(const Snippet& aSnippet);
    // Opens the database, upgrading an older one first (see kFormat). A file
    // of a later version (kErrorNewerFormat) or a damaged one (kErrorDamaged)
    // is refused and left untouched.
    int OpenSetFile(const QString& strPath);
    // Cached snippets whose abbreviation begins with str, letter case significant
    // unless the snippet's case follows the typing.
    SnippetCollection GetMatchedCol(const QString& str) const;
    // The first cached snippet whose abbreviation equals str, or null.
    SnippetPtr GetMatchedSnippet(const QString& str) const;
    // The cached snippets indexed for expansion; rebuilt on first use after
    // the cache changed. Valid until the next call that may change the cache.
    const AbbreviationIndex& Index() const;
    int CloseLogFile();
    // Re-reads the table when another connection (the command line, another
    // program) has committed a change since the last look; true when it did.
    // Cheap when nothing changed: one pragma on the open connection. Unlike
    // the other re-reads it runs no pending events, so it is safe to call
    // from the middle of key handling.
    // Never waits for a lock: while another program holds one, the cache
    // stays as it is and the re-read is pending.
    bool RefreshIfChanged();
    // A cache rebuild found the database locked and is still to be done;
    // the next RefreshIfChanged does it.
    bool RefreshPending() const { return refreshPending; }
    // Compares the file now at the database's path with the one the
    // connection has open (device and inode), and opens and reads another
    // one in its place. Never waits for a lock and never creates a file.
    FileState FollowFile();
    // What is said when the database's file is gone.
    QString GoneMessage() const;
    // How often a statement has waited for another connection's lock.
    long long BusyWaits() const { return busyWaits; }

    // Appends every row of importFile's snippets table to the user's table,
    // each with a new id and GUID; nulls become a new snippet's defaults. All
    // or nothing: a file that is no snippet file, or any failure on the way,
    // leaves the user's table as it was. The cache is rebuilt in every case.
    int ImportSnippets(const QString& importFile);

    // What to do with an imported snippet whose abbreviation is stored already.
    enum class Duplicates { Keep, Skip, Replace };
    struct ImportOutcome
    {
        int added = 0;
        int replaced = 0;
        QStringList duplicates; // the abbreviations that were stored already
    };
    // Stores snippets read from another file in one transaction (all or
    // nothing). Keep adds a second snippet under the same abbreviation,
    // Skip leaves the stored one alone, Replace overwrites its fields but
    // keeps its row and GUID. A GUID already in the table is given a new
    // one: two rows never share an identity.
    ImportOutcome AddImported(const QList<Snippet>& snippets, Duplicates duplicates);
    ImportLimits Limits() const { return importLimits; }
    void SetImportLimits(const ImportLimits& limits) { importLimits = limits; }

    // Reads every snippet in the table's own order (not the listing order)
    // and hands them to showReport, which shows the printed list and returns
    // when the user is done with it.
    using ReportViewer = std::function<void(const SnippetCollection& rows)>;
    int PrintSnippets(const ReportViewer& showReport);

    // Rows of the last read that could not be listed (an id this program
    // cannot address), each described for a message; the rest were listed.
    QStringList SkippedRows() const { return skippedRows; }

    // What a sync through a folder reads and writes. Every write of a
    // snippet's own fields stamps it with the time (ms since the epoch, UTC)
    // and every deletion leaves a marker; usage counts are not edits. The
    // times both sides last agreed on a snippet are kept beside it, so two
    // edits made apart can be told from one that is simply newer.
    struct SyncState
    {
        SnippetCollection snippets;         // every row, in id order
        QHash<QString, qint64> modified;    // GUID -> modification time
        QHash<QString, qint64> deleted;     // GUID -> deletion time
        QHash<QString, qint64> agreed;      // GUID -> time last agreed on
    };
    SyncState ReadSyncState();
    struct SyncChanges
    {
        // By GUID: the row's fields (its usage count kept) and time are
        // replaced, or a row is added.
        QList<QPair<Snippet, qint64>> store;
        QHash<QString, qint64> remove; // rows deleted, markers left with that time
        QStringList revive;            // markers dropped (an edit came after the deletion)
        QHash<QString, qint64> agreed;
        bool Empty() const { return store.isEmpty() && remove.isEmpty() && revive.isEmpty() && agreed.isEmpty(); }
    };
    // All in one transaction; the cache is rebuilt afterwards.
    void ApplySync(const SyncChanges& changes);
    // Called whenever the cache is filled again (a write, another
    // program's write, a merge), on the thread that owns the manager.
    void SetCacheListener(std::function<void()> listener) { cacheListener = std::move(listener); }
    static qint64 NowMs();
    // Tests set the clock that stamps modifications.
    void SetClock(qint64 (*now)()) { clock = now; }

    QString CurrentOrderClause() const { return orderClause; }
    QString DatabasePath() const { return dbPath; }
    bool IsOpen() const { return dbConnection != nullptr; }

private:
    enum class OnLocked { Wait, KeepCache };
    // Rebuilds the cache; with KeepCache a locked database leaves the old
    // cache in use and the rebuild pending, any other failure throws.
    void ReloadSnippets(OnLocked onLocked = OnLocked::KeepCache);
    void SetCache(SnippetCollection rows);
    std::unique_ptr<SQLite::Database> OpenConnection(const QString& path);
    // Before a write: the write goes to the file at the path or fails.
    void FollowFileForWrite();
    bool ReadFromReplacedFile(const Snippet& snippet) const;
    static int OnBusy(void* self, int attempts);
    SnippetCollection QuerySnippets(const QString& searchStr);
    void FillSnippets(SQLite::Statement& rows, SnippetCollection& into);
    void AppendRows(const QString& importFile);
    int InsertRow(SQLite::Database& db, const Snippet& aSnippet);
    void CheckAbbreviation(const QString& abbreviation) const;
    SQLite::Database& Connection();
    [[noreturn]] void Fail(const std::exception& e, const QString& doing) const;

    std::unique_ptr<SQLite::Database> dbConnection;
    // Empty (no value) while a rebuild is under way: matching and listing then
    // behave as on an empty store.
    std::optional<SnippetCollection> snippetCache;
    quint64 cacheGeneration = 0; // moves whenever snippetCache is set
    mutable std::unique_ptr<AbbreviationIndex> index;
    mutable quint64 indexGeneration = 0;
    // The columns the open database has; a file that could not be upgraded
    // (read-only, locked) reads as if its rows held the new fields' defaults.
    StoredColumns columns;
    // Why the open file is still in an older format; writes are refused with it.
    QString upgradeProblem;
    // Brings an older file to kFormat in one transaction, after a copy of it
    // (UpgradeCopyPath); the columns it has afterwards. Throws for a file
    // that is damaged; a file that cannot be changed now is left as it is.
    StoredColumns Upgrade(SQLite::Database& db);
    void KeepUpgradeCopy(int oldFormat);
    // Refuses (throws) a file written by a later version.
    void CheckFormat(SQLite::Database& db, const QString& path) const;
    QString orderClause;
    QString dbPath;
    QStringList skippedRows;
    ImportLimits importLimits;
    // SQLite's data version of our connection when the cache was last filled.
    long long knownDataVersion = 0;
    bool refreshPending = false;
    long long busyWaits = 0;
    // Id and GUID of the rows read from files that were replaced since the
    // database was opened.
    QHash<int, QString> replacedRows;
    // Device and inode of the file the connection has open.
    struct FileId
    {
        unsigned long long device = 0;
        unsigned long long inode = 0;
        bool operator==(const FileId&) const = default;
    };
    static std::optional<FileId> IdOf(const QString& path);
    std::optional<FileId> openFileId;
    std::function<void()> cacheListener;
    qint64 (*clock)() = &SnippetManager::NowMs;
};
