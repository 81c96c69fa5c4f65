#include "StoreTestSupport.h"
#include "store/AbbreviationIndex.h"
#include "store/SnippetExport.h"

#include <SQLiteCpp/Statement.h>
#include <gtest/gtest.h>

namespace {

// A database as the first version of the program made it, with two rows.
QString OldDatabase(TempProgramFolder& folder, const QString& name)
{
    const QString path = folder.File(name);
    SQLite::Database db(path.toStdString(), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
    db.exec(R"(create table snippets (id integer primary key autoincrement, snippet text not null default '',
               content text, description text, usecount integer, "group" text, enable integer, guid text))");
    db.exec(R"(insert into snippets (snippet, content, description, usecount, "group", enable, guid)
               values ('sig', 'Best regards', 'd', 4, 'g', 1, 'A'), ('adr', 'Street 1', '', 0, 'default', 0, 'B'))");
    return path;
}

Snippet Make(const QString& abbreviation, Snippet::TriggerMode mode, const QStringList& onlyIn = {})
{
    Snippet snippet;
    snippet.snippetString = abbreviation;
    snippet.contentString = abbreviation + QStringLiteral(" content");
    snippet.triggerMode = mode;
    snippet.onlyIn = onlyIn;
    return snippet;
}

} // namespace

TEST(SnippetModes, AnOldDatabaseKeepsItsRowsGainsTheDefaultsAndStoresTheNewFields)
{
    TempProgramFolder folder(false);
    const QString path = OldDatabase(folder, "old.mdb");
    SnippetManager store;
    store.OpenSetFile(path);
    const SnippetCollection rows = store.GetSnippetCollection();
    ASSERT_EQ(Abbreviations(rows), QStringList({"sig", "adr"}));
    EXPECT_EQ(rows[0]->contentString, "Best regards");
    EXPECT_EQ(rows[0]->useCount, 4);
    EXPECT_FALSE(rows[1]->enableSnippet);
    for (const SnippetPtr& row : rows) {
        EXPECT_EQ(row->triggerMode, Snippet::TriggerMode::AfterDelimiter);
        EXPECT_TRUE(row->onlyIn.isEmpty());
    }

    SnippetPtr changed = rows[1];
    changed->triggerMode = Snippet::TriggerMode::InsideWords;
    changed->onlyIn = {"xterm", "title:*Mail, draft*"};
    store.CommitSnippet(*changed);
    store.CommitSnippet(Make("now", Snippet::TriggerMode::Immediately));

    // Read back by another connection, as the next start does; an older
    // program's insert (no new columns) gets the defaults.
    {
        SQLite::Database db(path.toStdString(), SQLite::OPEN_READWRITE);
        EXPECT_EQ(db.execAndGet("pragma user_version").getInt(), SnippetManager::kFormat);
        db.exec("insert into snippets (snippet, content) values ('old', 'from an older program')");
    }
    SnippetManager again;
    again.OpenSetFile(path);
    const SnippetCollection reread = again.GetSnippetCollection();
    ASSERT_EQ(Abbreviations(reread), QStringList({"sig", "adr", "now", "old"}));
    EXPECT_EQ(reread[1]->triggerMode, Snippet::TriggerMode::InsideWords);
    EXPECT_EQ(reread[1]->onlyIn, QStringList({"xterm", "title:*Mail, draft*"}));
    EXPECT_EQ(reread[2]->triggerMode, Snippet::TriggerMode::Immediately);
    EXPECT_EQ(reread[3]->triggerMode, Snippet::TriggerMode::AfterDelimiter);
}

TEST(SnippetModes, AnOldDatabaseAnotherProgramHoldsOpensWithTheDefaultsAndGainsTheColumnsLater)
{
    TempProgramFolder folder(false);
    const QString path = OldDatabase(folder, "held.mdb");
    SnippetManager store;
    {
        // Another program is writing: the columns cannot be added now.
        SQLite::Database other(path.toStdString(), SQLite::OPEN_READWRITE);
        other.exec("begin immediate");
        store.OpenSetFile(path);
        const SnippetCollection rows = store.GetSnippetCollection();
        ASSERT_EQ(rows.size(), 2);
        EXPECT_EQ(rows[0]->triggerMode, Snippet::TriggerMode::AfterDelimiter);
        EXPECT_EQ(store.Index().AtWordEnd("sig").size(), 1);
        other.exec("rollback");
    }
    store.CommitSnippet(Make("now", Snippet::TriggerMode::Immediately));
    SnippetManager again;
    again.OpenSetFile(path);
    ASSERT_EQ(again.GetSnippetCollection().size(), 3);
    EXPECT_EQ(again.GetSnippetCollection()[2]->triggerMode, Snippet::TriggerMode::Immediately);
}

TEST(SnippetModes, SnippetFilesCarryTheNewFieldsAndOlderFilesStillImport)
{
    EmptyStore source;
    source.store.CommitSnippet(Make("now", Snippet::TriggerMode::Immediately, {"firefox"}));
    source.store.CommitSnippet(Make("ing", Snippet::TriggerMode::InsideWords));
    source.store.CommitSnippet(Make("plain", Snippet::TriggerMode::AfterDelimiter));
    const QString file = source.folder.File("modes.snippets");
    SnippetExport::Export(source.folder.DatabasePath(), file);

    EmptyStore target;
    target.store.ImportSnippets(file);
    target.store.ImportSnippets(OldDatabase(target.folder, "old.snippets"));
    const SnippetCollection rows = target.store.GetSnippetCollection();
    ASSERT_EQ(Abbreviations(rows), QStringList({"now", "ing", "plain", "sig", "adr"}));
    EXPECT_EQ(rows[0]->triggerMode, Snippet::TriggerMode::Immediately);
    EXPECT_EQ(rows[0]->onlyIn, QStringList({"firefox"}));
    EXPECT_EQ(rows[1]->triggerMode, Snippet::TriggerMode::InsideWords);
    for (int i : {2, 3, 4}) {
        EXPECT_EQ(rows[i]->triggerMode, Snippet::TriggerMode::AfterDelimiter) << i;
        EXPECT_TRUE(rows[i]->onlyIn.isEmpty()) << i;
    }

    // A mode written by a later version reads as the default.
    {
        SQLite::Database db(file.toStdString(), SQLite::OPEN_READWRITE);
        db.exec("update snippets set triggermode = 7");
    }
    EmptyStore later;
    later.store.ImportSnippets(file);
    for (const SnippetPtr& row : later.store.GetSnippetCollection())
        EXPECT_EQ(row->triggerMode, Snippet::TriggerMode::AfterDelimiter);
}

TEST(SnippetModes, TheIndexPrefersTheLongestAbbreviationThenTheOldestRow)
{
    EmptyStore s;
    const auto add = [&](const char* abbreviation, Snippet::TriggerMode mode) {
        return s.store.CommitSnippet(Make(abbreviation, mode))->snippetID;
    };
    const int ing = add("ing", Snippet::TriggerMode::InsideWords);
    const int g = add("g", Snippet::TriggerMode::InsideWords);
    const int sing = add("sing", Snippet::TriggerMode::AfterDelimiter);
    const int sing2 = add("sing", Snippet::TriggerMode::InsideWords);
    add("now", Snippet::TriggerMode::Immediately);
    add("Sing", Snippet::TriggerMode::AfterDelimiter);

    const auto ids = [](const SnippetCollection& found) {
        QList<int> result;
        for (const SnippetPtr& snippet : found)
            result << snippet->snippetID;
        return result;
    };
    const AbbreviationIndex& index = s.store.Index();
    EXPECT_EQ(ids(index.AtWordEnd("sing")), QList<int>({sing, sing2, ing, g}));
    EXPECT_EQ(ids(index.AtWordEnd("bring")), QList<int>({ing, g}));
    EXPECT_EQ(ids(index.AtWordEnd("xsing")), QList<int>({sing2, ing, g})) << "only inside-word ones in a longer word";
    EXPECT_TRUE(index.AtWordEnd("now").isEmpty()) << "immediate ones never wait for a delimiter";
    EXPECT_TRUE(index.AtWordEnd("SING").isEmpty());
    ASSERT_TRUE(index.HasImmediate());
    ASSERT_NE(index.Immediate("now"), nullptr);
    EXPECT_EQ(index.Immediate("xnow"), nullptr);

    // The index follows the store.
    s.Add("brand");
    EXPECT_EQ(s.store.Index().AtWordEnd("brand").size(), 1);
}
