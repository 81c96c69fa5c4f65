// Costs of the engine against fakes: one key event that is not a trigger
// through the main window's procedure, and one whole expansion.
#include "app/FormMain.h"
#include "app/ExpansionEngine.h"
#include "app/UserNotifier.h"
#include "core/MessageLayer.h"
#include "platform/FakeDesktop.h"
#include "platform/FakeKeyboardHook.h"
#include "platform/FakeSoundPlayer.h"
#include "platform/FakeUrlOpener.h"
#include "platform/RecordingKeyOutput.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

struct SilentNotifier : UserNotifier
{
    void Plain(const QString&) override {}
    void Critical(const QString&) override {}
    void Warning(const QString&) override {}
};

struct Bench
{
    QTemporaryDir folder;
    FakeKeyboardHook hook;
    RecordingKeyOutput keys;
    FakeDesktop desktop;
    FakeSoundPlayer sound;
    FakeUrlOpener urls;
    SilentNotifier notifier;
    std::unique_ptr<FormMain> form;

    Bench()
    {
        for (const char* name : {"snippets.mdb", "settings.ini"}) {
            QFile::copy(QStringLiteral(QUILLO_DEMO_DIR "/") + name, folder.filePath(name));
            QFile::setPermissions(folder.filePath(name), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        }
        form = std::make_unique<FormMain>(folder.path(), folder.filePath("quillo.lock"),
                                          FormMainServices{hook, keys, desktop, sound, urls, notifier});
        form->Load();
    }
};

void KeyEventOutsideExpansion(benchmark::State& state)
{
    Bench bench;
    // Letters press and release in turn; the buffer keeps its last 10.
    const quintptr letters[] = {'Q', 'W', 'E', 'R', 'T'};
    std::size_t i = 0;
    for (auto _ : state) {
        const quintptr key = letters[(i / 2) % 5];
        MessageLayer::SendMessage(bench.form.get(), MessageLayer::kUserMessage, key,
                                  (i & 1) ? qintptr(1) << 31 : 0);
        ++i;
    }
}

// Typing in a window a rule excludes: every key starts a word, so the rules
// are consulted for each (20 classes, and with range 1 also 5 title patterns).
void KeyEventInAnExcludedWindow(benchmark::State& state)
{
    Bench bench;
    for (int i = 0; i < 20; ++i)
        bench.form->optMgr.AddExcludeRule(QStringLiteral("app%1").arg(i));
    if (state.range(0))
        for (int i = 0; i < 5; ++i)
            bench.form->optMgr.AddExcludeRule(QStringLiteral("title:*secret %1*").arg(i));
    bench.desktop.windowClass = {QStringLiteral("app19"), QStringLiteral("App19")};
    bench.desktop.title = QStringLiteral("a document - an editor");
    const quintptr letters[] = {'Q', 'W', 'E', 'R', 'T'};
    std::size_t i = 0;
    for (auto _ : state) {
        const quintptr key = letters[(i / 2) % 5];
        MessageLayer::SendMessage(bench.form.get(), MessageLayer::kUserMessage, key,
                                  (i & 1) ? qintptr(1) << 31 : 0);
        ++i;
    }
    if (!bench.form->engine->typedText.isEmpty())
        state.SkipWithError("the window was not excluded");
}

void WholeExpansion(benchmark::State& state)
{
    Bench bench;
    for (auto _ : state) {
        for (quintptr key : {quintptr('S'), quintptr('I'), quintptr('G')}) {
            MessageLayer::SendMessage(bench.form.get(), MessageLayer::kUserMessage, key, 0);
            MessageLayer::SendMessage(bench.form.get(), MessageLayer::kUserMessage, key, qintptr(1) << 31);
        }
        MessageLayer::SendMessage(bench.form.get(), MessageLayer::kUserMessage, 32, 0);
        bench.keys.Clear();
    }
}

} // namespace

BENCHMARK(KeyEventOutsideExpansion)->Unit(benchmark::kNanosecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(KeyEventInAnExcludedWindow)->Arg(0)->Arg(1)->Unit(benchmark::kNanosecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(WholeExpansion)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
