#include "StoreTestSupport.h"
#include "store/SnippetBackups.h"
#include "store/SnippetSync.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

qint64 now = 1000;
qint64 TestClock()
{
    return now;
}

// Two installations, each with its own program folder, sharing one sync folder.
struct TwoHomes : ::testing::Test
{
    QTemporaryDir shared;
    EmptyStore homeA, homeB;
    SnippetSync a{homeA.store, shared.path(), QStringLiteral("a"), 10};
    SnippetSync b{homeB.store, shared.path(), QStringLiteral("b"), 10};

    TwoHomes()
    {
        homeA.store.SetClock(&TestClock);
        homeB.store.SetClock(&TestClock);
    }

    static SnippetPtr Find(SnippetManager& store, const QString& abbreviation)
    {
        for (const SnippetPtr& s : store.GetSnippetCollection())
            if (s->snippetString == abbreviation)
                return s;
        return nullptr;
    }
    static void Edit(SnippetManager& store, const QString& abbreviation, const QString& content)
    {
        ++now;
        SnippetPtr s = Find(store, abbreviation);
        ASSERT_TRUE(s);
        s->contentString = content;
        store.CommitSnippet(*s);
    }
    static QStringList State(SnippetManager& store)
    {
        QStringList rows;
        for (const SnippetPtr& s : store.GetSnippetCollection())
            rows << QStringLiteral("%1|%2|%3|%4").arg(s->guidString, s->snippetString, s->contentString,
                                                      s->enableSnippet ? "on" : "off");
        rows.sort();
        return rows;
    }
    // Each side writes what it has and takes the other's, until both agree.
    void Exchange()
    {
        a.WriteOwn();
        b.Merge();
        a.Merge();
    }
};

} // namespace

TEST_F(TwoHomes, EditsOnBothSidesConverge)
{
    homeA.Add("adr", "Street 1");
    homeB.Add("sig", "Regards");
    Exchange();
    ASSERT_EQ(State(homeA.store).size(), 2);
    EXPECT_EQ(State(homeA.store), State(homeB.store));

    Edit(homeA.store, "adr", "Street 2");
    Edit(homeB.store, "sig", "Cheers");
    b.WriteOwn();
    Exchange();
    EXPECT_EQ(State(homeA.store), State(homeB.store));
    EXPECT_EQ(Find(homeA.store, "sig")->contentString, "Cheers");
    EXPECT_EQ(Find(homeB.store, "adr")->contentString, "Street 2");
    EXPECT_TRUE(a.Merge().conflicts.isEmpty()) << "agreement is stable";
}

TEST_F(TwoHomes, TwoEditsOfOneSnippetKeepBothTheEarlierDisabledAndNamed)
{
    homeA.Add("adr", "Street 1");
    Exchange();
    Edit(homeA.store, "adr", "Street A");
    Edit(homeB.store, "adr", "Street B"); // later
    b.WriteOwn();
    const int backupsBefore = SnippetBackups(homeA.folder.DatabasePath()).List().size();
    const SnippetSync::Report report = a.Merge();
    ASSERT_EQ(report.conflicts.size(), 1);
    EXPECT_TRUE(report.conflicts[0].contains("adr"));
    const QList<SnippetBackups::Backup> backups = SnippetBackups(homeA.folder.DatabasePath()).List();
    ASSERT_EQ(backups.size(), backupsBefore + 1);
    EXPECT_EQ(backups[0].reason, "sync");

    b.Merge(); // sees the same conflict from its side, and the copy A made
    a.Merge();
    EXPECT_EQ(State(homeA.store), State(homeB.store));
    QStringList contents;
    for (const SnippetPtr& s : homeA.store.GetSnippetCollection())
        contents << s->contentString + (s->enableSnippet ? "" : " (disabled)");
    contents.sort();
    EXPECT_EQ(contents, QStringList({"Street A (disabled)", "Street B"}));
}

TEST_F(TwoHomes, ADeletionTravelsAndALaterEditBringsTheSnippetBack)
{
    homeA.Add("adr");
    homeA.Add("sig");
    Exchange();
    ++now;
    homeA.store.DelSnippet(*Find(homeA.store, "adr"));
    a.WriteOwn();
    EXPECT_EQ(b.Merge().deleted, 1);
    EXPECT_FALSE(Find(homeB.store, "adr"));

    ++now;
    homeB.store.DelSnippet(*Find(homeB.store, "sig"));
    Edit(homeA.store, "sig", "edited after the deletion");
    a.WriteOwn();
    b.Merge();
    a.Merge();
    ASSERT_TRUE(Find(homeB.store, "sig"));
    EXPECT_EQ(State(homeA.store), State(homeB.store));
}

TEST_F(TwoHomes, HalfWrittenAndForeignFilesAreLeftOutWithOneWarningEach)
{
    homeB.Add("sig");
    b.WriteOwn();
    QFile own(b.OwnFile());
    ASSERT_TRUE(own.open(QIODevice::ReadOnly));
    const QByteArray whole = own.readAll();
    QFile half(QDir(shared.path()).filePath("quillo-c.json"));
    ASSERT_TRUE(half.open(QIODevice::WriteOnly));
    half.write(whole.left(whole.size() / 2));
    half.close();
    QFile foreign(QDir(shared.path()).filePath("quillo-d.json"));
    ASSERT_TRUE(foreign.open(QIODevice::WriteOnly));
    foreign.write(R"({"format": "something else", "snippets": []})");
    foreign.close();

    const SnippetSync::Report first = a.Merge();
    EXPECT_EQ(first.warnings.size(), 2);
    EXPECT_EQ(first.added, 1) << "b's own file still merges";
    EXPECT_TRUE(a.Merge().warnings.isEmpty()) << "said once while the files stay as they are";
}

TEST_F(TwoHomes, AUsageCountIsNoEditAndMakesNoConflict)
{
    homeA.Add("adr", "Street 1");
    Exchange();
    ++now;
    SnippetPtr used = Find(homeA.store, "adr");
    used->useCount += 5;
    homeA.store.CommitSnippet(*used);
    Edit(homeB.store, "adr", "Street 2");
    b.WriteOwn();
    Exchange();
    EXPECT_TRUE(a.Merge().conflicts.isEmpty());
    EXPECT_EQ(homeA.store.GetSnippetCollection().size(), 1);
    EXPECT_EQ(Find(homeA.store, "adr")->contentString, "Street 2");
    EXPECT_EQ(Find(homeA.store, "adr")->useCount, 5) << "counts stay each installation's own";
}

TEST(SyncSchema, AnOlderDatabaseKeepsEveryRowAndStampsItWithTheUpgradeTime)
{
    TempProgramFolder folder(false);
    const QString path = folder.File("old.mdb");
    {
        SQLite::Database db(path.toStdString(), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
        db.exec(R"(create table snippets (id integer primary key autoincrement, snippet text, content text,
                   description text, usecount integer, "group" text, enable integer, guid text,
                   triggermode integer not null default 0, onlyin text not null default '',
                   casefollows integer not null default 0))");
        db.exec(R"(insert into snippets (snippet, content, description, usecount, "group", enable, guid)
                   values ('sig', 'Regards', '', 3, 'default', 1, 'A'), ('adr', 'Street', '', 0, 'default', 1, 'B'))");
        db.exec("pragma user_version = 2");
    }
    now += 10;
    SnippetManager store;
    store.SetClock(&TestClock);
    store.OpenSetFile(path);
    const SnippetManager::SyncState state = store.ReadSyncState();
    ASSERT_EQ(Abbreviations(state.snippets), QStringList({"sig", "adr"}));
    EXPECT_EQ(state.snippets[0]->useCount, 3);
    EXPECT_EQ(state.modified.value("A"), now);
    EXPECT_EQ(state.modified.value("B"), now);
    EXPECT_TRUE(QFile::exists(SnippetManager::UpgradeCopyPath(path, 2, 1)));
}
