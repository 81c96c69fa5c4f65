#include "app/cli/CommandLine.h"

#include <gtest/gtest.h>

#include <QTextStream>

namespace {

struct Result
{
    int code;
    QString out;
    QString err;
};

Result RunCli(const QStringList& args)
{
    QString out;
    QString err;
    QTextStream outStream(&out);
    QTextStream errStream(&err);
    const int code = CommandLine(args).Run(outStream, errStream);
    outStream.flush();
    errStream.flush();
    return {code, out, err};
}

TEST(MacroCommandsTest, ExpandFillsPlaceholdersAtTheGivenInstant)
{
    const Result result = RunCli({"expand", "--at", "2027-03-07T21:05:09", "[hour hh]:[minute nn] [day D] [Date]"});
    EXPECT_EQ(result.code, CommandLine::kExitOk);
    EXPECT_EQ(result.out, "21:05 7 [Date]\n");
    EXPECT_EQ(RunCli({"expand", "--at=2027-03-07T09:05:09", "[hour]"}).out, "9\n");
}

TEST(MacroCommandsTest, ExpandRefusesBadArguments)
{
    for (const QStringList& args : {QStringList{"expand"}, QStringList{"expand", "--at", "2027-02-30T00:00:00", "x"},
                                     QStringList{"expand", "--at", "2027-03-07 21:05:09", "x"},
                                     QStringList{"expand", "--at"}, QStringList{"expand", "a", "b"}}) {
        const Result result = RunCli(args);
        EXPECT_EQ(result.code, CommandLine::kExitUsage) << qPrintable(args.join(' '));
        EXPECT_TRUE(result.out.isEmpty());
    }
}

TEST(MacroCommandsTest, ExpandTakesTheClipboardFieldsAndPrintsTheCaret)
{
    const QString content = "Dear [input Name=you], [cursor][choice Tone=thanks|sorry] ([clipboard])";
    Result result = RunCli({"expand", "--field", "Name=Zoë", "--clipboard", "copied [date]", "--field=Tone=sorry",
                            "--json", content});
    EXPECT_EQ(result.code, CommandLine::kExitOk) << qPrintable(result.err);
    EXPECT_EQ(result.out, "{\"text\":\"Dear Zoë, sorry (copied [date])\",\"cursor\":10}\n");

    result = RunCli({"expand", "--at", "2027-03-07T21:05:09", content});
    EXPECT_EQ(result.out, "Dear you, thanks ()\n");
    EXPECT_EQ(RunCli({"expand", "--json", "--at", "2027-03-07T21:05:09", "\"[hour]"}).out,
              "{\"text\":\"\\\"21\",\"cursor\":3}\n");
    EXPECT_EQ(RunCli({"expand", "--json", "--", "--json"}).out, "{\"text\":\"--json\",\"cursor\":6}\n");

    // Answers that fit no field, or no value of their choice, are refused.
    for (const QStringList& args : {QStringList{"expand", "--field", "Nme=x", content},
                                     QStringList{"expand", "--field", "Tone=maybe", content},
                                     QStringList{"expand", "--field", "=x", content},
                                     QStringList{"expand", "--clipboard"}}) {
        result = RunCli(args);
        EXPECT_EQ(result.code, CommandLine::kExitUsage) << qPrintable(args.join(' '));
        EXPECT_TRUE(result.out.isEmpty());
    }
}

TEST(KeysCommandsTest, DryRunPrintsEventsThenTheFailure)
{
    Result result = RunCli({"keys", "--dry-run", "^(v)"});
    EXPECT_EQ(result.code, CommandLine::kExitOk);
    EXPECT_EQ(result.out, "down 17\ndown 86\nup 86\nup 17\n");

    result = RunCli({"keys", "--dry-run", "+(a"});
    EXPECT_EQ(result.code, CommandLine::kExitFailure);
    EXPECT_EQ(result.out, "down 16\ndown 65\nup 65\nup 16\n");
    EXPECT_TRUE(result.err.contains("Invalid sendkeys command: more open brackets than close brackets."));

    EXPECT_EQ(RunCli({"keys", "^(v)"}).code, CommandLine::kExitUsage);
}

} // namespace
