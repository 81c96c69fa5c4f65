// A snippet database that another program holds locked while Quillo starts.
#include "ShellTestSupport.h"

#include <SQLiteCpp/Database.h>
#include <gtest/gtest.h>
#include <thread>

namespace {

// Shorter than the program's patience, longer than one busy wait of SQLite.
constexpr int kBriefLockMs = 1800;

} // namespace

TEST(StartupRetry, ADatabaseLockedForAMomentIsWaitedFor)
{
    Shell s(false);
    SQLite::Database other(s.folder.DatabasePath().toStdString(), SQLite::OPEN_READWRITE);
    other.exec("begin exclusive");
    other.exec("update snippets set content = content");
    std::thread release([&other] {
        std::this_thread::sleep_for(std::chrono::milliseconds(kBriefLockMs));
        other.exec("commit");
    });
    const bool loaded = s.Load();
    release.join();
    ASSERT_TRUE(loaded);
    Shell::Pump();
    EXPECT_TRUE(s.form->snippetMgr.IsOpen());
    EXPECT_TRUE(s.form->snippetMgr.GetMatchedSnippet("sig"));
    EXPECT_EQ(s.notifier.shown, QStringList());
}

TEST(StartupRetry, ADatabaseThatStaysLockedIsNamedAndTheRestStarts)
{
    Shell s(false);
    SQLite::Database other(s.folder.DatabasePath().toStdString(), SQLite::OPEN_READWRITE);
    other.exec("begin exclusive");
    other.exec("update snippets set content = content");
    ASSERT_TRUE(s.Load());
    other.exec("rollback");
    Shell::Pump();
    ASSERT_EQ(s.notifier.shown.size(), 1);
    EXPECT_TRUE(s.notifier.shown[0].startsWith("warning: Quillo has started, but not everything could be loaded"));
    EXPECT_TRUE(s.notifier.shown[0].contains("locked")) << s.notifier.shown[0].toStdString();
    EXPECT_FALSE(s.form->snippetMgr.IsOpen());
    EXPECT_TRUE(s.form->trayIcon);
}
