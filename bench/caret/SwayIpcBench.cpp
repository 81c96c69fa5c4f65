// The compositor's side of a caret query on Wayland: one GET_TREE over
// sway's IPC socket on a kept connection and on a fresh one, with a few
// windows open, and reading the focused window out of a tree as large as
// a busy desktop's.
#include "platform/wayland/SwayIpc.h"
#include "support/HeadlessSway.h"

#include <QCoreApplication>
#include <QThread>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

constexpr int kEditors = 3;
constexpr int kSettleMs = 2000;
constexpr int kLargeTreeWindows = 200;

HeadlessSway* sway = nullptr;

void BM_GetTreeOnAKeptConnection(benchmark::State& state)
{
    SwayIpc ipc(sway->IpcSocket());
    qint64 bytes = 0;
    for (auto _ : state) {
        const auto tree = ipc.Request(SwayIpc::kGetTree);
        if (!tree) {
            state.SkipWithError(qPrintable(ipc.ErrorString()));
            return;
        }
        bytes = tree->size();
    }
    state.SetLabel(std::to_string(bytes) + " bytes of tree");
}
BENCHMARK(BM_GetTreeOnAKeptConnection)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_FocusedWindowOnAFreshConnection(benchmark::State& state)
{
    for (auto _ : state) {
        SwayIpc ipc(sway->IpcSocket());
        const auto window = ipc.FocusedWindow();
        if (!window) {
            state.SkipWithError("no focused window");
            return;
        }
        benchmark::DoNotOptimize(window->content);
    }
}
BENCHMARK(BM_FocusedWindowOnAFreshConnection)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_FocusedWindowInALargeTree(benchmark::State& state)
{
    // As sway writes it: every window with its full set of fields.
    QByteArray windows;
    for (int i = 0; i < kLargeTreeWindows; ++i) {
        const bool last = i == kLargeTreeWindows - 1;
        windows += QByteArray(i ? "," : "") + R"({"id":)" + QByteArray::number(10 + i) +
                   R"(,"type":"con","orientation":"none","percent":0.005,"urgent":false,"marks":[],"focused":)" +
                   (last ? "true" : "false") +
                   R"(,"layout":"none","border":"pixel","current_border_width":2,"rect":{"x":0,"y":0,"width":640,"height":800},)"
                   R"("deco_rect":{"x":0,"y":0,"width":0,"height":0},"window_rect":{"x":2,"y":2,"width":636,"height":796},)"
                   R"("geometry":{"x":0,"y":0,"width":640,"height":480},"name":"Untitled - Editor","window":null,)"
                   R"("nodes":[],"floating_nodes":[],"focus":[],"fullscreen_mode":0,"sticky":false,"pid":)" +
                   QByteArray::number(1000 + i) +
                   R"(,"app_id":"editor","visible":true,"max_render_time":0,"shell":"xdg_shell","inhibit_idle":false,)"
                   R"("idle_inhibitors":{"user":"none","application":"none"}})";
    }
    const QByteArray tree = R"({"id":1,"type":"root","focused":false,"rect":{"x":0,"y":0,"width":1280,"height":800},)"
                            R"("nodes":[{"id":2,"type":"output","focused":false,"nodes":[{"id":3,"type":"workspace",)"
                            R"("focused":false,"nodes":[)" +
                            windows + "]}]}]}";
    for (auto _ : state) {
        const auto window = SwayIpc::FocusedWindowIn(tree);
        if (!window) {
            state.SkipWithError("no focused window found");
            return;
        }
        benchmark::DoNotOptimize(window->content);
    }
    state.SetLabel(std::to_string(kLargeTreeWindows) + " windows, " + std::to_string(tree.size()) + " bytes");
}
BENCHMARK(BM_FocusedWindowInALargeTree)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    HeadlessSway compositor;
    if (!compositor.Start()) {
        std::fprintf(stderr, "no compositor: %s\n", qPrintable(compositor.ErrorString()));
        return 1;
    }
    sway = &compositor;
    QProcessEnvironment qt;
    qt.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
    for (int i = 0; i < kEditors; ++i)
        compositor.StartClient(QStringLiteral(QUILLO_TEST_EDITOR),
                               {"--out", compositor.RuntimeDir() + QStringLiteral("/editor%1.txt").arg(i)}, qt);
    QThread::msleep(kSettleMs);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
