// The X server going away under the running program, again and again: the
// program must end by itself with exit code 0, its counters written and its
// lock released, never aborting.
#include "PrivateDesktop.h"
#include "settings/IniFile.h"
#include "support/TempProgramFolder.h"

#include <QDeadlineTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QProcess>
#include <QThread>
#include <gtest/gtest.h>

namespace {

constexpr int kWaitMs = 20000;
constexpr int kPollMs = 50;
constexpr int kTries = 20;

} // namespace

class DisplayLoss : public ::testing::Test
{
protected:
    // The desktop gives the buses and the private home and runtime folders;
    // each try brings a display of its own, which it then kills.
    static void SetUpTestSuite()
    {
        desktop = new PrivateDesktop;
        desktop->Start();
    }
    static void TearDownTestSuite()
    {
        delete desktop;
        desktop = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(desktop->IsRunning()) << desktop->ErrorString().toStdString(); }

    static PrivateDesktop* desktop;
};

PrivateDesktop* DisplayLoss::desktop = nullptr;

TEST_F(DisplayLoss, TheProgramEndsInOrderEveryTime)
{
    for (int attempt = 1; attempt <= kTries; ++attempt) {
        SCOPED_TRACE(attempt);
        TempProgramFolder folder;
        QProcess xvfb;
        xvfb.start("Xvfb", {"-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "640x480x24"});
        ASSERT_TRUE(xvfb.waitForReadyRead(kWaitMs));
        const QString display = ":" + QString::fromLatin1(xvfb.readLine()).trimmed();
        QProcessEnvironment environment = desktop->Environment();
        environment.insert("DISPLAY", display);

        QProcess quillo;
        quillo.setProcessEnvironment(environment);
        quillo.start(QStringLiteral(QUILLO_EXECUTABLE), {"--home", folder.Path()});
        ASSERT_TRUE(quillo.waitForStarted(kWaitMs));
        auto status = [&] {
            QProcess cli;
            cli.setProcessEnvironment(environment);
            cli.start(QStringLiteral(QUILLO_EXECUTABLE), {"status", "--json"});
            cli.waitForFinished(kWaitMs);
            return QJsonDocument::fromJson(cli.readAllStandardOutput()).object();
        };
        QDeadlineTimer deadline(kWaitMs);
        while (!status()["running"].toBool() && !deadline.hasExpired())
            QThread::msleep(kPollMs);

        // One expansion, so there is a counter to lose.
        QProcess xdotool;
        xdotool.setProcessEnvironment(environment);
        xdotool.start("xdotool", {"type", "sig "});
        xdotool.waitForFinished(kWaitMs);
        deadline = QDeadlineTimer(kWaitMs);
        while (status()["snippetsExpanded"].toInt() != 1 && !deadline.hasExpired())
            QThread::msleep(kPollMs);
        ASSERT_EQ(status()["snippetsExpanded"].toInt(), 1);

        xvfb.kill();
        xvfb.waitForFinished(kWaitMs);
        ASSERT_TRUE(quillo.waitForFinished(kWaitMs));
        EXPECT_EQ(quillo.exitStatus(), QProcess::NormalExit) << quillo.readAllStandardError().toStdString();
        EXPECT_EQ(quillo.exitCode(), 0) << quillo.readAllStandardError().toStdString();
        EXPECT_EQ(GetIniValue(folder.SettingsPath(), "qk", "SniExp").toStdString(), "1");
        EXPECT_EQ(GetIniValue(folder.SettingsPath(), "qk", "ChrSav").toStdString(), "9");
        // The lock is free for the next start, the channel closed.
        QLockFile lock(environment.value("XDG_RUNTIME_DIR") + "/quillo.lock");
        EXPECT_TRUE(lock.tryLock(0));
        lock.unlock();
        EXPECT_FALSE(status()["running"].toBool());
        if (HasFailure())
            break;
    }
}
