#include "StoreTestSupport.h"
#include "store/SearchFolding.h"

#include <SQLiteCpp/Database.h>
#include <gtest/gtest.h>

TEST(SearchFolding, SearchIgnoresCaseInEveryScript)
{
    EmptyStore s;
    s.Add("hi", QString::fromUtf8("Привет, мир"));
    s.Add("rg", QString::fromUtf8("ärger"));
    s.Add("gr", QString::fromUtf8("Καλημέρα"));
    s.Add("ASCII", "Best Regards");
    s.store.ChangeSortMethod(2);

    EXPECT_EQ(Abbreviations(s.store.GetSnippetCollection(QString::fromUtf8("привет"))), QStringList({"hi"}));
    EXPECT_EQ(Abbreviations(s.store.GetSnippetCollection(QString::fromUtf8("ÄRGER"))), QStringList({"rg"}));
    EXPECT_EQ(Abbreviations(s.store.GetSnippetCollection(QString::fromUtf8("ΚΑΛΗΜΈΡΑ"))), QStringList({"gr"}));
    // ASCII, the abbreviation, the patterns and quotes as before.
    EXPECT_EQ(Abbreviations(s.store.GetSnippetCollection("ascii")), QStringList({"ASCII"}));
    EXPECT_EQ(Abbreviations(s.store.GetSnippetCollection("best_r%S")), QStringList({"ASCII"}));
    EXPECT_EQ(Abbreviations(s.store.GetSnippetCollection(QString::fromUtf8("При'вет"))), QStringList({"hi"}));
    EXPECT_TRUE(s.store.GetSnippetCollection(QString::fromUtf8("пока")).isEmpty());
}

TEST(SearchFolding, TheFunctionFoldsTextAndKeepsNull)
{
    SQLite::Database db(":memory:", SQLite::OPEN_READWRITE);
    SearchFolding::Register(db);
    SearchFolding::Register(db); // again on the same connection
    EXPECT_EQ(db.execAndGet("select quillo_fold('ÄÖÜ Straße ДОМ')").getString(), "äöü straße дом");
    EXPECT_TRUE(db.execAndGet("select quillo_fold(NULL) is NULL").getInt());
    EXPECT_EQ(db.execAndGet("select quillo_fold(42)").getString(), "42");
}
