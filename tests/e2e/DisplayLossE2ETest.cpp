// The X server going away under the running program, again and again, alone
// or together with the end of the session's signal: the program must end by
// itself, its counters written and its lock released, never aborting or
// hanging.
#include "PrivateDesktop.h"
#include "settings/IniFile.h"
#include "support/TempProgramFolder.h"

#include <QDeadlineTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QProcess>
#include <QThread>
#include <csignal>
#include <gtest/gtest.h>
#include <memory>

namespace {

constexpr int kWaitMs = 20000;
constexpr int kPollMs = 50;
constexpr int kTries = 20;
// A program still running this long after its signal hangs (it needs far less).
constexpr int kHangMs = 5000;
// How far apart the signal and the server's end come, and in which order
// (negative: the server goes first).
constexpr int kSignalToLossMs[] = {0, 1, -1, 3};
// Past the time the program keeps an expansion's paste for an application
// that never asks for it (one second): a signal then ends the program at
// once, as at a logout, rather than after the paste.
constexpr int kPasteLetGoMs = 1200;

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

    // A display of its own with the program on it, after one expansion, so
    // there is a counter to lose.
    struct Session
    {
        TempProgramFolder folder;
        QProcess xvfb;
        QProcess quillo;
        QProcessEnvironment environment;

        QJsonObject Status()
        {
            QProcess cli;
            cli.setProcessEnvironment(environment);
            cli.start(QStringLiteral(QUILLO_EXECUTABLE), {"status", "--json"});
            cli.waitForFinished(kWaitMs);
            return QJsonDocument::fromJson(cli.readAllStandardOutput()).object();
        }

        void Start()
        {
            xvfb.start("Xvfb", {"-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "640x480x24"});
            ASSERT_TRUE(xvfb.waitForReadyRead(kWaitMs));
            const QString display = ":" + QString::fromLatin1(xvfb.readLine()).trimmed();
            environment = desktop->Environment();
            environment.insert("DISPLAY", display);
            quillo.setProcessEnvironment(environment);
            quillo.start(QStringLiteral(QUILLO_EXECUTABLE), {"--home", folder.Path()});
            ASSERT_TRUE(quillo.waitForStarted(kWaitMs));
            QDeadlineTimer deadline(kWaitMs);
            while (!Status()["running"].toBool() && !deadline.hasExpired())
                QThread::msleep(kPollMs);

            QProcess xdotool;
            xdotool.setProcessEnvironment(environment);
            xdotool.start("xdotool", {"type", "sig "});
            xdotool.waitForFinished(kWaitMs);
            deadline = QDeadlineTimer(kWaitMs);
            while (Status()["snippetsExpanded"].toInt() != 1 && !deadline.hasExpired())
                QThread::msleep(kPollMs);
            ASSERT_EQ(Status()["snippetsExpanded"].toInt(), 1);
        }

        void KillServer()
        {
            xvfb.kill();
            xvfb.waitForFinished(kWaitMs);
        }

        // The counters are in the options file and the lock is free for the
        // next start.
        void ExpectCountersKeptAndLockFree()
        {
            EXPECT_EQ(GetIniValue(folder.SettingsPath(), "qk", "SniExp").toStdString(), "1");
            EXPECT_EQ(GetIniValue(folder.SettingsPath(), "qk", "ChrSav").toStdString(), "9");
            QLockFile lock(environment.value("XDG_RUNTIME_DIR") + "/quillo.lock");
            EXPECT_TRUE(lock.tryLock(0));
            lock.unlock();
        }
    };

    static PrivateDesktop* desktop;
};

PrivateDesktop* DisplayLoss::desktop = nullptr;

TEST_F(DisplayLoss, TheProgramEndsInOrderEveryTime)
{
    for (int attempt = 1; attempt <= kTries; ++attempt) {
        SCOPED_TRACE(attempt);
        Session session;
        session.Start();
        if (HasFatalFailure())
            return;
        QProcess& quillo = session.quillo;
        session.KillServer();
        ASSERT_TRUE(quillo.waitForFinished(kWaitMs));
        EXPECT_EQ(quillo.exitStatus(), QProcess::NormalExit) << quillo.readAllStandardError().toStdString();
        EXPECT_EQ(quillo.exitCode(), 0) << quillo.readAllStandardError().toStdString();
        session.ExpectCountersKeptAndLockFree();
        // The channel is closed.
        EXPECT_FALSE(session.Status()["running"].toBool());
        if (HasFailure())
            break;
    }
}

// A logout: the session ends the program with a signal while its display
// goes away, in either order and a few milliseconds apart.
TEST_F(DisplayLoss, ASignalWhileTheServerGoesAwayNeverHangs)
{
    for (int gapMs : kSignalToLossMs) {
        SCOPED_TRACE(gapMs);
        auto session = std::make_unique<Session>();
        session->Start();
        if (HasFatalFailure())
            return;
        QThread::msleep(kPasteLetGoMs);
        QProcess& quillo = session->quillo;
        const auto pid = pid_t(quillo.processId());
        if (gapMs < 0) {
            session->KillServer();
            QThread::msleep(unsigned(-gapMs));
            ::kill(pid, SIGTERM);
        } else {
            ::kill(pid, SIGTERM);
            QThread::msleep(unsigned(gapMs));
            session->KillServer();
        }
        const bool ended = quillo.waitForFinished(kHangMs);
        ASSERT_TRUE(ended) << "still running " << kHangMs << " ms after the signal: "
                           << quillo.readAllStandardError().toStdString();
        EXPECT_EQ(quillo.exitStatus(), QProcess::NormalExit) << quillo.readAllStandardError().toStdString();
        EXPECT_EQ(quillo.exitCode(), 0) << quillo.readAllStandardError().toStdString();
        session->ExpectCountersKeptAndLockFree();
        if (HasFailure())
            break;
    }
}
