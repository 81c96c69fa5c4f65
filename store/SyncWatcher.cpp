#include "store/SyncWatcher.h"

#include "core/QuilloError.h"

#include <QDir>

SyncWatcher::SyncWatcher(SnippetManager& store, const QString& folder, const QString& machine, int backupsKeep,
                         Reports reports, QObject* parent)
    : QObject(parent), store(store), sync(store, folder, machine, backupsKeep), reports(std::move(reports))
{
    settle.setSingleShot(true);
    settle.setInterval(kSettleMs);
    write.setSingleShot(true);
    write.setInterval(kWriteDelayMs);
    connect(&settle, &QTimer::timeout, this, [this] { MergeNow(); });
    connect(&write, &QTimer::timeout, this, [this] { WriteNow(); });
    const auto arrived = [this] {
        if (!settle.isActive())
            settle.start();
    };
    connect(&watcher, &QFileSystemWatcher::directoryChanged, this, arrived);
    connect(&watcher, &QFileSystemWatcher::fileChanged, this, arrived);
}

SyncWatcher::~SyncWatcher()
{
    store.SetCacheListener(nullptr);
}

void SyncWatcher::Start()
{
    store.SetCacheListener([this] {
        if (!busy)
            write.start();
    });
    Watch();
    MergeNow();
}

template <typename Action> void SyncWatcher::Guarded(Action action)
{
    if (busy)
        return;
    busy = true;
    try {
        action();
        lastProblem.clear();
    } catch (const QuilloError& e) {
        Say(e.Message());
    } catch (const std::exception& e) {
        Say(QString::fromUtf8(e.what()));
    }
    busy = false;
}

void SyncWatcher::MergeNow()
{
    settle.stop();
    Guarded([this] {
        const SnippetSync::Report report = sync.Merge();
        for (const QString& warning : report.warnings)
            qWarning("quillo: %s", qPrintable(warning));
        if (reports.merged)
            reports.merged(report);
    });
    Watch();
}

void SyncWatcher::WriteNow()
{
    Guarded([this] { sync.WriteOwn(); });
}

void SyncWatcher::Watch()
{
    // A file a sync tool rewrites in place tells only its own watch; new
    // and renamed files tell the folder's.
    if (!QDir(sync.Folder()).exists())
        return;
    if (!watcher.directories().contains(sync.Folder()))
        watcher.addPath(sync.Folder());
    const QDir dir(sync.Folder());
    for (const QString& name : dir.entryList({QLatin1String(SnippetSync::kFilePrefix) + QLatin1Char('*') +
                                              QLatin1String(SnippetSync::kFileSuffix)},
                                             QDir::Files)) {
        const QString path = dir.filePath(name);
        if (path != sync.OwnFile() && !watcher.files().contains(path))
            watcher.addPath(path);
    }
}

void SyncWatcher::Say(const QString& text)
{
    if (text == lastProblem)
        return;
    lastProblem = text;
    qWarning("quillo: %s", qPrintable(text));
    if (reports.problem)
        reports.problem(text);
}
