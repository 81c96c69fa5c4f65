#include "StoreTestSupport.h"
#include "store/AbbreviationIndex.h"
#include "store/SnippetExport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <SQLiteCpp/Statement.h>
#include <gtest/gtest.h>

namespace {

// A database as the version before the case option made it (format 1), with two rows.
QString FormatOneDatabase(TempProgramFolder& folder, const QString& name)
{
    const QString path = folder.File(name);
    QFile::remove(path);
    SQLite::Database db(path.toStdString(), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
    db.exec(R"(create table snippets (id integer primary key autoincrement, snippet text not null default '',
               content text, description text, usecount integer, "group" text, enable integer, guid text,
               triggermode integer not null default 0, onlyin text not null default ''))");
    db.exec(R"(insert into snippets (snippet, content, description, usecount, "group", enable, guid, triggermode)
               values ('sig', 'Best regards', 'd', 4, 'g', 1, 'A', 2), ('adr', 'Street 1', '', 0, 'default', 0, 'B', 0))");
    db.exec("pragma user_version = 1");
    return path;
}

// The rows and format of a database, as text.
QString Dump(const QString& path)
{
    SQLite::Database db(path.toStdString(), SQLite::OPEN_READONLY);
    QString text = QString::number(db.execAndGet("pragma user_version").getInt());
    SQLite::Statement rows(db, R"(select snippet, content, usecount, "group", enable, guid, triggermode from snippets)");
    while (rows.executeStep())
        for (int i = 0; i < rows.getColumnCount(); ++i)
            text += '|' + QString::fromStdString(rows.getColumn(i).getString());
    return text;
}

QByteArray Bytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

int FormatOf(const QString& path)
{
    SQLite::Database db(path.toStdString(), SQLite::OPEN_READONLY);
    return db.execAndGet("pragma user_version").getInt();
}

Snippet Make(const QString& abbreviation, bool caseFollows,
             Snippet::TriggerMode mode = Snippet::TriggerMode::AfterDelimiter)
{
    Snippet snippet;
    snippet.snippetString = abbreviation;
    snippet.contentString = abbreviation + QStringLiteral(" content");
    snippet.caseFollows = caseFollows;
    snippet.triggerMode = mode;
    return snippet;
}

} // namespace

TEST(SchemaUpgrade, AnOlderFileIsUpgradedInPlaceAfterACopyThatIsNeverReplaced)
{
    TempProgramFolder folder(false);
    const QString path = FormatOneDatabase(folder, "snippets.mdb");
    const QString before = Dump(path);
    {
        SnippetManager store;
        store.OpenSetFile(path);
        const SnippetCollection rows = store.GetSnippetCollection();
        ASSERT_EQ(Abbreviations(rows), QStringList({"sig", "adr"}));
        EXPECT_EQ(rows[0]->useCount, 4);
        EXPECT_EQ(rows[0]->triggerMode, Snippet::TriggerMode::InsideWords);
        EXPECT_FALSE(rows[0]->caseFollows);
        SnippetPtr changed = rows[1];
        changed->caseFollows = true;
        store.CommitSnippet(*changed);
    }
    EXPECT_EQ(FormatOf(path), SnippetManager::kFormat);
    const QString copy = SnippetManager::UpgradeCopyPath(path, 1, 1);
    EXPECT_TRUE(copy.endsWith("snippets.mdb.v1.bak"));
    EXPECT_EQ(Dump(copy), before) << "the copy is the old file as it was";

    SnippetManager again;
    again.OpenSetFile(path);
    ASSERT_EQ(again.GetSnippetCollection().size(), 2);
    EXPECT_TRUE(again.GetSnippetCollection()[1]->caseFollows);
    EXPECT_EQ(QDir(folder.Path()).entryList({"*.bak"}).size(), 1) << "a current file is not copied again";

    // Another old file put at the same path gets a copy of its own.
    again.CloseLogFile();
    FormatOneDatabase(folder, "snippets.mdb");
    {
        SQLite::Database db(path.toStdString(), SQLite::OPEN_READWRITE);
        db.exec("delete from snippets where snippet = 'adr'");
    }
    const QString second = Dump(path);
    SnippetManager third;
    third.OpenSetFile(path);
    EXPECT_EQ(Dump(copy), before);
    EXPECT_EQ(Dump(SnippetManager::UpgradeCopyPath(path, 1, 2)), second);
    EXPECT_TRUE(SnippetManager::UpgradeCopyPath(path, 1, 2).endsWith("snippets.mdb.v1-2.bak"));
}

TEST(SchemaUpgrade, NewerAndDamagedFilesAreRefusedWithAClearMessageAndLeftUntouched)
{
    TempProgramFolder folder(false);
    const QString newer = FormatOneDatabase(folder, "newer.mdb");
    {
        SQLite::Database db(newer.toStdString(), SQLite::OPEN_READWRITE);
        db.exec("pragma user_version = " + std::to_string(SnippetManager::kFormat + 1));
    }
    const QString damaged = folder.File("damaged.mdb");
    {
        // A database whose pages were overwritten past its header.
        QFile::copy(FormatOneDatabase(folder, "sound.mdb"), damaged);
        QFile file(damaged);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        file.seek(100);
        file.write(QByteArray(file.size() - 100, '\xA5'));
    }
    const QString notDatabase = folder.File("text.mdb");
    {
        QFile file(notDatabase);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(4096, 'x'));
    }
    const struct
    {
        QString path;
        int error;
        const char* says;
    } cases[] = {{newer, SnippetManager::kErrorNewerFormat, "later version"},
                 {damaged, SnippetManager::kErrorDamaged, "damaged"},
                 {notDatabase, SnippetManager::kErrorDamaged, "damaged"}};
    for (const auto& c : cases) {
        const QByteArray before = Bytes(c.path);
        SnippetManager store;
        try {
            store.OpenSetFile(c.path);
            ADD_FAILURE() << qPrintable(c.path) << " opened";
        } catch (const QuilloError& e) {
            EXPECT_EQ(e.Number(), c.error) << qPrintable(e.Message());
            EXPECT_TRUE(e.Message().contains(c.says)) << qPrintable(e.Message());
            EXPECT_TRUE(e.Message().contains(c.path)) << qPrintable(e.Message());
        }
        EXPECT_TRUE(store.GetSnippetCollection().isEmpty());
        EXPECT_EQ(Bytes(c.path), before) << qPrintable(c.path);
    }
    EXPECT_TRUE(QDir(folder.Path()).entryList({"*.bak"}).isEmpty()) << "nothing was upgraded";
}

TEST(SchemaUpgrade, AReadOnlyOlderFileReadsAsBeforeAndWritesSayWhy)
{
    TempProgramFolder folder(false);
    const QString path = FormatOneDatabase(folder, "snippets.mdb");
    QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadUser);
    // Opened, not asked: wine run by root writes a read-only file all the same.
    if (QFile probe(path); probe.open(QIODevice::ReadWrite))
        GTEST_SKIP() << "running as a user who may write any file";
    const QByteArray before = Bytes(path);
    SnippetManager store;
    store.OpenSetFile(path);
    ASSERT_EQ(store.GetSnippetCollection().size(), 2);
    EXPECT_EQ(ErrorNumber([&] { store.CommitSnippet(Make("new", false)); }), SnippetManager::kErrorNotUpgraded);
    EXPECT_EQ(Bytes(path), before);
}

TEST(SchemaUpgrade, TheCaseOptionTravelsInSnippetFilesAndMatchesAnyCase)
{
    EmptyStore source;
    EXPECT_EQ(FormatOf(source.folder.DatabasePath()), SnippetManager::kFormat) << "new files start current";
    source.store.CommitSnippet(Make("sig", true));
    source.store.CommitSnippet(Make("plain", false));
    const QString file = source.folder.File("case.snippets");
    SnippetExport::Export(source.folder.DatabasePath(), file);

    TempProgramFolder older(false);
    EmptyStore target;
    target.store.ImportSnippets(file);
    target.store.ImportSnippets(FormatOneDatabase(older, "old.snippets"));
    const SnippetCollection rows = target.store.GetSnippetCollection();
    ASSERT_EQ(Abbreviations(rows), QStringList({"sig", "plain", "sig", "adr"}));
    EXPECT_EQ(QList<bool>({rows[0]->caseFollows, rows[1]->caseFollows, rows[2]->caseFollows, rows[3]->caseFollows}),
              QList<bool>({true, false, false, false}));
    EXPECT_EQ(Abbreviations(target.store.GetMatchedCol("SI")), QStringList({"sig"})) << "the suggestion list too";
}

TEST(SchemaUpgrade, SnippetsWhoseCaseFollowsMatchInAnyCaseInEveryMode)
{
    SnippetCollection snippets;
    const auto add = [&](const QString& abbreviation, bool caseFollows, Snippet::TriggerMode mode) {
        auto snippet = Make(abbreviation, caseFollows, mode).Clone();
        snippet->snippetID = int(snippets.size()) + 1;
        snippets.append(snippet);
        return snippet->snippetID;
    };
    const int sig = add("sig", true, Snippet::TriggerMode::AfterDelimiter);
    const int exact = add("SIG", false, Snippet::TriggerMode::AfterDelimiter);
    const int ing = add("ing", true, Snippet::TriggerMode::InsideWords);
    const int now = add("now", true, Snippet::TriggerMode::Immediately);
    const int nowExact = add("NOW", false, Snippet::TriggerMode::Immediately);
    const AbbreviationIndex index(snippets);
    const auto ids = [](const SnippetCollection* found) {
        QList<int> result;
        if (found)
            for (const SnippetPtr& snippet : *found)
                result << snippet->snippetID;
        return result;
    };
    for (const char* typed : {"sig", "Sig", "sIG"}) {
        const SnippetCollection found = index.AtWordEnd(typed);
        EXPECT_EQ(ids(&found), QList<int>({sig})) << typed;
    }
    const SnippetCollection both = index.AtWordEnd("SIG");
    EXPECT_EQ(ids(&both), QList<int>({sig, exact})) << "the oldest first";
    const SnippetCollection inWord = index.AtWordEnd("BrING");
    EXPECT_EQ(ids(&inWord), QList<int>({ing}));
    EXPECT_EQ(ids(index.Immediate("Now")), QList<int>({now}));
    EXPECT_EQ(ids(index.Immediate("NOW")), QList<int>({now, nowExact}));
    EXPECT_EQ(index.Immediate("xnow"), nullptr);
    EXPECT_TRUE(index.AtWordEnd("sigs").isEmpty());
}
