#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

// Turns SIGTERM, SIGINT and SIGHUP into a call on the UI thread, so that a
// program asked to stop still shuts down in order (and writes what it keeps
// in memory). Only one watcher may exist at a time.
class UnixSignalWatcher : public QObject
{
public:
    explicit UnixSignalWatcher(std::function<void(int signal)> onSignal, QObject* parent = nullptr);
    ~UnixSignalWatcher() override;

private:
    static void Handler(int signal);
    void Drain();

    std::function<void(int)> onSignal;
    QSocketNotifier* notifier = nullptr;
};
