// The compositor IPC client against a fake compositor socket (a QLocalServer
// on a thread of its own, since the client waits on the calling thread),
// and the window tree as sway gives it.
#include "platform/wayland/SwayIpc.h"
#include "platform/wayland/WaylandDesktop.h"

#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMutex>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QThread>
#include <atomic>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Short, so that a fault that waits for the deadline costs the test little.
constexpr int kShortTimeoutMs = 300;
constexpr int kWaitMs = 10000;

struct Answer
{
    QByteArray bytes;
    bool closeAfter = false;
};

QByteArray Frame(const char* magic, quint32 length, quint32 type, const QByteArray& payload)
{
    QByteArray bytes(magic, 6);
    bytes.append(reinterpret_cast<const char*>(&length), 4);
    bytes.append(reinterpret_cast<const char*>(&type), 4);
    return bytes + payload;
}

QByteArray Reply(quint32 type, const QByteArray& payload)
{
    return Frame("i3-ipc", quint32(payload.size()), type, payload);
}

// Reads whole questions on every connection and writes what the script
// says for each.
class FakeCompositor : public QThread
{
public:
    using Script = std::function<Answer(quint32 type, const QByteArray& payload, const QByteArray& raw)>;

    FakeCompositor(const QString& path, Script script) : path(path), script(std::move(script))
    {
        start();
        ready.acquire();
    }
    ~FakeCompositor() override
    {
        quit();
        wait();
    }
    bool IsListening() const { return listening; }
    int Connections() const { return connections; }

protected:
    void run() override
    {
        QLocalServer server;
        QLocalServer::removeServer(path);
        listening = server.listen(path);
        QObject::connect(&server, &QLocalServer::newConnection, &server, [&] {
            while (QLocalSocket* socket = server.nextPendingConnection()) {
                ++connections;
                auto* buffer = new QByteArray;
                QObject::connect(socket, &QObject::destroyed, [buffer] { delete buffer; });
                QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
                QObject::connect(socket, &QLocalSocket::readyRead, socket, [this, socket, buffer] {
                    buffer->append(socket->readAll());
                    while (buffer->size() >= SwayIpc::kHeaderSize) {
                        quint32 length = 0;
                        quint32 type = 0;
                        std::memcpy(&length, buffer->constData() + 6, 4);
                        std::memcpy(&type, buffer->constData() + 10, 4);
                        if (buffer->size() < SwayIpc::kHeaderSize + qsizetype(length))
                            return;
                        const QByteArray raw = buffer->left(SwayIpc::kHeaderSize + length);
                        buffer->remove(0, raw.size());
                        const Answer answer = script(type, raw.mid(SwayIpc::kHeaderSize), raw);
                        socket->write(answer.bytes);
                        socket->flush();
                        if (answer.closeAfter) {
                            socket->disconnectFromServer();
                            return;
                        }
                    }
                });
            }
        });
        ready.release();
        exec();
    }

private:
    QString path;
    Script script;
    QSemaphore ready;
    std::atomic<bool> listening{false};
    std::atomic<int> connections{0};
};

class SwayIpcTest : public ::testing::Test
{
protected:
    QString SocketPath() const { return folder.filePath("sway-ipc.sock"); }
    QTemporaryDir folder;
};

} // namespace

TEST_F(SwayIpcTest, QuestionsAreFramedAndAnswersMatchedToThemOnOneKeptConnection)
{
    QByteArray question;
    FakeCompositor compositor(SocketPath(), [&](quint32 type, const QByteArray& payload, const QByteArray& raw) {
        question = raw;
        if (type == SwayIpc::kRunCommand)
            // An event pushed before the answer is passed over.
            return Answer{Reply(0x80000002u, "{\"change\":\"focus\"}") + Reply(type, "[{\"success\":true}]")};
        return Answer{Reply(type, "{\"human_readable\":\"1.7\",\"echo\":\"" + payload + "\"}")};
    });
    ASSERT_TRUE(compositor.IsListening());

    SwayIpc ipc(SocketPath());
    const auto version = ipc.Request(SwayIpc::kGetVersion, QByteArray(), kWaitMs);
    ASSERT_TRUE(version) << ipc.ErrorString().toStdString();
    EXPECT_EQ(*version, "{\"human_readable\":\"1.7\",\"echo\":\"\"}");
    EXPECT_EQ(question, Reply(SwayIpc::kGetVersion, QByteArray())) << "magic, length 0, type 7";

    const auto ran = ipc.Request(SwayIpc::kRunCommand, "focus left", kWaitMs);
    ASSERT_TRUE(ran) << ipc.ErrorString().toStdString();
    EXPECT_EQ(*ran, "[{\"success\":true}]");
    EXPECT_EQ(question, SwayIpc::Encode(SwayIpc::kRunCommand, "focus left"));
    EXPECT_EQ(question.size(), SwayIpc::kHeaderSize + 10);
    EXPECT_EQ(compositor.Connections(), 1) << "the connection is kept between questions";
}

TEST_F(SwayIpcTest, GarbageShortAndForeignAnswersFailCleanlyAndTheNextQuestionStartsAfresh)
{
    // Each question gets the next of these; every one after a faulty one is good.
    const QList<Answer> answers = {
        {"HTTP/1.1 400 Bad Request\r\n\r\n"},                                   // not the protocol
        {Frame("i3-ipc", 100, SwayIpc::kGetTree, "{\"id\":1")},                 // short, kept open
        {Frame("i3-ipc", 100, SwayIpc::kGetTree, "{\"id\":1"), true},           // short, then closed
        {Frame("i3-ipc", 0xFFFFFFF0u, SwayIpc::kGetTree, QByteArray())},        // absurd length
        {Reply(SwayIpc::kGetVersion, "{}")},                                    // the answer to another question
        {"i3-"},                                                                // a broken header
        {QByteArray(), true},                                                   // no answer at all
        {Reply(0x80000000u, "{\"change\":\"run\"}").repeated(2000)},              // events, never the answer
    };
    std::atomic<int> asked{0};
    FakeCompositor compositor(SocketPath(), [&](quint32 type, const QByteArray&, const QByteArray&) {
        const int n = asked++;
        if (n % 2 == 1 || n / 2 >= answers.size())
            return Answer{Reply(type, "{\"id\":1}")};
        return answers[n / 2];
    });
    ASSERT_TRUE(compositor.IsListening());

    SwayIpc ipc(SocketPath());
    for (qsizetype i = 0; i < answers.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_FALSE(ipc.Request(SwayIpc::kGetTree, QByteArray(), kShortTimeoutMs));
        EXPECT_FALSE(ipc.ErrorString().isEmpty());
        const auto good = ipc.Request(SwayIpc::kGetTree, QByteArray(), kWaitMs);
        ASSERT_TRUE(good) << ipc.ErrorString().toStdString();
        EXPECT_EQ(*good, "{\"id\":1}") << "nothing of the faulty answer is left on the connection";
    }
    EXPECT_EQ(compositor.Connections(), answers.size() + 1) << "a fault closes the connection";
}

TEST_F(SwayIpcTest, ACompositorThatGoesAwayFailsQuicklyAndIsFoundAgainWhenBack)
{
    const auto script = [](quint32 type, const QByteArray&, const QByteArray&) {
        return Answer{Reply(type, "{\"id\":1}")};
    };
    SwayIpc ipc(SocketPath());
    {
        FakeCompositor compositor(SocketPath(), script);
        ASSERT_TRUE(ipc.Request(SwayIpc::kGetTree, QByteArray(), kWaitMs)) << ipc.ErrorString().toStdString();
    }
    // The compositor ended: its socket is gone.
    EXPECT_FALSE(ipc.Request(SwayIpc::kGetTree, QByteArray(), kWaitMs));
    EXPECT_FALSE(ipc.Request(SwayIpc::kGetTree, QByteArray(), kWaitMs)) << "not there yet";

    FakeCompositor restarted(SocketPath(), script);
    ASSERT_TRUE(restarted.IsListening());
    // Asked again after the pause that follows a failed connect.
    QDeadlineTimer deadline(kWaitMs);
    std::optional<QByteArray> answer;
    while (!answer && !deadline.hasExpired()) {
        answer = ipc.Request(SwayIpc::kGetTree, QByteArray(), kWaitMs);
        if (!answer)
            QThread::msleep(50);
    }
    EXPECT_TRUE(answer) << ipc.ErrorString().toStdString();
}

TEST_F(SwayIpcTest, TheSessionsSocketIsTheNamedOneElseALiveOneOfThisUserInTheRuntimeFolder)
{
    const QByteArray savedSway = qgetenv("SWAYSOCK");
    const QByteArray savedI3 = qgetenv("I3SOCK");
    const QByteArray savedRuntime = qgetenv("XDG_RUNTIME_DIR");
    qunsetenv("SWAYSOCK");
    qunsetenv("I3SOCK");
    qputenv("XDG_RUNTIME_DIR", folder.path().toLocal8Bit());

    EXPECT_EQ(SwayIpc::FindSocket(), QString()) << "none there";
    // A compositor that has ended leaves its socket behind.
    const pid_t ended = fork();
    if (ended == 0)
        _exit(0);
    ASSERT_GT(ended, 0);
    waitpid(ended, nullptr, 0);
    QLocalServer stale;
    ASSERT_TRUE(stale.listen(folder.filePath(QString("sway-ipc.%1.%2.sock").arg(getuid()).arg(ended))));
    QLocalServer otherUsers;
    ASSERT_TRUE(otherUsers.listen(folder.filePath(QString("sway-ipc.%1.%2.sock").arg(getuid() + 1).arg(getpid()))));
    EXPECT_EQ(SwayIpc::FindSocket(), QString());
    QLocalServer live;
    const QString livePath = folder.filePath(QString("sway-ipc.%1.%2.sock").arg(getuid()).arg(getpid()));
    ASSERT_TRUE(live.listen(livePath));
    EXPECT_EQ(SwayIpc::FindSocket(), livePath);
    qputenv("SWAYSOCK", "/run/elsewhere/sway.sock");
    EXPECT_EQ(SwayIpc::FindSocket(), "/run/elsewhere/sway.sock") << "the session says where it is";

    const auto restore = [](const char* name, const QByteArray& value) {
        value.isNull() ? qunsetenv(name) : qputenv(name, value);
    };
    restore("SWAYSOCK", savedSway);
    restore("I3SOCK", savedI3);
    restore("XDG_RUNTIME_DIR", savedRuntime);
}

TEST(SwayTree, TheFocusedWindowsContentIsItsRectLessTitleBarAndBorders)
{
    // Two tiled windows and a floating one with a title bar, as sway 1.7
    // gives them; F<id> is the node's "focused".
    const QByteArray tree = R"({"id":1,"type":"root","focused":false,"rect":{"x":0,"y":0,"width":1920,"height":1080},
      "nodes":[{"id":3,"type":"output","focused":F3,"rect":{"x":0,"y":0,"width":1920,"height":1080},
        "nodes":[{"id":4,"type":"workspace","focused":F4,"rect":{"x":0,"y":0,"width":1920,"height":1080},
          "nodes":[
            {"id":5,"type":"con","focused":F5,"pid":101,"app_id":"mousepad","rect":{"x":0,"y":0,"width":960,"height":1080},
             "window_rect":{"x":0,"y":0,"width":960,"height":1080},"nodes":[]},
            {"id":6,"type":"con","focused":F6,"pid":102,"app_id":null,"window_properties":{"class":"XTerm"},
             "rect":{"x":960,"y":0,"width":960,"height":1080},"window_rect":{"x":2,"y":2,"width":956,"height":1076},"nodes":[]}],
          "floating_nodes":[
            {"id":7,"type":"floating_con","focused":F7,"pid":103,"app_id":"editor",
             "rect":{"x":300,"y":200,"width":644,"height":506},"window_rect":{"x":2,"y":24,"width":640,"height":480},
             "nodes":[],"floating_nodes":[]}]}]}]})";
    const auto focusing = [&](int which) {
        QByteArray copy = tree;
        for (int id = 3; id <= 7; ++id)
            copy.replace("F" + QByteArray::number(id), id == which ? "true" : "false");
        return SwayIpc::FocusedWindowIn(copy);
    };

    const auto floating = focusing(7);
    ASSERT_TRUE(floating);
    EXPECT_EQ(floating->content, QRect(302, 224, 640, 480));
    EXPECT_EQ(floating->processId, 103);
    EXPECT_EQ(floating->appId, "editor");

    const auto first = focusing(5);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->content, QRect(0, 0, 960, 1080));
    const auto second = focusing(6);
    ASSERT_TRUE(second);
    EXPECT_EQ(second->content, QRect(962, 2, 956, 1076)) << "beside the first window";
    EXPECT_EQ(second->appId, "XTerm") << "an X11 window has a class instead";

    EXPECT_FALSE(focusing(4)) << "an empty workspace has the focus: no window";
    EXPECT_FALSE(focusing(3));
    EXPECT_FALSE(focusing(99)) << "nothing focused";
    EXPECT_FALSE(SwayIpc::FocusedWindowIn(tree.left(tree.size() / 2).replace("F", "true"))) << "cut short";
    EXPECT_FALSE(SwayIpc::FocusedWindowIn("[]"));
    EXPECT_FALSE(SwayIpc::FocusedWindowIn(QByteArray()));
    // A focused parent of several windows: no single caret there.
    EXPECT_FALSE(SwayIpc::FocusedWindowIn(
        R"({"type":"con","focused":true,"rect":{"x":0,"y":0,"width":9,"height":9},"nodes":[{"type":"con"}]})"));
}

TEST(WaylandCaretPlacement, TheCaretIsPlacedInItsOwnWindowOnly)
{
    const QRect window(640, 24, 640, 776);
    const WaylandDesktop::WindowCaret caret{QRect(26, 1, 1, 14), 4242};
    EXPECT_EQ(WaylandDesktop::PlaceCaret(caret, window, 4242), QRect(666, 25, 1, 14));
    EXPECT_FALSE(WaylandDesktop::PlaceCaret(caret, window, 4243)) << "another program's window has the focus";
    EXPECT_FALSE(WaylandDesktop::PlaceCaret({caret.rect, 0}, window, 0)) << "owners unknown";
    EXPECT_FALSE(WaylandDesktop::PlaceCaret({QRect(700, 1, 1, 14), 4242}, window, 4242)) << "beyond its window";
    EXPECT_FALSE(WaylandDesktop::PlaceCaret({QRect(5, -30, 1, 14), 4242}, window, 4242)) << "scrolled out above";
}
