// Snippet files and export targets as a careless or hostile user would hand
// them over: odd file types, links, foreign encodings, endless views.
#include "TransferTestSupport.h"
#include "store/SnippetExport.h"

#include <QDir>
#include <QFileInfo>
#include <SQLiteCpp/Statement.h>
#include <sys/stat.h>

namespace {

// A snippet file made by "another program" with the given SQL.
QString MakeSource(const QTemporaryDir& dir, const QString& name, const std::string& sql)
{
    const QString path = dir.filePath(name);
    SQLite::Database db(path.toStdString(), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
    db.exec(sql);
    return path;
}

const std::string kTable = R"(create table snippets (id integer primary key, snippet, content, description,
                                  usecount, "group", enable, guid);)";

void ExpectExportRefused(const QString& database, const QString& target, const QString& reason)
{
    try {
        SnippetExport::Export(database, target, true);
        ADD_FAILURE() << "exported to " << target.toStdString();
    } catch (const QuilloError& e) {
        EXPECT_TRUE(e.Message().contains(target)) << e.Message().toStdString();
        EXPECT_TRUE(e.Message().contains(reason, Qt::CaseInsensitive)) << e.Message().toStdString();
    }
}

unsigned Mode(const QString& path)
{
    struct stat info {};
    EXPECT_EQ(::stat(QFile::encodeName(path).constData(), &info), 0);
    return info.st_mode & 07777;
}

} // namespace

TEST(HostileFiles, ImportRefusesFoldersFifosAndMissingFilesBeforeOpeningThem)
{
    OpenStore s;
    QTemporaryDir dir;
    ExpectRefused(s, dir.path(), "is a folder");
    const QString fifo = dir.filePath("pipe.snippets");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    ExpectRefused(s, fifo, "not a regular file"); // would block for ever if opened
    ExpectRefused(s, dir.filePath("gone.snippets"), "does not exist");
}

TEST(HostileFiles, ImportKeepsForeignTextBytesAndReadsEnableByItsValue)
{
    OpenStore s(false);
    QTemporaryDir dir;
    const QString file = MakeSource(dir, "latin1.snippets", kTable + R"(
        insert into snippets values (1, 'cafe', cast(x'636166E9' as text), x'E9', 0, 'default', x'30', 'A');
        insert into snippets values (2, 'on1', 'c', '', 0, 'default', cast('true' as blob), 'B');
        insert into snippets values (3, 'off1', 'c', '', 0, 'default', 'false', 'C');
        insert into snippets values (4, 'on2', 'c', '', 0, 'default', '1.0', 'D');
        insert into snippets values (5, 'off2', 'c', '', 0, 'default', 0.0, 'E');)");
    s.store.ImportSnippets(file);
    SQLite::Database db(s.folder.DatabasePath().toStdString(), SQLite::OPEN_READONLY);
    EXPECT_EQ(db.execAndGet("select hex(content) from snippets where snippet='cafe'").getString(), "636166E9");
    EXPECT_EQ(db.execAndGet("select hex(description) from snippets where snippet='cafe'").getString(), "E9");
    SQLite::Statement flags(db, "select snippet, enable from snippets order by id");
    QStringList seen;
    while (flags.executeStep())
        seen << QString::fromStdString(flags.getColumn(0).getString()) + '=' +
                    QString::number(flags.getColumn(1).getInt());
    EXPECT_EQ(seen, QStringList({"cafe=0", "on1=1", "off1=0", "on2=1", "off2=0"}));
}

TEST(HostileFiles, ImportOfAnEndlessOrHugeSourceEndsInAClearErrorAndChangesNothing)
{
    OpenStore s;
    SnippetManager::ImportLimits small;
    small.rows = 500;
    small.steps = 5000000;
    small.valueBytes = 1 << 20;
    s.store.SetImportLimits(small);
    QTemporaryDir dir;
    const std::string columns = R"('x' as content, '' as description, 0 as usecount, 'default' as "group",
                                    1 as enable)";
    const QString endless = MakeSource(dir, "endless.snippets",
        "create view snippets as with recursive n(i) as (select 1 union all select i + 1 from n) "
        "select 'a' || i as snippet, " + columns + " from n;");
    ExpectRefused(s, endless, "more than 500 snippets");
    const QString idle = MakeSource(dir, "idle.snippets",
        "create view snippets as with recursive n(i) as (select 1 union all select i + 1 from n) "
        "select 'a' || i as snippet, " + columns + " from n where i < 0;");
    ExpectRefused(s, idle, "more than 5000000 steps");
    const QString huge = MakeSource(dir, "huge.snippets",
        "create view snippets as select 'big' as snippet, zeroblob(2000000) as content, '' as description, "
        "0 as usecount, 'default' as \"group\", 1 as enable;");
    ExpectRefused(s, huge, "larger than 1048576 bytes");
    const QString spaced = MakeSource(dir, "spaced.snippets", kTable + R"(
        insert into snippets values (1, 'fine', 'c', '', 0, 'default', 1, 'A');
        insert into snippets values (2, 'two words', 'c', '', 0, 'default', 1, 'B');)");
    ExpectRefused(s, spaced, "row 2");
}

TEST(HostileFiles, ExportRefusesOddTargetsAndFollowsNoLink)
{
    OpenStore s;
    QTemporaryDir dir;
    const QString database = s.folder.DatabasePath();
    const QString fifo = dir.filePath("pipe");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    ExpectExportRefused(database, fifo, "not a regular file");
    EXPECT_FALSE(QFileInfo(fifo).isFile());
    ExpectExportRefused(database, dir.path(), "folder");
    ExpectExportRefused(database, "/dev/null", "not a regular file");

    const QString precious = WriteFile(dir, "precious.txt", "keep");
    const QString link = dir.filePath("link.snippets");
    ASSERT_TRUE(QFile::link(precious, link));
    ExpectExportRefused(database, link, "symbolic link");
    QFile check(precious);
    ASSERT_TRUE(check.open(QIODevice::ReadOnly));
    EXPECT_EQ(check.readAll(), "keep");

    const QString toDatabase = dir.filePath("db-link");
    ASSERT_TRUE(QFile::link(database, toDatabase));
    ExpectExportRefused(database, toDatabase, "symbolic link");
    // Another name for the same file (a hard link) is the database too.
    const QString hard = dir.filePath("same.mdb");
    ASSERT_EQ(::link(QFile::encodeName(database).constData(), QFile::encodeName(hard).constData()), 0);
    ExpectExportRefused(database, hard, "snippet database itself");
    ExpectExportRefused(database, database + "-journal", "");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System).size(), 5);
}

TEST(HostileFiles, ExportKeepsPermissionsFollowsTheUmaskAndTakesLongNames)
{
    OpenStore s;
    QTemporaryDir dir;
    const QString secret = WriteFile(dir, "secret.snippets", "old");
    ASSERT_TRUE(QFile::setPermissions(secret, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    SnippetExport::Export(s.folder.DatabasePath(), secret, true);
    EXPECT_EQ(Mode(secret), 0600u);
    EXPECT_EQ(TableDump(secret), s.Dump());

    const mode_t old = ::umask(027);
    SnippetExport::Export(s.folder.DatabasePath(), dir.filePath("fresh.snippets"), false);
    ::umask(old);
    EXPECT_EQ(Mode(dir.filePath("fresh.snippets")), 0640u);

    const QString longName = dir.filePath(QString(255 - 9, 'n') + ".snippets");
    SnippetExport::Export(s.folder.DatabasePath(), longName, false);
    EXPECT_EQ(TableDump(longName), s.Dump());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 3); // no temporary file left
}

TEST(HostileFiles, AnExportOfAWalDatabaseIsASelfContainedRollbackJournalFile)
{
    OpenStore s;
    {
        SQLite::Database direct(s.folder.DatabasePath().toStdString(), SQLite::OPEN_READWRITE);
        direct.exec("pragma journal_mode=wal");
    }
    s.store.OpenSetFile(s.folder.DatabasePath());
    s.Add("walrow");
    QTemporaryDir dir;
    const QString file = dir.filePath("copy.snippets");
    SnippetExport::Export(s.folder.DatabasePath(), file, false);
    QFile raw(file);
    ASSERT_TRUE(raw.open(QIODevice::ReadOnly));
    const QByteArray header = raw.read(20);
    // Bytes 18 and 19: 1 for a rollback journal, 2 for WAL.
    EXPECT_EQ(int(header[18]), 1);
    EXPECT_EQ(int(header[19]), 1);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"copy.snippets"}));
    EXPECT_EQ(TableDump(file), s.Dump());
}
