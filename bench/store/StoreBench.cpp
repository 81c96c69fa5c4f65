// Costs of the snippet store at 10,000 and 100,000 snippets: filling the
// cache, matching typed text, committing (insert + full re-read) and a search.
#include "store/SnippetManager.h"

#include <QFile>
#include <QTemporaryDir>
#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>
#include <benchmark/benchmark.h>
#include <map>

namespace {

QTemporaryDir& Folder()
{
    static QTemporaryDir dir;
    return dir;
}

// A database of n snippets "a00000".."a<n-1>" with a short content each,
// made once per size.
QString DatabaseOf(int n)
{
    static std::map<int, QString> made;
    if (auto found = made.find(n); found != made.end())
        return found->second;
    const QString path = Folder().filePath(QStringLiteral("bench-%1.mdb").arg(n));
    QFile::copy(QStringLiteral(QUILLO_EMPTY_DB), path);
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    SQLite::Database db(path.toStdString(), SQLite::OPEN_READWRITE);
    SQLite::Transaction transaction(db);
    SQLite::Statement insert(db, R"(insert into snippets (snippet, content, description, usecount, "group", enable, guid)
                                    values (?, ?, '', 0, 'default', 1, ?))");
    for (int i = 0; i < n; ++i) {
        insert.bind(1, QStringLiteral("a%1").arg(i, 5, 10, QLatin1Char('0')).toStdString());
        insert.bind(2, QStringLiteral("Content of snippet number %1, a sentence of ordinary length.").arg(i).toStdString());
        insert.bind(3, QStringLiteral("%1-0000-4000-8000-000000000000").arg(i, 8, 16, QLatin1Char('0')).toUpper().toStdString());
        insert.exec();
        insert.reset();
    }
    transaction.commit();
    made[n] = path;
    return path;
}

void OpenSetFile(benchmark::State& state)
{
    const QString path = DatabaseOf(state.range(0));
    SnippetManager store;
    for (auto _ : state)
        store.OpenSetFile(path);
}

void GetMatchedCol(benchmark::State& state)
{
    SnippetManager store;
    store.OpenSetFile(DatabaseOf(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(store.GetMatchedCol(QStringLiteral("a0012")));
}

void GetMatchedSnippet(benchmark::State& state)
{
    SnippetManager store;
    store.OpenSetFile(DatabaseOf(state.range(0)));
    // The worst case: no abbreviation equals the text, the whole cache is walked.
    for (auto _ : state)
        benchmark::DoNotOptimize(store.GetMatchedSnippet(QStringLiteral("zzz")));
}

void CommitSnippet(benchmark::State& state)
{
    const QString path = Folder().filePath(QStringLiteral("commit-%1.mdb").arg(state.range(0)));
    QFile::remove(path);
    QFile::copy(DatabaseOf(state.range(0)), path);
    SnippetManager store;
    store.OpenSetFile(path);
    Snippet snippet;
    snippet.snippetString = QStringLiteral("new");
    snippet.contentString = QStringLiteral("A new snippet");
    for (auto _ : state)
        benchmark::DoNotOptimize(store.CommitSnippet(snippet));
}

void SearchCollection(benchmark::State& state)
{
    SnippetManager store;
    store.OpenSetFile(DatabaseOf(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(store.GetSnippetCollection(QStringLiteral("number 99")));
}

} // namespace

BENCHMARK(OpenSetFile)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(GetMatchedCol)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(GetMatchedSnippet)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(CommitSnippet)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(SearchCollection)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
