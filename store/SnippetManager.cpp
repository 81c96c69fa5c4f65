#include "store/SnippetManager.h"

#include "core/QuilloError.h"
#include "store/NewGuidString.h"
#include "store/SearchFolding.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QHash>
#include <SQLiteCpp/Backup.h>
#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Exception.h>
#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <algorithm>
#include <sqlite3.h>
#include <limits>
#include <string>
#include <sys/stat.h>
#ifdef Q_OS_WIN
#include "platform/win/WinFileCalls.h"
#endif

namespace {

// Columns by name rather than "*", so a file with extra columns still reads.
// A database not yet given the newer columns (one another program made, or
// one that could not be changed: read-only, locked) reads as if every row
// held their defaults.
std::string SelectRows(const SnippetManager::StoredColumns& columns)
{
    return std::string(R"(select id, snippet, content, description, usecount, "group", enable, guid, )") +
           (columns.modes ? "triggermode, onlyin" : "0, ''") + ", " + (columns.caseFollows ? "casefollows" : "0") +
           " from snippets";
}
enum Column { ColId, ColSnippet, ColContent, ColDescription, ColUseCount, ColGroup, ColEnable, ColGuid,
              ColTriggerMode, ColOnlyIn, ColCaseFollows };

// The application list is held as one text, one pattern a line: patterns
// may hold commas (a window title), never a line break.
const QChar kOnlyInSeparator = QLatin1Char('\n');

std::string OnlyInText(const QStringList& patterns)
{
    return patterns.join(kOnlyInSeparator).toStdString();
}

QStringList OnlyInList(const QString& text)
{
    QStringList patterns;
    for (const QString& line : text.split(kOnlyInSeparator, Qt::SkipEmptyParts))
        if (!line.trimmed().isEmpty())
            patterns << line.trimmed();
    return patterns;
}

SnippetManager::StoredColumns ColumnsOf(SQLite::Database& db)
{
    SnippetManager::StoredColumns found;
    int modeColumns = 0;
    SQLite::Statement info(db, "select lower(name) from pragma_table_info('snippets')");
    while (info.executeStep()) {
        const std::string name = info.getColumn(0).getString();
        if (name == "triggermode" || name == "onlyin")
            ++modeColumns;
        else if (name == "casefollows")
            found.caseFollows = true;
        else if (name == "modified")
            found.modified = true;
    }
    found.modes = modeColumns == 2;
    if (found.modified) {
        SQLite::Statement tables(db, "select count(*) from sqlite_master where type='table' and "
                                     "name in ('deleted', 'syncbase')");
        found.modified = tables.executeStep() && tables.getColumn(0).getInt() == 2;
    }
    return found;
}

int FormatOf(SQLite::Database& db)
{
    return db.execAndGet("pragma user_version").getInt();
}

bool IsDamage(int errorCode)
{
    const int primary = errorCode & 0xff;
    return primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT;
}

QuilloError DamagedError(const QString& path, const QString& detail)
{
    return QuilloError(SnippetManager::kErrorDamaged, SnippetManager::kErrorSource,
                       QStringLiteral("The snippet database \"%1\" is damaged or is not a snippet database (%2). "
                                      "Quillo left it as it is; put back a copy (such as a .bak file beside it) "
                                      "or move it away to start with an empty one.")
                           .arg(path, detail));
}

QString ReadText(const SQLite::Column& column)
{
    const char* text = column.getText();
    const int bytes = column.getBytes();
    return QString::fromUtf8(text, bytes);
}

// A NULL in a row written by another program becomes the field's default, so
// one odd row cannot hide the user's whole list.
QString TextOr(const SQLite::Column& column, const QString& fallback)
{
    return column.isNull() ? fallback : ReadText(column);
}

bool ReadBool(const SQLite::Column& column, bool fallback)
{
    if (column.isNull())
        return fallback;
    // Another program may store the flag as text or as a blob of text.
    if (column.isText() || column.isBlob()) {
        const QString word = ReadText(column).trimmed();
        if (word.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 ||
            word.compare(QLatin1String("yes"), Qt::CaseInsensitive) == 0)
            return true;
        if (word.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0 ||
            word.compare(QLatin1String("no"), Qt::CaseInsensitive) == 0)
            return false;
        bool ok = false;
        const double number = word.toDouble(&ok);
        return ok ? number != 0 : fallback;
    }
    return column.getInt64() != 0;
}

int ClampedInt(const SQLite::Column& column, int fallback)
{
    if (column.isNull())
        return fallback;
    const long long value = column.getInt64();
    if (value > std::numeric_limits<int>::max())
        return std::numeric_limits<int>::max();
    if (value < std::numeric_limits<int>::min())
        return std::numeric_limits<int>::min();
    return static_cast<int>(value);
}

void BindFields(SQLite::Statement& statement, const Snippet& snippet)
{
    statement.bind(1, snippet.contentString.toStdString());
    statement.bind(2, snippet.desString.toStdString());
    statement.bind(3, snippet.enableSnippet ? 1 : 0);
    statement.bind(4, snippet.groupName.toStdString());
    statement.bind(5, snippet.snippetString.toStdString());
    statement.bind(6, snippet.useCount);
    statement.bind(7, static_cast<int>(snippet.triggerMode));
    statement.bind(8, OnlyInText(snippet.onlyIn));
    statement.bind(9, snippet.caseFollows ? 1 : 0);
}

// The row of a snippet read from a file that has since been replaced (a
// sync, a restore): the same id may name another snippet in the new file,
// which must not be overwritten or deleted, so the GUID must agree too.
const char* const kSameRowAfterReplace = "id=? and (guid=? or guid is null)";

// The columns a snippet file must have; its id and guid are never read.
// A file of an older format has no trigger mode or application list: its
// snippets get the defaults.
const char* const kImportColumns[] = {"snippet", "content", "description", "usecount", "group", "enable"};
std::string SelectImportRows(bool hasMode, bool hasOnlyIn, bool hasCaseFollows)
{
    return std::string(R"(select snippet, content, description, usecount, "group", enable, )") +
           (hasMode ? "triggermode" : "0") + ", " + (hasOnlyIn ? "onlyin" : "''") + ", " +
           (hasCaseFollows ? "casefollows" : "0") + " from snippets";
}
enum ImportColumn { InSnippet, InContent, InDescription, InUseCount, InGroup, InEnable, InTriggerMode, InOnlyIn,
                    InCaseFollows };

const std::string kInsertRow =
    R"(insert into snippets (content, description, enable, "group", snippet, usecount, triggermode, onlyin, )"
    "casefollows, guid, id, modified) values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)";
enum InsertParameter {
    PContent = 1, PDescription, PEnable, PGroup, PSnippet, PUseCount, PTriggerMode, POnlyIn, PCaseFollows, PGuid,
    PId, PModified
};

// An update of the fields BindFields binds (?1 to ?9) that stamps the row
// with ?12 only when one of its own fields changes: a new usage count alone
// is no edit. ?10 is the id, ?11 the GUID where the row must be matched by both.
std::string UpdateRow(bool matchGuid)
{
    return std::string(R"(update snippets set modified = case when content is ?1 and description is ?2 and )"
                       R"(enable is ?3 and "group" is ?4 and snippet is ?5 and triggermode is ?7 and )"
                       R"(onlyin is ?8 and casefollows is ?9 then modified else ?12 end, content=?1, )"
                       R"(description=?2, enable=?3, "group"=?4, snippet=?5, usecount=?6, triggermode=?7, )"
                       R"(onlyin=?8, casefollows=?9 where id=?10)") +
           (matchGuid ? " and (guid=?11 or guid is null)" : "");
}
constexpr int kUpdateId = 10, kUpdateGuid = 11, kUpdateModified = 12;

QuilloError ImportError(int number, const QString& file, const QString& reason)
{
    return QuilloError(number, SnippetManager::kErrorSource,
                       QStringLiteral("Cannot import the snippet file \"%1\": %2").arg(file, reason));
}

// A FIFO would block the open for ever and a folder is no file: both are
// refused before SQLite is asked to open anything.
void CheckImportSource(const QString& path)
{
    const QFileInfo source(path);
    if (!source.exists())
        throw ImportError(SnippetManager::kErrorNotSnippetFile, path, QStringLiteral("it does not exist."));
    if (source.isDir())
        throw ImportError(SnippetManager::kErrorNotSnippetFile, path,
                          QStringLiteral("it is a folder, not a snippet file."));
    if (!source.isFile())
        throw ImportError(SnippetManager::kErrorNotSnippetFile, path,
                          QStringLiteral("it is not a regular file (a FIFO, a device or a socket)."));
}

// The text of a column as the bytes SQLite holds, so text in another
// encoding comes over unchanged instead of being "repaired".
std::string RawText(const SQLite::Column& column)
{
    return std::string(column.getText(), static_cast<size_t>(column.getBytes()));
}

// Counts the work SQLite does reading a snippet file; past the budget the
// read is interrupted (an endless view never runs out of rows or work).
struct StepBudget
{
    long long stepsLeft = 0;
    bool exceeded = false;

    static int Check(void* self)
    {
        auto* budget = static_cast<StepBudget*>(self);
        budget->stepsLeft -= SnippetManager::kImportStepsPerCheck;
        budget->exceeded = budget->stepsLeft < 0;
        return budget->exceeded ? 1 : 0;
    }
};

// The lowest id above `after` that no row has, or 0 when every id up to
// kMaxId is taken. `after` is 0 or an id in use.
long long FreeIdAfter(SQLite::Database& db, long long after)
{
    if (after < 1) {
        SQLite::Statement first(db, "select 1 from snippets where id=1");
        if (!first.executeStep())
            return 1;
        after = 1;
    }
    SQLite::Statement gap(db, "select min(a.id) + 1 from snippets a where a.id >= ? and a.id < ? and "
                              "not exists (select 1 from snippets b where b.id = a.id + 1)");
    gap.bind(1, static_cast<int64_t>(after));
    gap.bind(2, static_cast<int64_t>(SnippetManager::kMaxId));
    if (!gap.executeStep() || gap.getColumn(0).isNull())
        return 0;
    return gap.getColumn(0).getInt64();
}

// Chooses the ids of new rows. Normally SQLite numbers them; once the table
// (filled by another program) has reached kMaxId, new rows take the free ids
// below it instead of ids this program could never read back.
class IdAllocator
{
public:
    explicit IdAllocator(SQLite::Database& db) : db(db)
    {
        long long highest = db.execAndGet("select coalesce(max(id), 0) from snippets").getInt64();
        try {
            SQLite::Statement sequence(db, "select seq from sqlite_sequence where name='snippets'");
            if (sequence.executeStep())
                highest = std::max<long long>(highest, sequence.getColumn(0).getInt64());
        } catch (const SQLite::Exception&) {
            // No AUTOINCREMENT table in the file: only the rows count.
        }
        useFreeIds = highest >= SnippetManager::kMaxId;
    }

    // 0 lets SQLite choose; otherwise the id to give the next row.
    long long Next(const QString& path)
    {
        if (!useFreeIds)
            return 0;
        last = FreeIdAfter(db, last);
        if (last == 0)
            throw QuilloError(SnippetManager::kErrorNoFreeId, SnippetManager::kErrorSource,
                              QStringLiteral("Cannot add to the snippet database \"%1\": every row id up to %2 "
                                             "is taken.")
                                  .arg(path)
                                  .arg(SnippetManager::kMaxId));
        return last;
    }

private:
    SQLite::Database& db;
    bool useFreeIds = false;
    long long last = 0;
};

// Binds the id of a new row and, after the insert, makes sure the row got
// one this program can address; the caller's transaction then rolls back a
// row that did not.
void BindId(SQLite::Statement& insert, long long id)
{
    if (id > 0)
        insert.bind(PId, static_cast<int64_t>(id));
    else
        insert.bind(PId); // null: SQLite numbers the row
}

int CheckedNewId(SQLite::Database& db, const QString& path)
{
    const long long id = db.getLastInsertRowid();
    if (id < 1 || id > SnippetManager::kMaxId)
        throw QuilloError(SnippetManager::kErrorNoFreeId, SnippetManager::kErrorSource,
                          QStringLiteral("Cannot add to the snippet database \"%1\": the new row got the id %2, "
                                         "beyond %3.")
                              .arg(path)
                              .arg(id)
                              .arg(SnippetManager::kMaxId));
    return static_cast<int>(id);
}

// New rows bring random GUIDs, whose index entries land all over the index;
// while an import runs, a page cache large enough for the whole index keeps
// SQLite from writing out and re-reading the same pages. Afterwards the
// connection gets its usual cache back.
class ImportCache
{
public:
    static constexpr int kImportCacheKiB = 65536;

    explicit ImportCache(SQLite::Database& db) : db(db), usual(db.execAndGet("PRAGMA cache_size").getInt())
    {
        db.exec("PRAGMA cache_size=-" + std::to_string(kImportCacheKiB));
    }
    ~ImportCache()
    {
        try {
            db.exec("PRAGMA cache_size=" + std::to_string(usual));
        } catch (const SQLite::Exception&) {
            // Only the cache's size is at stake; never throw from here.
        }
    }
    ImportCache(const ImportCache&) = delete;
    ImportCache& operator=(const ImportCache&) = delete;

private:
    SQLite::Database& db;
    int usual;
};

// Lets window and timer events run, as every rebuild of the cache does.
void YieldToEventLoop()
{
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
}

bool IsLocked(const SQLite::Exception& e)
{
    const int code = e.getErrorCode() & 0xff;
    return code == SQLITE_BUSY || code == SQLITE_LOCKED;
}

// Takes the busy handler off a connection while it lives: what runs
// meanwhile fails at once with SQLITE_BUSY instead of waiting for the lock.
class NoWait
{
public:
    NoWait(SQLite::Database& db, int (*handler)(void*, int), void* context)
        : handle(db.getHandle()), handler(handler), context(context)
    {
        sqlite3_busy_handler(handle, nullptr, nullptr);
    }
    ~NoWait() { sqlite3_busy_handler(handle, handler, context); }
    NoWait(const NoWait&) = delete;
    NoWait& operator=(const NoWait&) = delete;

private:
    sqlite3* handle;
    int (*handler)(void*, int);
    void* context;
};

} // namespace

SnippetManager::SnippetManager() : snippetCache(SnippetCollection()), orderClause(kOrderById) {}

SnippetManager::~SnippetManager() = default;

int SnippetManager::ChangeSortMethod(qint16 sortInt)
{
    if (sortInt == 1)
        orderClause = orderClause == QLatin1String(kOrderById) ? kOrderByIdDesc : kOrderById;
    else if (sortInt == 2)
        orderClause = orderClause == QLatin1String(kOrderBySnippetDesc) ? kOrderBySnippet
                                                                        : kOrderBySnippetDesc;
    ReloadSnippets();
    return 0;
}

SnippetCollection SnippetManager::GetSnippetCollection(const QString& searchStr)
{
    SnippetCollection result;
    if (searchStr.trimmed().isEmpty()) {
        if (snippetCache) {
            result.reserve(snippetCache->size());
            for (const SnippetPtr& cached : *snippetCache)
                result.append(cached->Clone());
        }
        return result;
    }
    // The query builds fresh objects nobody else holds: they need no cloning.
    return QuerySnippets(searchStr);
}

int SnippetManager::DelSnippet(const Snippet& aSnippet)
{
    if (aSnippet.snippetID <= 0)
        return 0;
    FollowFileForWrite();
    const bool fromOldFile = ReadFromReplacedFile(aSnippet);
    try {
        const std::string where =
            fromOldFile ? " where id=?1 and (guid=?2 or guid is null)" : " where id=?1";
        // The marker lets the deletion travel to other installations.
        SQLite::Transaction transaction(Connection(), SQLite::TransactionBehavior::IMMEDIATE);
        SQLite::Statement mark(Connection(), "insert or replace into deleted (guid, at) select guid, ?3 from snippets" +
                                                 where + " and guid is not null and guid != ''");
        SQLite::Statement remove(Connection(), "delete from snippets" + where);
        for (SQLite::Statement* statement : {&mark, &remove}) {
            statement->bind(1, aSnippet.snippetID);
            if (fromOldFile)
                statement->bind(2, aSnippet.guidString.toStdString());
        }
        mark.bind(3, static_cast<int64_t>(clock()));
        mark.exec();
        remove.exec();
        transaction.commit();
    } catch (const SQLite::Exception& e) {
        Fail(e, QStringLiteral("Cannot delete the snippet \"%1\" from").arg(aSnippet.snippetString));
    }
    ReloadSnippets();
    return 0;
}

SnippetPtr SnippetManager::CommitSnippet(const Snippet& aSnippet)
{
    CheckAbbreviation(aSnippet.snippetString);
    SnippetPtr result = aSnippet.Clone();
    FollowFileForWrite();
    const bool fromOldFile = ReadFromReplacedFile(aSnippet);
    try {
        SQLite::Database& db = Connection();
        if (aSnippet.snippetID < 1) {
            // One transaction: an insert reported as failed leaves no row behind.
            SQLite::Transaction transaction(db, SQLite::TransactionBehavior::IMMEDIATE);
            result->snippetID = InsertRow(db, aSnippet);
            transaction.commit();
        } else {
            // The guid is the row's identity and is never rewritten.
            SQLite::Statement update(db, UpdateRow(fromOldFile));
            BindFields(update, aSnippet);
            update.bind(kUpdateId, aSnippet.snippetID);
            if (fromOldFile)
                update.bind(kUpdateGuid, aSnippet.guidString.toStdString());
            update.bind(kUpdateModified, static_cast<int64_t>(clock()));
            if (update.exec() == 0)
                throw QuilloError(kErrorRowGone, kErrorSource,
                                  QStringLiteral("Cannot save the snippet \"%1\": it is no longer in \"%2\".")
                                      .arg(aSnippet.snippetString, dbPath));
        }
    } catch (const SQLite::Exception& e) {
        Fail(e, QStringLiteral("Cannot save the snippet \"%1\" to").arg(aSnippet.snippetString));
    }
    ReloadSnippets();
    return result;
}

SnippetPtr SnippetManager::AddSnippet(const Snippet& aSnippet)
{
    CheckAbbreviation(aSnippet.snippetString);
    SnippetPtr result = aSnippet.Clone();
    FollowFileForWrite();
    try {
        SQLite::Database& db = Connection();
        // Immediate: the write lock is taken before the check, so no other
        // program can add the same abbreviation between the check and the insert.
        SQLite::Transaction transaction(db, SQLite::TransactionBehavior::IMMEDIATE);
        SQLite::Statement existing(db, "select 1 from snippets where snippet=?");
        existing.bind(1, aSnippet.snippetString.toStdString());
        if (existing.executeStep())
            throw QuilloError(kErrorDuplicate, kErrorSource,
                              QStringLiteral("A snippet with the abbreviation \"%1\" already exists in \"%2\".")
                                  .arg(aSnippet.snippetString, dbPath));
        existing.reset();
        result->snippetID = InsertRow(db, aSnippet);
        transaction.commit();
    } catch (const SQLite::Exception& e) {
        Fail(e, QStringLiteral("Cannot add the snippet \"%1\" to").arg(aSnippet.snippetString));
    }
    ReloadSnippets();
    return result;
}

int SnippetManager::InsertRow(SQLite::Database& db, const Snippet& aSnippet)
{
    IdAllocator ids(db);
    SQLite::Statement insert(db, kInsertRow);
    BindFields(insert, aSnippet);
    insert.bind(PGuid, aSnippet.guidString.toStdString());
    insert.bind(PModified, static_cast<int64_t>(clock()));
    BindId(insert, ids.Next(dbPath));
    insert.exec();
    return CheckedNewId(db, dbPath);
}

void SnippetManager::CheckAbbreviation(const QString& abbreviation) const
{
    for (const QChar c : abbreviation)
        if (c.isSpace() || c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            throw QuilloError(kErrorBadAbbreviation, kErrorSource,
                              QStringLiteral("The abbreviation \"%1\" holds a space or a line break; an "
                                             "abbreviation is typed as one word.")
                                  .arg(abbreviation));
}

int SnippetManager::OpenSetFile(const QString& strPath)
{
    CloseLogFile();
    dbPath = strPath;
    refreshPending = false;
    replacedRows.clear();
    upgradeProblem.clear();
    try {
        dbConnection = OpenConnection(strPath);
    } catch (const SQLite::Exception& e) {
        Fail(e, QStringLiteral("Cannot open"));
    }
    try {
        CheckFormat(*dbConnection, strPath);
        columns = Upgrade(*dbConnection);
    } catch (...) {
        dbConnection.reset();
        SetCache(SnippetCollection());
        throw;
    }
    openFileId = IdOf(strPath);
    try {
        // Start-up and the command line wait for a lock and say when it stays.
        ReloadSnippets(OnLocked::Wait);
    } catch (...) {
        // Leave the manager as on a failed start: no connection, empty cache.
        dbConnection.reset();
        openFileId.reset();
        SetCache(SnippetCollection());
        throw;
    }
    return 0;
}

QString SnippetManager::UpgradeCopyPath(const QString& databasePath, int oldFormat, int attempt)
{
    return attempt <= 1 ? QStringLiteral("%1.v%2.bak").arg(databasePath).arg(oldFormat)
                        : QStringLiteral("%1.v%2-%3.bak").arg(databasePath).arg(oldFormat).arg(attempt);
}

void SnippetManager::CheckFormat(SQLite::Database& db, const QString& path) const
{
    int format = 0;
    try {
        format = FormatOf(db);
    } catch (const SQLite::Exception& e) {
        if (IsDamage(e.getErrorCode()))
            throw DamagedError(path, QString::fromUtf8(e.what()));
        Fail(e, QStringLiteral("Cannot open"));
    }
    if (format > kFormat)
        throw QuilloError(kErrorNewerFormat, kErrorSource,
                          QStringLiteral("The snippet database \"%1\" was written by a later version of Quillo "
                                         "(format %2; this version knows formats up to %3). It was left as it is: "
                                         "use that version, or a newer one of this program.")
                              .arg(path)
                              .arg(format)
                              .arg(kFormat));
}

SnippetManager::StoredColumns SnippetManager::Upgrade(SQLite::Database& db)
{
    upgradeProblem.clear();
    try {
        StoredColumns found = ColumnsOf(db);
        if (found.Complete() && FormatOf(db) >= kFormat)
            return found;
        if (sqlite3_db_readonly(db.getHandle(), "main") == 1) {
            upgradeProblem = QStringLiteral("the file is read-only");
            return found;
        }
        // The write lock first: no other program changes the file between
        // the copy and the upgrade, and the upgrade is all or nothing.
        SQLite::Transaction transaction(db, SQLite::TransactionBehavior::IMMEDIATE);
        found = ColumnsOf(db); // another program may just have done it
        const int oldFormat = FormatOf(db);
        if (found.Complete() && oldFormat >= kFormat)
            return found;
        const std::string check = db.execAndGet("pragma quick_check").getString();
        if (check != "ok")
            throw DamagedError(dbPath, QString::fromStdString(check));
        KeepUpgradeCopy(oldFormat);
        if (!found.modes) {
            bool hasMode = false, hasOnlyIn = false;
            SQLite::Statement info(db, "select lower(name) from pragma_table_info('snippets')");
            while (info.executeStep()) {
                hasMode = hasMode || info.getColumn(0).getString() == "triggermode";
                hasOnlyIn = hasOnlyIn || info.getColumn(0).getString() == "onlyin";
            }
            info.reset();
            if (!hasMode)
                db.exec("alter table snippets add column triggermode integer not null default 0");
            if (!hasOnlyIn)
                db.exec("alter table snippets add column onlyin text not null default ''");
        }
        // Every row keeps its values and gets the defaults, which are also
        // what an older program's inserts leave there.
        if (!found.caseFollows)
            db.exec("alter table snippets add column casefollows integer not null default 0");
        if (!found.modified) {
            // Rows of an older file count as changed now: what they hold is
            // then newer than anything another installation never saw.
            const bool hasColumn =
                db.execAndGet("select count(*) from pragma_table_info('snippets') where lower(name)='modified'")
                    .getInt() > 0;
            if (!hasColumn)
                db.exec("alter table snippets add column modified integer not null default 0");
            SQLite::Statement stamp(db, "update snippets set modified=? where modified=0");
            stamp.bind(1, static_cast<int64_t>(clock()));
            stamp.exec();
            db.exec("create table if not exists deleted (guid text primary key, at integer not null)");
            db.exec("create table if not exists syncbase (guid text primary key, at integer not null)");
        }
        if (oldFormat < kFormat)
            db.exec("pragma user_version = " + std::to_string(kFormat));
        transaction.commit();
        return ColumnsOf(db);
    } catch (const SQLite::Exception& e) {
        if (IsDamage(e.getErrorCode()))
            throw DamagedError(dbPath, QString::fromUtf8(e.what()));
        // Locked or read-only: read as it is, and try again before a write.
        upgradeProblem = QString::fromUtf8(e.what());
    } catch (const QuilloError& e) {
        if (e.Number() == kErrorDamaged)
            throw;
        upgradeProblem = e.Message();
    }
    try {
        return ColumnsOf(db);
    } catch (const SQLite::Exception& e) {
        Fail(e, QStringLiteral("Cannot open"));
    }
}

void SnippetManager::KeepUpgradeCopy(int oldFormat)
{
    // Read through a connection of its own: ours holds the write lock, which
    // lets readers in, and has changed nothing yet.
    SQLite::Database source(dbPath.toStdString(), SQLite::OPEN_READONLY, kBusyTimeoutMs);
    constexpr int kMostCopies = 1000;
    for (int attempt = 1; attempt <= kMostCopies; ++attempt) {
        const QString copyPath = UpgradeCopyPath(dbPath, oldFormat, attempt);
        if (QFileInfo::exists(copyPath) || QFileInfo(copyPath).isSymLink())
            continue;
        try {
            SQLite::Database copy(copyPath.toStdString(), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
            SQLite::Backup backup(copy, source);
            if (backup.executeStep() != SQLITE_DONE)
                throw QuilloError(SQLITE_BUSY, kErrorSource,
                                  QStringLiteral("the copy \"%1\" could not be made whole").arg(copyPath));
            copy.exec("PRAGMA journal_mode=DELETE");
        } catch (...) {
            QFile::remove(copyPath);
            throw;
        }
        return;
    }
    throw QuilloError(kErrorNotUpgraded, kErrorSource,
                      QStringLiteral("%1 copies of older versions are already beside it").arg(kMostCopies));
}

std::unique_ptr<SQLite::Database> SnippetManager::OpenConnection(const QString& path)
{
    // Never OPEN_CREATE: the database is installed with the program, and a
    // typo in a path or a deleted file must not silently start an empty list.
    auto db = std::make_unique<SQLite::Database>(path.toStdString(), SQLite::OPEN_READWRITE);
    sqlite3_busy_handler(db->getHandle(), &SnippetManager::OnBusy, this);
    return db;
}

int SnippetManager::OnBusy(void* self, int attempts)
{
    if (attempts * kBusyPollMs >= kBusyTimeoutMs)
        return 0;
    ++static_cast<SnippetManager*>(self)->busyWaits;
    sqlite3_sleep(kBusyPollMs);
    return 1;
}

std::optional<SnippetManager::FileId> SnippetManager::IdOf(const QString& path)
{
#ifdef Q_OS_WIN
    // No inode numbers in stat here: the volume and the file's index are.
    const std::optional<std::pair<unsigned long long, unsigned long long>> id = WinFileCalls::FileIdentity(path);
    if (!id)
        return std::nullopt;
    return FileId{id->first, id->second};
#else
    struct stat info{};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    return FileId{static_cast<unsigned long long>(info.st_dev), static_cast<unsigned long long>(info.st_ino)};
#endif
}

SnippetManager::FileState SnippetManager::FollowFile()
{
    if (dbPath.isEmpty() || !dbConnection)
        return FileState::Same;
    const std::optional<FileId> now = IdOf(dbPath);
    if (!now)
        return FileState::Gone;
    if (openFileId == now)
        return FileState::Same;
    // Another file (or a copy put back): it is read before the old one is
    // let go, so a file that cannot be read yet leaves expansion as it was.
    std::unique_ptr<SQLite::Database> replacement;
    StoredColumns replacementColumns;
    SnippetCollection fresh;
    long long version = 0;
    try {
        replacement = OpenConnection(dbPath);
        const NoWait noWait(*replacement, &SnippetManager::OnBusy, this);
        version = replacement->execAndGet("pragma data_version").getInt64();
        CheckFormat(*replacement, dbPath);
        replacementColumns = ColumnsOf(*replacement);
        SQLite::Statement rows(*replacement, SelectRows(replacementColumns) + orderClause.toStdString());
        FillSnippets(rows, fresh);
    } catch (const SQLite::Exception& e) {
        if (IsLocked(e)) {
            refreshPending = true;
            return FileState::Locked;
        }
        Fail(e, QStringLiteral("Cannot open"));
    }
    // Snippets read from the old file may still be edited somewhere.
    if (snippetCache)
        for (const SnippetPtr& row : *snippetCache)
            replacedRows.insert(row->snippetID, row->guidString);
    dbConnection = std::move(replacement);
    columns = replacementColumns;
    openFileId = now;
    SetCache(std::move(fresh));
    knownDataVersion = version;
    refreshPending = false;
    return FileState::Reopened;
}

void SnippetManager::FollowFileForWrite()
{
    const FileState state = FollowFile();
    // The file is upgraded when it can take it (it may have been locked or
    // replaced since it was opened); writes need the new columns.
    if (dbConnection && !columns.Complete() && state != FileState::Gone && state != FileState::Locked) {
        columns = Upgrade(*dbConnection);
        if (!columns.Complete())
            throw QuilloError(kErrorNotUpgraded, kErrorSource,
                              QStringLiteral("Cannot save to the snippet database \"%1\": it is in an older "
                                             "format and could not be upgraded (%2). Nothing was saved.")
                                  .arg(dbPath, upgradeProblem));
    }
    switch (state) {
    case FileState::Gone:
        throw QuilloError(kErrorDatabaseGone, kErrorSource, GoneMessage());
    case FileState::Locked:
        throw QuilloError(SQLITE_BUSY, kErrorSource,
                          QStringLiteral("The snippet database \"%1\" has been replaced by another file, which "
                                         "another program holds locked; nothing was saved. Try again in a moment.")
                              .arg(dbPath));
    case FileState::Reopened:
    case FileState::Same:
        break;
    }
}

bool SnippetManager::ReadFromReplacedFile(const Snippet& snippet) const
{
    const auto row = replacedRows.constFind(snippet.snippetID);
    return row != replacedRows.constEnd() && *row == snippet.guidString;
}

QString SnippetManager::GoneMessage() const
{
    return QStringLiteral("The snippet database \"%1\" is gone (deleted, or moved away by another program). "
                          "Quillo goes on expanding the snippets it had read and saves nothing until the file "
                          "is back; it is read again as soon as it is.")
        .arg(dbPath);
}

SnippetCollection SnippetManager::GetMatchedCol(const QString& str) const
{
    SnippetCollection result;
    if (!snippetCache)
        return result;
    for (const SnippetPtr& cached : *snippetCache)
        if (cached->snippetString.startsWith(str, cached->caseFollows ? Qt::CaseInsensitive : Qt::CaseSensitive))
            result.append(cached);
    return result;
}

SnippetPtr SnippetManager::GetMatchedSnippet(const QString& str) const
{
    if (!snippetCache)
        return nullptr;
    for (const SnippetPtr& cached : *snippetCache)
        if (cached->snippetString == str)
            return cached;
    return nullptr;
}

const AbbreviationIndex& SnippetManager::Index() const
{
    if (indexGeneration != cacheGeneration || !index) {
        index = std::make_unique<AbbreviationIndex>(snippetCache ? *snippetCache : SnippetCollection());
        indexGeneration = cacheGeneration;
    }
    return *index;
}

void SnippetManager::SetCache(SnippetCollection rows)
{
    snippetCache = std::move(rows);
    ++cacheGeneration;
    if (cacheListener)
        cacheListener();
}

int SnippetManager::CloseLogFile()
{
    dbConnection.reset();
    openFileId.reset();
    return 0;
}

bool SnippetManager::RefreshIfChanged()
{
    if (!dbConnection || !snippetCache)
        return false;
    try {
        const NoWait noWait(*dbConnection, &SnippetManager::OnBusy, this);
        // The version moves only for commits of other connections: our own
        // changes re-read the table already.
        const long long version = dbConnection->execAndGet("pragma data_version").getInt64();
        if (version == knownDataVersion && !refreshPending)
            return false;
        SnippetCollection fresh;
        if (!columns.Complete())
            columns = ColumnsOf(*dbConnection);
        SQLite::Statement rows(*dbConnection, SelectRows(columns) + orderClause.toStdString());
        FillSnippets(rows, fresh);
        SetCache(std::move(fresh));
        knownDataVersion = version;
        refreshPending = false;
        return true;
    } catch (const SQLite::Exception& e) {
        if (IsLocked(e)) {
            refreshPending = true;
            return false;
        }
        Fail(e, QStringLiteral("Cannot read the snippets of"));
    }
}

SnippetManager::ImportOutcome SnippetManager::AddImported(const QList<Snippet>& snippets, Duplicates duplicates)
{
    for (const Snippet& snippet : snippets)
        CheckAbbreviation(snippet.snippetString);
    FollowFileForWrite();
    ImportOutcome outcome;
    try {
        SQLite::Database& db = Connection();
        SQLite::Transaction transaction(db, SQLite::TransactionBehavior::IMMEDIATE);
        // Looked up in memory: a query per snippet would scan the table each time.
        QHash<QString, long long> idByAbbreviation;
        QSet<QString> guids;
        {
            SQLite::Statement rows(db, "select id, snippet, guid from snippets order by id");
            while (rows.executeStep()) {
                // The oldest row of an abbreviation is the one that expands.
                const QString abbreviation = ReadText(rows.getColumn(1));
                if (!idByAbbreviation.contains(abbreviation))
                    idByAbbreviation.insert(abbreviation, rows.getColumn(0).getInt64());
                guids.insert(ReadText(rows.getColumn(2)));
            }
        }
        SQLite::Statement update(db, UpdateRow(false));
        const int64_t now = clock();
        // One statement and one id allocator for all rows: preparing them per
        // row cost more than the inserts.
        const ImportCache cache(db);
        IdAllocator ids(db);
        SQLite::Statement insert(db, kInsertRow);
        for (const Snippet& snippet : snippets) {
            const auto stored = idByAbbreviation.constFind(snippet.snippetString);
            if (stored != idByAbbreviation.constEnd()) {
                outcome.duplicates << snippet.snippetString;
                if (duplicates == Duplicates::Skip)
                    continue;
                if (duplicates == Duplicates::Replace) {
                    BindFields(update, snippet);
                    update.bind(kUpdateId, static_cast<int64_t>(*stored));
                    update.bind(kUpdateModified, now);
                    update.exec();
                    update.reset();
                    ++outcome.replaced;
                    continue;
                }
            }
            Snippet row = snippet;
            if (row.guidString.isEmpty() || guids.contains(row.guidString))
                row.guidString = NewGuidString();
            guids.insert(row.guidString);
            BindFields(insert, row);
            insert.bind(PGuid, row.guidString.toStdString());
            insert.bind(PModified, now);
            BindId(insert, ids.Next(dbPath));
            insert.exec();
            insert.reset();
            const int id = CheckedNewId(db, dbPath);
            if (stored == idByAbbreviation.constEnd())
                idByAbbreviation.insert(row.snippetString, id);
            ++outcome.added;
        }
        transaction.commit();
    } catch (const SQLite::Exception& e) {
        try {
            ReloadSnippets();
        } catch (...) {
        }
        Fail(e, QStringLiteral("Cannot import the snippets into"));
    }
    ReloadSnippets();
    return outcome;
}

int SnippetManager::ImportSnippets(const QString& importFile)
{
    FollowFileForWrite();
    Connection(); // nothing to import into: fail before touching the file
    CheckImportSource(importFile);
    try {
        AppendRows(importFile);
    } catch (...) {
        // The table is as it was; the cache must still match it.
        try {
            ReloadSnippets();
        } catch (...) {
        }
        throw;
    }
    ReloadSnippets();
    return 0;
}

int SnippetManager::PrintSnippets(const ReportViewer& showReport)
{
    SnippetCollection rows;
    try {
        // No order clause: the printed list keeps the table's own order.
        SQLite::Statement statement(Connection(), SelectRows(columns));
        FillSnippets(statement, rows);
    } catch (const SQLite::Exception& e) {
        Fail(e, QStringLiteral("Cannot read the snippets of"));
    }
    if (showReport)
        showReport(rows);
    return 0;
}

// Rows are read from the file one at a time and written in one transaction:
// a failure on any row, or a file that turns out to be no snippet file,
// leaves none of them behind, and a file of any size needs the memory of
// one row.
void SnippetManager::AppendRows(const QString& importFile)
{
    static const std::string kDefaultGroup = Snippet().groupName.toStdString();
    StepBudget budget;
    budget.stepsLeft = importLimits.steps;
    long long rowNumber = 0;
    try {
        SQLite::Database source(importFile.toStdString(), SQLite::OPEN_READONLY, kBusyTimeoutMs);
        sqlite3_limit(source.getHandle(), SQLITE_LIMIT_LENGTH, importLimits.valueBytes);
        sqlite3_progress_handler(source.getHandle(), kImportStepsPerCheck, &StepBudget::Check, &budget);
        // The first read of the schema is what finds a file that is no database.
        QSet<QString> columns;
        SQLite::Statement info(source, "select name from pragma_table_info('snippets')");
        while (info.executeStep())
            columns.insert(ReadText(info.getColumn(0)).toLower());
        if (columns.isEmpty())
            throw ImportError(kErrorNotSnippetFile, importFile, QStringLiteral("it holds no snippets table."));
        const bool hasMode = columns.contains(QStringLiteral("triggermode"));
        const bool hasOnlyIn = columns.contains(QStringLiteral("onlyin"));
        const bool hasCaseFollows = columns.contains(QStringLiteral("casefollows"));
        for (const char* column : kImportColumns)
            if (!columns.contains(QLatin1String(column)))
                throw ImportError(kErrorNotSnippetFile, importFile,
                                  QStringLiteral("its snippets table has no column \"%1\".")
                                      .arg(QLatin1String(column)));

        SQLite::Database& db = Connection();
        const ImportCache cache(db);
        SQLite::Transaction transaction(db, SQLite::TransactionBehavior::IMMEDIATE);
        IdAllocator ids(db);
        SQLite::Statement insert(db, kInsertRow);
        const int64_t now = clock();
        SQLite::Statement rows(source, SelectImportRows(hasMode, hasOnlyIn, hasCaseFollows));
        while (rows.executeStep()) {
            if (++rowNumber > importLimits.rows)
                throw ImportError(kErrorImportLimit, importFile,
                                  QStringLiteral("it holds more than %1 snippets, the most one file may bring.")
                                      .arg(importLimits.rows));
            // A null would break every later read of the user's table: it
            // becomes what a new snippet has in that field.
            const SQLite::Column abbreviation = rows.getColumn(InSnippet);
            const std::string abbreviationBytes = abbreviation.isNull() ? std::string() : RawText(abbreviation);
            try {
                CheckAbbreviation(QString::fromStdString(abbreviationBytes));
            } catch (const QuilloError& e) {
                throw ImportError(kErrorBadAbbreviation, importFile,
                                  QStringLiteral("row %1: %2").arg(rowNumber).arg(e.Message()));
            }
            const SQLite::Column content = rows.getColumn(InContent);
            const SQLite::Column description = rows.getColumn(InDescription);
            const SQLite::Column group = rows.getColumn(InGroup);
            insert.bind(PContent, content.isNull() ? std::string() : RawText(content));
            insert.bind(PDescription, description.isNull() ? std::string() : RawText(description));
            insert.bind(PEnable, ReadBool(rows.getColumn(InEnable), true) ? 1 : 0);
            insert.bind(PGroup, group.isNull() ? kDefaultGroup : RawText(group));
            insert.bind(PSnippet, abbreviationBytes);
            insert.bind(PUseCount, ClampedInt(rows.getColumn(InUseCount), 0));
            const SQLite::Column mode = rows.getColumn(InTriggerMode);
            // Read as the user's own rows are: a mode this version does not
            // know becomes the default, a list is cleaned of empty lines.
            insert.bind(PTriggerMode, static_cast<int>(Snippet::TriggerModeFromNumber(
                                          mode.isNull() || !(mode.isInteger() || mode.isFloat()) ? 0
                                                                                                 : mode.getInt64())));
            const SQLite::Column onlyIn = rows.getColumn(InOnlyIn);
            insert.bind(POnlyIn, onlyIn.isNull() ? std::string() : OnlyInText(OnlyInList(ReadText(onlyIn))));
            insert.bind(PCaseFollows, ReadBool(rows.getColumn(InCaseFollows), false) ? 1 : 0);
            insert.bind(PGuid, NewGuidString().toStdString());
            insert.bind(PModified, now);
            BindId(insert, ids.Next(dbPath));
            insert.exec();
            CheckedNewId(db, dbPath);
            insert.reset();
        }
        transaction.commit();
    } catch (const SQLite::Exception& e) {
        if (budget.exceeded)
            throw ImportError(kErrorImportLimit, importFile,
                              QStringLiteral("reading it took more than %1 steps of work, far more than any "
                                             "snippet file needs (an endless view?).")
                                  .arg(importLimits.steps));
        if (e.getErrorCode() == SQLITE_TOOBIG)
            throw ImportError(kErrorImportLimit, importFile,
                              QStringLiteral("a value in it is larger than %1 bytes, the most one snippet may hold.")
                                  .arg(importLimits.valueBytes));
        // Errors of the source file and of the user's database read alike
        // here; the message names both.
        throw ImportError(e.getErrorCode(), importFile,
                          QStringLiteral("%1 (snippet database \"%2\")").arg(QString::fromUtf8(e.what()), dbPath));
    }
}

void SnippetManager::ReloadSnippets(OnLocked onLocked)
{
    std::optional<SnippetCollection> previous = std::move(snippetCache);
    snippetCache.reset();
    ++cacheGeneration;
    YieldToEventLoop();
    // The yield may have run a shutdown that closed the database.
    if (!dbConnection) {
        SetCache(SnippetCollection());
        return;
    }
    SnippetCollection fresh;
    long long version = 0;
    try {
        std::optional<NoWait> noWait;
        if (onLocked == OnLocked::KeepCache)
            noWait.emplace(*dbConnection, &SnippetManager::OnBusy, this);
        version = dbConnection->execAndGet("pragma data_version").getInt64();
        if (!columns.Complete())
            columns = ColumnsOf(*dbConnection);
        SQLite::Statement rows(*dbConnection, SelectRows(columns) + orderClause.toStdString());
        FillSnippets(rows, fresh);
    } catch (const SQLite::Exception& e) {
        // A failed read must not leave expansion without any snippets: the
        // list read before stays in use.
        SetCache(previous ? std::move(*previous) : SnippetCollection());
        if (onLocked == OnLocked::KeepCache && IsLocked(e)) {
            refreshPending = true;
            return;
        }
        Fail(e, QStringLiteral("Cannot read the snippets of"));
    }
    SetCache(std::move(fresh));
    knownDataVersion = version;
    refreshPending = false;
}

SnippetCollection SnippetManager::QuerySnippets(const QString& searchStr)
{
    QString text = searchStr;
    text.remove(QLatin1Char('\''));
    const std::string pattern = ('%' + text + '%').toStdString();
    SnippetCollection found;
    try {
        SearchFolding::Register(Connection());
        SQLite::Statement rows(Connection(), SelectRows(columns) + " where " + SearchFolding::Condition(text) +
                                                 orderClause.toStdString());
        rows.bind(1, pattern);
        FillSnippets(rows, found);
    } catch (const SQLite::Exception& e) {
        Fail(e, QStringLiteral("Cannot search the snippets of"));
    }
    return found;
}

void SnippetManager::FillSnippets(SQLite::Statement& rows, SnippetCollection& into)
{
    static const QString kDefaultGroup = Snippet().groupName;
    skippedRows.clear();
    while (rows.executeStep()) {
        const long long id = rows.getColumn(ColId).getInt64();
        if (id < 1 || id > kMaxId) {
            // One row another program numbered beyond our ids must not hide
            // the whole list: it is left out and named.
            skippedRows << QStringLiteral("id %1 (abbreviation \"%2\")")
                               .arg(id)
                               .arg(TextOr(rows.getColumn(ColSnippet), QString()));
            continue;
        }
        auto snippet = std::make_shared<Snippet>(Snippet::kNoGuid);
        snippet->snippetString = TextOr(rows.getColumn(ColSnippet), QString());
        snippet->contentString = TextOr(rows.getColumn(ColContent), QString());
        snippet->desString = TextOr(rows.getColumn(ColDescription), QString());
        snippet->enableSnippet = ReadBool(rows.getColumn(ColEnable), true);
        snippet->groupName = TextOr(rows.getColumn(ColGroup), kDefaultGroup);
        snippet->snippetID = static_cast<int>(id);
        snippet->useCount = ClampedInt(rows.getColumn(ColUseCount), 0);
        const SQLite::Column guid = rows.getColumn(ColGuid);
        snippet->guidString = guid.isNull() ? NewGuidString() : ReadText(guid);
        const SQLite::Column mode = rows.getColumn(ColTriggerMode);
        snippet->triggerMode = Snippet::TriggerModeFromNumber(mode.isNull() ? 0 : mode.getInt64());
        snippet->onlyIn = OnlyInList(TextOr(rows.getColumn(ColOnlyIn), QString()));
        snippet->caseFollows = ReadBool(rows.getColumn(ColCaseFollows), false);
        into.append(std::move(snippet));
    }
}

SQLite::Database& SnippetManager::Connection()
{
    if (!dbConnection)
        throw QuilloError(kErrorNoDatabase, kErrorSource,
                          dbPath.isEmpty() ? QStringLiteral("No snippet database is open.")
                                           : QStringLiteral("The snippet database \"%1\" is not open.").arg(dbPath));
    return *dbConnection;
}

void SnippetManager::Fail(const std::exception& e, const QString& doing) const
{
    int number = 0;
    if (const auto* sqliteError = dynamic_cast<const SQLite::Exception*>(&e))
        number = sqliteError->getErrorCode();
    if (IsDamage(number))
        throw DamagedError(dbPath, QString::fromUtf8(e.what()));
    throw QuilloError(number, kErrorSource,
                      QStringLiteral("%1 the snippet database \"%2\": %3").arg(doing, dbPath, QString::fromUtf8(e.what())));
}

qint64 SnippetManager::NowMs()
{
    return QDateTime::currentMSecsSinceEpoch();
}

SnippetManager::SyncState SnippetManager::ReadSyncState()
{
    // A merge writes next: the file must be the one at the path, upgraded.
    FollowFileForWrite();
    SyncState state;
    const QStringList skipped = skippedRows;
    try {
        SQLite::Database& db = Connection();
        SQLite::Transaction transaction(db, SQLite::TransactionBehavior::DEFERRED); // one consistent view
        SQLite::Statement rows(db, SelectRows(columns) + kOrderById);
        FillSnippets(rows, state.snippets);
        const auto readTimes = [&db](const char* sql, QHash<QString, qint64>& into) {
            SQLite::Statement times(db, sql);
            while (times.executeStep())
                into.insert(ReadText(times.getColumn(0)), times.getColumn(1).getInt64());
        };
        readTimes("select guid, modified from snippets", state.modified);
        readTimes("select guid, at from deleted", state.deleted);
        readTimes("select guid, at from syncbase", state.agreed);
    } catch (const SQLite::Exception& e) {
        skippedRows = skipped;
        Fail(e, QStringLiteral("Cannot read the snippets of"));
    }
    skippedRows = skipped;
    return state;
}

void SnippetManager::ApplySync(const SyncChanges& changes)
{
    if (changes.Empty())
        return;
    for (const auto& [snippet, modified] : changes.store)
        CheckAbbreviation(snippet.snippetString);
    FollowFileForWrite();
    try {
        SQLite::Database& db = Connection();
        const ImportCache cache(db);
        SQLite::Transaction transaction(db, SQLite::TransactionBehavior::IMMEDIATE);
        // The usage count stays this installation's own (?6 only fills a gap).
        SQLite::Statement update(db, R"(update snippets set content=?1, description=?2, enable=?3, "group"=?4, )"
                                     R"(snippet=?5, usecount=coalesce(usecount, ?6), triggermode=?7, onlyin=?8, )"
                                     R"(casefollows=?9, modified=?12 where guid=?11)");
        IdAllocator ids(db);
        SQLite::Statement insert(db, kInsertRow);
        for (const auto& [snippet, modified] : changes.store) {
            BindFields(update, snippet);
            update.bind(kUpdateGuid, snippet.guidString.toStdString());
            update.bind(kUpdateModified, static_cast<int64_t>(modified));
            const int updated = update.exec();
            update.reset();
            if (updated > 0)
                continue;
            BindFields(insert, snippet);
            insert.bind(PGuid, snippet.guidString.toStdString());
            insert.bind(PModified, static_cast<int64_t>(modified));
            BindId(insert, ids.Next(dbPath));
            insert.exec();
            insert.reset();
            CheckedNewId(db, dbPath);
        }
        SQLite::Statement mark(db, "insert or replace into deleted (guid, at) values (?, ?)");
        SQLite::Statement remove(db, "delete from snippets where guid=?");
        for (auto it = changes.remove.constBegin(); it != changes.remove.constEnd(); ++it) {
            mark.bind(1, it.key().toStdString());
            mark.bind(2, static_cast<int64_t>(it.value()));
            mark.exec();
            mark.reset();
            remove.bind(1, it.key().toStdString());
            remove.exec();
            remove.reset();
        }
        SQLite::Statement revive(db, "delete from deleted where guid=?");
        for (const QString& guid : changes.revive) {
            revive.bind(1, guid.toStdString());
            revive.exec();
            revive.reset();
        }
        SQLite::Statement agree(db, "insert or replace into syncbase (guid, at) values (?, ?)");
        for (auto it = changes.agreed.constBegin(); it != changes.agreed.constEnd(); ++it) {
            agree.bind(1, it.key().toStdString());
            agree.bind(2, static_cast<int64_t>(it.value()));
            agree.exec();
            agree.reset();
        }
        transaction.commit();
    } catch (const SQLite::Exception& e) {
        try {
            ReloadSnippets();
        } catch (...) {
        }
        Fail(e, QStringLiteral("Cannot merge the synced snippets into"));
    }
    ReloadSnippets();
}
