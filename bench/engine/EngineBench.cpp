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
#include "store/SnippetManager.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>
#include <benchmark/benchmark.h>
#include <initializer_list>
#include <vector>

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

    // snippets: that many more snippets, all in the trigger mode given.
    explicit Bench(int snippets = 0, Snippet::TriggerMode mode = Snippet::TriggerMode::AfterDelimiter)
    {
        for (const char* name : {"snippets.mdb", "settings.ini"}) {
            QFile::copy(QStringLiteral(QUILLO_DEMO_DIR "/") + name, folder.filePath(name));
            QFile::setPermissions(folder.filePath(name), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        }
        if (snippets > 0) {
            SnippetManager().OpenSetFile(folder.filePath("snippets.mdb")); // gives the file the mode column
            SQLite::Database db(folder.filePath("snippets.mdb").toStdString(), SQLite::OPEN_READWRITE);
            SQLite::Transaction transaction(db);
            SQLite::Statement insert(db, "insert into snippets (snippet, content, triggermode) values (?, ?, ?)");
            for (int i = 0; i < snippets; ++i) {
                // Lower-case abbreviations of up to 10 letters; the keys typed
                // below are upper case and never complete one.
                insert.bind(1, "a" + std::to_string(i) + "z");
                insert.bind(2, "content " + std::to_string(i));
                insert.bind(3, static_cast<int>(mode));
                insert.exec();
                insert.reset();
            }
            transaction.commit();
        }
        form = std::make_unique<FormMain>(folder.path(), folder.filePath("quillo.lock"),
                                          FormMainServices{hook, keys, desktop, sound, urls, notifier});
        form->Load();
    }

    // Each key pressed and released in turn, round and round, one event an
    // iteration.
    void PressAndReleaseInTurn(benchmark::State& state, std::initializer_list<quintptr> keys)
    {
        const std::vector<quintptr> order(keys);
        std::size_t i = 0;
        for (auto _ : state) {
            MessageLayer::SendMessage(form.get(), MessageLayer::kUserMessage, order[(i / 2) % order.size()],
                                      (i & 1) ? qintptr(1) << 31 : 0);
            ++i;
        }
    }
};

void KeyEventOutsideExpansion(benchmark::State& state)
{
    Bench bench;
    // Letters press and release in turn; the buffer keeps its last 10.
    bench.PressAndReleaseInTurn(state, {'Q', 'W', 'E', 'R', 'T'});
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
    bench.PressAndReleaseInTurn(state, {'Q', 'W', 'E', 'R', 'T'});
    if (!bench.form->engine->typedText.isEmpty())
        state.SkipWithError("the window was not excluded");
}

// One key event with 10,000 snippets in the trigger mode of the argument:
// letters only (range 1 = 0), or words of five letters and a Space (1).
void KeyEventPerMode(benchmark::State& state)
{
    const auto mode = static_cast<Snippet::TriggerMode>(state.range(0));
    Bench bench(10000, mode);
    bench.PressAndReleaseInTurn(state, {'Q', 'W', 'E', 'R', 'T', state.range(1) ? quintptr(32) : quintptr('Y')});
    state.SetLabel(Snippet::TriggerModeName(mode).toStdString() + (state.range(1) ? ", words" : ", letters"));
}

// The matcher alone, 10,000 snippets in the trigger mode of the argument:
// what a key costs it (the whole-word look-up of an immediate snippet after
// each character; the word-end look-up at each delimiter otherwise), on
// words that match nothing. A second argument of 1 makes every snippet's
// case follow the typing (matched in any case).
void MatcherPerKey(benchmark::State& state)
{
    const auto mode = static_cast<Snippet::TriggerMode>(state.range(0));
    const bool anyCase = state.range(1) != 0;
    SnippetCollection snippets;
    for (int i = 0; i < 10000; ++i) {
        auto snippet = std::make_shared<Snippet>(Snippet::kNoGuid);
        snippet->snippetID = i + 1;
        snippet->snippetString = QStringLiteral("a%1z").arg(i);
        snippet->triggerMode = mode;
        snippet->caseFollows = anyCase;
        snippets.append(snippet);
    }
    const AbbreviationIndex index(snippets);
    const QString words[] = {QStringLiteral("q"), QStringLiteral("qw"), QStringLiteral("qwe"),
                             QStringLiteral("qwert"), QStringLiteral("xa17z"), QStringLiteral("bringinga")};
    std::size_t i = 0;
    for (auto _ : state) {
        const QString& word = words[i++ % 6];
        if (mode == Snippet::TriggerMode::Immediately)
            benchmark::DoNotOptimize(index.Immediate(word));
        else
            benchmark::DoNotOptimize(index.AtWordEnd(word));
    }
    state.SetLabel(Snippet::TriggerModeName(mode).toStdString() + (anyCase ? ", any case" : ""));
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
BENCHMARK(KeyEventPerMode)
    ->ArgsProduct({{0, 1, 2}, {0, 1}})
    ->Unit(benchmark::kNanosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(MatcherPerKey)->ArgsProduct({{0, 1, 2}, {0, 1}})->Unit(benchmark::kNanosecond)->Repetitions(5)->ReportAggregatesOnly(true);
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
