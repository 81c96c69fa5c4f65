// Import of a snippet file of 100,000 rows into an empty store, the PDF of
// the printed list of 1,000 snippets, and listing 100,000 snippets.
#include "app/cli/CommandLine.h"
#include "store/SnippetDR.h"
#include "store/SnippetManager.h"

#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTextStream>
#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>
#include <benchmark/benchmark.h>

namespace {

constexpr int kImportRows = 100000;
constexpr int kPrintedRows = 1000;

QTemporaryDir& Folder()
{
    static QTemporaryDir dir;
    return dir;
}

QString FreshCopy(const QString& name)
{
    const QString path = Folder().filePath(name);
    QFile::remove(path);
    QFile::copy(QStringLiteral(QUILLO_EMPTY_DB), path);
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return path;
}

QString SnippetFileOf(int n, const QString& name)
{
    const QString path = FreshCopy(name);
    SQLite::Database db(path.toStdString(), SQLite::OPEN_READWRITE);
    SQLite::Transaction transaction(db);
    SQLite::Statement insert(db, R"(insert into snippets (snippet, content, description, usecount, "group", enable, guid)
                                    values (?, ?, 'a description', 3, 'default', 1, ?))");
    for (int i = 0; i < n; ++i) {
        insert.bind(1, QStringLiteral("a%1").arg(i, 5, 10, QLatin1Char('0')).toStdString());
        insert.bind(2, QStringLiteral("Content of snippet number %1, a sentence of ordinary length.").arg(i).toStdString());
        insert.bind(3, QStringLiteral("%1-0000-4000-8000-000000000000").arg(i, 8, 16, QLatin1Char('0')).toStdString());
        insert.exec();
        insert.reset();
    }
    transaction.commit();
    return path;
}

void ImportSnippets(benchmark::State& state)
{
    const QString source = SnippetFileOf(kImportRows, QStringLiteral("source.snippets"));
    for (auto _ : state) {
        state.PauseTiming();
        SnippetManager store;
        store.OpenSetFile(FreshCopy(QStringLiteral("target.mdb")));
        state.ResumeTiming();
        store.ImportSnippets(source);
    }
    state.SetItemsProcessed(state.iterations() * kImportRows);
}
BENCHMARK(ImportSnippets)->Unit(benchmark::kMillisecond)->Iterations(3);

void PrintToPdf(benchmark::State& state)
{
    SnippetManager store;
    store.OpenSetFile(SnippetFileOf(kPrintedRows, QStringLiteral("printed.mdb")));
    const QString pdf = Folder().filePath(QStringLiteral("list.pdf"));
    for (auto _ : state) {
        store.PrintSnippets([&](const SnippetCollection& rows) {
            SnippetDR report;
            report.InitDataSource(rows);
            benchmark::DoNotOptimize(report.WritePdf(pdf, {{}, true}));
        });
    }
    state.SetItemsProcessed(state.iterations() * kPrintedRows);
}
BENCHMARK(PrintToPdf)->Unit(benchmark::kMillisecond);

// "quillo list" of a folder of 100,000 snippets: open, read every row, print
// one line each (into memory, so the terminal is not what is measured).
void ListCommand(benchmark::State& state)
{
    QTemporaryDir home;
    QFile::rename(SnippetFileOf(kImportRows, QStringLiteral("listed.mdb")), home.filePath("snippets.mdb"));
    qsizetype printed = 0;
    for (auto _ : state) {
        QString out, err;
        QTextStream o(&out), e(&err);
        CommandLine({QStringLiteral("--home"), home.path(), QStringLiteral("list")}).Run(o, e);
        printed = out.size();
    }
    benchmark::DoNotOptimize(printed);
    state.SetItemsProcessed(state.iterations() * kImportRows);
}
BENCHMARK(ListCommand)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char** argv)
{
    // Text needs a GUI application object; no display is needed.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
