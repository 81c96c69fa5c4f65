#include "ShellTestSupport.h"
#include "app/FormMsg.h"
#include "core/ProgramFolder.h"
#include "settings/IniFile.h"

#include <QDir>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTimer>
#include <SQLiteCpp/Database.h>
#include <gtest/gtest.h>

namespace {
bool SameIcon(const QIcon& a, const QIcon& b)
{
    return a.pixmap(16).toImage() == b.pixmap(16).toImage();
}
} // namespace

TEST(FormMain, StartsAndShutsDownInOrder)
{
    Shell s;
    EXPECT_EQ(s.hook.calls, QStringList({"set 1024"}));
    ASSERT_TRUE(s.form->trayIcon);
    EXPECT_TRUE(s.form->trayIcon->isVisible());
    EXPECT_EQ(s.form->trayIcon->toolTip(), "Quillo");
    EXPECT_TRUE(SameIcon(s.form->trayIcon->icon(), s.form->picIconNor));
    EXPECT_EQ(s.form->windowTitle(), "Quillo");
    EXPECT_FALSE(s.form->isVisible());
    EXPECT_TRUE(s.form->formMsg->IsParked());
    EXPECT_TRUE(s.form->snippetMgr.IsOpen());
    EXPECT_TRUE(s.form->menu_enableQK->isChecked());
    EXPECT_EQ(s.form->menu_enableQK->text(), "Enable Quillo             Shift+Alt+F12");
    EXPECT_TRUE(s.form->menu_enableSound->isChecked());
    EXPECT_TRUE(s.form->menu_sortbydate->isChecked());
    EXPECT_FALSE(s.form->menu_sortbyabbr->isChecked());
    EXPECT_FALSE(s.form->Timer1.isActive());

    s.Type("sig");
    s.Tap(32);
    s.form->Unload();
    EXPECT_EQ(s.hook.calls, QStringList({"set 1024", "release"}));
    EXPECT_EQ(s.form->trayIcon, nullptr);
    EXPECT_FALSE(s.form->snippetMgr.IsOpen());
    EXPECT_EQ(GetIniValue(s.folder.SettingsPath(), "qk", "SniExp"), "1");
    EXPECT_EQ(GetIniValue(s.folder.SettingsPath(), "qk", "ChrSav"), "9");

    // Messages that still arrive reach no engine.
    const int sent = s.Sent().size();
    MessageLayer::PostMessage(s.form.get(), 1024, 'S', 0);
    Shell::Pump();
    s.form->Unload();
    EXPECT_EQ(s.Sent().size(), sent);
    EXPECT_EQ(s.engine().typedText, "");
}

// A run that ends without an orderly stop (the compositor died and took the
// program with it) keeps the counts of all but the last few seconds.
TEST(FormMain, CountersReachTheFileSoonAfterAnExpansionWithoutAStop)
{
    Shell s;
    s.Type("sig");
    s.Tap(32);
    s.Type("sig");
    s.Tap(32);
    EXPECT_TRUE(QTest::qWaitFor([&] { return GetIniValue(s.folder.SettingsPath(), "qk", "SniExp") == "2"; },
                                FormMain::kCounterSaveDelayMs * 5));
    EXPECT_EQ(GetIniValue(s.folder.SettingsPath(), "qk", "ChrSav"), "18");

    // A later one is written too, and typing that expands nothing writes nothing.
    s.Type("sig");
    s.Tap(32);
    EXPECT_TRUE(QTest::qWaitFor([&] { return GetIniValue(s.folder.SettingsPath(), "qk", "SniExp") == "3"; },
                                FormMain::kCounterSaveDelayMs * 5));
    s.Type("nothing");
    s.Tap(32);
    EXPECT_FALSE(s.form->TimerSaveCounters.isActive());
}

// Counters that cannot be written are said once, not after every expansion.
TEST(FormMain, CountersThatCannotBeSavedAreSaidOnce)
{
    Shell s;
    s.form->TimerSaveCounters.setInterval(0);
    const QString path = s.folder.SettingsPath();
    QFile::remove(path);
    QDir().mkdir(path); // a folder where the file should be
    for (int i = 0; i < 3; ++i) {
        s.Type("sig");
        s.Tap(32);
        Shell::Pump();
    }
    ASSERT_EQ(s.notifier.shown.size(), 1) << s.notifier.shown.join("\n").toStdString();
    EXPECT_TRUE(s.notifier.shown[0].startsWith("warning: The usage counters cannot be saved"));
    EXPECT_TRUE(s.notifier.shown[0].contains(path)) << s.notifier.shown[0].toStdString();

    QDir().rmdir(path);
    s.Type("sig");
    s.Tap(32);
    Shell::Pump();
    EXPECT_EQ(GetIniValue(path, "qk", "SniExp"), "4");
    EXPECT_EQ(s.notifier.shown.size(), 1);
}

TEST(FormMain, ASecondInstanceForTheUserOrTheFolderTouchesNothing)
{
    Shell first;
    Shell second(false);
    const auto startSecond = [&](const QString& folder, const QString& lockPath) {
        second.form.reset();
        second.form = std::make_unique<FormMain>(folder, lockPath,
                                                 FormMainServices{second.hook, second.keys, second.desktop,
                                                                  second.sound, second.urls, second.notifier});
        return second.form->Load();
    };
    // The same runtime folder, another program folder.
    EXPECT_FALSE(startSecond(second.folder.Path(), first.LockPath()));
    EXPECT_TRUE(second.form->AlreadyRunning());
    // Another runtime folder (or none), the same program folder.
    EXPECT_FALSE(startSecond(first.folder.Path(), second.LockPath()));
    EXPECT_TRUE(second.form->AlreadyRunning());
    // The caller says so; no box waits for a click.
    EXPECT_TRUE(second.notifier.shown.isEmpty());
    EXPECT_TRUE(second.hook.calls.isEmpty());
    EXPECT_EQ(second.form->trayIcon, nullptr);

    // Once the first has gone, a new start succeeds.
    first.form->Unload();
    Shell third(false);
    third.form = std::make_unique<FormMain>(first.folder.Path(), first.LockPath(),
                                            FormMainServices{third.hook, third.keys, third.desktop,
                                                             third.sound, third.urls, third.notifier});
    EXPECT_TRUE(third.form->Load());
}

TEST(FormMain, AKeyboardMonitorThatCannotStartEndsTheProgram)
{
    Shell s(false);
    s.hook.FailWith("Cannot open the display \":99\".");
    EXPECT_FALSE(s.Load());
    EXPECT_EQ(s.notifier.shown, QStringList({"critical: Cannot open the display \":99\"."}));
    EXPECT_EQ(s.form->trayIcon, nullptr);
}

TEST(FormMain, StartsWithWhateverWorksAndSaysWhatDidNot)
{
    Shell s(false);
    QFile::remove(s.folder.DatabasePath());
    QDir(s.folder.File("wav")).removeRecursively();
    SetIniValue(s.folder.SettingsPath(), "qk", "EnableQK", "False");
    SetIniValue(s.folder.SettingsPath(), "qk", "SwitchQKKey", "F7");
    SetIniValue(s.folder.SettingsPath(), "qk", "SniExp", "many");
    ASSERT_TRUE(s.Load());
    EXPECT_FALSE(s.form->snippetMgr.IsOpen());
    EXPECT_FALSE(s.form->menu_enableQK->isChecked());
    EXPECT_TRUE(SameIcon(s.form->trayIcon->icon(), s.form->picIcon));
    EXPECT_TRUE(s.form->menu_enableQK->text().endsWith("Shift+Alt+F7"));
    EXPECT_TRUE(s.engine().soundData.isEmpty()) << "no wav folder in the test's program folder";

    // One box, once the program runs, naming each file and why.
    EXPECT_TRUE(s.notifier.shown.isEmpty());
    Shell::Pump();
    ASSERT_EQ(s.notifier.shown.size(), 1) << s.notifier.shown.join("\n").toStdString();
    const QString box = s.notifier.shown[0];
    EXPECT_TRUE(box.startsWith("warning: Quillo has started, but")) << box.toStdString();
    EXPECT_TRUE(box.contains("\"" + s.folder.DatabasePath() + "\": unable to open database file")) << box.toStdString();
    EXPECT_TRUE(box.contains("\"" + s.folder.SettingsPath() + "\" holds values that cannot be read:\nSniExp: \"many\""))
        << box.toStdString();
#ifdef Q_OS_WIN
    const char* const missing = "/wav/type.wav\": Path not found.";
#else
    const char* const missing = "/wav/type.wav\": No such file or directory";
#endif
    EXPECT_TRUE(box.contains(missing)) << box.toStdString();
    EXPECT_TRUE(s.form->IsLoaded());
}

TEST(FormMain, AMissingOptionsFileIsOneLineAndASilencedSoundIsNotMissed)
{
    Shell s(false);
    QFile::remove(s.folder.SettingsPath());
    ASSERT_TRUE(s.Load());
    Shell::Pump();
    ASSERT_EQ(s.notifier.shown.size(), 1);
    EXPECT_EQ(s.notifier.shown[0], "warning: " + FormMain::StartupProblemsText(
                                                     {"The options file \"" + s.folder.SettingsPath() +
                                                      "\" does not exist."}));
    // Without options the sound is off, so its missing name is no problem.
    EXPECT_FALSE(s.form->optMgr.EnablePlaySound());
    s.form->Unload();

    Shell quiet(false);
    SetIniValue(quiet.folder.SettingsPath(), "qk", "SoundName", "gone");
    SetIniValue(quiet.folder.SettingsPath(), "qk", "EnablePlaySound", "False");
    ASSERT_TRUE(quiet.Load());
    Shell::Pump();
    EXPECT_TRUE(quiet.notifier.shown.isEmpty()) << quiet.notifier.shown.join("\n").toStdString();
}

// A row another program numbered beyond our ids: the rest of the list loads
// and the box names the row left out.
TEST(FormMain, RowsWithIdsBeyondReachAreNamedAndTheRestLoads)
{
    Shell s(false);
    {
        SQLite::Database direct(s.folder.DatabasePath().toStdString(), SQLite::OPEN_READWRITE);
        direct.exec("insert into snippets (id, snippet, content, guid) values (2147483648, 'far', 'x', 'G')");
    }
    ASSERT_TRUE(s.Load());
    EXPECT_TRUE(s.form->snippetMgr.GetMatchedSnippet("sig"));
    Shell::Pump();
    ASSERT_EQ(s.notifier.shown.size(), 1) << s.notifier.shown.join("\n").toStdString();
    EXPECT_TRUE(s.notifier.shown[0].contains("id 2147483648 (abbreviation \"far\")")) << s.notifier.shown[0].toStdString();
}

TEST(FormMain, TrayMenuEntriesSwitchTheOptions)
{
    Shell s;
    s.form->menu_enableQK->trigger();
    EXPECT_FALSE(s.form->optMgr.EnableQK());
    EXPECT_FALSE(s.form->menu_enableQK->isChecked());
    EXPECT_TRUE(SameIcon(s.form->trayIcon->icon(), s.form->picIcon));
    s.form->menu_enableQK->trigger();
    EXPECT_TRUE(s.form->optMgr.EnableQK());
    EXPECT_TRUE(s.form->menu_enableQK->isChecked());
    EXPECT_TRUE(SameIcon(s.form->trayIcon->icon(), s.form->picIconNor));

    s.form->menu_enableSound->trigger();
    EXPECT_FALSE(s.form->optMgr.EnablePlaySound());
    EXPECT_EQ(GetIniValue(s.folder.SettingsPath(), "qk", "EnablePlaySound"), "False");

    s.form->optMgr.SetSwitchQKKey("F9");
    EXPECT_EQ(s.form->menu_enableQK->text(), "Enable Quillo             Shift+Alt+F9");

    s.form->menu_help->trigger();
    ASSERT_EQ(s.urls.opened.size(), 1);
    // The installed help page, unless the folder has one of its own.
    EXPECT_EQ(s.urls.opened[0], QUrl::fromLocalFile(ProgramFolder::SharedFolder() + "/help/index.html"));
    ASSERT_TRUE(QDir(s.folder.Path()).mkpath("help"));
    QFile own(s.folder.File("help/index.html"));
    ASSERT_TRUE(own.open(QIODevice::WriteOnly));
    own.close();
    s.form->menu_help->trigger();
    ASSERT_EQ(s.urls.opened.size(), 2);
    EXPECT_EQ(s.urls.opened[1], QUrl::fromLocalFile(s.folder.Path() + "/help/index.html"));
    EXPECT_TRUE(s.notifier.shown.isEmpty());
}

TEST(FormMain, AFailedOptionWriteFromTheMenuIsShown)
{
    Shell s;
    QFile::remove(s.folder.SettingsPath());
    QDir().mkdir(s.folder.SettingsPath()); // a folder where the file should be
    s.form->menu_enableSound->trigger();
    ASSERT_EQ(s.notifier.shown.size(), 1);
    EXPECT_TRUE(s.notifier.shown[0].startsWith("warning: Cannot")) << s.notifier.shown[0].toStdString();
    EXPECT_TRUE(s.notifier.shown[0].contains(s.folder.SettingsPath()));
    EXPECT_FALSE(s.form->menu_enableSound->isChecked());
}

TEST(FormMain, SortEntriesActAsAPairAndToggleDirection)
{
    Shell s;
    s.form->menu_sortbyabbr->trigger();
    EXPECT_TRUE(s.form->menu_sortbyabbr->isChecked());
    EXPECT_FALSE(s.form->menu_sortbydate->isChecked());
    EXPECT_EQ(s.form->snippetMgr.CurrentOrderClause(), " order by snippet desc");
    s.form->menu_sortbyabbr->trigger();
    EXPECT_TRUE(s.form->menu_sortbyabbr->isChecked());
    EXPECT_EQ(s.form->snippetMgr.CurrentOrderClause(), " order by snippet");
    s.form->menu_sortbydate->trigger();
    EXPECT_TRUE(s.form->menu_sortbydate->isChecked());
    EXPECT_FALSE(s.form->menu_sortbyabbr->isChecked());
    EXPECT_EQ(s.form->snippetMgr.CurrentOrderClause(), " order by id");
}

TEST(FormMain, TheTrayMenuClosesWhenTheUserTurnsToAnotherWindow)
{
    Shell s;
    bool shown = false;
    // While the menu runs its own loop, the user clicks into another window.
    QTimer::singleShot(50, [&] {
        shown = s.form->mainmenu->isVisible();
        s.desktop.foreground = 77;
    });
    MessageLayer::PostMessage(s.form.get(), 1124, FormMain::kTrayIconId, FormMain::kRightButtonDown);
    QTRY_VERIFY_WITH_TIMEOUT(shown && !s.form->mainmenu->isVisible(), 10000);
    EXPECT_FALSE(s.form->TimerCancelMenu.isActive());

    // Button-up notifications open nothing.
    MessageLayer::PostMessage(s.form.get(), 1124, FormMain::kTrayIconId, 514);
    Shell::Pump();
    EXPECT_FALSE(s.form->mainmenu->isVisible());
    EXPECT_FALSE(s.form->TimerCancelMenu.isActive());
}

TEST(FormMain, ExitShutsDown)
{
    Shell s;
    s.form->menu_exit->trigger();
    EXPECT_FALSE(s.form->IsLoaded());
    EXPECT_EQ(s.form->trayIcon, nullptr);
    EXPECT_EQ(s.hook.calls.last(), "release");
}
