#pragma once

#include "store/import/ImportBatch.h"

#include <QString>
#include <QStringList>

// The kinds of files `quillo import` and the Import menu take, by the names
// the command line uses, and a guess from the file itself when none is given.
class ImportFormat
{
public:
    enum class Kind { Unknown, Snippets, Yaml, Json, Espanso, Beeftext, Autokey, Ahk, TextExpander };

    static QString Name(Kind kind);
    // Kind::Unknown for a name that is none of Names().
    static Kind FromName(const QString& name);
    static QStringList Names();
    // From the content first (a database's header, a combo file's keys, a
    // match file's keys, hotstring lines), then from the file's suffix.
    static Kind Guess(const QString& path);
    // Every kind but Snippets (a database, which the store reads itself).
    static ImportBatch Read(Kind kind, const QString& path);
    // The snippets of a snippet file as the store's own import reads them
    // (every check of a hostile file included), through an empty copy of the
    // user's database, so that each can be compared before anything is
    // stored. Throws QuilloError as that import does.
    static ImportBatch ReadSnippetFile(const QString& database, const QString& file);
};
