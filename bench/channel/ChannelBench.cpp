// The control channel's round trip (connect, request, reply, hang up) and
// the store's check for other programs' changes, which runs on every key
// press of the running program.
#include "app/cli/ControlChannel.h"
#include "app/cli/ControlClient.h"
#include "app/cli/ControlServer.h"
#include "store/SnippetManager.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

// The program's end on a thread of its own with its own event loop, as the
// running program's UI thread serves it.
class ServerThread
{
public:
    explicit ServerThread(const QString& socketPath)
    {
        thread.start();
        // Made on that thread, so its socket objects live there too.
        QObject anchor;
        anchor.moveToThread(&thread);
        QMetaObject::invokeMethod(
            &anchor,
            [this, socketPath] {
                server = new ControlServer([](const QString&) { return QJsonObject{{"expansion", true}}; });
                QString error;
                listening = server->Listen(socketPath, &error);
            },
            Qt::BlockingQueuedConnection);
    }
    ~ServerThread()
    {
        QMetaObject::invokeMethod(server, [this] { delete server; }, Qt::BlockingQueuedConnection);
        thread.quit();
        thread.wait();
    }
    bool listening = false;

private:
    QThread thread;
    ControlServer* server = nullptr;
};

void BM_ChannelRoundTrip(benchmark::State& state)
{
    QTemporaryDir runtime;
    const QString socket = ControlChannel::SocketPathBeside(runtime.filePath("quillo.lock"));
    ServerThread server(socket);
    if (!server.listening) {
        state.SkipWithError("cannot listen");
        return;
    }
    const ControlClient client(socket);
    for (auto _ : state) {
        const ControlClient::Result result = client.Send(QStringLiteral("status"), ControlChannel::kReplyTimeoutMs);
        if (result.outcome != ControlClient::Outcome::Replied) {
            state.SkipWithError("no reply");
            return;
        }
    }
}
BENCHMARK(BM_ChannelRoundTrip)->Unit(benchmark::kMicrosecond);

void BM_RefreshIfChangedWithNoChange(benchmark::State& state)
{
    QTemporaryDir folder;
    const QString path = folder.filePath("snippets.mdb");
    QFile::copy(QStringLiteral(QUILLO_EMPTY_DB), path);
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    SnippetManager store;
    store.OpenSetFile(path);
    for (auto _ : state)
        benchmark::DoNotOptimize(store.RefreshIfChanged());
}
BENCHMARK(BM_RefreshIfChangedWithNoChange)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
