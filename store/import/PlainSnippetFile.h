#pragma once

#include "store/import/ImportBatch.h"

#include <QString>

// Quillo's own snippets as a text file, YAML or JSON, for dotfiles and diffs:
// one entry per snippet with every field (abbreviation, content, description,
// group, enabled, uses, GUID, trigger mode, applications, case following),
// under a format name and version. Multi-line content is written as a YAML
// block, so a change shows as a change of those lines. Reading gives back
// exactly what was written; a hand-edited file with a fault names the line.
class PlainSnippetFile
{
public:
    enum class Syntax { Yaml, Json };
    static constexpr const char* kFormatName = "quillo-snippets";
    static constexpr int kVersion = 1;

    // The text of the file; entries in the order given.
    static QByteArray Write(const QList<ImportBatch::Entry>& entries, Syntax syntax);
    // Reads either syntax. A file of a later version is refused whole; an
    // entry with a fault is left out and named with its line.
    static ImportBatch Read(const QString& path);
    static ImportBatch ReadText(const QByteArray& text, const QString& name);
    // Whether the start of a file looks like one of these.
    static bool Recognises(const QByteArray& head);
};
