// The store while another program holds the database locked, and when the
// file is replaced or deleted behind its back: real files, a second real
// connection, the real folder watcher.
#include "StoreTestSupport.h"
#include "core/QuilloError.h"
#include "store/StoreWatcher.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <cstdio>
#include <gtest/gtest.h>
#include <sqlite3.h>

namespace {

// A cap so a broken build fails instead of hanging; nothing is measured.
constexpr int kGiveUpMs = 20000;
constexpr int kPollMs = 10;

template <typename Condition> bool PumpUntil(Condition condition)
{
    QDeadlineTimer deadline(kGiveUpMs);
    while (!condition() && !deadline.hasExpired()) {
        QCoreApplication::processEvents();
        QThread::msleep(kPollMs);
    }
    return condition();
}

struct WatchedStore : EmptyStore
{
    QStringList problems;
    int reopened = 0;
    StoreWatcher watcher{store, {[this](const QString& text) { problems << text; }, [this] { ++reopened; }}};

    WatchedStore()
    {
        AddAll({"sig", "sign"});
        watcher.Watch();
    }

    // Another program's file with the rows given, made beside the database.
    QString OtherFile(std::initializer_list<const char*> abbreviations)
    {
        const QString path = folder.File("incoming.mdb");
        QFile::copy(TempProgramFolder::EmptyDatabase(), path);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        SQLite::Database db(path.toStdString(), SQLite::OPEN_READWRITE);
        for (const char* abbreviation : abbreviations) {
            SQLite::Statement insert(db, "insert into snippets (snippet, content, guid) values (?, 'theirs', ?)");
            insert.bind(1, abbreviation);
            insert.bind(2, std::string("G-") + abbreviation);
            insert.exec();
        }
        return path;
    }

    bool Matches(const char* abbreviation) const { return store.GetMatchedSnippet(abbreviation) != nullptr; }
};

} // namespace

// What a key press asks of the store (the change check, the match, the
// suggestion list) is answered from the cache while another program holds
// the database; the re-read follows once the lock is gone, without a key.
TEST(StoreUnderLock, KeysAreServedFromTheCacheAndTheReadFollowsTheLock)
{
    WatchedStore s;
    SQLite::Database other = s.Direct();
    other.exec("begin exclusive");
    other.exec("insert into snippets (snippet, content, guid) values ('brb', 'Be right back', 'G1')");
    long long waits = s.store.BusyWaits();

    EXPECT_FALSE(s.store.RefreshIfChanged());
    EXPECT_TRUE(s.store.RefreshPending());
    ASSERT_TRUE(s.Matches("sig"));
    EXPECT_EQ(Abbreviations(s.store.GetMatchedCol("si")), QStringList({"sig", "sign"}));
    // A reload asked for meanwhile keeps the list instead of emptying it.
    s.store.ChangeSortMethod(0);
    EXPECT_TRUE(s.Matches("sig"));
    s.watcher.CheckNow();
    EXPECT_TRUE(s.watcher.RetryDue());
    EXPECT_EQ(s.store.BusyWaits(), waits) << "nothing on the key path waited for the lock";

    // A user's save does wait for the lock (and then says so): the count is real.
    EXPECT_EQ(ErrorNumber([&] { s.Add("typed"); }) & 0xff, SQLITE_BUSY);
    EXPECT_GT(s.store.BusyWaits(), waits);
    EXPECT_TRUE(s.Matches("sig"));
    waits = s.store.BusyWaits();

    other.exec("commit");
    EXPECT_TRUE(PumpUntil([&] { return s.Matches("brb"); })) << "the pending read was retried";
    EXPECT_FALSE(s.store.RefreshPending());
    EXPECT_EQ(s.store.BusyWaits(), waits);
    EXPECT_TRUE(s.problems.isEmpty());
}

// A sync tool or `mv` puts another file at the path by a rename: its rows
// are matched without a reload, and writes go to it, never to the old file.
TEST(StoreFollowsFile, AFileRenamedIntoPlaceIsReadAndWrittenTo)
{
#ifdef Q_OS_WIN
    GTEST_SKIP() << "Windows moves no file over, or away from, a database the program holds open";
#endif
    WatchedStore s;
    // The new file numbers its rows from 1 as well: id 1 is another snippet there.
    const QString incoming = s.OtherFile({"brb", "omw"});
    const SnippetPtr oldSig = s.store.GetMatchedSnippet("sig")->Clone();
    ASSERT_EQ(std::rename(QFile::encodeName(incoming).constData(),
                          QFile::encodeName(s.folder.DatabasePath()).constData()),
              0);

    EXPECT_TRUE(PumpUntil([&] { return s.Matches("brb"); }));
    EXPECT_FALSE(s.Matches("sig"));
    EXPECT_EQ(s.reopened, 1);
    s.Add("new");
    SQLite::Database direct = s.Direct();
    EXPECT_EQ(direct.execAndGet("select count(*) from snippets where snippet='new'").getInt(), 1);
    // An edit of a snippet read from the old file cannot overwrite the row
    // that has its id in the new one.
    oldSig->contentString = "edited";
    EXPECT_EQ(ErrorNumber([&] { s.store.CommitSnippet(*oldSig); }), SnippetManager::kErrorRowGone);
    s.store.DelSnippet(*oldSig);
    EXPECT_EQ(direct.execAndGet("select content from snippets where snippet='brb'").getString(), "theirs");

    // Noticed at a write as well, before any signal of the folder.
    const QString second = s.OtherFile({"zz"});
    ASSERT_EQ(std::rename(QFile::encodeName(second).constData(),
                          QFile::encodeName(s.folder.DatabasePath()).constData()),
              0);
    s.Add("late");
    EXPECT_TRUE(s.Matches("zz"));
    EXPECT_TRUE(s.Matches("late"));
    EXPECT_TRUE(s.problems.isEmpty());
}

// A deleted database is said once, is never made again as an empty file,
// refuses writes with a clear error, and is read again when it is back.
TEST(StoreFollowsFile, ADeletedDatabaseIsSaidOnceAndNotRecreated)
{
#ifdef Q_OS_WIN
    GTEST_SKIP() << "Windows moves no file over, or away from, a database the program holds open";
#endif
    WatchedStore s;
    const QString path = s.folder.DatabasePath();
    const QString kept = s.folder.File("kept.mdb");
    ASSERT_TRUE(QFile::rename(path, kept));

    EXPECT_TRUE(PumpUntil([&] { return !s.problems.isEmpty(); }));
    EXPECT_EQ(s.store.FollowFile(), SnippetManager::FileState::Gone);
    EXPECT_EQ(ErrorNumber([&] { s.Add("lost"); }), SnippetManager::kErrorDatabaseGone);
    EXPECT_EQ(ErrorNumber([&] { s.store.DelSnippet(*s.store.GetMatchedSnippet("sig")); }),
              SnippetManager::kErrorDatabaseGone);
    EXPECT_FALSE(QFileInfo::exists(path)) << "no empty database was made in its place";
    EXPECT_TRUE(s.Matches("sig")) << "what was read goes on expanding";
    s.watcher.CheckNow();
    ASSERT_EQ(s.problems.size(), 1);
    EXPECT_TRUE(s.problems[0].contains(path) && s.problems[0].contains("gone")) << s.problems[0].toStdString();
    SnippetManager fresh;
    EXPECT_THROW(fresh.OpenSetFile(path), QuilloError);
    EXPECT_FALSE(QFileInfo::exists(path));

    // The user puts a copy back.
    ASSERT_TRUE(QFile::copy(kept, path));
    EXPECT_TRUE(PumpUntil([&] { return s.reopened == 1; }));
    s.Add("back");
    EXPECT_EQ(s.Direct().execAndGet("select count(*) from snippets").getInt(), 3);
    EXPECT_EQ(s.problems.size(), 1);
}
