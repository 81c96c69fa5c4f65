// Any bytes as another expander's file, read by every reader: each ends with
// snippets and a report, never a crash or a hang, and every snippet it makes
// has an abbreviation that can be typed and a well-formed GUID.

#include "store/import/AutokeyImporter.h"
#include "store/import/BeeftextImporter.h"
#include "store/import/CsvSnippetImporter.h"
#include "store/import/EspansoImporter.h"
#include "store/import/HotstringImporter.h"
#include "store/import/AbbreviationCheck.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void Check(const ImportBatch& batch, const char* reader)
{
    for (const ImportBatch::Entry& entry : batch.snippets) {
        if (!AbbreviationCheck::Problem(entry.snippet.snippetString).isEmpty() ||
            entry.snippet.guidString.size() != 36) {
            std::fprintf(stderr, "peers fuzz fault: %s made \"%s\" / %s\n", reader,
                         entry.snippet.snippetString.toUtf8().constData(), entry.snippet.guidString.toUtf8().constData());
            std::abort();
        }
    }
}

void Write(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_peers";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static QTemporaryDir dir;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString file = dir.filePath("input");
    Write(file, bytes);
    Check(EspansoImporter::Read(file), "espanso");
    Check(BeeftextImporter::Read(file), "beeftext");
    Check(CsvSnippetImporter::Read(file, CsvSnippetImporter::Flavour::TextExpander), "textexpander");
    Check(CsvSnippetImporter::Read(file, CsvSnippetImporter::Flavour::Beeftext), "beeftext csv");
    Check(HotstringImporter::Read(file), "hotstrings");
    // A phrase folder: the first line is the phrase's settings, the rest its text.
    QDir phrases(dir.filePath("phrases"));
    phrases.mkpath(".");
    const qsizetype split = bytes.indexOf('\n');
    Write(phrases.filePath("p.json"), split < 0 ? bytes : bytes.left(split));
    Write(phrases.filePath("p.txt"), split < 0 ? QByteArray() : bytes.mid(split + 1));
    Check(AutokeyImporter::Read(phrases.path()), "autokey");
    return 0;
}
