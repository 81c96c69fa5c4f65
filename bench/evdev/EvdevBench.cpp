// The Wayland device path: one key from a (simulated) keyboard to the
// window message the engine handles, through the monitor library's reader
// thread; and the virtual keyboard's work for a text typed key by key.
#include "core/MessageLayer.h"
#include "platform/evdevhook/EvdevKeymap.h"
#include "platform/wayland/UinputKeyOutput.h"
#include "support/SimulatedKeyboard.h"

#include <QCoreApplication>
#include <QLibrary>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr quint32 kHookMessage = MessageLayer::kUserMessage;
constexpr unsigned kKeyA = 30;

void BM_KeyToWindowMessage(benchmark::State& state)
{
    QTemporaryDir folder;
    qputenv("QUILLO_INPUT_DEVICES", folder.path().toLocal8Bit());
    SimulatedKeyboard keyboard(folder.path());
    QLibrary library(QStringLiteral(QUILLO_PROGRAM_DIR "/libevdevhook.so"));
    const auto set = reinterpret_cast<int (*)(void*, unsigned, char*, int)>(library.resolve("SetKeyboardHook"));
    const auto release = reinterpret_cast<void (*)()>(library.resolve("ReleaseKeyboardHook"));
    QObject window;
    int downs = 0;
    MessageLayer::SetWindowProc(&window, [&](QObject*, const WindowMessage& m) {
        if (m.msg == kHookMessage && !(m.lParam & (qintptr(1) << 31)))
            ++downs;
        return qintptr(0);
    });
    char error[512] = {};
    if (!set || !set(&window, kHookMessage, error, sizeof error) || !keyboard.Connect()) {
        state.SkipWithError(error[0] ? error : "the monitor library did not start");
        return;
    }
    for (auto _ : state) {
        const int before = downs;
        keyboard.Tap(kKeyA);
        while (downs == before)
            QCoreApplication::sendPostedEvents();
    }
    release();
    qunsetenv("QUILLO_INPUT_DEVICES");
}
BENCHMARK(BM_KeyToWindowMessage)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_TypeTextThroughTheVirtualKeyboard(benchmark::State& state)
{
    QString error;
    const auto keymap = EvdevKeymap::FromNames({{}, {}, "de", {}, {}}, &error);
    int fds[2] = {-1, -1};
    if (!keymap || ::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
        state.SkipWithError("no keymap or pipe");
        return;
    }
    // Room for the records of the whole text.
    ::fcntl(fds[1], F_SETPIPE_SZ, 1 << 20);
    UinputKeyOutput output(fds[1], keymap, 0);
    QString text;
    while (text.size() < state.range(0))
        text += QString::fromUtf8("Grüße, Straße 7/@ ");
    text.truncate(state.range(0));
    char drain[1 << 16];
    for (auto _ : state) {
        output.TypeText(text);
        while (::read(fds[0], drain, sizeof drain) > 0) {
        }
    }
    state.SetLabel(std::to_string(text.size()) + " chars, German layout");
    ::close(fds[0]);
    ::close(fds[1]);
}
BENCHMARK(BM_TypeTextThroughTheVirtualKeyboard)->Arg(12)->Arg(1000)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
