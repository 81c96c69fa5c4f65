#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {
constexpr int kProgramTimeoutMs = 60000;
}

TEST(DemoProgram, RunWritesTheLogOfItsThreeUnits)
{
    QTemporaryDir dir;
    const QString logPath = dir.filePath("run.log");
    QProcess demo;
    demo.start(QStringLiteral(PROVELLA_DEMO), {"--run", "--log", logPath});
    ASSERT_TRUE(demo.waitForFinished(kProgramTimeoutMs));
    ASSERT_EQ(demo.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(demo.exitCode(), 0) << demo.readAllStandardError().toStdString();

    QFile log(logPath);
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QString hash(40, QLatin1Char('#')), dash(42, QLatin1Char('-'));
    const QStringList expected{hash, hash,
                               "FilesTest is under testing...", "PASSED", dash,
                               "SumTest is under testing...", "FAILED: product[expect:41 but:42]",
                               "NOT PASSED! SOME ASSERTS FAILED!", dash,
                               "ParseTest is under testing...", "PASSED", dash,
                               "Total Test:3", "Total Asserts:10", "Succcess Asserts:9", "Failed asserts:1",
                               ""};
    EXPECT_EQ(QString::fromUtf8(log.readAll()).split(QLatin1Char('\n')), expected);
}

TEST(DemoProgram, UnwritableLogIsAClearError)
{
    QProcess demo;
    demo.start(QStringLiteral(PROVELLA_DEMO), {"--run", "--log", "/no/such/folder/run.log"});
    ASSERT_TRUE(demo.waitForFinished(kProgramTimeoutMs));
    EXPECT_NE(demo.exitCode(), 0);
    EXPECT_TRUE(demo.readAllStandardError().contains("cannot write the log"));
}
