#include "CliTestSupport.h"
#include "store/SnippetManager.h"
#include "support/TempProgramFolder.h"

#include <QFile>
#include <QProcess>
#include <SQLiteCpp/Database.h>
#include <gtest/gtest.h>

class Cli : public ::testing::Test
{
protected:
    TempProgramFolder folder;
    CliResult In(QStringList args)
    {
        args.prepend(folder.Path());
        args.prepend("--home");
        return RunCli(args);
    }
};

TEST_F(Cli, ListsSearchesAddsAndDeletes)
{
    CliResult r = In({"list"});
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.out.startsWith("sig\tBest regards\n")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("addr\tQuillo Street 1\\n12345 Sampletown\\nFreedonia\n"));

    r = In({"add", "brb", "Be right back\nsoon\\"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    r = In({"list", "right"});
    EXPECT_EQ(r.out, "brb\tBe right back\\nsoon\\\\\n");

    r = In({"delete", "brb"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(In({"list", "right"}).out, "");
    EXPECT_EQ(In({"list"}).out.count('\n'), 4);
}

TEST_F(Cli, AddTakesATriggerModeAndApplicationsWhichListShows)
{
    CliResult r = In({"add", "--mode", "immediate", "--only-in", "xterm,title:*Mail*", "brb", "be right back"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    r = In({"add", "ing", "ING", "--mode=inword"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    r = In({"list", "right"});
    EXPECT_EQ(r.out, "brb\tbe right back\tmode=immediate\tonly-in=xterm,title:*Mail*\n");
    EXPECT_EQ(In({"list", "ING"}).out, "ing\tING\tmode=inword\n");
    // A comma inside a title pattern, escaped, and shown back the same way.
    r = In({"add", "--only-in", "title:Report\\, final*,mousepad", "rpt", "the report"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(In({"list", "rpt"}).out, "rpt\tthe report\tonly-in=title:Report\\, final*,mousepad\n");

    for (const QStringList& bad : {QStringList{"add", "--mode", "sometimes", "x", "y"},
                                   QStringList{"add", "--only-in", ",", "x", "y"},
                                   QStringList{"add", "--only-in", "title:", "x", "y"},
                                   QStringList{"add", "x", "y", "--mode"}}) {
        r = In(bad);
        EXPECT_EQ(r.code, 2) << bad.join(' ').toStdString();
        EXPECT_EQ(r.err.count('\n'), 1) << r.err.toStdString();
    }
    EXPECT_EQ(In({"list"}).out.count('\n'), 7) << "nothing added by a refused command";
}

TEST_F(Cli, RefusesBadAbbreviationsAndSaysWhy)
{
    struct Case
    {
        QStringList args;
        int code;
        const char* says;
    };
    const Case cases[] = {
        {{"add", "sig", "again"}, 1, "already exists"},
        {{"add", "elevenchars", "x"}, 2, "longer than 10"},
        {{"add", "two words", "x"}, 2, "holds a space"},
        {{"add", "", "x"}, 2, "empty"},
        {{"add", "only"}, 2, "usage: quillo add ABBR CONTENT"},
        {{"delete", "Sig"}, 1, "no snippet has the abbreviation \"Sig\""},
        {{"frobnicate"}, 2, "unknown command"},
    };
    for (const Case& c : cases) {
        const CliResult r = In(c.args);
        EXPECT_EQ(r.code, c.code) << c.args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains(c.says)) << r.err.toStdString();
        EXPECT_EQ(r.err.count('\n'), 1) << "one line: " << r.err.toStdString();
    }
    EXPECT_EQ(In({"list"}).out.count('\n'), 4) << "nothing was added or removed";
    EXPECT_EQ(In({"add", "tenchars10", "x"}).code, 0);
}

TEST(CliWithoutFolder, AMissingDatabaseIsOneLineAndAFailure)
{
    QTemporaryDir empty;
    const CliResult r = RunCli({"--home", empty.path(), "list"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(empty.path() + "/snippets.mdb")) << r.err.toStdString();
    EXPECT_EQ(r.err.count('\n'), 1);
    EXPECT_FALSE(QFile::exists(empty.filePath("snippets.mdb")));

    EXPECT_EQ(RunCli({"--home"}).code, 2);
    EXPECT_FALSE(CommandLine({"--home", "x"}).WantsCommand());
    EXPECT_TRUE(CommandLine({"--version"}).WantsCommand());
    EXPECT_EQ(CommandLine({"--home=/x", "list"}).HomeOption(), "/x");
}

TEST(CliExecutable, RunsWithoutADisplayOnTheGivenFolder)
{
    TempProgramFolder folder;
    QProcess quillo;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    env.insert("QUILLO_HOME", folder.Path());
    quillo.setProcessEnvironment(env);
    const QString program = TempProgramFolder::DemoFolder() + "/quillo";

    quillo.start(program, {"list", "sig"});
    ASSERT_TRUE(quillo.waitForFinished(30000));
    EXPECT_EQ(quillo.exitCode(), 0) << quillo.readAllStandardError().toStdString();
    // Windows consoles end lines with CR LF.
    EXPECT_EQ(quillo.readAllStandardOutput().replace("\r\n", "\n"), "sig\tBest regards\n");

    quillo.start(program, {"--version"});
    ASSERT_TRUE(quillo.waitForFinished(30000));
    EXPECT_EQ(quillo.readAllStandardOutput().replace("\r\n", "\n"), "quillo 1.1.18\n");

    quillo.start(program, {"--help"});
    ASSERT_TRUE(quillo.waitForFinished(30000));
    const QString help = quillo.readAllStandardOutput();
    for (const char* command : {"list [TEXT]", "add ABBR CONTENT", "delete ABBR", "--home DIR"})
        EXPECT_TRUE(help.contains(command)) << command;
}

TEST(CliWithoutFolder, TheBackendIsX11OrWaylandAndAnythingElseIsRefused)
{
    EXPECT_FALSE(CommandLine({"--backend", "wayland"}).WantsCommand()) << "the tray program starts";
    EXPECT_EQ(CommandLine({"--backend", "Wayland"}).BackendOption(), "wayland");
    EXPECT_EQ(CommandLine({"--backend=x11", "--home", "/x"}).BackendOption(), "x11");
    EXPECT_EQ(CommandLine({"--home", "/x"}).BackendOption(), "");

    const CliResult wrong = RunCli({"--backend", "mir"});
    EXPECT_EQ(wrong.code, 2);
    EXPECT_TRUE(wrong.err.contains("unknown backend \"mir\"")) << wrong.err.toStdString();
    EXPECT_TRUE(CommandLine({"--backend", "mir"}).WantsCommand()) << "refused, not started";
    EXPECT_EQ(RunCli({"--backend"}).code, 2);
    EXPECT_TRUE(RunCli({"--help"}).out.contains("--backend x11|wayland"));
}

TEST_F(Cli, AddTakesTheCaseOptionAndANewerDatabaseIsRefusedUntouched)
{
    CliResult r = In({"add", "--case-follows", "brb", "be right back"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(In({"list", "right"}).out, "brb\tbe right back\tcase-follows\n");

    {
        SQLite::Database db(folder.DatabasePath().toStdString(), SQLite::OPEN_READWRITE);
        db.exec("pragma user_version = " + std::to_string(SnippetManager::kFormat + 1));
    }
    QFile file(folder.DatabasePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();
    r = In({"list"});
    EXPECT_NE(r.code, 0);
    EXPECT_TRUE(r.err.contains("later version")) << r.err.toStdString();
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before);
}
