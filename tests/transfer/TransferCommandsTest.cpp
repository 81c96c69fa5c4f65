#include "TransferTestSupport.h"
#include "app/cli/CommandLine.h"

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct Cli
{
    QString out, err;
    int Run(const QStringList& args)
    {
        out.clear();
        err.clear();
        QTextStream o(&out), e(&err);
        return CommandLine(args).Run(o, e);
    }
};

} // namespace

TEST(TransferCommands, ExportThenImportDoublesTheList)
{
    OpenStore s;
    s.store.CloseLogFile();
    const int before = s.Dump().size();
    QTemporaryDir dir;
    const QString file = dir.filePath("all.snippets");
    Cli cli;
    ASSERT_EQ(cli.Run({"--home", s.folder.Path(), "export", file}), 0) << cli.err.toStdString();
    EXPECT_EQ(TableDump(file), s.Dump());
    ASSERT_EQ(cli.Run({"--home", s.folder.Path(), "import", file}), 0) << cli.err.toStdString();
    EXPECT_TRUE(cli.out.contains(QStringLiteral("imported %1 snippets").arg(before))) << cli.out.toStdString();
    EXPECT_EQ(s.Dump().size(), 2 * before);
}

TEST(TransferCommands, ExportReplacesAFileOnlyWhenToldAndBadImportsFail)
{
    OpenStore s;
    s.store.CloseLogFile();
    QTemporaryDir dir;
    const QString file = dir.filePath("there.snippets");
    {
        QFile existing(file);
        ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
        existing.write("precious");
    }
    Cli cli;
    EXPECT_EQ(cli.Run({"--home", s.folder.Path(), "export", file}), CommandLine::kExitFailure);
    EXPECT_TRUE(cli.err.contains("--force"));
    QFile check(file);
    ASSERT_TRUE(check.open(QIODevice::ReadOnly));
    EXPECT_EQ(check.readAll(), "precious");
    check.close();
    EXPECT_EQ(cli.Run({"--home", s.folder.Path(), "export", "--force", file}), 0);
    EXPECT_EQ(TableDump(file), s.Dump());

    const QStringList before = s.Dump();
    EXPECT_EQ(cli.Run({"--home", s.folder.Path(), "import", s.folder.SettingsPath()}), CommandLine::kExitFailure);
    EXPECT_TRUE(cli.err.contains(s.folder.SettingsPath())) << cli.err.toStdString();
    EXPECT_EQ(s.Dump(), before);
    EXPECT_EQ(cli.Run({"--home", s.folder.Path(), "print", "out.pdf"}), CommandLine::kExitUsage);
}

// The real program, without a display: the PDF comes from the report writer.
TEST(TransferCommands, PrintWritesThePdfWithoutADisplay)
{
    TempProgramFolder folder;
    QTemporaryDir dir;
    const QString pdf = dir.filePath("list.pdf");
    QProcess quillo;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    env.remove("QT_QPA_PLATFORM");
    quillo.setProcessEnvironment(env);
    quillo.start(QStringLiteral(QUILLO_EXE), {"--home", folder.Path(), "print", "--pdf", pdf});
    ASSERT_TRUE(quillo.waitForFinished());
    EXPECT_EQ(quillo.exitCode(), 0) << quillo.readAllStandardError().toStdString();
    EXPECT_TRUE(quillo.readAllStandardOutput().contains("wrote 1 page"));

    QProcess text;
    text.start("pdftotext", {pdf, "-"});
    ASSERT_TRUE(text.waitForFinished());
    const QString printed = QString::fromUtf8(text.readAllStandardOutput());
    EXPECT_TRUE(printed.contains("Quillo Snippets"));
    EXPECT_TRUE(printed.contains("sig"));
    EXPECT_TRUE(printed.contains("Best regards"));
}
