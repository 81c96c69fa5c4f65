// Opening the settings window's snippets page on 1,000 and 10,000 snippets,
// offscreen, on a real store: the window is created, shown, the list fetched
// and handed to the pad. Also a search that lists everything again, and
// scrolling the long list to its end.
#include "app/FormMain.h"
#include "app/UserNotifier.h"
#include "controls/DoEvents.h"
#include "controls/QKVScroll.h"
#include "platform/FakeDesktop.h"
#include "platform/FakeKeyboardHook.h"
#include "platform/FakeSoundPlayer.h"
#include "platform/FakeUrlOpener.h"
#include "platform/RecordingKeyOutput.h"
#include "ui/FormSetting.h"
#include "ui/SettingsShell.h"
#include "ui/SnippetsPad.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

struct SilentNotifier : UserNotifier
{
    void Plain(const QString&) override {}
    void Critical(const QString&) override {}
    void Warning(const QString&) override {}
};

// A program folder whose store holds n snippets, and a loaded main window
// on fake desktop services.
struct Program
{
    QTemporaryDir folder;
    QTemporaryDir runtime;
    FakeKeyboardHook hook;
    RecordingKeyOutput keys;
    FakeDesktop desktop;
    FakeSoundPlayer sound;
    FakeUrlOpener urls;
    SilentNotifier notifier;
    std::unique_ptr<FormMain> form;
    std::unique_ptr<SettingsShell> shell;

    explicit Program(int n)
    {
        const QString db = folder.filePath(QStringLiteral("snippets.mdb"));
        QFile::copy(QStringLiteral(QUILLO_EMPTY_DB), db);
        QFile::setPermissions(db, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QFile::copy(QStringLiteral(QUILLO_PROGRAM_DIR "/settings.ini"), folder.filePath(QStringLiteral("settings.ini")));
        QFile::setPermissions(folder.filePath(QStringLiteral("settings.ini")),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        {
            SQLite::Database database(db.toStdString(), SQLite::OPEN_READWRITE);
            SQLite::Transaction transaction(database);
            SQLite::Statement insert(database, R"(insert into snippets (snippet, content, guid) values (?, ?, ?))");
            for (int i = 0; i < n; ++i) {
                insert.bind(1, QStringLiteral("a%1").arg(i, 5, 10, QLatin1Char('0')).toStdString());
                insert.bind(2, QStringLiteral("Content of snippet number %1, a sentence of ordinary length.")
                                   .arg(i).toStdString());
                insert.bind(3, QStringLiteral("%1-0000-4000-8000-000000000000")
                                   .arg(i, 8, 16, QLatin1Char('0')).toUpper().toStdString());
                insert.exec();
                insert.reset();
            }
            transaction.commit();
        }
        form = std::make_unique<FormMain>(folder.path(), runtime.filePath(QStringLiteral("quillo.lock")),
                                          FormMainServices{hook, keys, desktop, sound, urls, notifier});
        form->Load();
        shell = std::make_unique<SettingsShell>(*form);
        form->SetShellCommands(shell.get());
    }
    ~Program()
    {
        CloseWindow();
        shell.reset();
        form->Unload();
    }
    void CloseWindow()
    {
        shell->CloseWindows();
        DoEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

void OpenSnippetsPage(benchmark::State& state)
{
    Program program(int(state.range(0)));
    for (auto _ : state) {
        program.shell->ShowSettings(1);
        state.PauseTiming();
        if (program.shell->Window()->oSnippetsPad->RowCount() != state.range(0))
            state.SkipWithError("the list is incomplete");
        state.counters["panels"] = program.shell->Window()->oSnippetsPad->LivePanels();
        program.CloseWindow();
        state.ResumeTiming();
    }
}

void SearchEverything(benchmark::State& state)
{
    Program program(int(state.range(0)));
    program.shell->ShowSettings(1);
    for (auto _ : state)
        program.shell->CallSortSnippetList(); // Enter in an empty search box
}

void ScrollToTheEnd(benchmark::State& state)
{
    Program program(int(state.range(0)));
    program.shell->ShowSettings(1);
    QKVScroll* bar = program.shell->Window()->oVScroll;
    bool atEnd = false;
    for (auto _ : state) {
        bar->ScrollTo(atEnd ? bar->Min() : bar->Max());
        DoEvents();
        atEnd = !atEnd;
    }
}

} // namespace

BENCHMARK(OpenSnippetsPage)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(SearchEverything)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(ScrollToTheEnd)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
