#pragma once

#include "store/import/ImportBatch.h"

#include <QJsonObject>
#include <QString>

// Text files of other expanders, in whatever encoding their platform wrote:
// a byte-order mark names it (UTF-8, UTF-16); without one, UTF-8 when the
// bytes are valid UTF-8, else Windows' Western code page read as Latin-1,
// which keeps every byte and is what such files mostly are.
class PeerText
{
public:
    // False with *problem set when the file cannot be read.
    static bool Read(const QString& path, QString* text, QString* problem, bool* guessedLatin1 = nullptr);
    // Read for a reader's batch: false with the file named among the skipped
    // when it cannot be read; a guessed encoding is named among the changed.
    static bool ReadFor(ImportBatch& batch, const QString& path, QString* text);
    // A JSON file whose top is an object. False with *problem set when it
    // cannot be read or is not one; *line is then the line of the fault (0
    // when the file could not be read at all).
    static bool ReadJsonObject(const QString& path, QJsonObject* object, QString* problem, int* line);
    // Lines split on \n, \r\n or \r.
    static QStringList Lines(const QString& text);
};
