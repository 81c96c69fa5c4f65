// The command line's conventions: options are never taken for text, every
// command has its own --help, unknown options are refused with a hint.
#include "CliTestSupport.h"
#include "support/TempProgramFolder.h"

#include <gtest/gtest.h>

class Conventions : public ::testing::Test
{
protected:
    TempProgramFolder folder;
    CliResult In(QStringList args)
    {
        args.prepend(folder.Path());
        args.prepend("--home");
        return RunCli(args);
    }
    int Count() { return In({"list"}).out.count('\n'); }
};

TEST_F(Conventions, HelpOfACommandRunsNothing)
{
    const int before = Count();
    for (const QStringList& args : {QStringList{"add", "--help", "x"}, QStringList{"add", "brb", "-h"},
                                    QStringList{"delete", "--help"}, QStringList{"import", "--help"}}) {
        const CliResult r = In(args);
        EXPECT_EQ(r.code, 0) << args.join(' ').toStdString();
        EXPECT_TRUE(r.out.startsWith("Usage: quillo [--home DIR] " + args.first())) << r.out.toStdString();
        EXPECT_EQ(r.err, "");
    }
    EXPECT_EQ(Count(), before) << "help added or deleted something";
    for (const CliCommand& command : CommandLine::Commands())
        EXPECT_TRUE(In({command.name, "--help"}).out.contains(command.summary.mid(1)))
            << command.name.toStdString();
}

TEST_F(Conventions, OptionsAreNeverTakenForText)
{
    const int before = Count();
    struct Case
    {
        QStringList args;
        const char* says;
    };
    const Case cases[] = {
        {{"add", "--brb", "x"}, "unknown option \"--brb\""},
        {{"add", "-x", "content"}, "unknown option \"-x\""},
        {{"delete", "--force"}, "unknown option \"--force\""},
        {{"list", "--json"}, "unknown option \"--json\""},
        {{"status", "--jsn"}, "unknown option \"--jsn\""},
    };
    for (const Case& c : cases) {
        const CliResult r = In(c.args);
        EXPECT_EQ(r.code, 2) << c.args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains(c.says)) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains("quillo " + c.args.first() + " --help")) << r.err.toStdString();
    }
    EXPECT_EQ(Count(), before);

    // After "--" a dash is text; an option's value may start with one.
    CliResult r = In({"add", "--", "-x", "--help"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(In({"list", "--", "-x"}).out, "-x\t--help\n");
    r = In({"expand", "--at", "2020-01-02T03:04:05", "--", "-[date]"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "-1/2/2020\n");
    r = In({"keys", "--dry-run", "-a"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
}

TEST_F(Conventions, UnknownProgramOptionsAreRefusedWithAHint)
{
    CliResult r = In({"--frobnicate"});
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.err, "quillo: unknown option \"frobnicate\"; see quillo --help\n");
    EXPECT_TRUE(CommandLine({"--frobnicate"}).WantsCommand()) << "refused, not the tray program";
    EXPECT_FALSE(CommandLine({"--activate"}).WantsCommand());
    EXPECT_FALSE(CommandLine({"--home", "/x", "--activate"}).WantsCommand());
    r = In({"--version", "--help"});
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.out.contains("quillo COMMAND --help"));
    EXPECT_TRUE(r.out.contains("Exit codes: 0 done, 1 failed, 2 wrong usage, 3 Quillo is not running"));
    EXPECT_EQ(In({"--home"}).err, "quillo: missing value after \"--home\"; see quillo --help\n");
}

TEST_F(Conventions, UsageAndHintsFitTheCommand)
{
    // No empty slot where a command takes nothing, and no hint about texts
    // that start with a dash for a command that takes no text.
    CliResult r = In({"toggle", "x"});
    EXPECT_EQ(r.err, "quillo: too many arguments (usage: quillo toggle)\n");
    r = In({"status", "--jsn"});
    EXPECT_FALSE(r.err.contains("\"--\"")) << r.err.toStdString();
    EXPECT_TRUE(In({"add", "--brb", "x"}).err.contains("goes after \"--\""));
    EXPECT_FALSE(In({"toggle", "--help"}).out.contains("\"--\""));
    EXPECT_TRUE(In({"add", "--help"}).out.contains("quillo add -- -x"));

    EXPECT_EQ(In({"-V"}).out, In({"--version"}).out);
    EXPECT_TRUE(In({"-V"}).out.startsWith("quillo "));

    r = In({"path"});
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.out.startsWith("Folder:   " + folder.Path() + "\n")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("Options:  " + folder.SettingsPath() + "\n")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("Log:      ")) << r.out.toStdString();
    EXPECT_EQ(In({"path", "database"}).out, folder.Path() + "/snippets.mdb\n");
    EXPECT_EQ(In({"path", "nothing"}).code, 2);
}
