#pragma once

#include <QString>
#include <QStringList>

// Writes a snippet file: a consistent copy of the snippet database taken
// through SQLite's backup, so a copy made while the program has the database
// open never catches a write half done. The copy is self-contained: it uses
// a rollback journal whatever the database uses, so it opens from a
// read-only folder and needs no companion files.
class SnippetExport
{
public:
    static constexpr const char* kErrorSource = "SnippetExport";
    static constexpr int kErrorSameFile = 1201;
    static constexpr int kErrorCannotReplace = 1202;

    // Copies databasePath to target, replacing a regular file already there
    // (only when replaceExisting) once the copy is complete. Never writes the
    // database itself or its journals, a folder, a FIFO, a device or through a
    // symbolic link. QuilloError (naming the target and the reason) when it
    // cannot; the target is then as it was.
    static void Export(const QString& databasePath, const QString& target, bool replaceExisting = true);

    // The database and the journal files SQLite may keep beside it: no file
    // the user names may be one of them.
    static QStringList DatabaseFiles(const QString& databasePath);
};
