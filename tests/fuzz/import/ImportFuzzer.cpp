// Any bytes as a snippet file: the import ends in a clear error or adds every
// row of the file; it never crashes or hangs, and a refused import leaves
// the user's table exactly as it was.

#include "core/QuilloError.h"
#include "store/SnippetManager.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

const char* const kSchema = R"(
    create table snippets (id integer primary key autoincrement, snippet text not null default '',
        content text not null default '', description text not null default '', usecount integer not null
        default 0, "group" text not null default 'default', enable integer not null default 1,
        guid text not null default '');
    insert into snippets (snippet, content, guid) values ('sig', 'Best regards', 'A'), ('ty', 'Thank you', 'B');)";

[[noreturn]] void Fault(const char* what, const QString& detail = QString())
{
    std::fprintf(stderr, "import fuzz fault: %s\n  %s\n", what, detail.toUtf8().constData());
    std::abort();
}

// The user's table, whole, in id order.
QByteArray Dump(SQLite::Database& db)
{
    SQLite::Statement rows(db, R"(select quote(id), quote(snippet), quote(content), quote(description),
                                  quote(usecount), quote("group"), quote(enable), quote(guid) from snippets order by id)");
    QByteArray dump;
    while (rows.executeStep())
        for (int i = 0; i < 8; ++i)
            dump += QByteArray(rows.getColumn(i).getText()) + (i == 7 ? '\n' : '|');
    return dump;
}

struct Fixture
{
    QTemporaryDir dir;
    QString database = dir.filePath("snippets.mdb");
    QString source = dir.filePath("source.snippets");
    SnippetManager store;
    std::unique_ptr<SQLite::Database> direct;

    Fixture()
    {
        {
            SQLite::Database create(database.toStdString(), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
            create.exec(kSchema);
        }
        store.OpenSetFile(database);
        // Small limits keep every run quick; the limits themselves are what is tested.
        SnippetManager::ImportLimits limits;
        limits.rows = 2000;
        limits.valueBytes = 1 << 16;
        limits.steps = 2000000;
        store.SetImportLimits(limits);
        direct = std::make_unique<SQLite::Database>(database.toStdString(), SQLite::OPEN_READWRITE);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_import";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static Fixture f;

    QFile::remove(f.source);
    QFile::remove(f.source + "-journal");
    QFile::remove(f.source + "-wal");
    {
        QFile file(f.source);
        if (!file.open(QIODevice::WriteOnly) ||
            file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size)) != qint64(size))
            Fault("cannot write the source file");
    }
    const QByteArray before = Dump(*f.direct);
    const long long highestBefore = f.direct->execAndGet("select max(id) from snippets").getInt64();
    try {
        f.store.ImportSnippets(f.source);
    } catch (const QuilloError& e) {
        if (!e.Message().contains(f.source))
            Fault("the error does not name the file", e.Message());
        if (Dump(*f.direct) != before)
            Fault("a refused import changed the user's table", e.Message());
        return 0;
    }
    // A complete import: the old rows untouched, then the new ones.
    const QByteArray after = Dump(*f.direct);
    if (!after.startsWith(before))
        Fault("an import changed rows that were there before");
    if (f.store.GetMatchedCol(QString()).size() != f.direct->execAndGet("select count(*) from snippets").getInt())
        Fault("the cache does not match the table after an import");
    // Back to the two rows for the next input.
    f.direct->exec("delete from snippets where id > " + std::to_string(highestBefore));
    f.store.ChangeSortMethod(0);
    return 0;
}
