#include "store/StoreWatcher.h"

#include "core/QuilloError.h"

#include <QFileInfo>

StoreWatcher::StoreWatcher(SnippetManager& store, Reports reports, QObject* parent)
    : QObject(parent), store(store), reports(std::move(reports))
{
    settle.setSingleShot(true);
    settle.setInterval(kSettleMs);
    retry.setSingleShot(true);
    retry.setInterval(kRetryMs);
    connect(&settle, &QTimer::timeout, this, [this] { CheckNow(); });
    connect(&retry, &QTimer::timeout, this, [this] { CheckNow(); });
    // Not restarted by later changes: a folder that never rests is still looked at.
    connect(&watcher, &QFileSystemWatcher::directoryChanged, this, [this] {
        if (!settle.isActive())
            settle.start();
    });
}

void StoreWatcher::Watch()
{
    const QString folder = QFileInfo(store.DatabasePath()).absolutePath();
    if (!store.DatabasePath().isEmpty() && !watcher.directories().contains(folder))
        watcher.addPath(folder);
}

SnippetManager::FileState StoreWatcher::CheckNow()
{
    settle.stop();
    retry.stop();
    SnippetManager::FileState state = SnippetManager::FileState::Same;
    try {
        state = store.FollowFile();
        if (state == SnippetManager::FileState::Gone) {
            Say(store.GoneMessage());
            return state;
        }
        if (state != SnippetManager::FileState::Locked)
            store.RefreshIfChanged();
        lastProblem.clear();
        if (state == SnippetManager::FileState::Reopened && reports.reopened)
            reports.reopened();
    } catch (const QuilloError& e) {
        Say(e.Message());
    } catch (const std::exception& e) {
        Say(QString::fromUtf8(e.what()));
    }
    if (store.RefreshPending())
        RetryLater();
    return state;
}

void StoreWatcher::RetryLater()
{
    if (!retry.isActive() && !settle.isActive())
        retry.start();
}

void StoreWatcher::Say(const QString& text)
{
    if (text == lastProblem)
        return;
    lastProblem = text;
    qWarning("quillo: %s", qPrintable(text));
    if (reports.problem)
        reports.problem(text);
}
