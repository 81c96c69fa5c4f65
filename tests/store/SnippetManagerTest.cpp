#include "StoreTestSupport.h"
#include "core/QuilloError.h"

#include <QFile>
#include <QTimer>
#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>
#include <gtest/gtest.h>

namespace {

int RowCount(SQLite::Database& db)
{
    return db.execAndGet("select count(*) from snippets").getInt();
}

// Expects a QuilloError whose message names the file and holds the reason.
template <typename Call>
void ExpectStoreError(Call call, const QString& path, const QString& reason)
{
    try {
        call();
        ADD_FAILURE() << "no error for " << path.toStdString();
    } catch (const QuilloError& e) {
        EXPECT_EQ(e.Source(), "SnippetManager");
        EXPECT_TRUE(e.Message().contains(path)) << e.Message().toStdString();
        EXPECT_TRUE(e.Message().contains(reason, Qt::CaseInsensitive)) << e.Message().toStdString();
    }
}

} // namespace

TEST(SnippetManager, OpensTheSampleFolderInOrderOfAdding)
{
    TempProgramFolder folder;
    SnippetManager store;
    EXPECT_EQ(store.OpenSetFile(folder.DatabasePath()), 0);
    EXPECT_EQ(Abbreviations(store.GetSnippetCollection()), QStringList({"sig", "today", "addr", "ty"}));
    EXPECT_EQ(store.GetMatchedSnippet("sig")->contentString, "Best regards");
    EXPECT_TRUE(store.GetMatchedSnippet("addr")->contentString.contains('\n'));
}

TEST(SnippetManager, MatchingIsCaseSensitiveAndKeepsCacheOrder)
{
    EmptyStore s;
    s.AddAll({"sig", "xs", "Sig", "sign"});
    EXPECT_EQ(Abbreviations(s.store.GetMatchedCol("sig")), QStringList({"sig", "sign"}));
    EXPECT_EQ(Abbreviations(s.store.GetMatchedCol("")), QStringList({"sig", "xs", "Sig", "sign"}));
    EXPECT_TRUE(s.store.GetMatchedCol("sigx").isEmpty());
    ASSERT_TRUE(s.store.GetMatchedSnippet("Sig"));
    EXPECT_EQ(s.store.GetMatchedSnippet("Sig")->snippetString, "Sig");
    EXPECT_FALSE(s.store.GetMatchedSnippet("SIG"));
    EXPECT_FALSE(s.store.GetMatchedSnippet("si"));
    // Matching lends the cached objects themselves.
    EXPECT_EQ(s.store.GetMatchedCol("sig").first().get(), s.store.GetMatchedSnippet("sig").get());
}

TEST(SnippetManager, DuplicateAbbreviationMatchesTheFirstInCurrentOrder)
{
    EmptyStore s;
    const SnippetPtr older = s.Add("dup", "older");
    const SnippetPtr newer = s.Add("dup", "newer");
    EXPECT_EQ(s.store.GetMatchedSnippet("dup")->snippetID, older->snippetID);
    s.store.ChangeSortMethod(1);
    EXPECT_EQ(s.store.GetMatchedSnippet("dup")->snippetID, newer->snippetID);
}

TEST(SnippetManager, SortMethodTogglesAsTheMenuExpects)
{
    EmptyStore s;
    s.AddAll({"b", "c", "a"});
    struct Step
    {
        qint16 sortInt;
        const char* clause;
        QStringList order;
    };
    const Step steps[] = {
        {1, " order by id desc", {"a", "c", "b"}},
        {1, " order by id", {"b", "c", "a"}},
        {2, " order by snippet desc", {"c", "b", "a"}},
        {2, " order by snippet", {"a", "b", "c"}},
        {1, " order by id", {"b", "c", "a"}},
        {2, " order by snippet desc", {"c", "b", "a"}},
        {1, " order by id", {"b", "c", "a"}},
        {1, " order by id desc", {"a", "c", "b"}},
        {2, " order by snippet desc", {"c", "b", "a"}},
        {7, " order by snippet desc", {"c", "b", "a"}},
    };
    EXPECT_EQ(s.store.CurrentOrderClause(), " order by id");
    for (const Step& step : steps) {
        EXPECT_EQ(s.store.ChangeSortMethod(step.sortInt), 0);
        EXPECT_EQ(s.store.CurrentOrderClause(), step.clause);
        EXPECT_EQ(Abbreviations(s.store.GetSnippetCollection()), step.order) << step.clause;
    }
}

TEST(SnippetManager, EverySortCallRebuildsTheCacheEvenForAnUnknownChoice)
{
    EmptyStore s;
    s.AddAll({"a"});
    s.Direct().exec("insert into snippets (snippet, content) values ('external', 'x')");
    EXPECT_FALSE(s.store.GetMatchedSnippet("external"));
    s.store.ChangeSortMethod(0);
    EXPECT_EQ(s.store.CurrentOrderClause(), " order by id");
    EXPECT_TRUE(s.store.GetMatchedSnippet("external"));
}

TEST(SnippetManager, ListingHandsOutIndependentClones)
{
    EmptyStore s;
    s.AddAll({"sig", "ty"});
    SnippetCollection listed = s.store.GetSnippetCollection(QStringLiteral("   "));
    ASSERT_EQ(listed.size(), 2);
    listed[0]->snippetString = "changed";
    EXPECT_TRUE(s.store.GetMatchedSnippet("sig"));
    EXPECT_NE(listed[1].get(), s.store.GetMatchedSnippet("ty").get());
}

TEST(SnippetManager, SearchCoversAbbreviationAndContentWithPatterns)
{
    EmptyStore s;
    s.Add("sig", "Best regards");
    s.Add("on", "Mr ONeil");
    s.Add("pct", "100% sure");
    s.Add("sag", "so long");
    s.store.ChangeSortMethod(2); // descending abbreviation order

    EXPECT_EQ(Abbreviations(s.store.GetSnippetCollection("regards")), QStringList({"sig"}));
    EXPECT_EQ(Abbreviations(s.store.GetSnippetCollection("O'Neil")), QStringList({"on"}));
    EXPECT_EQ(Abbreviations(s.store.GetSnippetCollection("s_g")), QStringList({"sig", "sag"}));
    EXPECT_EQ(Abbreviations(s.store.GetSnippetCollection("s%g")), QStringList({"sig", "sag"}));
    EXPECT_EQ(Abbreviations(s.store.GetSnippetCollection("0%")), QStringList({"pct"}));
    EXPECT_TRUE(s.store.GetSnippetCollection("nothing like it").isEmpty());
    // A search text is data, never part of the statement.
    EXPECT_TRUE(s.store.GetSnippetCollection("x' or 1=1 --").isEmpty());
    EXPECT_EQ(s.store.GetSnippetCollection().size(), 4);
}

TEST(SnippetManager, CommitInsertsAndUpdatesEveryField)
{
    EmptyStore s;
    Snippet fresh;
    fresh.snippetString = "x');drop/**/table/**/snippets;--";
    fresh.contentString = QString::fromUtf8("Grüße 😀\r\nline two\ttab") + QString(100000, 'x');
    fresh.desString = "";
    fresh.useCount = 12;
    fresh.groupName = "work";
    fresh.enableSnippet = false;

    const SnippetPtr stored = s.store.CommitSnippet(fresh);
    EXPECT_EQ(fresh.snippetID, -1);
    EXPECT_GT(stored->snippetID, 0);
    EXPECT_EQ(stored->guidString, fresh.guidString);

    const SnippetPtr cached = s.store.GetMatchedSnippet(fresh.snippetString);
    ASSERT_TRUE(cached);
    EXPECT_EQ(cached->snippetID, stored->snippetID);
    EXPECT_EQ(cached->contentString, fresh.contentString);
    EXPECT_EQ(cached->desString, "");
    EXPECT_EQ(cached->useCount, 12);
    EXPECT_EQ(cached->groupName, "work");
    EXPECT_FALSE(cached->enableSnippet);
    EXPECT_EQ(cached->guidString, fresh.guidString);

    // An update rewrites every field but the row's identity.
    Snippet edit = *stored;
    edit.snippetString = "new";
    edit.contentString = "new content";
    edit.enableSnippet = true;
    edit.guidString = "00000000-0000-0000-0000-000000000000";
    const SnippetPtr updated = s.store.CommitSnippet(edit);
    EXPECT_EQ(updated->snippetID, stored->snippetID);
    const SnippetPtr reread = s.store.GetMatchedSnippet("new");
    ASSERT_TRUE(reread);
    EXPECT_EQ(reread->contentString, "new content");
    EXPECT_TRUE(reread->enableSnippet);
    EXPECT_EQ(reread->guidString, fresh.guidString);
    EXPECT_EQ(s.store.GetSnippetCollection().size(), 1);

    // The store itself takes empty and duplicate abbreviations as they come.
    s.Add("");
    s.Add("new");
    EXPECT_EQ(s.store.GetSnippetCollection().size(), 3);
}

TEST(SnippetManager, UpdatingARowThatIsGoneIsAnError)
{
    EmptyStore s;
    const SnippetPtr stored = s.Add("gone");
    s.Direct().exec("delete from snippets");
    try {
        s.store.CommitSnippet(*stored);
        FAIL() << "no error";
    } catch (const QuilloError& e) {
        EXPECT_EQ(e.Number(), SnippetManager::kErrorRowGone);
        EXPECT_TRUE(e.Message().contains("gone"));
    }
    auto db = s.Direct();
    EXPECT_EQ(RowCount(db), 0);
}

TEST(SnippetManager, DeleteRemovesTheRowAndIgnoresUnstoredSnippets)
{
    EmptyStore s;
    const SnippetPtr a = s.Add("a");
    s.Add("b");
    EXPECT_EQ(s.store.DelSnippet(*a), 0);
    EXPECT_EQ(Abbreviations(s.store.GetSnippetCollection()), QStringList({"b"}));

    // An unstored snippet touches nothing, not even the cache.
    s.Direct().exec("insert into snippets (snippet) values ('external')");
    EXPECT_EQ(s.store.DelSnippet(Snippet()), 0);
    EXPECT_FALSE(s.store.GetMatchedSnippet("external"));
    auto db = s.Direct();
    EXPECT_EQ(RowCount(db), 2);
}

TEST(SnippetManager, ForeignRowsWithNullsLoadWithDefaults)
{
    TempProgramFolder folder(false);
    const QString path = folder.File("foreign.mdb");
    {
        SQLite::Database db(path.toStdString(), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
        db.exec(R"(create table snippets (id integer primary key autoincrement, snippet text,
                   content text, description text, usecount integer, "group" text, enable integer,
                   guid text, extra text))");
        db.exec("insert into snippets (snippet) values (null)");
        db.exec(R"(insert into snippets (snippet, content, description, usecount, "group", enable, guid)
                   values ('ok', 'fine', 'd', 3000000000, 'g', 'True', 'ABC'))");
        db.exec("insert into snippets (snippet, enable, usecount) values ('off', 'false', -5)");
    }
    SnippetManager store;
    store.OpenSetFile(path);
    const SnippetCollection all = store.GetSnippetCollection();
    ASSERT_EQ(all.size(), 3);
    EXPECT_EQ(all[0]->snippetString, "");
    EXPECT_EQ(all[0]->contentString, "");
    EXPECT_EQ(all[0]->groupName, "default");
    EXPECT_TRUE(all[0]->enableSnippet);
    EXPECT_EQ(all[0]->useCount, 0);
    EXPECT_EQ(all[0]->guidString.size(), 36);
    EXPECT_EQ(all[1]->useCount, std::numeric_limits<int>::max());
    EXPECT_TRUE(all[1]->enableSnippet);
    EXPECT_EQ(all[1]->guidString, "ABC");
    EXPECT_FALSE(all[2]->enableSnippet);
    EXPECT_EQ(all[2]->useCount, -5);
}

TEST(SnippetManager, BadDatabaseFilesGiveClearErrorsAndAnEmptyStore)
{
    TempProgramFolder folder(false);

    const QString missing = folder.File("missing.mdb");
    SnippetManager store;
    ExpectStoreError([&] { store.OpenSetFile(missing); }, missing, "unable to open");
    EXPECT_FALSE(QFile::exists(missing)) << "a missing database must not be created";
    EXPECT_FALSE(store.IsOpen());

    const QString text = folder.File("text.mdb");
    QFile file(text);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(4096, 'z'));
    file.close();
    ExpectStoreError([&] { store.OpenSetFile(text); }, text, "not a database");
    EXPECT_TRUE(store.GetMatchedCol("").isEmpty());
    EXPECT_TRUE(store.GetSnippetCollection().isEmpty());

    const QString noTable = folder.File("notable.mdb");
    SQLite::Database(noTable.toStdString(), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE).exec("create table other (x)");
    ExpectStoreError([&] { store.OpenSetFile(noTable); }, noTable, "no such table");

    // Nothing to write to: a clear error, not a crash.
    try {
        store.CommitSnippet(Snippet());
        FAIL() << "no error";
    } catch (const QuilloError& e) {
        EXPECT_EQ(e.Number(), SnippetManager::kErrorNoDatabase);
    }
}

TEST(SnippetManager, ALockHeldByAnotherConnectionIsReportedAndLosesNothing)
{
    EmptyStore s;
    s.Add("kept");
    SQLite::Database other = s.Direct();
    other.exec("begin exclusive");
    ExpectStoreError([&] { s.Add("blocked"); }, s.folder.DatabasePath(), "locked");
    SnippetManager second;
    ExpectStoreError([&] { second.OpenSetFile(s.folder.DatabasePath()); }, s.folder.DatabasePath(), "locked");
    other.exec("rollback");

    s.store.ChangeSortMethod(0);
    EXPECT_EQ(Abbreviations(s.store.GetSnippetCollection()), QStringList({"kept"}));
}

TEST(SnippetManager, CallsDuringARebuildSeeAnEmptyStore)
{
    EmptyStore s;
    s.AddAll({"sig", "sign"});
    const SnippetPtr lent = s.store.GetMatchedSnippet("sig");

    int matchedDuring = -1, listedDuring = -1;
    bool foundDuring = true;
    QTimer::singleShot(0, [&] {
        matchedDuring = s.store.GetMatchedCol("").size();
        listedDuring = s.store.GetSnippetCollection().size();
        foundDuring = s.store.GetMatchedSnippet("sig") != nullptr;
    });
    s.Add("third");
    EXPECT_EQ(matchedDuring, 0);
    EXPECT_EQ(listedDuring, 0);
    EXPECT_FALSE(foundDuring);
    EXPECT_EQ(s.store.GetMatchedCol("").size(), 3);
    // An object lent before the rebuild stays valid after it.
    EXPECT_EQ(lent->snippetString, "sig");
}

TEST(SnippetManager, ClosingDuringARebuildLeavesAnEmptyClosedStore)
{
    EmptyStore s;
    s.AddAll({"a"});
    QTimer::singleShot(0, [&] { s.store.CloseLogFile(); });
    s.store.ChangeSortMethod(1);
    EXPECT_FALSE(s.store.IsOpen());
    EXPECT_TRUE(s.store.GetMatchedCol("").isEmpty());
}
