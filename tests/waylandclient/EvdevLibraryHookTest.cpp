// The program's loader of the keyboard monitor library with the evdev
// monitor: the keymap the keys are typed in is handed over before the
// monitor starts, so keys read from a device become that layout's letters.
#include "core/MessageLayer.h"
#include "platform/LibraryKeyboardHook.h"
#include "platform/RecordingKeyOutput.h"
#include "platform/wayland/EvdevKeyHold.h"
#include "platform/wayland/WaylandKeymap.h"
#include "support/SimulatedKeyboard.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

namespace {

constexpr int kWaitMs = 10000;
constexpr unsigned kKeyY = 21, kKeyZ = 44; // evdev codes of the US Y and Z keys
constexpr unsigned kKeyA = 30, kKeyB = 48, kKeyC = 46;
constexpr unsigned kXkbOffset = 8;

} // namespace

TEST(EvdevLibraryHook, TheKeymapGivenReachesTheMonitorAndABrokenLibraryIsNamed)
{
    QTemporaryDir devices;
    qputenv("QUILLO_INPUT_DEVICES", devices.path().toLocal8Bit());
    SimulatedKeyboard keyboard(devices.path());
    QObject window;
    QString typed;
    MessageLayer::SetWindowProc(&window, [&](QObject*, const WindowMessage& m) {
        if (m.msg == MessageLayer::kUserMessage && !(m.lParam & KeyboardHook::kReleasedFlag))
            if (const char32_t c = KeyboardHook::TypedCharacter(m.lParam))
                typed += QString::fromUcs4(&c, 1);
        return qintptr(0);
    });

    {
        LibraryKeyboardHook hook(QStringLiteral(QUILLO_PROGRAM_DIR),
                                 QLatin1String(LibraryKeyboardHook::kEvdevLibrary));
        const auto german = WaylandKeymap::FromNames("de");
        ASSERT_TRUE(german);
        hook.SetKeymap(german->Text());
        QString error;
        ASSERT_TRUE(hook.SetKeyboardHook(&window, MessageLayer::kUserMessage, &error)) << error.toStdString();
        ASSERT_TRUE(keyboard.Connect());
        ASSERT_TRUE(keyboard.Tap(kKeyY));
        ASSERT_TRUE(keyboard.Tap(kKeyZ));
        QDeadlineTimer deadline(kWaitMs);
        while (typed.size() < 2 && !deadline.hasExpired()) {
            QCoreApplication::processEvents();
            QThread::msleep(2);
        }
        EXPECT_EQ(typed.toStdString(), "zy") << "Y and Z trade places on a German keyboard";
        hook.ReleaseKeyboardHook();
    }
    qunsetenv("QUILLO_INPUT_DEVICES");

    LibraryKeyboardHook missing(devices.path(), QLatin1String(LibraryKeyboardHook::kEvdevLibrary));
    QString error;
    EXPECT_FALSE(missing.SetKeyboardHook(&window, MessageLayer::kUserMessage, &error));
    EXPECT_TRUE(error.contains("libevdevhook.so")) << error.toStdString();
}

// The program's key output holds through the monitor and sends on, after
// the keys it is given first, the keys typed during the hold in order. The
// trigger let up during the hold was pressed for the desktop before it: its
// release is not sent as a key. A key still down when the hold ends is let
// up: the desktop never saw its press and would drop its release. A Shift
// held since before the hold shifts the keys sent on too.
TEST(EvdevLibraryHook, HeldKeysAreSentOnInOrderAndNoneIsLeftDown)
{
    QTemporaryDir devices;
    qputenv("QUILLO_INPUT_DEVICES", devices.path().toLocal8Bit());
    SimulatedKeyboard keyboard(devices.path());
    QObject window;
    LibraryKeyboardHook hook(QStringLiteral(QUILLO_PROGRAM_DIR), QLatin1String(LibraryKeyboardHook::kEvdevLibrary));
    QString error;
    ASSERT_TRUE(hook.SetKeyboardHook(&window, MessageLayer::kUserMessage, &error)) << error.toStdString();
    ASSERT_TRUE(keyboard.Connect());
    RecordingKeyOutput output;
    QStringList sent;
    EvdevKeyHold hold(
        output,
        [&](unsigned keycode, bool down) { sent << QStringLiteral("%1%2").arg(down ? "+" : "-").arg(keycode - kXkbOffset); },
        QStringLiteral(QUILLO_PROGRAM_DIR "/") + LibraryKeyboardHook::kEvdevLibrary);

    ASSERT_TRUE(keyboard.Press(SimulatedKeyboard::kLeftShift) && keyboard.Press(SimulatedKeyboard::kSpace));
    ASSERT_TRUE(hold.HoldUserKeys());
    EXPECT_TRUE(keyboard.Grabbed());
    ASSERT_TRUE(keyboard.Tap(kKeyA) && keyboard.Release(SimulatedKeyboard::kSpace) && keyboard.Press(kKeyB));
    hold.ReleaseUserKeys({{kKeyC + kXkbOffset, true}, {kKeyC + kXkbOffset, false}});
    EXPECT_EQ(sent, QStringList({"+42", "+46", "-46", "+30", "-30", "+48", "-48", "-42"}));
    EXPECT_FALSE(keyboard.Grabbed());
    EXPECT_TRUE(output.Events().empty());
    hook.ReleaseKeyboardHook();
    qunsetenv("QUILLO_INPUT_DEVICES");
}
