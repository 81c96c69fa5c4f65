#pragma once

#include "platform/wayland/WaylandConnection.h"
#include "support/HeadlessSway.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRect>
#include <QThread>
#include <functional>
#include <gtest/gtest.h>

// A test suite on one headless compositor, started before the suite's first
// test and stopped after its last; programs a test starts on it are stopped
// after that test.
class WaylandSuite : public ::testing::Test
{
protected:
    // Generous bounds for a loaded machine; nothing asserts on how long a step took.
    static constexpr int kWaitMs = 20000;
    static constexpr int kPollMs = 50;
    static constexpr int kToolTimeoutMs = 10000;
    static constexpr int kProbeWaitMs = 500;

    static void SetUpTestSuite()
    {
        sway = new HeadlessSway;
        sway->Start();
    }
    static void TearDownTestSuite()
    {
        delete sway;
        sway = nullptr;
    }

    void SetUp() override { ASSERT_TRUE(sway->IsRunning()) << sway->ErrorString().toStdString(); }
    void TearDown() override
    {
        for (QProcess* client : started)
            sway->StopClient(client);
        started.clear();
        connection.reset();
    }

    // Where swaymsg says the program's window shows what the program draws
    // (its container less title bar and borders); empty when not there.
    struct Window
    {
        QRect content;
        bool focused = false;
    };
    // A title tells apart windows of one program.
    Window WindowOf(const QString& appId, const QString& title = QString())
    {
        QByteArray tree;
        sway->RunClient(QStringLiteral("swaymsg"), {"-s", sway->IpcSocket(), "-r", "-t", "get_tree"}, kToolTimeoutMs,
                        &tree);
        Window found;
        std::function<void(const QJsonObject&)> walk = [&](const QJsonObject& node) {
            if (node.value("app_id").toString() == appId &&
                (title.isEmpty() || node.value("name").toString() == title)) {
                const QJsonObject rect = node.value("rect").toObject();
                const QJsonObject inner = node.value("window_rect").toObject();
                found.content = QRect(rect.value("x").toInt() + inner.value("x").toInt(),
                                      rect.value("y").toInt() + inner.value("y").toInt(), inner.value("width").toInt(),
                                      inner.value("height").toInt());
                found.focused = node.value("focused").toBool();
            }
            for (const char* children : {"nodes", "floating_nodes"})
                for (const QJsonValue& child : node.value(children).toArray())
                    walk(child.toObject());
        };
        walk(QJsonDocument::fromJson(tree).object());
        return found;
    }

    // This process as a client of the compositor too, on Quillo's own connection.
    void Connect()
    {
        qputenv("XDG_RUNTIME_DIR", sway->RuntimeDir().toLocal8Bit());
        qputenv("WAYLAND_DISPLAY", sway->WaylandDisplay().toLocal8Bit());
        QString error;
        connection = WaylandConnection::Open(&error);
        ASSERT_TRUE(connection) << error.toStdString();
    }

    QProcess* Start(const QString& program, const QStringList& arguments,
                    const QProcessEnvironment& extra = QProcessEnvironment(),
                    HeadlessSway::Output output = HeadlessSway::Output::Drop)
    {
        QProcess* client = sway->StartClient(program, arguments, extra, output);
        if (client)
            started << client;
        return client;
    }

    // Our own editor on the compositor's Wayland platform; it writes its
    // text to `out` after every change.
    QProcess* StartQtEditor(const QString& out, const QString& title = QStringLiteral("Quillo test editor"))
    {
        QProcessEnvironment environment;
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
        return Start(QStringLiteral(QUILLO_TEST_EDITOR), {"--out", out, "--title", title}, environment);
    }

    // A private folder for the programs' files, handed to the compositor's user.
    QString MakeFolder(const QString& name)
    {
        const QString path = QDir(sway->RuntimeDir()).filePath(name);
        QDir().mkpath(path);
        sway->GiveToUser(path);
        return path;
    }

    // Types with the compositor's virtual keyboard, as another program would.
    bool Wtype(const QStringList& arguments) { return sway->RunClient(QStringLiteral("wtype"), arguments, kToolTimeoutMs); }

    static QString ReadText(const QString& path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return QString();
        return QString::fromUtf8(file.readAll());
    }

    // The file's text once it reads `expected`, or what it holds when the wait runs out.
    static QString WaitForText(const QString& path, const QString& expected, int timeoutMs = kWaitMs)
    {
        QDeadlineTimer deadline(timeoutMs);
        QString text;
        do {
            text = ReadText(path);
            if (text == expected)
                return text;
            QThread::msleep(kPollMs);
        } while (!deadline.hasExpired());
        return text;
    }

    // Waits until the editor writing to `out` has the keyboard: probes typed
    // through the compositor arrive in its text and are erased again.
    bool WaitUntilFocused(const QString& out)
    {
        QDeadlineTimer deadline(kWaitMs);
        QString text;
        while (text.isEmpty() && !deadline.hasExpired()) {
            // Each wtype brings a keyboard of its own; in a seat without
            // another keyboard, programs take theirs only when it appears and
            // miss its first key, which is why that key is a lone Shift.
            Wtype({"-k", "Shift_L", "-k", "x"});
            QDeadlineTimer probe(kProbeWaitMs);
            while (text.isEmpty() && !probe.hasExpired()) {
                QThread::msleep(kPollMs);
                text = ReadText(out);
            }
        }
        if (text.isEmpty())
            return false;
        QThread::msleep(kProbeWaitMs); // a late probe arrives too, and is erased with the others
        QStringList erase;
        erase << "-k" << "Shift_L";
        for (qsizetype i = 0; i < ReadText(out).size(); ++i)
            erase << "-k" << "BackSpace";
        return Wtype(erase) && WaitForText(out, QString()).isEmpty();
    }

    static inline HeadlessSway* sway = nullptr;
    QList<QProcess*> started;
    std::unique_ptr<WaylandConnection> connection;
};
