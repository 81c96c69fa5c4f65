#pragma once

#include "store/SnippetSync.h"

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>

// The running program's side of a sync through a folder: merges the other
// installations' files a moment after one arrives or changes, and writes
// this installation's file a moment after the snippets change (an edit here,
// another program's write, a merge). Exists only while a folder is set.
class SyncWatcher : public QObject
{
public:
    // A sync tool brings a file in several steps (a temporary file, a
    // rename, the folder's own bookkeeping): one merge this long after the
    // first change covers them.
    static constexpr int kSettleMs = 500;
    // Changes come in bursts (an import, a merge, typing in the list):
    // this installation's file is written once they have rested this long.
    static constexpr int kWriteDelayMs = 1000;

    struct Reports
    {
        // A problem (the folder is gone, the database cannot be written),
        // said once until it changes.
        std::function<void(const QString& text)> problem;
        // A merge ended; the report may hold warnings and conflicts.
        std::function<void(const SnippetSync::Report& report)> merged;
    };

    SyncWatcher(SnippetManager& store, const QString& folder, const QString& machine, int backupsKeep,
                Reports reports, QObject* parent = nullptr);
    ~SyncWatcher() override;
    // Merges and writes now, then follows the folder and the store.
    void Start();
    void MergeNow();
    QString Folder() const { return sync.Folder(); }

private:
    void WriteNow();
    void Watch();
    void Say(const QString& text);
    template <typename Action> void Guarded(Action action);

    SnippetManager& store;
    SnippetSync sync;
    Reports reports;
    QFileSystemWatcher watcher;
    QTimer settle;
    QTimer write;
    QString lastProblem;
    bool busy = false; // a merge lets events run while it rebuilds the cache
};
