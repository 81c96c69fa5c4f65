// Import of 10,000 Espanso matches and of a 10,000-snippet text file of
// Quillo's, each read and stored into an empty store (the whole import,
// file to rows), and the text file written from 10,000 snippets.
#include "store/SnippetManager.h"
#include "store/import/EspansoImporter.h"
#include "store/import/PlainSnippetFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr int kSnippets = 10000;

QTemporaryDir& Folder()
{
    static QTemporaryDir dir;
    return dir;
}

QString FreshStore()
{
    const QString path = Folder().filePath("snippets.mdb");
    QFile::remove(path);
    QFile::copy(QStringLiteral(QUILLO_EMPTY_DB), path);
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return path;
}

QList<ImportBatch::Entry> Entries()
{
    QList<ImportBatch::Entry> entries;
    for (int i = 0; i < kSnippets; ++i) {
        Snippet s;
        s.snippetString = QStringLiteral("s%1").arg(i);
        s.contentString = QStringLiteral("Line one of %1\nline two with [date]\n").arg(i);
        s.desString = QStringLiteral("Snippet %1").arg(i);
        entries.push_back({s, QString()});
    }
    return entries;
}

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        std::abort();
}

void Store(const ImportBatch& batch, benchmark::State& state)
{
    SnippetManager store;
    store.OpenSetFile(FreshStore());
    QList<Snippet> snippets;
    for (const ImportBatch::Entry& entry : batch.snippets)
        snippets << entry.snippet;
    if (store.AddImported(snippets, SnippetManager::Duplicates::Skip).added != kSnippets)
        state.SkipWithError("not every snippet was stored");
}

void EspansoMatches(benchmark::State& state)
{
    QByteArray yaml = "matches:\n";
    for (int i = 0; i < kSnippets; ++i)
        yaml += QStringLiteral("  - trigger: \":m%1\"\n    replace: \"Hello {{name}}, it is {{now}} $|$\"\n"
                               "    vars:\n      - name: now\n        type: date\n        params:\n"
                               "          format: \"%H:%M\"\n      - name: name\n        type: echo\n"
                               "        params:\n          echo: \"Ada\"\n")
                    .arg(i)
                    .toUtf8();
    const QString path = Folder().filePath("base.yml");
    WriteFile(path, yaml);
    for (auto _ : state)
        Store(EspansoImporter::Read(path), state);
}

void QuilloTextFile(benchmark::State& state)
{
    const QString path = Folder().filePath("snippets.yaml");
    WriteFile(path, PlainSnippetFile::Write(Entries(), PlainSnippetFile::Syntax::Yaml));
    for (auto _ : state)
        Store(PlainSnippetFile::Read(path), state);
}

void WritingTheTextFile(benchmark::State& state)
{
    const QList<ImportBatch::Entry> entries = Entries();
    for (auto _ : state)
        benchmark::DoNotOptimize(PlainSnippetFile::Write(entries, PlainSnippetFile::Syntax::Yaml));
}

} // namespace

BENCHMARK(EspansoMatches)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(QuilloTextFile)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(WritingTheTextFile)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
