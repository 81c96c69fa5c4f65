#include "TransferTestSupport.h"
#include "core/QuilloError.h"
#include "store/SnippetExport.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <SQLiteCpp/Transaction.h>
#include <gtest/gtest.h>


TEST(SnippetImport, ExportThenImportDoublesEveryRowWithNewIdsAndGuids)
{
    OpenStore s;
    Snippet odd;
    odd.snippetString = QStringLiteral("ödd");
    odd.contentString = QStringLiteral("line one\r\nline two 日本");
    odd.desString = QStringLiteral("a description");
    odd.useCount = 42;
    odd.groupName = QStringLiteral("work");
    odd.enableSnippet = false;
    s.store.CommitSnippet(odd);
    const SnippetCollection originals = s.store.GetSnippetCollection();

    QTemporaryDir dir;
    const QString file = dir.filePath("export.snippets");
    SnippetExport::Export(s.folder.DatabasePath(), file);
    EXPECT_EQ(s.store.ImportSnippets(file), 0);

    const SnippetCollection all = s.store.GetSnippetCollection();
    ASSERT_EQ(all.size(), 2 * originals.size());
    QSet<int> ids;
    QSet<QString> guids;
    for (const SnippetPtr& snippet : all) {
        ids.insert(snippet->snippetID);
        guids.insert(snippet->guidString);
    }
    EXPECT_EQ(ids.size(), all.size());
    EXPECT_EQ(guids.size(), all.size());
    // The copies come after the originals, in the file's order.
    for (qsizetype i = 0; i < originals.size(); ++i) {
        const Snippet& a = *originals[i];
        const Snippet& b = *all[originals.size() + i];
        EXPECT_EQ(b.snippetString, a.snippetString);
        EXPECT_EQ(b.contentString, a.contentString);
        EXPECT_EQ(b.desString, a.desString);
        EXPECT_EQ(b.useCount, a.useCount);
        EXPECT_EQ(b.groupName, a.groupName);
        EXPECT_EQ(b.enableSnippet, a.enableSnippet);
        EXPECT_EQ(b.guidString.size(), 36);
    }
}

TEST(SnippetImport, EmptySnippetFileAddsNothingAndStillRebuildsTheCache)
{
    OpenStore s;
    TempProgramFolder empty(false);
    // A row the cache has not seen yet, written by another connection.
    {
        SQLite::Database direct(s.folder.DatabasePath().toStdString(), SQLite::OPEN_READWRITE);
        direct.exec(R"(insert into snippets (snippet, content, guid) values ('fresh', 'x', 'G'))");
    }
    const QStringList before = s.Dump();
    ASSERT_FALSE(s.store.GetMatchedSnippet("fresh"));
    s.store.ImportSnippets(empty.DatabasePath());
    EXPECT_EQ(s.Dump(), before);
    EXPECT_TRUE(s.store.GetMatchedSnippet("fresh"));
}

TEST(SnippetImport, FilesThatAreNoSnippetFilesAreRefusedBeforeAnyWrite)
{
    OpenStore s;
    QTemporaryDir dir;
    ExpectRefused(s, dir.filePath("missing.snippets"), "does not exist");
    ExpectRefused(s, WriteFile(dir, "notes.snippets", "just some text, not a database at all\n"),
                  "not a database");

    // A real snippet file with its pages overwritten after the header.
    const QString corrupt = dir.filePath("corrupt.snippets");
    SnippetExport::Export(s.folder.DatabasePath(), corrupt);
    {
        QFile file(corrupt);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        const qint64 size = file.size();
        file.seek(100);
        file.write(QByteArray(size - 100, '\xA5'));
    }
    ExpectRefused(s, corrupt, corrupt);

    const QString otherTable = dir.filePath("other.snippets");
    {
        SQLite::Database db(otherTable.toStdString(), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
        db.exec("create table notes (snippet text, content text)");
    }
    ExpectRefused(s, otherTable, "no snippets table");

    const QString noEnable = dir.filePath("noenable.snippets");
    {
        SQLite::Database db(noEnable.toStdString(), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
        db.exec(R"(create table snippets (id integer primary key, snippet text, content text, description text,
                   usecount integer, "group" text, guid text))");
        db.exec("insert into snippets (snippet, content) values ('a', 'b')");
    }
    ExpectRefused(s, noEnable, "no column \"enable\"");
}

TEST(SnippetImport, NullsBecomeTheDefaultsOfANewSnippet)
{
    OpenStore s(false);
    QTemporaryDir dir;
    const QString file = dir.filePath("nulls.snippets");
    {
        SQLite::Database db(file.toStdString(), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
        db.exec(R"(create table snippets (id integer primary key, snippet text, content text, description text,
                   usecount integer, "group" text, enable integer, guid text))");
        db.exec("insert into snippets (id) values (7)");
        db.exec(R"(insert into snippets (snippet, content, description, usecount, "group", enable)
                   values ('kept', 'c', 'd', 3, 'g', 'false'))");
    }
    s.store.ImportSnippets(file);
    const SnippetCollection all = s.store.GetSnippetCollection();
    ASSERT_EQ(all.size(), 2);
    const Snippet defaults;
    EXPECT_EQ(all[0]->snippetString, "");
    EXPECT_EQ(all[0]->contentString, "");
    EXPECT_EQ(all[0]->desString, "");
    EXPECT_EQ(all[0]->useCount, 0);
    EXPECT_EQ(all[0]->groupName, defaults.groupName);
    EXPECT_EQ(all[0]->enableSnippet, defaults.enableSnippet);
    EXPECT_EQ(all[1]->groupName, "g");
    EXPECT_FALSE(all[1]->enableSnippet);
    EXPECT_EQ(all[1]->useCount, 3);
    // Nothing null reached the table: it reads whole after a restart.
    for (const QString& row : s.Dump())
        EXPECT_FALSE(row.contains("<null>")) << row.toStdString();
    SnippetManager again;
    again.OpenSetFile(s.folder.DatabasePath());
    EXPECT_EQ(again.GetSnippetCollection().size(), 2);
}

TEST(SnippetImport, AFailureHalfwayLeavesNoRowBehind)
{
    OpenStore s;
    QTemporaryDir dir;
    const QString file = dir.filePath("five.snippets");
    {
        TempProgramFolder source(false);
        SnippetManager other;
        other.OpenSetFile(source.DatabasePath());
        for (const char* abbreviation : {"one", "two", "boom", "four", "five"}) {
            Snippet snippet;
            snippet.snippetString = QString::fromLatin1(abbreviation);
            other.CommitSnippet(snippet);
        }
        other.CloseLogFile();
        QFile::copy(source.DatabasePath(), file);
    }
    {
        SQLite::Database direct(s.folder.DatabasePath().toStdString(), SQLite::OPEN_READWRITE);
        direct.exec("create trigger refuse before insert on snippets when new.snippet = 'boom' "
                    "begin select raise(abort, 'refused by trigger'); end");
    }
    s.store.ChangeSortMethod(0); // the cache now knows the table as it is
    const QStringList before = s.Dump();
    const SnippetCollection listed = s.store.GetSnippetCollection();
    try {
        s.store.ImportSnippets(file);
        ADD_FAILURE() << "the trigger did not stop the import";
    } catch (const QuilloError& e) {
        EXPECT_TRUE(e.Message().contains(file)) << e.Message().toStdString();
        EXPECT_TRUE(e.Message().contains("refused by trigger")) << e.Message().toStdString();
    }
    EXPECT_EQ(s.Dump(), before);
    EXPECT_EQ(s.store.GetSnippetCollection().size(), listed.size());
    EXPECT_FALSE(s.store.GetMatchedSnippet("one"));
    // The store still works afterwards.
    EXPECT_TRUE(s.Add("after"));
}

TEST(SnippetImport, ImportingTheOpenDatabaseItselfDoublesIt)
{
    OpenStore s;
    const qsizetype before = s.store.GetSnippetCollection().size();
    s.store.ImportSnippets(s.folder.DatabasePath());
    EXPECT_EQ(s.store.GetSnippetCollection().size(), 2 * before);
}

TEST(SnippetImport, NeedsAnOpenStore)
{
    SnippetManager closed;
    TempProgramFolder folder;
    EXPECT_THROW(closed.ImportSnippets(folder.DatabasePath()), QuilloError);
}

TEST(SnippetExport, CopiesTheOpenDatabaseAsLastCommitted)
{
    OpenStore s;
    s.Add("new", "made just now");
    const QStringList committed = s.Dump();
    QTemporaryDir dir;
    const QString file = dir.filePath("copy.snippets");
    {
        // A write under way on another connection is not in the copy.
        SQLite::Database writer(s.folder.DatabasePath().toStdString(), SQLite::OPEN_READWRITE);
        SQLite::Transaction halfDone(writer);
        writer.exec("insert into snippets (snippet, content, guid) values ('half', 'done', 'H')");
        SnippetExport::Export(s.folder.DatabasePath(), file);
    }
    EXPECT_EQ(TableDump(file), committed);
    EXPECT_EQ(s.Dump(), committed);
    // The store is still open and usable.
    EXPECT_TRUE(s.Add("later"));
    EXPECT_NE(TableDump(file), s.Dump());
}

TEST(SnippetExport, ReplacesAnExistingFileOnlyWithAWholeCopy)
{
    OpenStore s;
    QTemporaryDir dir;
    const QString file = WriteFile(dir, "old.snippets", "old contents");
    SnippetExport::Export(s.folder.DatabasePath(), file);
    EXPECT_EQ(TableDump(file), s.Dump());
    // No temporary file is left beside it.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"old.snippets"}));

    // A failed export leaves the file as it was.
    const QString kept = WriteFile(dir, "kept.snippets", "keep me");
    EXPECT_THROW(SnippetExport::Export(dir.filePath("no-such.mdb"), kept), QuilloError);
    QFile check(kept);
    ASSERT_TRUE(check.open(QIODevice::ReadOnly));
    EXPECT_EQ(check.readAll(), "keep me");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

TEST(SnippetExport, ADatabaseLockedByAnotherProgramGivesNoCopy)
{
    OpenStore s;
    QTemporaryDir dir;
    const QString file = WriteFile(dir, "old.snippets", "old contents");
    SQLite::Database locker(s.folder.DatabasePath().toStdString(), SQLite::OPEN_READWRITE);
    locker.exec("begin exclusive");
    try {
        SnippetExport::Export(s.folder.DatabasePath(), file);
        ADD_FAILURE() << "copied a locked database";
    } catch (const QuilloError& e) {
        EXPECT_TRUE(e.Message().contains("locked")) << e.Message().toStdString();
    }
    locker.exec("rollback");
    QFile check(file);
    ASSERT_TRUE(check.open(QIODevice::ReadOnly));
    EXPECT_EQ(check.readAll(), "old contents");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"old.snippets"}));
}

TEST(SnippetExport, RefusesTheDatabaseItselfAndMissingFolders)
{
    OpenStore s;
    const QStringList before = s.Dump();
    try {
        SnippetExport::Export(s.folder.DatabasePath(), s.folder.DatabasePath());
        ADD_FAILURE() << "exported onto itself";
    } catch (const QuilloError& e) {
        EXPECT_TRUE(e.Message().contains(s.folder.DatabasePath()));
    }
    EXPECT_EQ(s.Dump(), before);
    const QString nowhere = s.folder.File("no/such/folder/x.snippets");
    EXPECT_THROW(SnippetExport::Export(s.folder.DatabasePath(), nowhere), QuilloError);
    EXPECT_FALSE(QFile::exists(nowhere));
}
