// The whole program on a private X display: started as a user would start
// it, keys typed with xdotool into real editors, their text read back.
#include "DesktopSuite.h"
#include "settings/IniFile.h"
#include "support/TempProgramFolder.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>
#include <csignal>
#include <gtest/gtest.h>

namespace {

// Generous bounds for a loaded machine; nothing asserts on how long a step took.
constexpr int kWaitMs = 20000;
constexpr int kSettleMs = 1500; // long enough for an expansion that should not happen
constexpr int kPollMs = 50;
// The tray panel the tray test starts, in the private screen's top right.
constexpr int kScreenWidth = 1280;
constexpr int kTrayWidth = 64;
constexpr int kTrayHeight = 24;

// Lets the test's own events run (QProcess learns of a program's end from them).
void Pause(int ms)
{
    PrivateDesktop::Pause(ms, kPollMs);
}

QString ReadFile(const QString& path)
{
    return PrivateDesktop::ReadText(path);
}

} // namespace

class Expansion : public DesktopSuite
{
protected:
    void SetUp() override
    {
        DesktopSuite::SetUp();
        if (HasFatalFailure())
            return;
        // The build's sounds belong to a complete program folder.
        QDir(folder.Path()).mkdir("wav");
        for (const QString& name : QDir(TempProgramFolder::DemoFolder() + "/wav").entryList(QDir::Files))
            QFile::copy(TempProgramFolder::DemoFolder() + "/wav/" + name, folder.File("wav/" + name));
    }

    // Our own editor, which writes its text to a file after every change.
    void StartEditor()
    {
        editorOut = folder.File("editor.txt");
        editor = Start(QStringLiteral(QUILLO_TEST_EDITOR), {"--out", editorOut});
        ASSERT_NE(editor, 0) << desktop->ErrorString().toStdString();
        editorWindow = desktop->WaitForWindow(editor);
        ASSERT_NE(editorWindow, 0u) << desktop->ErrorString().toStdString();
        ASSERT_TRUE(desktop->FocusWindow(editorWindow));
    }

    // Quillo is ready once its windows exist: the keyboard monitor starts first.
    qint64 StartQuillo()
    {
        const qint64 id = Start(QStringLiteral(QUILLO_EXECUTABLE), {"--home", folder.Path()});
        EXPECT_NE(id, 0) << desktop->ErrorString().toStdString();
        EXPECT_NE(desktop->WaitForWindow(id), 0u) << desktop->ErrorString().toStdString();
        if (editorWindow)
            desktop->FocusWindow(editorWindow);
        return id;
    }

    void StartBoth()
    {
        StartEditor();
        quillo = StartQuillo();
    }

    // Waits until the editor holds exactly the text; returns what it holds.
    QString WaitForText(const QString& expected, int timeoutMs = kWaitMs)
    {
        QDeadlineTimer deadline(timeoutMs);
        QString text;
        do {
            text = ReadFile(editorOut);
            if (text == expected)
                return text;
            QThread::msleep(kPollMs);
        } while (!deadline.hasExpired());
        return text;
    }

    bool WaitUntilEnded(qint64 id)
    {
        QDeadlineTimer deadline(kWaitMs);
        while (desktop->IsProgramRunning(id) && !deadline.hasExpired())
            Pause(kPollMs);
        return !desktop->IsProgramRunning(id);
    }

    QString Clipboard()
    {
        QProcess xclip;
        xclip.setProcessEnvironment(desktop->Environment());
        xclip.start("xclip", {"-o", "-selection", "clipboard"});
        xclip.waitForFinished(kWaitMs);
        return QString::fromUtf8(xclip.readAllStandardOutput());
    }

    TempProgramFolder folder;
    qint64 editor = 0;
    qint64 quillo = 0;
    PrivateDesktop::Window editorWindow = 0;
    QString editorOut;
};


TEST_F(Expansion, SigAndATriggerBecomeTheContent)
{
    StartBoth();
    desktop->Type("sig ");
    EXPECT_EQ(WaitForText("Best regards").toStdString(), "Best regards");
    EXPECT_EQ(Clipboard().toStdString(), "Best regards");

    desktop->Type(" ty\t");
    EXPECT_EQ(WaitForText("Best regards Thank you!").toStdString(), "Best regards Thank you!");
    desktop->Type(" ty");
    desktop->Key("Return");
    EXPECT_EQ(WaitForText("Best regards Thank you! Thank you!").toStdString(), "Best regards Thank you! Thank you!");
}

TEST_F(Expansion, BackspaceRightAfterAnExpansionPutsBackWhatWasTypedAndTheCaseFollows)
{
    QProcess add;
    add.start(QStringLiteral(QUILLO_EXECUTABLE), {"--home", folder.Path(), "add", "--case-follows", "brb", "be right back"});
    ASSERT_TRUE(add.waitForFinished(kWaitMs));
    ASSERT_EQ(add.exitCode(), 0) << add.readAllStandardError().toStdString();
    StartBoth();
    desktop->Type("sig ");
    ASSERT_EQ(WaitForText("Best regards").toStdString(), "Best regards");
    desktop->Key("BackSpace");
    EXPECT_EQ(WaitForText("sig ").toStdString(), "sig ");
    Pause(kSettleMs);
    EXPECT_EQ(WaitForText("sig ").toStdString(), "sig ") << "what was put back is not expanded again";

    desktop->Type("BRB ");
    EXPECT_EQ(WaitForText("sig BE RIGHT BACK").toStdString(), "sig BE RIGHT BACK");
    desktop->Type(" Brb ");
    EXPECT_EQ(WaitForText("sig BE RIGHT BACK Be right back").toStdString(), "sig BE RIGHT BACK Be right back");
}

TEST_F(Expansion, AnImmediateSnippetExpandsAtOnceAndADelimiterStaysAfterTheContent)
{
    // Added from the command line, as a user would.
    QProcess add;
    add.start(QStringLiteral(QUILLO_EXECUTABLE),
              {"--home", folder.Path(), "add", "--mode", "immediate", "brb", "be right back"});
    ASSERT_TRUE(add.waitForFinished(kWaitMs));
    ASSERT_EQ(add.exitCode(), 0) << add.readAllStandardError().toStdString();
    SetIniValue(folder.SettingsPath(), "qk", "Delimiters", ".,");
    StartBoth();
    desktop->Type("brb");
    EXPECT_EQ(WaitForText("be right back").toStdString(), "be right back");
    desktop->Type(" sig.");
    EXPECT_EQ(WaitForText("be right back Best regards.").toStdString(), "be right back Best regards.");
    desktop->Type(" ty");
    desktop->Key("Return");
    EXPECT_EQ(WaitForText("be right back Best regards. Thank you!").toStdString(),
              "be right back Best regards. Thank you!")
        << "Enter is erased as before";
}

TEST_F(Expansion, OnlyExactAbbreviationsExpand)
{
    StartBoth();
    desktop->Type("xsig Sig si g ");
    Pause(kSettleMs);
    EXPECT_EQ(WaitForText("xsig Sig si g ").toStdString(), "xsig Sig si g ");
}

TEST_F(Expansion, MultiLineContentAndPlaceholders)
{
    StartBoth();
    desktop->Type("addr ");
    const QString address = "Quillo Street 1\n12345 Sampletown\nFreedonia";
    EXPECT_EQ(WaitForText(address).toStdString(), address.toStdString());

    desktop->Type(" today ");
    QDeadlineTimer deadline(kWaitMs);
    const QRegularExpression date(R"(Today is \d{1,2}/\d{1,2}/\d{4}\.$)");
    while (!date.match(ReadFile(editorOut)).hasMatch() && !deadline.hasExpired())
        QThread::msleep(kPollMs);
    EXPECT_TRUE(date.match(ReadFile(editorOut)).hasMatch()) << ReadFile(editorOut).toStdString();
}

TEST_F(Expansion, TheCaretStopsAtCursorAndClipboardBringsTheUsersCopy)
{
    QProcess add;
    add.start(QStringLiteral(QUILLO_EXECUTABLE), {"--home", folder.Path(), "add", "dear", "Dear [cursor],\n[clipboard]"});
    ASSERT_TRUE(add.waitForFinished(kWaitMs));
    ASSERT_EQ(add.exitCode(), 0) << add.readAllStandardError().toStdString();
    StartBoth();
    // The user's copy, served by xclip until Quillo's content replaces it.
    QFile copied(folder.File("copied.txt"));
    ASSERT_TRUE(copied.open(QIODevice::WriteOnly));
    copied.write("Ann [date]");
    copied.close();
    QProcess xclip;
    xclip.setProcessEnvironment(desktop->Environment());
    xclip.start("xclip", {"-i", "-selection", "clipboard", copied.fileName()});
    ASSERT_TRUE(xclip.waitForFinished(kWaitMs));
    ASSERT_EQ(Clipboard().toStdString(), "Ann [date]");

    desktop->Type("dear ");
    EXPECT_EQ(WaitForText("Dear ,\nAnn [date]").toStdString(), "Dear ,\nAnn [date]");
    desktop->Type("Bob");
    EXPECT_EQ(WaitForText("Dear Bob,\nAnn [date]").toStdString(), "Dear Bob,\nAnn [date]");
}

// The window that asks for the fields takes the keyboard and hands it back:
// answered, the abbreviation goes and the content with the answers comes;
// cancelled, what was typed stays and nothing else happens.
TEST_F(Expansion, AFillInWindowAsksAndGivesTheKeyboardBack)
{
    QProcess add;
    add.start(QStringLiteral(QUILLO_EXECUTABLE),
              {"--home", folder.Path(), "add", "ord", "[input Name] takes [choice Size=S|M|L], [input Name]."});
    ASSERT_TRUE(add.waitForFinished(kWaitMs));
    ASSERT_EQ(add.exitCode(), 0) << add.readAllStandardError().toStdString();
    StartBoth();
    const auto waitForAsker = [&](bool shown) {
        QDeadlineTimer deadline(kWaitMs);
        do {
            // Shown means it has the keyboard too, so that typing goes into it.
            QProcess search;
            search.setProcessEnvironment(desktop->Environment());
            search.start("xdotool", {"search", "--onlyvisible", "--name", "Quillo: fill in the snippet"});
            search.waitForFinished(kWaitMs);
            QProcess focus;
            focus.setProcessEnvironment(desktop->Environment());
            focus.start("xdotool", {"getwindowfocus"});
            focus.waitForFinished(kWaitMs);
            const QString focused = QString::fromLatin1(focus.readAllStandardOutput()).trimmed();
            const bool asks = search.exitCode() == 0 && !focused.isEmpty() &&
                              QString::fromLatin1(search.readAllStandardOutput()).split('\n').contains(focused);
            if (asks == shown)
                return true;
            Pause(kPollMs);
        } while (!deadline.hasExpired());
        return false;
    };

    desktop->Type("ord ");
    ASSERT_TRUE(waitForAsker(true));
    EXPECT_EQ(ReadFile(editorOut).toStdString(), "ord ") << "nothing is erased before the answers";
    desktop->Type("Ann");
    desktop->Key("Tab");
    desktop->Key("Down");
    desktop->Key("Return");
    EXPECT_EQ(WaitForText("Ann takes M, Ann.").toStdString(), "Ann takes M, Ann.");
    EXPECT_TRUE(waitForAsker(false));
    desktop->Type("!");
    EXPECT_EQ(WaitForText("Ann takes M, Ann.!").toStdString(), "Ann takes M, Ann.!");

    desktop->Type(" ord ");
    ASSERT_TRUE(waitForAsker(true));
    desktop->Key("Escape");
    EXPECT_TRUE(waitForAsker(false));
    desktop->Type("x");
    EXPECT_EQ(WaitForText("Ann takes M, Ann.! ord x").toStdString(), "Ann takes M, Ann.! ord x");
    Pause(kSettleMs);
    EXPECT_EQ(ReadFile(editorOut).toStdString(), "Ann takes M, Ann.! ord x");
}

TEST_F(Expansion, HotKeyModeWithShiftHeldPastesAndLeavesNoShiftStuck)
{
    SetIniValue(folder.SettingsPath(), "qk", "ExpandWhen", "hand");
    StartBoth();
    desktop->Type("sig ");
    Pause(kSettleMs);
    EXPECT_EQ(WaitForText("sig ").toStdString(), "sig ");

    desktop->Type("sig");
    // Shift stays down well past the expansion, as a slow hand keeps it.
    QProcess xdotool;
    xdotool.setProcessEnvironment(desktop->Environment());
    xdotool.start("xdotool", {"keydown", "shift", "key", "space", "sleep", "0.6", "keyup", "shift"});
    xdotool.waitForFinished(kWaitMs);
    EXPECT_EQ(WaitForText("sig Best regards").toStdString(), "sig Best regards");
    desktop->Type("abc");
    EXPECT_EQ(WaitForText("sig Best regardsabc").toStdString(), "sig Best regardsabc");
}

TEST_F(Expansion, TheHotKeyTogglesExpansion)
{
    StartBoth();
    desktop->Key("shift+alt+F12");
    desktop->Type("sig ");
    Pause(kSettleMs);
    EXPECT_EQ(WaitForText("sig ").toStdString(), "sig ");
    QDeadlineTimer lock(kWaitMs);
    while (GetIniValue(folder.SettingsPath(), "qk", "EnableQK") != "False" && !lock.hasExpired())
        QThread::msleep(kPollMs);
    EXPECT_EQ(GetIniValue(folder.SettingsPath(), "qk", "EnableQK").toStdString(), "False");

    QThread::msleep(600); // past the hot key's lock
    desktop->Key("shift+alt+F12");
    desktop->Type("sig ");
    EXPECT_EQ(WaitForText("sig Best regards").toStdString(), "sig Best regards");
}

TEST_F(Expansion, AClickElsewhereForgetsWhatWasTyped)
{
    StartBoth();
    desktop->Type("hello world");
    desktop->Key("Return");
    desktop->Type("si");
    ASSERT_EQ(WaitForText("hello world\nsi").toStdString(), "hello world\nsi");
    const QRect geometry = desktop->WindowGeometry(editorWindow);
    QProcess xdotool;
    xdotool.setProcessEnvironment(desktop->Environment());
    // Into the first line, after "hello".
    xdotool.start("xdotool", {"mousemove", "--sync", QString::number(geometry.x() + 40),
                              QString::number(geometry.y() + 12), "click", "1"});
    xdotool.waitForFinished(kWaitMs);
    desktop->Type("g ");
    Pause(kSettleMs);
    const QString text = ReadFile(editorOut);
    EXPECT_FALSE(text.contains("Best regards")) << text.toStdString();
    EXPECT_EQ(text.size(), QString("hello world\nsi").size() + 2) << text.toStdString();
}

// An application excluded by its window class (Qt names ours after its
// executable): nothing expands there until the rule goes, which the running
// program takes in before the command line returns.
TEST_F(Expansion, NothingExpandsInAnExcludedApplication)
{
    const auto rules = [&](const QStringList& words) {
        QProcess cli;
        cli.setProcessEnvironment(desktop->Environment());
        cli.start(QStringLiteral(QUILLO_EXECUTABLE), QStringList{"--home", folder.Path(), "rules"} + words);
        EXPECT_TRUE(cli.waitForFinished(kWaitMs));
        EXPECT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
    };
    rules({"exclude", "QUILLO-TEST-EDITOR"});
    StartBoth();
    desktop->Type("sig ");
    Pause(kSettleMs);
    EXPECT_EQ(WaitForText("sig ").toStdString(), "sig ");

    rules({"include", "quillo-test-editor"});
    desktop->FocusWindow(editorWindow);
    desktop->Type("sig ");
    EXPECT_EQ(WaitForText("sig Best regards").toStdString(), "sig Best regards");
}

TEST_F(Expansion, ASecondInstanceIsRefusedAndTheFirstGoesOn)
{
    StartBoth();
    // Started from the desktop: it hands over to the running program and ends
    // at once, without a box of its own to wait on.
    const qint64 second = Start(QStringLiteral(QUILLO_EXECUTABLE), {"--home", folder.Path()});
    ASSERT_NE(second, 0) << desktop->ErrorString().toStdString();
    EXPECT_TRUE(WaitUntilEnded(second));
    EXPECT_TRUE(desktop->IsProgramRunning(quillo));

    desktop->FocusWindow(editorWindow);
    desktop->Type("sig ");
    EXPECT_EQ(WaitForText("Best regards").toStdString(), "Best regards");
}

TEST_F(Expansion, StoppingWritesTheCountersAndEndsExpansion)
{
    StartBoth();
    desktop->Type("sig ");
    ASSERT_EQ(WaitForText("Best regards").toStdString(), "Best regards");
    ::kill(pid_t(quillo), SIGTERM);
    EXPECT_TRUE(WaitUntilEnded(quillo));
    EXPECT_EQ(GetIniValue(folder.SettingsPath(), "qk", "SniExp").toStdString(), "1");
    EXPECT_EQ(GetIniValue(folder.SettingsPath(), "qk", "ChrSav").toStdString(), "9");
    desktop->Type(" sig ");
    Pause(kSettleMs);
    EXPECT_EQ(WaitForText("Best regards sig ").toStdString(), "Best regards sig ");
}

TEST_F(Expansion, ExitFromTheTrayMenu)
{
    const QRect panel(kScreenWidth - kTrayWidth, 0, kTrayWidth, kTrayHeight);
    const qint64 tray = Start("trayer", {"--edge", "top", "--align", "right", "--widthtype", "pixel", "--width",
                                         QString::number(kTrayWidth), "--height", QString::number(kTrayHeight),
                                         "--SetDockType", "false"});
    ASSERT_NE(tray, 0);
    ASSERT_NE(desktop->WaitForWindow(tray), 0u) << desktop->ErrorString().toStdString();
    StartBoth();

    // Quillo's icon is the window of its own that sits in the tray.
    QRect icon;
    QDeadlineTimer deadline(kWaitMs);
    while (icon.isEmpty() && !deadline.hasExpired()) {
        QProcess search;
        search.setProcessEnvironment(desktop->Environment());
        search.start("xdotool", {"search", "--onlyvisible", "--pid", QString::number(quillo)});
        search.waitForFinished(kWaitMs);
        for (const QString& id : QString::fromLatin1(search.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts)) {
            const QRect geometry = desktop->WindowGeometry(id.toULongLong());
            if (panel.contains(geometry.center()))
                icon = geometry;
        }
        if (icon.isEmpty())
            Pause(kPollMs * 4);
    }
    ASSERT_FALSE(icon.isEmpty()) << "no tray icon in the panel";

    // A click opens the menu, whose last entry is Exit.
    QProcess xdotool;
    xdotool.setProcessEnvironment(desktop->Environment());
    xdotool.start("xdotool", {"mousemove", "--sync", QString::number(icon.center().x()),
                              QString::number(icon.center().y()), "click", "1", "sleep", "0.7", "key", "Up",
                              "sleep", "0.2", "key", "Return"});
    xdotool.waitForFinished(kWaitMs);
    EXPECT_TRUE(WaitUntilEnded(quillo));
    desktop->FocusWindow(editorWindow);
    desktop->Type("sig ");
    Pause(kSettleMs);
    EXPECT_EQ(WaitForText("sig ").toStdString(), "sig ");
}

TEST_F(Expansion, InAGtkEditorUnderAWindowManager)
{
    const qint64 wm = StartWindowManager();
    ASSERT_NE(wm, 0);
    const QString file = folder.File("mousepad.txt");
    QFile::remove(file);
    QFile touch(file);
    ASSERT_TRUE(touch.open(QIODevice::WriteOnly));
    touch.close();
    const qint64 mousepad = Start("mousepad", {file});
    const PrivateDesktop::Window window = desktop->WaitForWindow(mousepad);
    ASSERT_NE(window, 0u) << desktop->ErrorString().toStdString();
    quillo = StartQuillo();
    QProcess activate;
    activate.setProcessEnvironment(desktop->Environment());
    activate.start("xdotool", {"windowactivate", "--sync", QString::number(window)});
    activate.waitForFinished(kWaitMs);
    // A GTK editor fetches the pasted text a moment after Ctrl+V; a person
    // types the next word later than that, and so does the test.
    // The trigger's Space is erased with the abbreviation, as in every editor.
    for (const char* word : {"sig ", "and ", "ty "}) {
        desktop->Type(word);
        Pause(kSettleMs);
    }
    desktop->Key("ctrl+s");
    QDeadlineTimer deadline(kWaitMs);
    while (ReadFile(file) != "Best regardsand Thank you!" && !deadline.hasExpired()) {
        Pause(kPollMs * 10);
        desktop->Key("ctrl+s");
    }
    EXPECT_EQ(ReadFile(file).toStdString(), "Best regardsand Thank you!");
}
