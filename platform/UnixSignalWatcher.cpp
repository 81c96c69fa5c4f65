#include "platform/UnixSignalWatcher.h"

#include <QSocketNotifier>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The handler may only write to a file descriptor; the UI thread reads it.
int signalPipe[2] = {-1, -1};
constexpr int kWatchedSignals[] = {SIGTERM, SIGINT, SIGHUP};

} // namespace

UnixSignalWatcher::UnixSignalWatcher(std::function<void(int)> onSignal, QObject* parent)
    : QObject(parent), onSignal(std::move(onSignal))
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0)
        return;
    ::fcntl(signalPipe[0], F_SETFL, O_NONBLOCK);
    ::fcntl(signalPipe[1], F_SETFL, O_NONBLOCK);
    notifier = new QSocketNotifier(signalPipe[1], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] { Drain(); });
    struct sigaction action = {};
    action.sa_handler = &UnixSignalWatcher::Handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : kWatchedSignals)
        ::sigaction(signal, &action, nullptr);
}

UnixSignalWatcher::~UnixSignalWatcher()
{
    for (int signal : kWatchedSignals)
        ::signal(signal, SIG_DFL);
    delete notifier;
    for (int& fd : signalPipe) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

void UnixSignalWatcher::Handler(int signal)
{
    const unsigned char number = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[0], &number, 1);
}

void UnixSignalWatcher::Drain()
{
    unsigned char number = 0;
    while (::read(signalPipe[1], &number, 1) == 1)
        if (onSignal)
            onSignal(number);
}
