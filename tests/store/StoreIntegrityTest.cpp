// What another program, a second writer or a careless caller may leave in
// the snippet database must never lock the user out of it.
#include "StoreTestSupport.h"
#include "core/QuilloError.h"

#include <SQLiteCpp/Statement.h>
#include <gtest/gtest.h>
#include <chrono>
#include <functional>
#include <limits>
#include <thread>

namespace {

} // namespace

TEST(StoreIntegrity, RowsNumberedPastThirtyTwoBitsNeitherHideTheListNorBlockAdding)
{
    EmptyStore s;
    s.AddAll({"a", "b"});
    {
        // Another tool numbered one row at the top of our ids and one past them.
        SQLite::Database direct = s.Direct();
        direct.exec("insert into snippets (id, snippet, content, guid) values (2147483647, 'top', 'x', 'G1')");
        direct.exec("insert into snippets (id, snippet, content, guid) values (2147483648, 'far', 'x', 'G2')");
    }
    s.store.OpenSetFile(s.folder.DatabasePath());
    EXPECT_EQ(Abbreviations(s.store.GetSnippetCollection()), QStringList({"a", "b", "top"}));
    ASSERT_EQ(s.store.SkippedRows().size(), 1);
    EXPECT_TRUE(s.store.SkippedRows().first().contains("2147483648"));
    EXPECT_TRUE(s.store.SkippedRows().first().contains("far"));

    // New rows take the free ids below the top instead of ones we cannot read.
    const SnippetPtr added = s.Add("brb");
    EXPECT_GE(added->snippetID, 1);
    EXPECT_NE(added->snippetID, std::numeric_limits<int>::max());
    const SnippetPtr next = s.store.AddSnippet([] {
        Snippet snippet;
        snippet.snippetString = "ty";
        return snippet;
    }());
    EXPECT_NE(next->snippetID, added->snippetID);
    EXPECT_EQ(s.store.GetSnippetCollection().size(), 5);
    EXPECT_TRUE(s.store.GetMatchedSnippet("brb"));
}

TEST(StoreIntegrity, AddingADuplicateOrAnAbbreviationWithASpaceLeavesNothingBehind)
{
    EmptyStore s;
    s.AddAll({"sig"});
    SQLite::Database direct = s.Direct();
    const int before = direct.execAndGet("select count(*) from snippets").getInt();
    Snippet duplicate;
    duplicate.snippetString = "sig";
    EXPECT_EQ(ErrorNumber([&] { s.store.AddSnippet(duplicate); }), SnippetManager::kErrorDuplicate);
    for (const char* bad : {"a b", "x\ny", "tab\t", "nb\xc2\xa0sp"}) {
        Snippet snippet;
        snippet.snippetString = QString::fromUtf8(bad);
        EXPECT_EQ(ErrorNumber([&] { s.store.CommitSnippet(snippet); }), SnippetManager::kErrorBadAbbreviation) << bad;
        EXPECT_EQ(ErrorNumber([&] { s.store.AddSnippet(snippet); }), SnippetManager::kErrorBadAbbreviation) << bad;
    }
    // An edit cannot slip one in either.
    SnippetPtr stored = s.store.GetMatchedSnippet("sig")->Clone();
    stored->snippetString = "s ig";
    EXPECT_EQ(ErrorNumber([&] { s.store.CommitSnippet(*stored); }), SnippetManager::kErrorBadAbbreviation);
    EXPECT_EQ(direct.execAndGet("select count(*) from snippets").getInt(), before);
    EXPECT_EQ(direct.execAndGet("select snippet from snippets").getString(), "sig");
    // And the store goes on working.
    EXPECT_TRUE(s.Add("brb"));
}

// The duplicate check waits for a writer that is part way through adding the
// same abbreviation, instead of reading the table before that writer commits.
TEST(StoreIntegrity, AddWaitsForAnotherWriterAndThenSeesItsRow)
{
    EmptyStore s;
    SQLite::Database other = s.Direct();
    other.exec("begin immediate");
    other.exec("insert into snippets (snippet, content, guid) values ('brb', 'x', 'G')");
    std::thread committer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(SnippetManager::kBusyTimeoutMs / 5));
        other.exec("commit");
    });
    Snippet snippet;
    snippet.snippetString = "brb";
    const int error = ErrorNumber([&] { s.store.AddSnippet(snippet); });
    committer.join();
    EXPECT_EQ(error, SnippetManager::kErrorDuplicate);
    EXPECT_EQ(other.execAndGet("select count(*) from snippets where snippet='brb'").getInt(), 1);
}
