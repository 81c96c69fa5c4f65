// The command line's way to the running program on Windows: a named pipe
// that both ends find by the lock folder alone, each in its own process.
#include "app/cli/ControlChannel.h"
#include "app/cli/ControlClient.h"
#include "app/cli/ControlServer.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTemporaryDir>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace {

constexpr int kReplyWaitMs = 10000;
constexpr int kPollMs = 10;

} // namespace

TEST(ControlPipeTest, NameDependsOnTheLockFolderAloneInEveryProcess)
{
    // A fixed value: a name that varied from process to process would leave
    // the command line knocking at a pipe nobody listens on.
    EXPECT_EQ(ControlChannel::SocketPathBeside(QStringLiteral("C:/Users/Ann/quillo.lock")),
              QStringLiteral("quillo-03e85e662d5b61a2"));
    EXPECT_EQ(ControlChannel::SocketPathBeside(QStringLiteral("c:/users/ANN/other.lock")),
              ControlChannel::SocketPathBeside(QStringLiteral("C:/Users/Ann/quillo.lock")));
}

TEST(ControlPipeTest, CommandReachesTheListeningProgram)
{
    QTemporaryDir folder;
    const QString pipe = ControlChannel::SocketPathBeside(folder.filePath(QStringLiteral("quillo.lock")));
    ControlServer server([](const QString& command) { return QJsonObject{{QStringLiteral("heard"), command}}; });
    QString error;
    ASSERT_TRUE(server.Listen(pipe, &error)) << error.toStdString();

    // The client blocks; the server answers from this thread's event loop.
    ControlClient::Result result;
    std::atomic<bool> done = false;
    std::thread client([&] {
        result = ControlClient(pipe).Send(QStringLiteral("status"), kReplyWaitMs);
        done = true;
    });
    QDeadlineTimer deadline(kReplyWaitMs * 2);
    while (!done && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, kPollMs);
    client.join();
    ASSERT_EQ(result.outcome, ControlClient::Outcome::Replied) << result.error.toStdString();
    EXPECT_EQ(result.reply.value(QStringLiteral("heard")).toString(), QStringLiteral("status"));
}
