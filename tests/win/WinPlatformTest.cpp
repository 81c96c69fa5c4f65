// The Windows layer against the real Windows API (under wine on the build
// machines): the keyboard monitor's hold, the layout translation, the
// Startup shortcut.
#include "core/MessageLayer.h"
#include "platform/KeyboardHook.h"
#include "platform/win/WinApi.h"
#include "platform/win/WinDesktop.h"
#include "platform/win/WinKeyEvents.h"
#include "platform/win/WinKeyOutput.h"
#include "platform/win/WinStartupShortcut.h"
#include "platform/win/keybhook/WinLayoutTranslator.h"
#include "platform/win/keybhook/keybhook.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <objbase.h>
#include <shellapi.h>
#include <shobjidl.h>

namespace {

constexpr int kMessageWaitMs = 5000;
constexpr quint32 kHookMessage = MessageLayer::kUserMessage;

// What the monitor posted, as text: "M" for a hold mark, the typed
// character for a press that typed one, "^" before a release's key number.
class Receiver : public QObject
{
public:
    QStringList seen;
    bool event(QEvent* event) override
    {
        if (event->type() != MessageEvent::EventType())
            return QObject::event(event);
        const WindowMessage& message = static_cast<MessageEvent*>(event)->message;
        if (message.lParam & KeyboardHook::kHoldMarkFlag)
            seen << QStringLiteral("M");
        else if (!(message.lParam & KeyboardHook::kReleasedFlag) && KeyboardHook::TypedCharacter(message.lParam))
            seen << QString(QChar(char16_t(KeyboardHook::TypedCharacter(message.lParam))));
        return true;
    }
    // Waits (bounded) until the last entry is what is expected.
    bool WaitFor(const QString& last)
    {
        QDeadlineTimer deadline(kMessageWaitMs);
        while (!deadline.hasExpired() && (seen.isEmpty() || seen.last() != last))
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        return !seen.isEmpty() && seen.last() == last;
    }
};

// Another program's keys (no marker): the monitor takes them for the user's.
void SendForeignKeys(const QString& letters)
{
    std::vector<INPUT> events;
    for (const QChar letter : letters) {
        const WORD key = WORD(letter.toUpper().unicode());
        for (bool down : {true, false}) {
            INPUT input{};
            input.type = INPUT_KEYBOARD;
            input.ki.wVk = key;
            input.ki.wScan = WORD(MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
            input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
            events.push_back(input);
        }
    }
    ASSERT_TRUE(WinKeyEvents::Send(events));
}

class WinKeyboardMonitorTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char error[512] = {};
        if (!SetKeyboardHook(&receiver, kHookMessage, error, sizeof error))
            GTEST_SKIP() << "no low-level hook here: " << error;
    }
    void TearDown() override { ReleaseKeyboardHook(); }

    Receiver receiver;
    WinKeyOutput output;
};

TEST_F(WinKeyboardMonitorTest, HeldKeysFollowOurOwnInOrderAfterTheSecondMark)
{
    SendForeignKeys(QStringLiteral("a"));
    ASSERT_TRUE(receiver.WaitFor(QStringLiteral("a")));
    ASSERT_TRUE(output.HoldUserKeys());
    ASSERT_TRUE(receiver.WaitFor(QStringLiteral("M")));
    SendForeignKeys(QStringLiteral("bc"));
    output.TypeText(QStringLiteral("X"));
    ASSERT_TRUE(receiver.WaitFor(QStringLiteral("X")));
    // The early "a" is sent again first, as the engine asks after erasing it.
    output.ReleaseUserKeys({{unsigned('A'), true}, {unsigned('A'), false}});
    ASSERT_TRUE(receiver.WaitFor(QStringLiteral("c")));
    EXPECT_EQ(receiver.seen.join(QString()), QStringLiteral("aMXMabc"));

    // After the hold, the user's keys pass at once.
    SendForeignKeys(QStringLiteral("d"));
    ASSERT_TRUE(receiver.WaitFor(QStringLiteral("d")));
}

TEST(WinDesktopTest, FocusedEditGivesTheCaretAndWhetherItIsAPasswordField)
{
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = L"QuilloDesktopTest";
    RegisterClassW(&windowClass);
    const HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"Desktop test", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                        100, 100, 400, 200, nullptr, nullptr, instance, nullptr);
    const HWND plain = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE, 10, 10, 300, 24, window, nullptr,
                                       instance, nullptr);
    const HWND password = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | ES_PASSWORD, 10, 50, 300, 24,
                                          window, nullptr, instance, nullptr);
    ASSERT_TRUE(window && plain && password);
    WinDesktop desktop;
    desktop.ActivateWindow(Desktop::WindowId(quintptr(window)));
    QDeadlineTimer deadline(kMessageWaitMs);
    while (!deadline.hasExpired() && GetForegroundWindow() != window)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    if (GetForegroundWindow() != window) {
        DestroyWindow(window);
        GTEST_SKIP() << "the test window cannot come to the foreground here";
    }
    EXPECT_EQ(desktop.ForegroundWindow(), Desktop::WindowId(quintptr(window)));
    EXPECT_EQ(desktop.WindowTitle(desktop.ForegroundWindow()), QStringLiteral("Desktop test"));
    EXPECT_EQ(desktop.WindowClass(desktop.ForegroundWindow()), QStringList{QStringLiteral("QuilloDesktopTest")});

    SetFocus(plain);
    EXPECT_FALSE(desktop.SecureInputActive());
    RECT editRect{};
    GetWindowRect(plain, &editRect);
    const std::optional<QRect> caret = desktop.CaretRect();
    ASSERT_TRUE(caret.has_value());
    EXPECT_TRUE(QRect(QPoint(editRect.left, editRect.top), QPoint(editRect.right, editRect.bottom)).contains(caret->topLeft()));

    SetFocus(password);
    EXPECT_TRUE(desktop.SecureInputActive());
    DestroyWindow(window);
}

TEST(WinLayoutTranslatorTest, TypedCharacterFollowsShiftCapsAndCommandKeys)
{
    const HKL layout = GetKeyboardLayout(0);
    WinLayoutTranslator translator;
    std::bitset<256> none;
    std::bitset<256> shift;
    shift.set(VK_LSHIFT);
    std::bitset<256> control;
    control.set(VK_LCONTROL);
    auto typed = [&](DWORD key, const std::bitset<256>& down, bool caps) {
        return translator.Press(key, MapVirtualKeyExW(key, MAPVK_VK_TO_VSC, layout), false, down, caps, layout).character;
    };
    EXPECT_EQ(typed('A', none, false), U'a');
    EXPECT_EQ(typed('A', shift, false), U'A');
    EXPECT_EQ(typed('A', none, true), U'A');
    EXPECT_EQ(typed('1', shift, false), U'!');
    EXPECT_EQ(typed('C', control, false), 0u);
    EXPECT_EQ(typed(VK_SPACE, none, false), 0u);
    EXPECT_EQ(typed(VK_NUMPAD1, none, false), 0u);
}

TEST(WinLayoutTranslatorTest, DeadKeyComposesWithTheLetterAfterIt)
{
    EXPECT_EQ(WinLayoutTranslator::Compose(0x00B4, U'e'), U'\u00E9');
    EXPECT_EQ(WinLayoutTranslator::Compose(U'^', U'A'), U'\u00C2');
    EXPECT_EQ(WinLayoutTranslator::Compose(0x00A8, U'u'), U'\u00FC');
    EXPECT_EQ(WinLayoutTranslator::Compose(U'~', U' '), U'~');
    EXPECT_EQ(WinLayoutTranslator::Compose(U'^', U'q'), 0u);
}

TEST(WinStartupShortcutTest, QuotedArgumentsReadBackUnchanged)
{
    for (const QString& argument : {QStringLiteral("plain"), QStringLiteral("C:\\Users\\Some One\\Quillo"),
                                    QStringLiteral("C:\\with space\\"), QStringLiteral("say \"hi\""),
                                    QStringLiteral("back\\\\\"slash"), QString()}) {
        const std::wstring line = (QStringLiteral("quillo.exe ") + WinStartupShortcut::QuoteArgument(argument)).toStdWString();
        int count = 0;
        LPWSTR* parsed = CommandLineToArgvW(line.c_str(), &count);
        ASSERT_EQ(count, 2) << argument.toStdString();
        EXPECT_EQ(QString::fromWCharArray(parsed[1]), argument);
        LocalFree(parsed);
    }
}

TEST(WinStartupShortcutTest, ShortcutStartsThisProgramOnItsFolderAndGoesAway)
{
    QTemporaryDir startup;
    QTemporaryDir home;
    ASSERT_TRUE(startup.isValid() && home.isValid());
    const QString target = QDir(startup.path()).filePath(QLatin1String(WinStartupShortcut::kShortcutName));
    WinStartupShortcut::Write(target, home.path());
    ASSERT_TRUE(QFileInfo::exists(target));

    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    IShellLinkW* link = nullptr;
    ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                           reinterpret_cast<void**>(&link))));
    IPersistFile* file = nullptr;
    link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
    ASSERT_TRUE(SUCCEEDED(file->Load(QDir::toNativeSeparators(target).toStdWString().c_str(), STGM_READ)));
    wchar_t path[MAX_PATH] = {};
    wchar_t arguments[1024] = {};
    link->GetPath(path, MAX_PATH, nullptr, 0);
    link->GetArguments(arguments, 1024);
    file->Release();
    link->Release();
    CoUninitialize();
    EXPECT_EQ(QFileInfo(QString::fromWCharArray(path)).fileName(),
              QFileInfo(QCoreApplication::applicationFilePath()).fileName());
    EXPECT_EQ(QString::fromWCharArray(arguments),
              QStringLiteral("--home ") + WinStartupShortcut::QuoteArgument(QDir::toNativeSeparators(home.path())));

    WinStartupShortcut::Remove(target);
    EXPECT_FALSE(QFileInfo::exists(target));
    WinStartupShortcut::Remove(target); // gone already: nothing to do
}

} // namespace
