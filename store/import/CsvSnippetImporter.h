#pragma once

#include "store/import/ImportBatch.h"

#include <QList>
#include <QString>
#include <QStringList>

// Reads the snippet lists other expanders write as CSV: abbreviation,
// content and an optional name or label per row (TextExpander's export and
// Beeftext's CSV import file have this shape). Each flavour's placeholders
// become Quillo's; a first row that names the columns is skipped.
class CsvSnippetImporter
{
public:
    enum class Flavour { TextExpander, Beeftext };

    static ImportBatch Read(const QString& path, Flavour flavour);
    // RFC 4180 rows: fields split on commas (or semicolons, when the first
    // line has more of them), quoted fields hold commas, line breaks and
    // doubled quotes. *badLine is the first line of an unclosed quote, else 0.
    static QList<QStringList> Rows(const QString& text, QList<int>* lineNumbers, int* badLine);
    // TextExpander's %-macros in Quillo's words; what has no equivalent stays
    // and is named in *unsupported.
    static QString FromTextExpander(const QString& content, QStringList* unsupported);
};
