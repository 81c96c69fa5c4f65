#pragma once

#include <QString>

// Writes a snippet file: a consistent copy of the snippet database taken
// through SQLite's backup, so a copy made while the program has the database
// open never catches a write half done.
class SnippetExport
{
public:
    static constexpr const char* kErrorSource = "SnippetExport";
    static constexpr int kErrorSameFile = 1201;
    static constexpr int kErrorCannotReplace = 1202;

    // Copies databasePath to target, replacing a file already there only once
    // the copy is complete. QuilloError (naming the target and the reason)
    // when it cannot; the target is then as it was.
    static void Export(const QString& databasePath, const QString& target);
};
