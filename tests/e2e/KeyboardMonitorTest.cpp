// The keyboard monitor library on a private X display: every key typed, in
// order, with the keyboard mapping it was typed on; nothing left behind.
#include "DesktopSuite.h"
#include "core/MessageLayer.h"
#include "platform/LibraryKeyboardHook.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <gtest/gtest.h>

namespace {

constexpr int kWaitMs = 20000;
constexpr quint32 kHookMessage = 1024;

// Threads of this process with the monitor's name.
int MonitorThreads()
{
    int count = 0;
    for (const QString& task : QDir("/proc/self/task").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm("/proc/self/task/" + task + "/comm");
        if (comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() == "keybhook")
            ++count;
    }
    return count;
}

// The key-downs a window receives, as virtual keys.
struct Receiver
{
    QObject window;
    QList<int> downs;
    QList<int> ups;
    Receiver()
    {
        MessageLayer::SetWindowProc(&window, [this](QObject*, const WindowMessage& m) {
            if (m.msg == kHookMessage)
                ((m.lParam & KeyboardHook::kReleasedFlag) ? ups : downs) << int(m.wParam);
            return qintptr(0);
        });
    }
    bool WaitForDowns(int count)
    {
        QDeadlineTimer deadline(kWaitMs);
        while (downs.size() < count && !deadline.hasExpired()) {
            QCoreApplication::processEvents();
            QThread::msleep(5);
        }
        // Anything more would be a duplicate.
        QCoreApplication::processEvents();
        return downs.size() == count;
    }
};

QList<int> KeysOf(const QString& text)
{
    QList<int> keys;
    for (QChar c : text)
        keys << (c == ' ' ? 32 : int(c.toUpper().unicode()));
    return keys;
}

} // namespace

class KeyboardMonitor : public DesktopSuite
{
protected:
    bool Run(const QStringList& arguments, const QString& program = "xdotool")
    {
        QProcess process;
        process.setProcessEnvironment(desktop->Environment());
        process.start(program, arguments);
        return process.waitForFinished(kWaitMs) && process.exitCode() == 0;
    }
};

TEST_F(KeyboardMonitor, FastTypingArrivesWholeAndInOrder)
{
    Receiver receiver;
    LibraryKeyboardHook hook(QStringLiteral(QUILLO_PROGRAM_DIR));
    QString error;
    ASSERT_TRUE(hook.SetKeyboardHook(&receiver.window, kHookMessage, &error)) << error.toStdString();
    const QString text = "the quick brown fox jumps over the lazy dog 0123456789 pack my box with five dozen";
    ASSERT_TRUE(Run({"type", "--delay", "0", text}));
    EXPECT_TRUE(receiver.WaitForDowns(text.size())) << receiver.downs.size() << " of " << text.size();
    EXPECT_EQ(receiver.downs, KeysOf(text));
    EXPECT_EQ(receiver.ups, KeysOf(text));

    // Mouse buttons come as the virtual keys 1 (left), 2 (right) and 4 (middle).
    receiver.downs.clear();
    ASSERT_TRUE(Run({"click", "1", "click", "3", "click", "2"}));
    EXPECT_TRUE(receiver.WaitForDowns(3));
    EXPECT_EQ(receiver.downs, QList<int>({1, 2, 4}));
}

TEST_F(KeyboardMonitor, FollowsAChangeOfKeyboardLayout)
{
    Receiver receiver;
    LibraryKeyboardHook hook(QStringLiteral(QUILLO_PROGRAM_DIR));
    QString error;
    ASSERT_TRUE(hook.SetKeyboardHook(&receiver.window, kHookMessage, &error)) << error.toStdString();
    // On a German layout Y and Z trade places: the key reported must be the
    // letter the layout types, not the key's US name.
    ASSERT_TRUE(Run({"-display", desktop->Display(), "de"}, "setxkbmap"));
    QThread::msleep(300);
    ASSERT_TRUE(Run({"key", "--delay", "20", "y", "z"}));
    EXPECT_TRUE(receiver.WaitForDowns(2));
    EXPECT_EQ(receiver.downs, QList<int>({'Y', 'Z'}));
    Run({"-display", desktop->Display(), "us"}, "setxkbmap");
}

TEST_F(KeyboardMonitor, ReleaseLeavesNoThreadBehindAndNothingArrivesAfterIt)
{
    Receiver receiver;
    {
        LibraryKeyboardHook hook(QStringLiteral(QUILLO_PROGRAM_DIR));
        QString error;
        ASSERT_TRUE(hook.SetKeyboardHook(&receiver.window, kHookMessage, &error)) << error.toStdString();
        EXPECT_EQ(MonitorThreads(), 1);
        hook.ReleaseKeyboardHook();
    }
    EXPECT_EQ(MonitorThreads(), 0);
    // Nothing arrives after the release.
    ASSERT_TRUE(Run({"type", "abc"}));
    QThread::msleep(300);
    QCoreApplication::processEvents();
    EXPECT_TRUE(receiver.downs.isEmpty());
}

TEST_F(KeyboardMonitor, ADisplayThatIsNotThereIsAReasonNotACrash)
{
    const QByteArray display = qgetenv("DISPLAY");
    qputenv("DISPLAY", ":999");
    Receiver receiver;
    LibraryKeyboardHook hook(QStringLiteral(QUILLO_PROGRAM_DIR));
    QString error;
    EXPECT_FALSE(hook.SetKeyboardHook(&receiver.window, kHookMessage, &error));
    EXPECT_TRUE(error.contains("cannot open the X display")) << error.toStdString();
    qputenv("DISPLAY", display);

    LibraryKeyboardHook missing(QDir::tempPath() + "/no-such-folder");
    EXPECT_FALSE(missing.SetKeyboardHook(&receiver.window, kHookMessage, &error));
    EXPECT_TRUE(error.startsWith("Quillo cannot load its keyboard monitor")) << error.toStdString();
}
