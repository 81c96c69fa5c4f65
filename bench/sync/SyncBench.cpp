// A merge through the sync folder at 10,000 snippets of which the other
// installation changed 100: read its file, decide, back up, write the
// changes and this installation's file.
#include "store/SnippetManager.h"
#include "store/SnippetSync.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>
#include <benchmark/benchmark.h>

namespace {

constexpr int kSnippets = 10000;
constexpr int kChanged = 100;
constexpr qint64 kAgreedAt = 1000;
constexpr qint64 kChangedAt = 2000;

QString MakeDatabase(const QString& path)
{
    QFile::remove(path);
    QFile::copy(QStringLiteral(QUILLO_EMPTY_DB), path);
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    SQLite::Database db(path.toStdString(), SQLite::OPEN_READWRITE);
    SQLite::Transaction transaction(db);
    SQLite::Statement insert(db, R"(insert into snippets (snippet, content, description, usecount, "group", enable,
                                    guid, modified) values (?, ?, '', 0, 'default', 1, ?, ?))");
    SQLite::Statement agree(db, "insert into syncbase (guid, at) values (?, ?)");
    for (int i = 0; i < kSnippets; ++i) {
        const std::string guid =
            QStringLiteral("%1-0000-4000-8000-000000000000").arg(i, 8, 16, QLatin1Char('0')).toUpper().toStdString();
        insert.bind(1, QStringLiteral("a%1").arg(i, 5, 10, QLatin1Char('0')).toStdString());
        insert.bind(2, QStringLiteral("Content of snippet number %1, a sentence of ordinary length.").arg(i).toStdString());
        insert.bind(3, guid);
        insert.bind(4, static_cast<int64_t>(kAgreedAt));
        insert.exec();
        insert.reset();
        agree.bind(1, guid);
        agree.bind(2, static_cast<int64_t>(kAgreedAt));
        agree.exec();
        agree.reset();
    }
    transaction.commit();
    return path;
}

void MergeHundredChangedOfTenThousand(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString shared = QDir(dir.path()).filePath(QStringLiteral("shared"));
    QDir().mkpath(shared);
    const QString original = MakeDatabase(QDir(dir.path()).filePath(QStringLiteral("original.mdb")));
    {
        // The other installation: the same snippets, 100 of them edited later.
        const QString other = QDir(dir.path()).filePath(QStringLiteral("other.mdb"));
        QFile::copy(original, other);
        {
            SQLite::Database db(other.toStdString(), SQLite::OPEN_READWRITE);
            SQLite::Statement edit(db, "update snippets set content = content || ' Edited.', modified = ? where id <= ?");
            edit.bind(1, static_cast<int64_t>(kChangedAt));
            edit.bind(2, kChanged);
            edit.exec();
        }
        SnippetManager store;
        store.OpenSetFile(other);
        SnippetSync(store, shared, QStringLiteral("other"), 10).WriteOwn();
    }
    const QString mine = QDir(dir.path()).filePath(QStringLiteral("snippets.mdb"));
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(mine);
        QFile::copy(original, mine);
        QDir(QDir(dir.path()).filePath(QStringLiteral("backups"))).removeRecursively();
        SnippetManager store;
        store.OpenSetFile(mine);
        SnippetSync sync(store, shared, QStringLiteral("mine"), 10);
        state.ResumeTiming();
        const SnippetSync::Report report = sync.Merge();
        if (report.updated != kChanged)
            state.SkipWithError("the merge did not take the 100 changes");
    }
}
BENCHMARK(MergeHundredChangedOfTenThousand)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
