#include "store/SnippetManager.h"

#include "core/QuilloError.h"
#include "store/NewGuidString.h"
#include "store/SearchFolding.h"

#include <QCoreApplication>
#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Exception.h>
#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>
#include <QSet>
#include <limits>
#include <string>

namespace {

// Columns by name rather than "*", so a file with extra columns still reads.
const std::string kSelectRows =
    R"(select id, snippet, content, description, usecount, "group", enable, guid from snippets)";
enum Column { ColId, ColSnippet, ColContent, ColDescription, ColUseCount, ColGroup, ColEnable, ColGuid };

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
    if (column.isText()) {
        const QString word = ReadText(column).trimmed();
        if (word.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 ||
            word.compare(QLatin1String("yes"), Qt::CaseInsensitive) == 0)
            return true;
        if (word.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0 ||
            word.compare(QLatin1String("no"), Qt::CaseInsensitive) == 0)
            return false;
        bool ok = false;
        const long long number = word.toLongLong(&ok);
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
}

// The columns a snippet file must have; its id and guid are never read.
const char* const kImportColumns[] = {"snippet", "content", "description", "usecount", "group", "enable"};
const std::string kSelectImportRows =
    R"(select snippet, content, description, usecount, "group", enable from snippets)";
enum ImportColumn { InSnippet, InContent, InDescription, InUseCount, InGroup, InEnable };

QuilloError ImportError(int number, const QString& file, const QString& reason)
{
    return QuilloError(number, SnippetManager::kErrorSource,
                       QStringLiteral("Cannot import the snippet file \"%1\": %2").arg(file, reason));
}

// Reads a whole snippet file before anything is written, so a file that turns
// out not to be one (or to be the user's own database) changes nothing.
SnippetCollection ReadSnippetFile(const QString& path)
{
    static const QString kDefaultGroup = Snippet().groupName;
    SnippetCollection rows;
    try {
        SQLite::Database source(path.toStdString(), SQLite::OPEN_READONLY, SnippetManager::kBusyTimeoutMs);
        // The first read of the schema is what finds a file that is no database.
        QSet<QString> columns;
        SQLite::Statement info(source, "select name from pragma_table_info('snippets')");
        while (info.executeStep())
            columns.insert(ReadText(info.getColumn(0)).toLower());
        if (columns.isEmpty())
            throw ImportError(SnippetManager::kErrorNotSnippetFile, path,
                              QStringLiteral("it holds no snippets table."));
        for (const char* column : kImportColumns)
            if (!columns.contains(QLatin1String(column)))
                throw ImportError(SnippetManager::kErrorNotSnippetFile, path,
                                  QStringLiteral("its snippets table has no column \"%1\".")
                                      .arg(QLatin1String(column)));
        SQLite::Statement statement(source, kSelectImportRows);
        while (statement.executeStep()) {
            auto row = std::make_shared<Snippet>(Snippet::kNoGuid);
            // A null would break every later read of the user's table: it
            // becomes what a new snippet has in that field.
            row->snippetString = TextOr(statement.getColumn(InSnippet), QString());
            row->contentString = TextOr(statement.getColumn(InContent), QString());
            row->desString = TextOr(statement.getColumn(InDescription), QString());
            row->useCount = ClampedInt(statement.getColumn(InUseCount), 0);
            row->groupName = TextOr(statement.getColumn(InGroup), kDefaultGroup);
            row->enableSnippet = ReadBool(statement.getColumn(InEnable), true);
            rows.append(std::move(row));
        }
    } catch (const SQLite::Exception& e) {
        throw ImportError(e.getErrorCode(), path, QString::fromUtf8(e.what()));
    }
    return rows;
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
    try {
        SQLite::Statement remove(Connection(), "delete from snippets where id=?");
        remove.bind(1, aSnippet.snippetID);
        remove.exec();
    } catch (const SQLite::Exception& e) {
        Fail(e, QStringLiteral("Cannot delete the snippet \"%1\" from").arg(aSnippet.snippetString));
    }
    ReloadSnippets();
    return 0;
}

SnippetPtr SnippetManager::CommitSnippet(const Snippet& aSnippet)
{
    SnippetPtr result = aSnippet.Clone();
    try {
        SQLite::Database& db = Connection();
        if (aSnippet.snippetID < 1) {
            SQLite::Statement insert(
                db, R"(insert into snippets (content, description, enable, "group", snippet, usecount, guid) )"
                    "values (?, ?, ?, ?, ?, ?, ?)");
            BindFields(insert, aSnippet);
            insert.bind(7, aSnippet.guidString.toStdString());
            insert.exec();
            result->snippetID = static_cast<int>(db.getLastInsertRowid());
        } else {
            // The guid is the row's identity and is never rewritten.
            SQLite::Statement update(
                db, R"(update snippets set content=?, description=?, enable=?, "group"=?, snippet=?, usecount=? )"
                    "where id=?");
            BindFields(update, aSnippet);
            update.bind(7, aSnippet.snippetID);
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

int SnippetManager::OpenSetFile(const QString& strPath)
{
    CloseLogFile();
    dbPath = strPath;
    try {
        // Never OPEN_CREATE: the database is installed with the program, and a
        // typo in a path must not silently start an empty list.
        dbConnection = std::make_unique<SQLite::Database>(strPath.toStdString(), SQLite::OPEN_READWRITE,
                                                          kBusyTimeoutMs);
    } catch (const SQLite::Exception& e) {
        Fail(e, QStringLiteral("Cannot open"));
    }
    try {
        ReloadSnippets();
    } catch (...) {
        // Leave the manager as on a failed start: no connection, empty cache.
        dbConnection.reset();
        snippetCache = SnippetCollection();
        throw;
    }
    return 0;
}

SnippetCollection SnippetManager::GetMatchedCol(const QString& str) const
{
    SnippetCollection result;
    if (!snippetCache)
        return result;
    for (const SnippetPtr& cached : *snippetCache)
        if (cached->snippetString.startsWith(str, Qt::CaseSensitive))
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

int SnippetManager::CloseLogFile()
{
    dbConnection.reset();
    return 0;
}

int SnippetManager::ImportSnippets(const QString& importFile)
{
    Connection(); // nothing to import into: fail before touching the file
    try {
        AppendRows(ReadSnippetFile(importFile), importFile);
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
        SQLite::Statement statement(Connection(), kSelectRows);
        FillSnippets(statement, rows);
    } catch (const SQLite::Exception& e) {
        Fail(e, QStringLiteral("Cannot read the snippets of"));
    }
    if (showReport)
        showReport(rows);
    return 0;
}

// One transaction: a failure on any row leaves none of them behind.
void SnippetManager::AppendRows(const SnippetCollection& rows, const QString& importFile)
{
    try {
        SQLite::Database& db = Connection();
        const ImportCache cache(db);
        SQLite::Transaction transaction(db);
        SQLite::Statement insert(
            db, R"(insert into snippets (content, description, enable, "group", snippet, usecount, guid) )"
                "values (?, ?, ?, ?, ?, ?, ?)");
        for (const SnippetPtr& row : rows) {
            BindFields(insert, *row);
            insert.bind(7, NewGuidString().toStdString());
            insert.exec();
            insert.reset();
        }
        transaction.commit();
    } catch (const SQLite::Exception& e) {
        Fail(e, QStringLiteral("Cannot import the snippet file \"%1\" into").arg(importFile));
    }
}

void SnippetManager::ReloadSnippets()
{
    snippetCache.reset();
    YieldToEventLoop();
    // The yield may have run a shutdown that closed the database.
    if (!dbConnection) {
        snippetCache = SnippetCollection();
        return;
    }
    SnippetCollection fresh;
    try {
        SQLite::Statement rows(*dbConnection, kSelectRows + orderClause.toStdString());
        FillSnippets(rows, fresh);
    } catch (const SQLite::Exception& e) {
        Fail(e, QStringLiteral("Cannot read the snippets of"));
    }
    snippetCache = std::move(fresh);
}

SnippetCollection SnippetManager::QuerySnippets(const QString& searchStr)
{
    QString text = searchStr;
    text.remove(QLatin1Char('\''));
    const std::string pattern = ('%' + text + '%').toStdString();
    SnippetCollection found;
    try {
        SearchFolding::Register(Connection());
        SQLite::Statement rows(Connection(), kSelectRows + " where " + SearchFolding::Condition(text) +
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
    while (rows.executeStep()) {
        auto snippet = std::make_shared<Snippet>(Snippet::kNoGuid);
        snippet->snippetString = TextOr(rows.getColumn(ColSnippet), QString());
        snippet->contentString = TextOr(rows.getColumn(ColContent), QString());
        snippet->desString = TextOr(rows.getColumn(ColDescription), QString());
        snippet->enableSnippet = ReadBool(rows.getColumn(ColEnable), true);
        snippet->groupName = TextOr(rows.getColumn(ColGroup), kDefaultGroup);
        const long long id = rows.getColumn(ColId).getInt64();
        if (id < 1 || id > std::numeric_limits<int>::max())
            throw QuilloError(kErrorBadRow, kErrorSource,
                              QStringLiteral("The snippet database \"%1\" holds a row with the id %2, "
                                             "which this program cannot address.")
                                  .arg(dbPath)
                                  .arg(id));
        snippet->snippetID = static_cast<int>(id);
        snippet->useCount = ClampedInt(rows.getColumn(ColUseCount), 0);
        const SQLite::Column guid = rows.getColumn(ColGuid);
        snippet->guidString = guid.isNull() ? NewGuidString() : ReadText(guid);
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
    throw QuilloError(number, kErrorSource,
                      QStringLiteral("%1 the snippet database \"%2\": %3").arg(doing, dbPath, QString::fromUtf8(e.what())));
}
