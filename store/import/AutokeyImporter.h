#pragma once

#include "store/import/ImportBatch.h"

#include <QString>

// Reads AutoKey's phrase folders: each phrase is X.txt with its settings in
// X.json beside it (older versions: the hidden .X.json). Folders become
// groups (named by their folder.json title), every abbreviation of a phrase
// a snippet. Scripts and phrases without an abbreviation are listed, never
// run; <cursor> and <date format=…> become placeholders.
class AutokeyImporter
{
public:
    static ImportBatch Read(const QString& folder);
    // A phrase's macros in Quillo's words; the others stay and are named.
    static QString Translate(const QString& phrase, QStringList* unsupported);
};
