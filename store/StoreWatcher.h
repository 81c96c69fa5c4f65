#pragma once

#include "store/SnippetManager.h"

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>

// Keeps the snippet cache in step with the file without ever waiting on the
// thread that handles the keys: it watches the database's folder (a sync
// tool or `mv` replaces the file by a rename, another program's write comes
// and goes with a journal), looks a moment after a burst of changes, and
// tries again later while another program holds the database locked.
class StoreWatcher : public QObject
{
public:
    // Changes in the folder come in bursts (a rename, a journal made and
    // removed); one look this long after a burst begins covers it.
    static constexpr int kSettleMs = 200;
    // A locked database is looked at again after this long, until it is free.
    static constexpr int kRetryMs = 500;

    struct Reports
    {
        // A problem with the file, said once until it goes away (the file
        // is gone, cannot be opened). Called from a timer: it may be deferred.
        std::function<void(const QString& text)> problem;
        // The store now reads another file than before.
        std::function<void()> reopened;
    };

    StoreWatcher(SnippetManager& store, Reports reports, QObject* parent = nullptr);

    // Starts watching the folder of the store's database path.
    void Watch();
    // Looks now: follows a replaced file and reads other programs' changes,
    // never waiting for a lock. Throws nothing; returns what FollowFile found.
    SnippetManager::FileState CheckNow();
    // A rebuild of the cache is pending (the database was locked): look
    // again a little later, unless a look is already due.
    void RetryLater();
    bool RetryDue() const { return retry.isActive(); }

private:
    void Say(const QString& text);

    SnippetManager& store;
    Reports reports;
    QFileSystemWatcher watcher;
    QTimer settle;
    QTimer retry;
    QString lastProblem;
};
