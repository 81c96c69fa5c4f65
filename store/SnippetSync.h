#pragma once

#include "store/SnippetManager.h"

#include <QByteArray>
#include <QSet>
#include <QString>
#include <QStringList>

// Keeps the snippets of several installations in step through a folder that
// some other tool (a file sync service, a network share) keeps in step
// between machines. Each installation writes its whole state, every
// snippet with its GUID and modification time and every deletion marker, to
// a file of its own there ("quillo-<machine>.json"), and merges the others'
// files into its database, snippet by snippet:
//  - a snippet only one side changed since both last agreed on it (the
//    time kept per snippet at each merge) takes that side's version;
//  - when both changed it, the later version stays and the other one is kept
//    as a disabled copy, named in the report; the copy's GUID is made from the
//    snippet's and the losing version's time, so both installations make the
//    same copy and it is stored once;
//  - a deletion later than the last edit deletes; an edit later than a
//    deletion brings the snippet back.
// A file that cannot be read as one of these (half-written, another
// program's) is left out with a warning, once while it stays as it is.
// Usage counts travel with new snippets but stay each installation's own.
class SnippetSync
{
public:
    static constexpr const char* kErrorSource = "SnippetSync";
    static constexpr int kErrorNoFolder = 1401;
    static constexpr const char* kFormatName = "quillo-sync";
    static constexpr int kVersion = 1;
    static constexpr const char* kFilePrefix = "quillo-";
    static constexpr const char* kFileSuffix = ".json";
    static constexpr const char* kBackupReason = "sync";

    struct Report
    {
        int added = 0;
        int updated = 0;
        int deleted = 0;
        QStringList conflicts; // one sentence each, naming the kept copy
        QStringList warnings;  // files left out (each said once)
        bool Changed() const { return added + updated + deleted > 0 || !conflicts.isEmpty(); }
        QString Summary() const;
    };

    // A machine id holds letters, digits, '-' and '_' only: it is part of a file name.
    static bool ValidMachine(const QString& machine);
    static QString NewMachine();
    static QString FileName(const QString& machine);

    SnippetSync(SnippetManager& store, QString folder, QString machine, int backupsKeep);
    QString Folder() const { return folder; }
    QString OwnFile() const;
    // Reads the other installations' files and merges them; a merge that
    // changes snippets backs the database up first, then writes this
    // installation's file. Throws QuilloError when the folder is missing
    // or the database cannot be written.
    Report Merge();
    // Writes this installation's file when its contents would change.
    // Returns whether it wrote.
    bool WriteOwn();

private:
    QByteArray OwnText(const SnippetManager::SyncState& state) const;
    bool WriteState(const SnippetManager::SyncState& state);
    void CheckFolder() const;

    SnippetManager& store;
    QString folder;
    QString machine;
    int backupsKeep;
    QByteArray lastWritten;
    QSet<QString> warned; // file states already warned about
};
