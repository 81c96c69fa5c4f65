// The Wayland keyboard monitor library on simulated devices: the messages
// it posts for US, German and Russian layouts, repeats, mouse buttons, and
// devices that come, go and come back.
#include "core/MessageLayer.h"
#include "platform/KeyboardHook.h"
#include "platform/evdevhook/EvdevKeymap.h"
#include "support/SimulatedKeyboard.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLibrary>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

namespace {

constexpr int kWaitMs = 10000;
// After the last expected message: long enough for a stray one to show.
constexpr int kSettleMs = 100;
constexpr quint32 kHookMessage = MessageLayer::kUserMessage;
using SK = SimulatedKeyboard;

struct Message
{
    int key;
    qintptr lParam;
    bool Released() const { return lParam & KeyboardHook::kReleasedFlag; }
    char32_t Typed() const { return KeyboardHook::TypedCharacter(lParam); }
    bool LayoutChanged() const { return lParam & KeyboardHook::kLayoutChangedFlag; }
};

// The library, loaded as the program loads it, and a window receiving.
class Hook
{
public:
    Hook() : library(QStringLiteral(QUILLO_PROGRAM_DIR "/libevdevhook.so"))
    {
        if (!library.load())
            ADD_FAILURE() << library.errorString().toStdString();
        set = reinterpret_cast<decltype(set)>(library.resolve("SetKeyboardHook"));
        release = reinterpret_cast<decltype(release)>(library.resolve("ReleaseKeyboardHook"));
        keymap = reinterpret_cast<decltype(keymap)>(library.resolve("SetKeyboardKeymap"));
        devices = reinterpret_cast<decltype(devices)>(library.resolve("KeyboardDevices"));
        hold = reinterpret_cast<decltype(hold)>(library.resolve("HoldKeyboards"));
        replayHeld = reinterpret_cast<decltype(replayHeld)>(library.resolve("ReplayHeldKeys"));
        endHold = reinterpret_cast<decltype(endHold)>(library.resolve("EndKeyboardHold"));
        MessageLayer::SetWindowProc(&window, [this](QObject*, const WindowMessage& m) {
            if (m.msg == kHookMessage)
                messages << Message{int(m.wParam), m.lParam};
            return qintptr(0);
        });
    }
    ~Hook()
    {
        if (release)
            release();
        if (keymap)
            keymap(nullptr);
    }

    QString Set()
    {
        char error[512] = {};
        return set(&window, kHookMessage, error, sizeof error) ? QString() : QString::fromUtf8(error);
    }

    // Waits for count key-downs (mouse buttons included) and gives them;
    // also catches any extra one that follows soon after.
    QList<Message> Downs(int count)
    {
        QDeadlineTimer deadline(kWaitMs);
        while (DownsSoFar().size() < count && !deadline.hasExpired()) {
            QCoreApplication::processEvents();
            QThread::msleep(2);
        }
        QThread::msleep(kSettleMs);
        QCoreApplication::processEvents();
        const QList<Message> downs = DownsSoFar();
        messages.clear();
        return downs;
    }
    QList<Message> DownsSoFar() const
    {
        QList<Message> downs;
        for (const Message& m : messages)
            if (!m.Released())
                downs << m;
        return downs;
    }

    // Waits until the monitor reads this many keyboards.
    bool WaitForKeyboards(int count)
    {
        QDeadlineTimer deadline(kWaitMs);
        char text[1024] = {};
        while (devices(text, sizeof text) != count && !deadline.hasExpired())
            QThread::msleep(2);
        return devices(text, sizeof text) == count;
    }

    QObject window;
    QList<Message> messages;
    QLibrary library;
    int (*set)(void*, unsigned, char*, int) = nullptr;
    void (*release)() = nullptr;
    int (*keymap)(const char*) = nullptr;
    int (*devices)(char*, int) = nullptr;
    int (*hold)(int) = nullptr;
    int (*replayHeld)(const unsigned*, int, unsigned*, int) = nullptr;
    int (*endHold)(unsigned*, int) = nullptr;

    // Waits until this many messages came, and a moment more for strays.
    QList<Message> Take(int count)
    {
        QDeadlineTimer deadline(kWaitMs);
        while (messages.size() < count && !deadline.hasExpired()) {
            QCoreApplication::processEvents();
            QThread::msleep(2);
        }
        QThread::msleep(kSettleMs);
        QCoreApplication::processEvents();
        const QList<Message> taken = messages;
        messages.clear();
        return taken;
    }
};

// Messages as "d:A" (a press of the key A), "u:16" (a release of Shift), "mark".
QStringList Described(const QList<Message>& messages)
{
    QStringList lines;
    for (const Message& m : messages) {
        if (m.lParam & KeyboardHook::kHoldMarkFlag)
            lines << "mark";
        else
            lines << QStringLiteral("%1:%2").arg(m.Released() ? "u" : "d",
                                                 m.key > ' ' ? QString(QChar(m.key)) : QString::number(m.key));
    }
    return lines;
}

// Keys the library hands back: "+" or "-" and the evdev code.
QStringList HeldKeys(const unsigned* keys, int count)
{
    constexpr unsigned kDown = 0x80000000u, kXkbOffset = 8;
    QStringList lines;
    for (int i = 0; i < count; ++i)
        lines << QStringLiteral("%1%2").arg(keys[i] & kDown ? "+" : "-").arg((keys[i] & ~kDown) - kXkbOffset);
    return lines;
}

QString Typed(const QList<Message>& downs)
{
    QString text;
    for (const Message& m : downs) {
        const char32_t c = m.Typed();
        if (c)
            text += QString::fromUcs4(&c, 1);
    }
    return text;
}

QList<int> Keys(const QList<Message>& downs)
{
    QList<int> keys;
    for (const Message& m : downs)
        keys << m.key;
    return keys;
}

// A device folder for one test, named to the library through the
// environment, and the session's layout names pinned to US.
class EvdevMonitor : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        qputenv("QUILLO_INPUT_DEVICES", folder.path().toLocal8Bit());
        qputenv("XKB_DEFAULT_LAYOUT", "us");
        qunsetenv("XKB_DEFAULT_VARIANT");
        qunsetenv("XKB_DEFAULT_OPTIONS");
    }
    void TearDown() override
    {
        qunsetenv("QUILLO_INPUT_DEVICES");
        qunsetenv("XKB_DEFAULT_LAYOUT");
        qunsetenv("XKB_DEFAULT_OPTIONS");
    }
    QTemporaryDir folder;
};

} // namespace

TEST_F(EvdevMonitor, UsKeysRepeatsReleasesAndButtonsGiveTheX11MonitorsMessages)
{
    SK keyboard(folder.path());
    SK mouse(folder.path(), SK::Kind::Mouse);
    Hook hook;
    ASSERT_EQ(hook.Set(), QString());
    ASSERT_TRUE(keyboard.Connect());
    ASSERT_TRUE(mouse.Connect());

    ASSERT_TRUE(keyboard.Type("Sig 1/"));
    QList<Message> downs = hook.Downs(7);
    EXPECT_EQ(Keys(downs), QList<int>({16, 'S', 'I', 'G', 32, '1', 191}));
    EXPECT_EQ(Typed(downs), "Sig1/"); // Shift and Space type nothing
    for (const Message& m : downs)
        EXPECT_FALSE(m.LayoutChanged());

    // A held key repeats as more key-downs, each typing again, as the X11
    // monitor reports it; a held Shift does not repeat.
    ASSERT_TRUE(keyboard.Press(30) && keyboard.Key(30, 2) && keyboard.Key(30, 2) && keyboard.Release(30));
    ASSERT_TRUE(keyboard.Press(SK::kLeftShift) && keyboard.Key(SK::kLeftShift, 2) && keyboard.Tap(48) &&
                keyboard.Release(SK::kLeftShift));
    downs = hook.Downs(5);
    EXPECT_EQ(Keys(downs), QList<int>({'A', 'A', 'A', 16, 'B'}));
    EXPECT_EQ(Typed(downs), "aaaB");

    // Releases come with the release bit and no character.
    ASSERT_TRUE(keyboard.Tap(46)); // c
    QDeadlineTimer deadline(kWaitMs);
    while (hook.messages.size() < 2 && !deadline.hasExpired()) {
        QCoreApplication::processEvents();
        QThread::msleep(2);
    }
    ASSERT_EQ(hook.messages.size(), 2);
    EXPECT_EQ(hook.messages[1].key, 'C');
    EXPECT_TRUE(hook.messages[1].Released());
    EXPECT_EQ(hook.messages[1].Typed(), 0u);
    hook.messages.clear();

    // Ctrl+C is a command, not text; its C is still the key C.
    ASSERT_TRUE(keyboard.Press(SK::kLeftCtrl) && keyboard.Tap(46) && keyboard.Release(SK::kLeftCtrl));
    downs = hook.Downs(2);
    EXPECT_EQ(Keys(downs), QList<int>({17, 'C'}));
    EXPECT_EQ(Typed(downs), QString());

    // Mouse buttons are the virtual keys 1, 2 and 4, pressed only.
    ASSERT_TRUE(mouse.Click(SK::kLeftButton) && mouse.Click(SK::kRightButton) && mouse.Click(SK::kMiddleButton));
    downs = hook.Downs(3);
    EXPECT_EQ(Keys(downs), QList<int>({1, 2, 4}));
    for (const Message& m : downs)
        EXPECT_EQ(m.lParam, 0);
    // A mouse's keys are not typing: only the keyboard's key after it comes.
    ASSERT_TRUE(mouse.Tap(30) && keyboard.Tap(48));
    EXPECT_EQ(Keys(hook.Downs(1)), QList<int>({'B'}));
}

TEST_F(EvdevMonitor, GermanKeymapHandedOverTypesUmlautsShiftedSymbolsAndDeadKeys)
{
    QString error;
    const auto german = EvdevKeymap::FromNames({{}, {}, "de", {}, {}}, &error);
    ASSERT_TRUE(german) << error.toStdString();
    SK keyboard(folder.path());
    Hook hook;
    EXPECT_EQ(hook.keymap("this is no keymap"), 0);
    ASSERT_EQ(hook.keymap(german->Text().constData()), 1);
    ASSERT_EQ(hook.Set(), QString());
    ASSERT_TRUE(keyboard.Connect());

    // g r ü ß on the keys where US has g r [ -; Y and Z trade places.
    ASSERT_TRUE(keyboard.Type("gr[-yz"));
    QList<Message> downs = hook.Downs(6);
    EXPECT_EQ(Typed(downs), QString::fromUtf8("grüßzy"));
    EXPECT_EQ(Keys(downs), QList<int>({'G', 'R', 219, 189, 'Z', 'Y'}));

    // Shift+7 is the slash; the dead acute and e make é, the dead key
    // alone typing nothing.
    ASSERT_TRUE(keyboard.Type("&="));
    ASSERT_TRUE(keyboard.Tap(18)); // e
    downs = hook.Downs(4);
    EXPECT_EQ(Typed(downs), QString::fromUtf8("/é"));
    ASSERT_EQ(downs.size(), 4);
    EXPECT_EQ(downs[2].Typed(), 0u);
}

TEST_F(EvdevMonitor, RussianGroupFromTheSessionNamesAndItsSwitchMarksTheLayoutChange)
{
    qputenv("XKB_DEFAULT_LAYOUT", "us,ru");
    qputenv("XKB_DEFAULT_OPTIONS", "grp:caps_toggle");
    SK keyboard(folder.path());
    Hook hook;
    ASSERT_EQ(hook.Set(), QString());
    ASSERT_TRUE(keyboard.Connect());

    ASSERT_TRUE(keyboard.Type("sig"));
    QList<Message> downs = hook.Downs(3);
    EXPECT_EQ(Typed(downs), "sig");

    // Caps Lock switches to the Russian group: the same keys type ышп and
    // still report the keys' first-group names; the first press after the
    // switch says the layout changed, the others do not.
    ASSERT_TRUE(keyboard.Tap(SK::kCapsLock));
    ASSERT_TRUE(keyboard.Type("sig"));
    downs = hook.Downs(3);
    EXPECT_EQ(Typed(downs), QString::fromUtf8("ышп"));
    EXPECT_EQ(Keys(downs), QList<int>({'S', 'I', 'G'}));
    ASSERT_EQ(downs.size(), 3);
    EXPECT_TRUE(downs[0].LayoutChanged());
    EXPECT_FALSE(downs[1].LayoutChanged());
    EXPECT_FALSE(downs[2].LayoutChanged());

    // And back.
    ASSERT_TRUE(keyboard.Tap(SK::kCapsLock));
    ASSERT_TRUE(keyboard.Type("s"));
    downs = hook.Downs(1);
    EXPECT_EQ(Typed(downs), "s");
    ASSERT_EQ(downs.size(), 1);
    EXPECT_TRUE(downs[0].LayoutChanged());
}

TEST_F(EvdevMonitor, DevicesPluggedInLaterGoneAndBackAreFollowedWhileTheOthersKeepWorking)
{
    Hook hook;
    ASSERT_EQ(hook.Set(), QString()); // an empty folder is no error: devices may come
    SK first(folder.path());
    ASSERT_TRUE(first.Connect());
    ASSERT_TRUE(first.Type("a"));
    EXPECT_EQ(Typed(hook.Downs(1)), "a");

    SK second(folder.path(), SK::Kind::Keyboard, "pci-0000:00:14.0-usb-0:2:1.0-event-kbd");
    ASSERT_TRUE(second.Connect());
    char text[1024] = {};
    EXPECT_EQ(hook.devices(text, sizeof text), 2);
    EXPECT_TRUE(QString::fromUtf8(text).contains("keyboard " + second.Path())) << text;

    // The first one's writer goes away: the second keeps working.
    first.Disconnect();
    ASSERT_TRUE(second.Type("b"));
    EXPECT_EQ(Typed(hook.Downs(1)), "b");
    // It comes back.
    ASSERT_TRUE(first.Connect());
    ASSERT_TRUE(first.Type("c"));
    EXPECT_EQ(Typed(hook.Downs(1)), "c");

    // Unplugged: the node disappears, the other one still types; a new
    // node under the same name is read again.
    first.Remove();
    ASSERT_TRUE(second.Type("d"));
    EXPECT_EQ(Typed(hook.Downs(1)), "d");
    ASSERT_TRUE(first.Connect());
    ASSERT_TRUE(first.Type("e"));
    EXPECT_EQ(Typed(hook.Downs(1)), "e");
    ASSERT_TRUE(second.Type("f"));
    EXPECT_EQ(Typed(hook.Downs(1)), "f");
}

TEST_F(EvdevMonitor, KeysHeldOnAVanishedDeviceComeUpAndRecordingsAreReadAsTheyGrowSkippingDroppedReports)
{
    SK first(folder.path());
    SK second(folder.path(), SK::Kind::Keyboard, "platform-second-event-kbd");
    Hook hook;
    ASSERT_EQ(hook.Set(), QString());
    ASSERT_TRUE(first.Connect() && second.Connect());

    // Shift goes down on the first keyboard, which is then pulled out: the
    // Shift comes up with it, and the second keyboard types small letters.
    ASSERT_TRUE(first.Press(SK::kLeftShift));
    EXPECT_EQ(Keys(hook.Downs(1)), QList<int>({16}));
    first.Remove();
    ASSERT_TRUE(hook.WaitForKeyboards(1));
    ASSERT_TRUE(second.Type("a"));
    EXPECT_EQ(Typed(hook.Downs(1)), "a");

    // A file of records that appears in the folder is read, and read on as
    // it grows, a record cut in two included.
    QByteArray records = SK::KeyRecords(48, 1) + SK::KeyRecords(48, 0) + SK::KeyRecords(46, 1);
    // Inside the press of c, before its report.
    const qsizetype pair = SK::KeyRecords(0, 0).size();
    const qsizetype cut = records.size() - pair / 2 - 7;
    QFile recording(folder.filePath("recorded.tmp"));
    ASSERT_TRUE(recording.open(QIODevice::WriteOnly));
    ASSERT_EQ(recording.write(records.left(cut)), cut);
    recording.close();
    ASSERT_TRUE(QFile::rename(recording.fileName(), folder.filePath("platform-recorded-event-kbd")));
    EXPECT_EQ(Typed(hook.Downs(1)), "b");
    QFile grown(folder.filePath("platform-recorded-event-kbd"));
    ASSERT_TRUE(grown.open(QIODevice::Append));
    const QByteArray rest = records.mid(cut) + SK::KeyRecords(46, 0) + SK::KeyRecords(32, 1);
    ASSERT_EQ(grown.write(rest), rest.size());
    grown.close();
    EXPECT_EQ(Typed(hook.Downs(2)), "cd");

    // Records after the kernel says it dropped some are skipped up to the
    // next report: half a key is no key.
    QFile dropped(folder.filePath("dropped.tmp"));
    ASSERT_TRUE(dropped.open(QIODevice::WriteOnly));
    dropped.write(SK::KeyRecords(18, 1) + SK::Record(SK::kSyncType, SK::kSyncDropped, 0) +
                  SK::Record(SK::kKeyType, 19, 1) + SK::Record(SK::kKeyType, 19, 0) +
                  SK::Record(SK::kSyncType, SK::kSyncReport, 0) + SK::KeyRecords(20, 1));
    dropped.close();
    ASSERT_TRUE(QFile::rename(dropped.fileName(), folder.filePath("platform-dropped-event-kbd")));
    EXPECT_EQ(Typed(hook.Downs(2)), "et");
}

TEST_F(EvdevMonitor, AMissingFolderIsAReasonAndReleaseLeavesNoThread)
{
    {
        Hook hook;
        qputenv("QUILLO_INPUT_DEVICES", QByteArray(folder.path().toLocal8Bit() + "/missing"));
        EXPECT_TRUE(hook.Set().contains("there is no input device folder")) << hook.Set().toStdString();
        qputenv("QUILLO_INPUT_DEVICES", folder.path().toLocal8Bit());
        ASSERT_EQ(hook.Set(), QString());
        // Set twice: still one reader.
        ASSERT_EQ(hook.Set(), QString());
        int threads = 0;
        for (const QString& task : QDir("/proc/self/task").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            QFile comm("/proc/self/task/" + task + "/comm");
            if (comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() == "evdevhook")
                ++threads;
        }
        EXPECT_EQ(threads, 1);
        SK keyboard(folder.path());
        ASSERT_TRUE(keyboard.Connect());
        hook.release();
        // Nothing arrives after the release, and the FIFO has no reader.
        keyboard.Type("x");
        QThread::msleep(kSettleMs);
        QCoreApplication::processEvents();
        EXPECT_TRUE(hook.messages.isEmpty());
    }
    for (const QString& task : QDir("/proc/self/task").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm("/proc/self/task/" + task + "/comm");
        EXPECT_FALSE(comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() == "evdevhook");
    }
}

// A hold grabs the keyboard: keys read before it are posted ahead of the
// first mark, keys typed during it wait (their repeats dropped) and come
// after the second mark with the keys to send again, as typing. Keys typed
// while they are sent on follow them; then the keyboard is free again.
TEST_F(EvdevMonitor, AHoldKeepsKeysBetweenItsMarksAndGivesThemBackInOrder)
{
    SK keyboard(folder.path());
    Hook hook;
    ASSERT_EQ(hook.Set(), QString());
    ASSERT_TRUE(keyboard.Connect());
    ASSERT_TRUE(hook.WaitForKeyboards(1));
    constexpr unsigned kA = 30, kB = 48, kC = 46, kD = 32;
    constexpr int kLongLimitMs = 60000;

    ASSERT_TRUE(keyboard.Press(SK::kLeftShift) && keyboard.Tap(kA));
    ASSERT_EQ(hook.hold(kLongLimitMs), 1);
    EXPECT_TRUE(keyboard.Grabbed());
    ASSERT_TRUE(keyboard.Tap(kB) && keyboard.Press(kC) && keyboard.Key(kC, 2) && keyboard.Key(kC, 2) &&
                keyboard.Release(kC) && keyboard.Release(SK::kLeftShift));
    QList<Message> messages = hook.Take(5);
    // The Shift pressed before the hold comes up for the program; B and C wait.
    EXPECT_EQ(Described(messages), QStringList({"d:16", "d:A", "u:A", "mark", "u:16"}));
    ASSERT_GE(messages.size(), 2);
    EXPECT_EQ(KeyboardHook::KeycodeOf(messages[1].lParam), kA + 8) << "the key's own number, to send it again";

    unsigned keys[64] = {};
    const unsigned first[] = {(kA + 8) | 0x80000000u, kA + 8};
    const int count = hook.replayHeld(first, 2, keys, 64);
    EXPECT_EQ(HeldKeys(keys, count), QStringList({"+30", "-30", "+48", "-48", "+46", "-46"}));
    EXPECT_EQ(Described(hook.Take(7)), QStringList({"mark", "d:A", "u:A", "d:B", "u:B", "d:C", "u:C"}));
    EXPECT_TRUE(keyboard.Grabbed()) << "still held while the keys are sent on";

    ASSERT_TRUE(keyboard.Tap(kD));
    EXPECT_EQ(Described(hook.Take(2)), QStringList({"d:D", "u:D"}));
    const int late = hook.endHold(keys, 64);
    EXPECT_EQ(HeldKeys(keys, late), QStringList({"+32", "-32"}));
    EXPECT_FALSE(keyboard.Grabbed());
    ASSERT_TRUE(keyboard.Tap(kA));
    EXPECT_EQ(Described(hook.Take(2)), QStringList({"d:A", "u:A"}));
}

// The monitor lets go by itself once the hold outlives its limit (the
// program stalled), keeping what it held for the program; and when it stops.
TEST_F(EvdevMonitor, AHoldEndsAtItsLimitAndWhenTheMonitorStops)
{
    SK keyboard(folder.path());
    Hook hook;
    ASSERT_EQ(hook.Set(), QString());
    ASSERT_TRUE(keyboard.Connect());
    ASSERT_TRUE(hook.WaitForKeyboards(1));
    constexpr int kShortLimitMs = 50;
    constexpr unsigned kB = 48, kC = 46;

    ASSERT_EQ(hook.hold(kShortLimitMs), 1);
    ASSERT_TRUE(keyboard.Tap(kB));
    QDeadlineTimer deadline(kWaitMs);
    while (keyboard.Grabbed() && !deadline.hasExpired())
        QThread::msleep(2);
    ASSERT_FALSE(keyboard.Grabbed());
    ASSERT_TRUE(keyboard.Tap(kC)); // reaches the desktop: passed on at once
    EXPECT_EQ(Described(hook.Take(3)), QStringList({"mark", "d:C", "u:C"}));
    unsigned keys[64] = {};
    EXPECT_EQ(HeldKeys(keys, hook.replayHeld(nullptr, 0, keys, 64)), QStringList({"+48", "-48"}));
    EXPECT_EQ(hook.endHold(keys, 64), 0);

    ASSERT_EQ(hook.hold(60000), 1);
    ASSERT_TRUE(keyboard.Grabbed());
    hook.release();
    EXPECT_FALSE(keyboard.Grabbed());
}
