// The snippet commands run as a user would run them: the real program,
// without a display, against hostile targets, odd databases and a second
// copy of itself.
#include "TransferTestSupport.h"
#include "support/FileBytes.h"
#include "support/ProgramRun.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <SQLiteCpp/Statement.h>
#include <sys/stat.h>

namespace {

// quillo ARGS, or through a shell line (for limits) when given one; the
// environment has no display, as on a server.
ProgramRun Quillo(const QStringList& args, const QString& shellPrefix = QString())
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    env.remove("QT_QPA_PLATFORM");
    if (shellPrefix.isEmpty())
        return ProgramRun::Of(QStringLiteral(QUILLO_EXE), args, env);
    return ProgramRun::Of("sh", QStringList({"-c", shellPrefix + " exec \"$0\" \"$@\"", QStringLiteral(QUILLO_EXE)}) + args,
                          env);
}

} // namespace

TEST(CommandSafety, PrintNeverDestroysAFile)
{
    TempProgramFolder folder;
    const QString home = folder.Path();
    const QByteArray database = ReadBytes(folder.DatabasePath());
    QTemporaryDir dir;

    // The live database, directly and through a link.
    for (const QStringList& words : {QStringList({"print", "--pdf"}), QStringList({"print", "--force", "--pdf"}),
                                     QStringList({"export"})}) {
        const ProgramRun run = Quillo(QStringList({"--home", home}) + words + QStringList({folder.DatabasePath()}));
        EXPECT_EQ(run.code, 1);
        EXPECT_TRUE(run.err.contains("snippet database itself")) << run.err.toStdString();
    }
    ProgramRun run;
    const QString link = dir.filePath("list.pdf");
    ASSERT_TRUE(QFile::link(folder.DatabasePath(), link));
    run = Quillo({"--home", home, "print", "--force", "--pdf", link});
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(ReadBytes(folder.DatabasePath()), database);

    // An existing file only with --force, and then with its permissions.
    const QString old = WriteFile(dir, "old.pdf", "old report");
    ASSERT_TRUE(QFile::setPermissions(old, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    run = Quillo({"--home", home, "print", "--pdf", old});
    EXPECT_EQ(run.code, 1);
    EXPECT_TRUE(run.err.contains("--force")) << run.err.toStdString();
    EXPECT_EQ(ReadBytes(old), "old report");
    run = Quillo({"--home", home, "print", "--force", "--pdf", old});
    EXPECT_EQ(run.code, 0) << run.err.toStdString();
    EXPECT_TRUE(ReadBytes(old).startsWith("%PDF"));
    const QFileDevice::Permissions anyone = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                                            QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup |
                                            QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;
    EXPECT_EQ(QFileInfo(old).permissions() & anyone, QFileDevice::ReadOwner | QFileDevice::WriteOwner);

    // A FIFO is refused at once instead of blocking, a folder is named as one.
    const QString fifo = dir.filePath("pipe.pdf");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    run = Quillo({"--home", home, "print", "--force", "--pdf", fifo});
    EXPECT_EQ(run.code, 1);
    EXPECT_TRUE(run.err.contains("not a regular file")) << run.err.toStdString();
    run = Quillo({"--home", home, "print", "--pdf", dir.path()});
    EXPECT_EQ(run.code, 1);
    EXPECT_TRUE(run.err.contains("folder")) << run.err.toStdString();
    EXPECT_EQ(ReadBytes(folder.DatabasePath()), database);
}

// A disk that fills up part way: the file size limit makes every write past
// it fail, as a full disk does (SIGXFSZ ignored, so the write reports it).
TEST(CommandSafety, AFailedPrintOrExportSaysWhyAndKeepsTheOldFile)
{
    TempProgramFolder folder;
    QTemporaryDir dir;
    const QString old = WriteFile(dir, "old.pdf", "old report");
    const QString limit = QStringLiteral("trap '' XFSZ; ulimit -f 4;"); // 2 KiB: less than any PDF of ours
    ProgramRun run = Quillo({"--home", folder.Path(), "print", "--force", "--pdf", old}, limit);
    EXPECT_EQ(run.code, 1);
    EXPECT_FALSE(run.out.contains("wrote")) << run.out.toStdString();
    EXPECT_TRUE(run.err.startsWith("quillo: Cannot write the snippet list to")) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("too large")) << run.err.toStdString();
    // One line of our own: none of the toolkit's messages.
    EXPECT_EQ(run.err.trimmed().count('\n'), 0) << run.err.toStdString();
    EXPECT_EQ(ReadBytes(old), "old report");

    const QString oldCopy = WriteFile(dir, "old.snippets", "old copy");
    run = Quillo({"--home", folder.Path(), "export", "--force", oldCopy}, QStringLiteral("trap '' XFSZ; ulimit -f 8;"));
    EXPECT_EQ(run.code, 1);
    EXPECT_TRUE(run.err.contains("Cannot export")) << run.err.toStdString();
    EXPECT_EQ(ReadBytes(oldCopy), "old copy");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2); // no temporary file left
}

TEST(CommandSafety, ADatabaseNumberedPastThirtyTwoBitsStaysUsable)
{
    TempProgramFolder folder;
    {
        SQLite::Database direct(folder.DatabasePath().toStdString(), SQLite::OPEN_READWRITE);
        direct.exec("insert into snippets (id, snippet, content, guid) values (2147483647, 'top', 'x', 'G1')");
    }
    ProgramRun run = Quillo({"--home", folder.Path(), "add", "brb", "be right back"});
    EXPECT_EQ(run.code, 0) << run.err.toStdString();
    run = Quillo({"--home", folder.Path(), "add", "afk", "away"});
    EXPECT_EQ(run.code, 0) << run.err.toStdString();
    run = Quillo({"--home", folder.Path(), "list"});
    EXPECT_EQ(run.code, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains("brb\tbe right back")) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains("top\tx"));

    {
        SQLite::Database direct(folder.DatabasePath().toStdString(), SQLite::OPEN_READWRITE);
        direct.exec("insert into snippets (id, snippet, content, guid) values (4294967296, 'far', 'x', 'G2')");
    }
    run = Quillo({"--home", folder.Path(), "list"});
    EXPECT_EQ(run.code, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains("afk\taway"));
    EXPECT_FALSE(run.out.contains("far"));
    EXPECT_TRUE(run.err.contains("4294967296")) << run.err.toStdString();
}

// Two programs adding the same abbreviations at once store each one once.
TEST(CommandSafety, ConcurrentAddsStoreEachAbbreviationOnce)
{
    TempProgramFolder folder(false);
    constexpr int kNames = 40;
    const QString loop = QStringLiteral("i=0; while [ $i -lt %1 ]; do \"$0\" --home \"$1\" add n$i x >/dev/null 2>&1; "
                                        "i=$((i+1)); done")
                             .arg(kNames);
    QProcess first, second;
    for (QProcess* p : {&first, &second})
        p->start("sh", {"-c", loop, QStringLiteral(QUILLO_EXE), folder.Path()});
    ASSERT_TRUE(first.waitForFinished(120000));
    ASSERT_TRUE(second.waitForFinished(120000));
    SQLite::Database db(folder.DatabasePath().toStdString(), SQLite::OPEN_READONLY);
    EXPECT_EQ(db.execAndGet("select count(*) from snippets").getInt(), kNames);
    EXPECT_EQ(db.execAndGet("select count(distinct snippet) from snippets").getInt(), kNames);

    const ProgramRun run = Quillo({"--home", folder.Path(), "add", "n0", "again"});
    EXPECT_EQ(run.code, 1);
    EXPECT_TRUE(run.err.contains("already exists")) << run.err.toStdString();
}

TEST(CommandSafety, ImportNamesFoldersAndFifos)
{
    TempProgramFolder folder;
    QTemporaryDir dir;
    ProgramRun run = Quillo({"--home", folder.Path(), "import", dir.path()});
    EXPECT_EQ(run.code, 1);
    EXPECT_TRUE(run.err.contains("is a folder")) << run.err.toStdString();
    const QString fifo = dir.filePath("pipe.snippets");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    run = Quillo({"--home", folder.Path(), "import", fifo});
    EXPECT_EQ(run.code, 1);
    EXPECT_TRUE(run.err.contains("not a regular file")) << run.err.toStdString();
}
