// The whole program with its Wayland backend on a real compositor (headless
// sway): the keys reach the editors through the compositor (wtype, as a
// keyboard would) and Quillo's keyboard monitor through a simulated device,
// as a keyboard's keys reach both in a Wayland session.
#include "WaylandSuite.h"
#include "platform/wayland/VirtualKeyboardOutput.h"
#include "platform/wayland/WaylandDesktop.h"
#include "settings/IniFile.h"
#include "support/FileBytes.h"
#include "support/SimulatedKeyboard.h"
#include "support/TempProgramFolder.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {

constexpr const char* kOptionsSection = "qk";

} // namespace

class WaylandProgram : public WaylandSuite
{
protected:
    void SetUp() override
    {
        WaylandSuite::SetUp();
        if (HasFatalFailure())
            return;
        devices = MakeFolder("devices");
        keyboard = std::make_unique<SimulatedKeyboard>(devices);
        ASSERT_TRUE(sway->GiveToUser(devices));
    }
    void TearDown() override
    {
        WaylandSuite::TearDown();
        keyboard.reset();
    }

    // Each list: the arguments of one `quillo add`, before the program starts.
    void AddSnippets(const QList<QStringList>& snippets)
    {
        for (const QStringList& snippet : snippets) {
            QProcess add;
            add.start(QStringLiteral(QUILLO_EXECUTABLE), QStringList{"--home", folder.Path(), "add"} + snippet);
            ASSERT_TRUE(add.waitForFinished(kWaitMs));
            ASSERT_EQ(add.exitCode(), 0) << add.readAllStandardError().toStdString();
        }
    }
    // A window of Quillo's has closed: the compositor gives the editor the keyboard back.
    void WaitForEditorFocus()
    {
        QDeadlineTimer deadline(kWaitMs);
        while (!WindowOf("quillo-test-editor").focused && !deadline.hasExpired())
            QThread::msleep(kPollMs);
    }

    // Quillo is ready once its keyboard monitor reads the device.
    void StartQuillo()
    {
        ASSERT_TRUE(sway->GiveToUser(folder.Path()));
        QProcessEnvironment environment;
        environment.insert("QUILLO_INPUT_DEVICES", devices);
        environment.insert("QT_QPA_PLATFORM", "wayland");
        quillo = Start(QStringLiteral(QUILLO_EXECUTABLE), {"--home", folder.Path(), "--backend", "wayland"},
                       environment);
        ASSERT_TRUE(quillo);
        ASSERT_TRUE(keyboard->Connect(kWaitMs)) << "the keyboard monitor never opened the device";
    }

    // Quillo, then our Qt editor with the keyboard; the file the editor
    // writes its text to.
    void StartQuilloAndQtEditor(QString& out)
    {
        StartQuillo();
        ASSERT_FALSE(HasFatalFailure());
        out = MakeFolder("qt") + "/editor.txt";
        ASSERT_TRUE(StartQtEditor(out));
        ASSERT_TRUE(WaitUntilFocused(out)) << sway->Describe().toStdString();
    }

    // The same keys to the editor (through the compositor) and to Quillo
    // (through the device): the editor has them before Quillo acts on them.
    void TypeBoth(const QString& text, const std::function<bool()>& editorHasThem)
    {
        ASSERT_TRUE(Wtype({text}));
        ASSERT_TRUE(editorHasThem()) << "the editor did not get " << text.toStdString();
        ASSERT_TRUE(keyboard->Type(text));
    }

    // The command line as the session's user runs it, with its output.
    bool Quillo(const QStringList& arguments, QByteArray* output = nullptr)
    {
        return sway->RunClient(QStringLiteral(QUILLO_EXECUTABLE), QStringList{"--home", folder.Path()} + arguments,
                               kWaitMs, output);
    }
    // Whether the picker (or the window asking for fill-in fields) shows
    // with the keyboard, once it does (or does not).
    bool PickerOpen(bool expected, const QString& which = QStringLiteral("pickerOpen"))
    {
        QDeadlineTimer deadline(kWaitMs);
        bool open = !expected;
        while (open != expected && !deadline.hasExpired()) {
            QByteArray status;
            open = Quillo({"status", "--json"}, &status) &&
                   QJsonDocument::fromJson(status).object().value(which).toBool();
            if (open != expected)
                QThread::msleep(kPollMs);
        }
        return open;
    }

    QString Clipboard()
    {
        QByteArray output;
        sway->RunClient("wl-paste", {"--no-newline"}, kToolTimeoutMs, &output);
        return QString::fromUtf8(output);
    }

    TempProgramFolder folder;
    QString devices;
    std::unique_ptr<SimulatedKeyboard> keyboard;
    QProcess* quillo = nullptr;
};

TEST_F(WaylandProgram, ExpandsInAQtEditorAndGivesTheClipboardBack)
{
    SetIniValue(folder.SettingsPath(), kOptionsSection, "RestoreClipboard", "True");
    QString out;
    StartQuilloAndQtEditor(out);
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(sway->RunClient("wl-copy", {"the user's copy"}, kToolTimeoutMs));

    TypeBoth("sig ", [&] { return WaitForText(out, "sig ") == "sig "; });
    EXPECT_EQ(WaitForText(out, "Best regards").toStdString(), "Best regards");

    // What the user had copied comes back once the editor took the paste.
    QDeadlineTimer deadline(kWaitMs);
    QString clipboard;
    while ((clipboard = Clipboard()) != "the user's copy" && !deadline.hasExpired())
        QThread::msleep(kPollMs);
    EXPECT_EQ(clipboard.toStdString(), "the user's copy");

    // Letters that do not end an abbreviation stay as typed.
    TypeBoth(" xsig ", [&] { return WaitForText(out, "Best regards xsig ") == "Best regards xsig "; });
    QThread::msleep(kProbeWaitMs);
    EXPECT_EQ(ReadText(out).toStdString(), "Best regards xsig ");
}

// Keys typed right after the trigger, with no pause: a keyboard's keys reach
// both the application and Quillo unless Quillo holds the keyboard, which it
// does from the trigger until the application has taken the paste; then
// they follow the content. Without the hold the Backspaces would erase them
// instead. In a Qt editor, and in a terminal (which pastes with
// Ctrl+Shift+V) whose shell writes each line it reads to a file.
TEST_F(WaylandProgram, KeysTypedRightAfterTheTriggerFollowTheContent)
{
    QString out;
    StartQuilloAndQtEditor(out);
    ASSERT_FALSE(HasFatalFailure());
    Connect();
    ASSERT_FALSE(HasFatalFailure());
    // The user's keyboard as the compositor sees it; the device is the same
    // keyboard as Quillo reads it.
    VirtualKeyboardOutput user(*connection, connection->SessionKeymap());
    constexpr int kVkShift = 16, kVkEnter = 13;
    user.KeyDown(kVkShift); // a new keyboard's first key may be missed
    user.KeyUp(kVkShift);
    auto type = [&](const QString& text) {
        for (const QChar character : text) {
            const int key = character == '\n' ? kVkEnter : character.toUpper().unicode();
            if (keyboard->KeepGrabOff()) {
                user.KeyDown(std::uint8_t(key));
                user.KeyUp(std::uint8_t(key));
                connection->Roundtrip(); // the compositor has passed it on
                keyboard->Type(character);
                keyboard->AllowGrab();
            } else {
                keyboard->Type(character); // held: the compositor sees nothing
            }
        }
    };
    type("sig");
    ASSERT_EQ(WaitForText(out, "sig").toStdString(), "sig");
    type(" abc");
    EXPECT_EQ(WaitForText(out, "Best regardsabc").toStdString(), "Best regardsabc");
    EXPECT_FALSE(keyboard->Grabbed()) << "the keyboard stayed held";

    const QString line = MakeFolder("terminal") + "/line.txt";
    ASSERT_TRUE(Start("foot", {"sh", "-c", "while read -r line; do printf '%s\\n' \"$line\" > " + line + "; done"}));
    QDeadlineTimer deadline(kWaitMs);
    while (ReadText(line) != "x\n" && !deadline.hasExpired()) {
        type("x\n");
        WaitForText(line, "x\n", kProbeWaitMs);
    }
    ASSERT_EQ(ReadText(line).toStdString(), "x\n") << sway->Describe().toStdString();
    type("sig");
    type(" abc\n");
    EXPECT_EQ(WaitForText(line, "Best regardsabc\n").toStdString(), "Best regardsabc\n");
}

TEST_F(WaylandProgram, ExpandsInAGtkEditor)
{
    StartQuillo();
    ASSERT_FALSE(HasFatalFailure());
    const QString file = MakeFolder("gtk") + "/note.txt";
    {
        QFile empty(file);
        ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    }
    ASSERT_TRUE(sway->GiveToUser(file));
    QProcessEnvironment environment;
    environment.insert("GDK_BACKEND", "wayland");
    environment.insert("NO_AT_BRIDGE", "1");
    environment.insert("GSETTINGS_BACKEND", "memory");
    ASSERT_TRUE(Start("mousepad", {file}, environment));
    // mousepad saves with Ctrl+S to the file it was opened on: what it
    // holds. wtype's Ctrl does not reach GTK programs; a keyboard of our own
    // saves instead.
    Connect();
    ASSERT_FALSE(HasFatalFailure());
    constexpr int kVkControl = 17, kVkBackspace = 8;
    VirtualKeyboardOutput saver(*connection, connection->SessionKeymap());
    auto save = [&] {
        saver.KeyDown(kVkControl);
        saver.KeyDown('S');
        saver.KeyUp('S');
        saver.KeyUp(kVkControl);
    };
    auto savedAs = [&](const QString& expected) {
        QDeadlineTimer deadline(kWaitMs);
        QString saved;
        while (!deadline.hasExpired()) {
            save();
            saved = WaitForText(file, expected, kProbeWaitMs);
            if (saved == expected)
                break;
        }
        return saved;
    };
    // Its window has the keyboard once a probe arrives; then it is emptied again.
    QDeadlineTimer deadline(kWaitMs);
    while (ReadText(file).isEmpty() && !deadline.hasExpired()) {
        Wtype({"-k", "Shift_L", "-k", "x"});
        save();
        WaitForText(file, "x", kProbeWaitMs);
    }
    ASSERT_FALSE(ReadText(file).isEmpty()) << "mousepad never had the keyboard";
    saver.KeyDown(kVkControl);
    saver.KeyDown('A');
    saver.KeyUp('A');
    saver.KeyUp(kVkControl);
    saver.KeyDown(kVkBackspace);
    saver.KeyUp(kVkBackspace);
    ASSERT_EQ(savedAs("").toStdString(), "");

    TypeBoth("sig ", [&] { return savedAs("sig ") == "sig "; });
    EXPECT_EQ(savedAs("Best regards").toStdString(), "Best regards");
}

// Added from the command line before the start, as a user would.
TEST_F(WaylandProgram, AnImmediateSnippetExpandsAtOnceAndADelimiterStaysAfterTheContent)
{
    QProcess add;
    add.start(QStringLiteral(QUILLO_EXECUTABLE),
              {"--home", folder.Path(), "add", "--mode", "immediate", "brb", "be right back"});
    ASSERT_TRUE(add.waitForFinished(kWaitMs));
    ASSERT_EQ(add.exitCode(), 0) << add.readAllStandardError().toStdString();
    SetIniValue(folder.SettingsPath(), kOptionsSection, "Delimiters", ".");
    QString out;
    StartQuilloAndQtEditor(out);
    ASSERT_FALSE(HasFatalFailure());

    TypeBoth("brb", [&] { return WaitForText(out, "brb") == "brb"; });
    ASSERT_EQ(WaitForText(out, "be right back").toStdString(), "be right back");
    TypeBoth(" sig.", [&] { return WaitForText(out, "be right back sig.") == "be right back sig."; });
    EXPECT_EQ(WaitForText(out, "be right back Best regards.").toStdString(), "be right back Best regards.");
}

// The picker's hot key comes from the keyboard monitor; the picker takes
// the keyboard from the compositor, and the editor has it back for the paste
// (and after Escape).
TEST_F(WaylandProgram, ThePickerInsertsTheChosenSnippetIntoTheEditorThatWasInFront)
{
    QString out;
    StartQuilloAndQtEditor(out);
    ASSERT_FALSE(HasFatalFailure());
    TypeBoth("Yours, ", [&] { return WaitForText(out, "Yours, ") == "Yours, "; });

    ASSERT_TRUE(keyboard->Press(SimulatedKeyboard::kLeftCtrl) && keyboard->Press(SimulatedKeyboard::kLeftAlt) &&
                keyboard->Tap(SimulatedKeyboard::kSpace) && keyboard->Release(SimulatedKeyboard::kLeftAlt) &&
                keyboard->Release(SimulatedKeyboard::kLeftCtrl));
    ASSERT_TRUE(PickerOpen(true)) << sway->Describe().toStdString();
    // A keyboard's keys reach the monitor too, which expands none of them.
    ASSERT_TRUE(keyboard->Type("regards"));
    ASSERT_TRUE(Wtype({"-k", "Shift_L", "regards", "-k", "Return"}));
    ASSERT_TRUE(keyboard->Tap(SimulatedKeyboard::kEnter));
    EXPECT_EQ(WaitForText(out, "Yours, Best regards").toStdString(), "Yours, Best regards")
        << sway->Describe().toStdString();
    EXPECT_FALSE(PickerOpen(false));
    TypeBoth(" x", [&] { return WaitForText(out, "Yours, Best regards x") == "Yours, Best regards x"; });

    // From the command line; Escape closes it and inserts nothing. Keys typed
    // before the compositor has given the editor the keyboard back would
    // still go to the picker, as to any window that is closing.
    ASSERT_TRUE(Quillo({"pick"}));
    ASSERT_TRUE(PickerOpen(true)) << sway->Describe().toStdString();
    ASSERT_TRUE(Wtype({"-k", "Shift_L", "-k", "Escape"}));
    ASSERT_TRUE(keyboard->Tap(SimulatedKeyboard::kEscape));
    ASSERT_FALSE(PickerOpen(false));
    WaitForEditorFocus();
    TypeBoth("y", [&] { return WaitForText(out, "Yours, Best regards xy") == "Yours, Best regards xy"; });
}

// The caret stops where the snippet says; a snippet with fill-in fields
// asks in a window of its own that takes the keyboard from the compositor,
// and the editor has it back for the content with the answers.
TEST_F(WaylandProgram, TheCaretStopsAtCursorAndAFillInIsAnsweredInItsWindow)
{
    AddSnippets({{"dear", "Dear [cursor]!"}, {"ord", "[input Name] takes [choice Size=S|M|L]."}});
    ASSERT_FALSE(HasFatalFailure());
    QString out;
    StartQuilloAndQtEditor(out);
    ASSERT_FALSE(HasFatalFailure());

    TypeBoth("dear ", [&] { return WaitForText(out, "dear ") == "dear "; });
    ASSERT_EQ(WaitForText(out, "Dear !").toStdString(), "Dear !");
    TypeBoth("Bob", [&] { return WaitForText(out, "Dear Bob!") == "Dear Bob!"; });

    // Still before the "!".
    TypeBoth(" ord ", [&] { return WaitForText(out, "Dear Bob ord !") == "Dear Bob ord !"; });
    ASSERT_TRUE(PickerOpen(true, "fillInOpen")) << sway->Describe().toStdString();
    ASSERT_TRUE(Wtype({"-k", "Shift_L", "Ann", "-k", "Tab", "-k", "Down", "-k", "Return"}));
    ASSERT_TRUE(keyboard->Type("Ann") && keyboard->Tap(SimulatedKeyboard::kTab) &&
                keyboard->Tap(SimulatedKeyboard::kEnter));
    EXPECT_EQ(WaitForText(out, "Dear Bob Ann takes M.!").toStdString(), "Dear Bob Ann takes M.!")
        << sway->Describe().toStdString();
    EXPECT_FALSE(PickerOpen(false, "fillInOpen"));
    WaitForEditorFocus();
    TypeBoth("x", [&] { return WaitForText(out, "Dear Bob Ann takes M.x!") == "Dear Bob Ann takes M.x!"; });
}

// The clipboard as the user left it comes into the content, a snippet
// follows the case its abbreviation was typed in, and Backspace right after
// an expansion puts back what was typed.
TEST_F(WaylandProgram, ClipboardCaseAndBackspaceRightAfterAnExpansion)
{
    AddSnippets({{"got", "Got [clipboard]."}, {"--case-follows", "brb", "be right back"}});
    ASSERT_FALSE(HasFatalFailure());
    QString out;
    StartQuilloAndQtEditor(out);
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(sway->RunClient("wl-copy", {"Ann"}, kToolTimeoutMs));

    TypeBoth("got ", [&] { return WaitForText(out, "got ") == "got "; });
    ASSERT_EQ(WaitForText(out, "Got Ann.").toStdString(), "Got Ann.");
    TypeBoth(" Brb ", [&] { return WaitForText(out, "Got Ann. Brb ") == "Got Ann. Brb "; });
    ASSERT_EQ(WaitForText(out, "Got Ann. Be right back").toStdString(), "Got Ann. Be right back");
    QString text = "Got Ann. Be right back BRB ";
    TypeBoth(" BRB ", [&] { return WaitForText(out, text) == text; });
    text = "Got Ann. Be right back BE RIGHT BACK";
    ASSERT_EQ(WaitForText(out, text).toStdString(), text.toStdString());

    TypeBoth(" sig ", [&] { return WaitForText(out, text + " sig ") == text + " sig "; });
    ASSERT_EQ(WaitForText(out, text + " Best regards").toStdString(), (text + " Best regards").toStdString());
    ASSERT_TRUE(Wtype({"-k", "BackSpace"}));
    ASSERT_EQ(WaitForText(out, text + " Best regard").toStdString(), (text + " Best regard").toStdString());
    ASSERT_TRUE(keyboard->Tap(SimulatedKeyboard::kBackspace));
    EXPECT_EQ(WaitForText(out, text + " sig ").toStdString(), (text + " sig ").toStdString());
    QThread::msleep(kProbeWaitMs);
    EXPECT_EQ(ReadText(out).toStdString(), (text + " sig ").toStdString()) << "what was put back expanded again";
}

// A rule by application id, as the compositor's list of windows gives it:
// nothing expands in the editor until the rule is taken out of the options
// file, which the running program notices by itself.
TEST_F(WaylandProgram, NothingExpandsInAnApplicationExcludedByItsAppId)
{
    SetIniValue(folder.SettingsPath(), "Rules", "Exclude", "Quillo-Test-Editor");
    QString out;
    StartQuilloAndQtEditor(out);
    ASSERT_FALSE(HasFatalFailure());

    TypeBoth("sig ", [&] { return WaitForText(out, "sig ") == "sig "; });
    QThread::msleep(kProbeWaitMs);
    EXPECT_EQ(ReadText(out).toStdString(), "sig ") << sway->Describe().toStdString();

    // The file keeps its owner: it is written in place.
    QByteArray settings = ReadBytes(folder.SettingsPath());
    {
        QFile file(folder.SettingsPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(settings.replace("Exclude=Quillo-Test-Editor", "; no rule"));
    }
    QDeadlineTimer deadline(kWaitMs);
    QString text;
    // Until the program has read the file again, a word typed stays as it is.
    for (int word = 1; !deadline.hasExpired(); ++word) {
        const QString typed = ReadText(out);
        TypeBoth("sig ", [&] { return WaitForText(out, typed + "sig ") == typed + "sig "; });
        ASSERT_FALSE(HasFatalFailure());
        text = WaitForText(out, typed + "Best regards", kProbeWaitMs * 2);
        if (text.endsWith("Best regards"))
            break;
    }
    EXPECT_TRUE(text.startsWith("sig ") && text.endsWith("Best regards")) << text.toStdString();
}

TEST_F(WaylandProgram, KeyboardsItMayNotReadAreNamedInOneMessageAndNothingStarts)
{
    // The device is there, but not for the user the program runs as.
    ASSERT_TRUE(QFile::setPermissions(keyboard->Path(), QFileDevice::Permissions()));
    ASSERT_TRUE(sway->GiveToUser(folder.Path()));
    // A keyboard in the seat before the box comes, as a user's keyboard
    // would be: the box has the keyboard when it appears.
    Connect();
    ASSERT_FALSE(HasFatalFailure());
    VirtualKeyboardOutput user(*connection, connection->SessionKeymap());
    QProcessEnvironment environment;
    environment.insert("QUILLO_INPUT_DEVICES", devices);
    QProcess* program = Start(QStringLiteral(QUILLO_EXECUTABLE), {"--home", folder.Path(), "--backend", "wayland"},
                              environment, HeadlessSway::Output::KeepWithErrors);
    ASSERT_TRUE(program);
    // One box, with the keyboard; Enter closes it and the program ends.
    WaylandDesktop windows(*connection);
    QDeadlineTimer deadline(kWaitMs);
    QString said;
    while (!windows.WindowClass(windows.ForegroundWindow()).contains("quillo") && !deadline.hasExpired()) {
        program->waitForReadyRead(kPollMs);
        said += QString::fromUtf8(program->readAll());
    }
    ASSERT_TRUE(windows.WindowClass(windows.ForegroundWindow()).contains("quillo"))
        << sway->Describe().toStdString() << "; the program said: " << said.toStdString();
    constexpr int kVkEnter = 13;
    while (program->state() != QProcess::NotRunning && !deadline.hasExpired()) {
        user.KeyDown(kVkEnter);
        user.KeyUp(kVkEnter);
        program->waitForFinished(kProbeWaitMs);
    }
    said += QString::fromUtf8(program->readAll());
    // Also whether it hung on its way out once the box closed.
    ASSERT_EQ(program->state(), QProcess::NotRunning)
        << sway->Describe().toStdString() << "; the program said: " << said.toStdString();
    EXPECT_EQ(program->exitCode(), 1);
    said += QString::fromUtf8(program->readAll());
    EXPECT_TRUE(said.contains("not allowed to read the keyboard devices in " + devices)) << said.toStdString();
    EXPECT_TRUE(said.contains("sudo usermod -aG input $USER")) << said.toStdString();
    EXPECT_FALSE(said.contains("running with the Wayland backend")) << said.toStdString();
}

// Its own compositor, which the test ends.
class WaylandCompositorLoss : public WaylandProgram
{
protected:
    static constexpr int kCrashAfterExpansionMs = 500;
};

// Qt's Wayland platform ends the program at once when its compositor goes;
// the counts, written right after each expansion, are kept.
TEST_F(WaylandCompositorLoss, TheProgramEndsAndKeepsTheCountsAlreadyWritten)
{
    QString out;
    StartQuilloAndQtEditor(out);
    ASSERT_FALSE(HasFatalFailure());
    TypeBoth("sig ", [&] { return WaitForText(out, "sig ") == "sig "; });
    ASSERT_EQ(WaitForText(out, "Best regards").toStdString(), "Best regards");

    // The session ends half a second after the expansion, as a logout may.
    QThread::msleep(kCrashAfterExpansionMs);
    ASSERT_TRUE(sway->Crash());
    ASSERT_TRUE(quillo->waitForFinished(kWaitMs)) << "the program outlived its compositor";
    EXPECT_EQ(GetIniValue(folder.SettingsPath(), kOptionsSection, "SniExp").toStdString(), "1");
    EXPECT_EQ(GetIniValue(folder.SettingsPath(), kOptionsSection, "ChrSav").toStdString(), "9");
    // The rest of the file is whole.
    EXPECT_EQ(GetIniValue(folder.SettingsPath(), kOptionsSection, "EnableQK").toStdString(), "True");
}
