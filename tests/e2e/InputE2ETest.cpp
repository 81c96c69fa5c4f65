// What the user typed stays what the user typed: other keyboard layouts,
// terminals. The whole program on a private X display; keys go in as key
// codes, as a keyboard sends them, and the layout decides what they type.
#include "DesktopSuite.h"
#include "platform/x11/X11KeyInjector.h"
#include "platform/x11/X11KeyOutput.h"
#include "settings/IniFile.h"
#include "store/SnippetManager.h"
#include "support/TempProgramFolder.h"

#include <QDeadlineTimer>
#include <csignal>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QThread>
#include <memory>
#include <vector>
#include <gtest/gtest.h>

namespace {

constexpr int kWaitMs = 20000;
constexpr int kSettleMs = 1500; // long enough for an expansion that should not happen
constexpr int kPollMs = 50;
constexpr int kKeyGapMs = 15;        // between key events, as a quick typist
constexpr int kLayoutSettleMs = 400; // for every client to read a new keyboard mapping

// evdev key codes: where the keys are, whatever the layout makes of them.
enum Keycode : unsigned {
    K7 = 16, KMinus = 20, KEqual = 21, KQ = 24, KE = 26, KR = 27, KI = 31, KLeftBracket = 34,
    KO = 32, KReturn = 36, KA = 38, KS = 39, KF = 41, KG = 42, KShift = 50, KC = 54, KM = 58, KSpace = 65,
    KAltGr = 108,
};

QString Utf8(const char* text)
{
    return QString::fromUtf8(text);
}

} // namespace

class Input : public DesktopSuite
{
protected:
    void SetUp() override
    {
        DesktopSuite::SetUp();
        if (HasFatalFailure())
            return;
        keys = std::make_unique<X11KeyInjector>();
        ASSERT_TRUE(keys->IsOpen());
    }

    void TearDown() override
    {
        DesktopSuite::TearDown();
        SetLayout("us");
    }

    bool Run(const QString& program, const QStringList& arguments)
    {
        QProcess process;
        process.setProcessEnvironment(desktop->Environment());
        process.start(program, arguments);
        return process.waitForFinished(kWaitMs) && process.exitCode() == 0;
    }

    bool SetLayout(const QString& layouts)
    {
        const bool done = Run("setxkbmap", {"-display", desktop->Display(), "-layout", layouts});
        QThread::msleep(kLayoutSettleMs);
        return done;
    }

    void AddSnippet(const QString& abbreviation, const QString& content,
                    Snippet::TriggerMode mode = Snippet::TriggerMode::AfterDelimiter,
                    const QStringList& onlyIn = {})
    {
        SnippetManager store;
        store.OpenSetFile(folder.DatabasePath());
        Snippet snippet;
        snippet.snippetString = abbreviation;
        snippet.contentString = content;
        snippet.triggerMode = mode;
        snippet.onlyIn = onlyIn;
        store.CommitSnippet(snippet);
        store.CloseLogFile();
    }

    void StartEditorAndQuillo()
    {
        editorOut = folder.File("editor.txt");
        editorProcess = Start(QStringLiteral(QUILLO_TEST_EDITOR), {"--out", editorOut});
        ASSERT_NE(editorProcess, 0) << desktop->ErrorString().toStdString();
        editorWindow = desktop->WaitForWindow(editorProcess);
        ASSERT_NE(editorWindow, 0u) << desktop->ErrorString().toStdString();
        StartQuillo();
    }

    void StartQuillo()
    {
        quillo = Start(QStringLiteral(QUILLO_EXECUTABLE), {"--home", folder.Path()});
        ASSERT_NE(quillo, 0) << desktop->ErrorString().toStdString();
        ASSERT_NE(desktop->WaitForWindow(quillo), 0u) << desktop->ErrorString().toStdString();
        if (editorWindow) {
            ASSERT_TRUE(desktop->FocusWindow(editorWindow));
        }
    }

    QString WaitForText(const QString& expected) { return WaitForFileText(editorOut, expected, kWaitMs, kPollMs); }

    // The command line against the running program ("rules exclude APP"...).
    void Quillo(const QStringList& words)
    {
        QProcess cli;
        cli.setProcessEnvironment(desktop->Environment());
        cli.start(QStringLiteral(QUILLO_EXECUTABLE), QStringList{"--home", folder.Path()} + words);
        EXPECT_TRUE(cli.waitForFinished(kWaitMs));
        EXPECT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
    }

    // mousepad on an empty file, in front.
    PrivateDesktop::Window StartMousepad()
    {
        mousepadFile = folder.File("mousepad.txt");
        QFile touch(mousepadFile);
        EXPECT_TRUE(touch.open(QIODevice::WriteOnly));
        touch.close();
        mousepad = Start("mousepad", {mousepadFile});
        const PrivateDesktop::Window window = desktop->WaitForWindow(mousepad);
        EXPECT_NE(window, 0u) << desktop->ErrorString().toStdString();
        return window;
    }
    // mousepad shows its text through its file, saved with Ctrl+S.
    QString SaveMousepad()
    {
        const unsigned control = keys->KeycodeOf("Control_L");
        const unsigned s = keys->KeycodeOf("s");
        keys->Send({{control, true}, {s, true}, {s, false}, {control, false}});
        QThread::msleep(kPollMs);
        return PrivateDesktop::ReadText(mousepadFile);
    }
    // Saved only once the keys have been handled: a save inside an expansion
    // would stop it.
    QString WaitForMousepad(const QString& expected)
    {
        QDeadlineTimer deadline(kWaitMs);
        QString text;
        do {
            QThread::msleep(kSettleMs / 6);
            text = SaveMousepad();
        } while (text != expected && !deadline.hasExpired());
        return text;
    }
    QString mousepadFile;
    qint64 mousepad = 0;

    void Shifted(unsigned keycode)
    {
        keys->Send({{KShift, true}, {keycode, true}, {keycode, false}, {KShift, false}}, kKeyGapMs);
    }

    // A terminal running a shell line that keeps what is typed in a file:
    // the terminal's own line editing applies the Backspaces, Enter ends the
    // line. Returns the file's text once it holds a whole line.
    // thenTyped follows once the expansions of typed have settled.
    QString TypeIntoTerminal(const QString& terminal, const QStringList& arguments, const QString& typed,
                             const QString& thenTyped = QString())
    {
        const QString out = folder.File(terminal + ".txt");
        const qint64 id = Start(terminal, arguments + QStringList{"-e", "sh", "-c", "cat > '" + out + "'"});
        EXPECT_NE(id, 0) << desktop->ErrorString().toStdString();
        const PrivateDesktop::Window window = desktop->WaitForWindow(id);
        EXPECT_NE(window, 0u) << desktop->ErrorString().toStdString();
        if (!window)
            return QString();
        QThread::msleep(kSettleMs); // the shell comes up inside
        desktop->FocusWindow(window);
        desktop->Type(typed);
        QThread::msleep(kSettleMs);
        if (!thenTyped.isEmpty()) {
            desktop->Type(thenTyped);
            QThread::msleep(kSettleMs);
        }
        desktop->Key("Return");
        QDeadlineTimer deadline(kWaitMs);
        while (!PrivateDesktop::ReadText(out).endsWith('\n') && !deadline.hasExpired())
            QThread::msleep(kPollMs);
        return PrivateDesktop::ReadText(out);
    }

    TempProgramFolder folder;
    qint64 quillo = 0;
    qint64 editorProcess = 0;
    std::unique_ptr<X11KeyInjector> keys;
    PrivateDesktop::Window editorWindow = 0;
    QString editorOut;
};


TEST_F(Input, AGermanLayoutExpandsWhatItTypes)
{
    AddSnippet(Utf8("grüß"), Utf8("Viele Grüße"));
    AddSnippet("/mfg", Utf8("Mit freundlichen Grüßen"));
    AddSnippet(Utf8("café"), Utf8("Café crème"));
    AddSnippet("@", "at");
    StartEditorAndQuillo();
    ASSERT_TRUE(SetLayout("de"));

    // ü and ß are where US keyboards have [ and -.
    keys->Tap({KG, KR, KLeftBracket, KMinus, KSpace}, kKeyGapMs);
    EXPECT_EQ(WaitForText(Utf8("Viele Grüße")).toStdString(), "Viele Grüße");
    // Shift+7 types / here, not &.
    Shifted(K7);
    keys->Tap({KM, KF, KG, KSpace}, kKeyGapMs);
    EXPECT_EQ(WaitForText(Utf8("Viele GrüßeMit freundlichen Grüßen")).toStdString(),
              "Viele GrüßeMit freundlichen Grüßen");
    // The dead acute (left of Backspace) and e compose to one é: one Backspace.
    keys->Tap({KSpace, KC, KA, KF, KEqual, KE, KSpace}, kKeyGapMs);
    EXPECT_EQ(WaitForText(Utf8("Viele GrüßeMit freundlichen Grüßen Café crème")).toStdString(),
              "Viele GrüßeMit freundlichen Grüßen Café crème");
    // AltGr+Q types @.
    keys->Send({{KSpace, true}, {KSpace, false}, {KAltGr, true}, {KQ, true}, {KQ, false}, {KAltGr, false},
                {KSpace, true}, {KSpace, false}},
               kKeyGapMs);
    EXPECT_EQ(WaitForText(Utf8("Viele GrüßeMit freundlichen Grüßen Café crème at")).toStdString(),
              "Viele GrüßeMit freundlichen Grüßen Café crème at");
}

TEST_F(Input, ARussianWordOnTheKeysOfAnAbbreviationStaysAsTyped)
{
    StartEditorAndQuillo();
    ASSERT_TRUE(SetLayout("us,ru"));
    ASSERT_TRUE(keys->LockGroup(1));
    keys->Tap({KS, KI, KG, KSpace}, kKeyGapMs);
    QThread::msleep(kSettleMs);
    EXPECT_EQ(WaitForText(Utf8("ышп ")).toStdString(), "ышп ");

    // Back on the first group, the same keys are the abbreviation.
    ASSERT_TRUE(keys->LockGroup(0));
    keys->Tap({KS, KI, KG, KSpace}, kKeyGapMs);
    EXPECT_EQ(WaitForText(Utf8("ышп Best regards")).toStdString(), "ышп Best regards");

    // A switch in the middle of a word forgets what came before it, even
    // when the user switches back before the next key.
    keys->Tap({KSpace, KS, KI}, kKeyGapMs);
    ASSERT_TRUE(keys->LockGroup(1));
    ASSERT_TRUE(keys->LockGroup(0));
    keys->Tap({KG, KSpace}, kKeyGapMs);
    QThread::msleep(kSettleMs);
    EXPECT_EQ(WaitForText(Utf8("ышп Best regards sig ")).toStdString(), "ышп Best regards sig ");
    keys->LockGroup(0);
}

TEST_F(Input, TerminalsGetExactlyTheContent)
{
    StartQuillo();
    // xterm pastes the primary selection with Shift+Insert.
    EXPECT_EQ(TypeIntoTerminal("xterm", {}, "note sig .").toStdString(), "note Best regards.\n");
    // st pastes the clipboard with Ctrl+Shift+V.
    EXPECT_EQ(TypeIntoTerminal("stterm", {}, "note ty .").toStdString(), "note Thank you!.\n");
}

// A GTK editor: the caret stops where the snippet says, the clipboard
// comes in as the user left it, Backspace right after an expansion puts back
// what was typed, and a snippet follows the case its abbreviation was typed in.
TEST_F(Input, CaretClipboardUndoAndCaseInAGtkEditor)
{
    AddSnippet("dear", "Dear [cursor],\n[clipboard]");
    Quillo({"add", "--case-follows", "brb", "be right back"});
    const PrivateDesktop::Window window = StartMousepad();
    ASSERT_NE(window, 0u);
    StartQuillo();
    QFile copied(folder.File("copied.txt"));
    ASSERT_TRUE(copied.open(QIODevice::WriteOnly));
    copied.write("Ann");
    copied.close();
    ASSERT_TRUE(Run("xclip", {"-i", "-selection", "clipboard", copied.fileName()}));
    ASSERT_TRUE(desktop->FocusWindow(window));
    QThread::msleep(kSettleMs);

    desktop->Type("dear ");
    EXPECT_EQ(WaitForMousepad("Dear ,\nAnn").toStdString(), "Dear ,\nAnn");
    desktop->Type("Bob");
    EXPECT_EQ(WaitForMousepad("Dear Bob,\nAnn").toStdString(), "Dear Bob,\nAnn");
    desktop->Key("ctrl+End");
    // Saving is a key too, which ends the chance to undo: Backspace comes
    // first, once the editor has had time to take the paste.
    desktop->Type(" sig ");
    QThread::msleep(kSettleMs);
    desktop->Key("BackSpace");
    EXPECT_EQ(WaitForMousepad("Dear Bob,\nAnn sig ").toStdString(), "Dear Bob,\nAnn sig ");
    desktop->Type("Brb ");
    EXPECT_EQ(WaitForMousepad("Dear Bob,\nAnn sig Be right back").toStdString(), "Dear Bob,\nAnn sig Be right back");
    desktop->Type(" BRB ");
    EXPECT_EQ(WaitForMousepad("Dear Bob,\nAnn sig Be right back BE RIGHT BACK").toStdString(),
              "Dear Bob,\nAnn sig Be right back BE RIGHT BACK");
}

// Where and how a snippet expands, in a GTK editor: at once without a trigger,
// before a delimiter that stays, only in the applications it is kept to, and
// nowhere in an excluded application from the moment the rule is given.
TEST_F(Input, ModesDelimitersAndRulesInAGtkEditor)
{
    AddSnippet("brb", "be right back", Snippet::TriggerMode::Immediately);
    AddSnippet("lim", "limited", Snippet::TriggerMode::AfterDelimiter, {"XTerm"});
    SetIniValue(folder.SettingsPath(), "qk", "Delimiters", ".,");
    const PrivateDesktop::Window window = StartMousepad();
    ASSERT_NE(window, 0u);
    StartQuillo();
    ASSERT_TRUE(desktop->FocusWindow(window));
    QThread::msleep(kSettleMs);

    // A GTK editor fetches the pasted text a moment after Ctrl+V; the next
    // word comes once it has.
    desktop->Type("brb");
    EXPECT_EQ(WaitForMousepad("be right back").toStdString(), "be right back");
    desktop->Type(" sig,");
    EXPECT_EQ(WaitForMousepad("be right back Best regards,").toStdString(), "be right back Best regards,");
    desktop->Type(" lim ");
    QThread::msleep(kSettleMs);

    Quillo({"rules", "exclude", "Mousepad"});
    desktop->FocusWindow(window);
    desktop->Type("sig ");
    QThread::msleep(kSettleMs);
    Quillo({"rules", "include", "mousepad"});
    desktop->FocusWindow(window);
    desktop->Type("sig ");
    EXPECT_EQ(WaitForMousepad("be right back Best regards, lim sig Best regards").toStdString(),
              "be right back Best regards, lim sig Best regards");
}

// A terminal cannot be trusted with caret moves: a snippet with a caret
// place is pasted whole and the caret stays at its end, as after a plain one
// (which TerminalsGetExactlyTheContent types).
TEST_F(Input, ACaretPlaceInATerminalLeavesTheCaretAtTheEnd)
{
    AddSnippet("hq", "<b>[cursor]</b>");
    StartQuillo();
    // Typed once the expansion is done: keys typed during one are the
    // subject of TerminalsGetExactlyTheContent.
    EXPECT_EQ(TypeIntoTerminal("xterm", {}, "note hq ", "x.").toStdString(), "note <b></b>x.\n");
}

// In a terminal: a snippet that expands inside words, at the end of a
// longer one; then, with the terminal's class excluded, nothing expands.
TEST_F(Input, InsideAWordInATerminalAndNothingOnceItIsExcluded)
{
    AddSnippet("xq", "example.org", Snippet::TriggerMode::InsideWords);
    StartQuillo();
    EXPECT_EQ(TypeIntoTerminal("xterm", {}, "note wwwxq .").toStdString(), "note wwwexample.org.\n");
    Quillo({"rules", "exclude", "XTerm"});
    QFile::remove(folder.File("xterm.txt"));
    EXPECT_EQ(TypeIntoTerminal("xterm", {}, "note wwwxq sig .").toStdString(), "note wwwxq sig .\n");
}

TEST_F(Input, TypingKeyByKeyReachesAProgramThatPastesWithNoKey)
{
    // Content with characters the United States layout has no key for.
    AddSnippet("cafe", Utf8("Café — naïve ышп"));
    QFile settings(folder.SettingsPath());
    ASSERT_TRUE(settings.open(QIODevice::Append));
    settings.write("[PasteKeys]\nXTerm=Type\n");
    settings.close();
    StartQuillo();
    EXPECT_EQ(TypeIntoTerminal("xterm", {"-u8"}, "x cafe ").toStdString(), Utf8("x Café — naïve ышп\n").toStdString());
    // The spare key codes get their empty mapping back.
    QThread::msleep(kSettleMs * 2);
    EXPECT_EQ(keys->KeycodeOf("U044B"), 0u);
}

TEST_F(Input, TheUsersClipboardComesBackAfterThePasteWhenAsked)
{
    QFile settings(folder.SettingsPath());
    QByteArray text = settings.open(QIODevice::ReadOnly) ? settings.readAll() : QByteArray();
    settings.close();
    text.replace("RestoreClipboard=False", "RestoreClipboard=True");
    ASSERT_TRUE(settings.open(QIODevice::WriteOnly | QIODevice::Truncate));
    settings.write(text);
    settings.close();
    StartEditorAndQuillo();

    // xclip keeps serving the copy until another program owns the clipboard.
    QProcess copy;
    copy.setProcessEnvironment(desktop->Environment());
    copy.start("sh", {"-c", "printf 'copied by the user' | xclip -selection clipboard -i"});
    ASSERT_TRUE(copy.waitForFinished(kWaitMs));
    desktop->FocusWindow(editorWindow);
    desktop->Type("sig ");
    EXPECT_EQ(WaitForText("Best regards").toStdString(), "Best regards");

    QDeadlineTimer deadline(kWaitMs);
    QString clipboard;
    while (!deadline.hasExpired()) {
        QProcess read;
        read.setProcessEnvironment(desktop->Environment());
        read.start("xclip", {"-o", "-selection", "clipboard"});
        read.waitForFinished(kWaitMs);
        clipboard = QString::fromUtf8(read.readAllStandardOutput());
        if (clipboard == "copied by the user")
            break;
        QThread::msleep(kPollMs * 4);
    }
    EXPECT_EQ(clipboard.toStdString(), "copied by the user");
    // And the next paste is the next content, not the old copy.
    desktop->Type(" ty ");
    EXPECT_EQ(WaitForText("Best regards Thank you!").toStdString(), "Best regards Thank you!");
}

namespace {
constexpr int kFastRounds = 50; // per gap and editor
constexpr int kGapsMs[] = {0, 2, 5, 10};
// mousepad is read by saving it: a typist does not save within a
// millisecond of the last key, and a save inside an expansion would stop it.
constexpr int kSaveAfterMs = 250;
constexpr int kSoakKeyGapMs = 12;
constexpr int kSoakDefaultExpansions = 60; // QUILLO_SOAK_EXPANSIONS sets another number
constexpr int kSoakWaitPerExpansionMs = 500;
// Longer than the server's auto-repeat delay (660 ms), as an event loop
// stalled by a busy machine or a slow disk.
constexpr int kStallMs = 1200;
constexpr int kStallTries = 5;
constexpr int kHeldKeyMs = 900; // past the repeat delay, within the stall
constexpr int kGrabPollUs = 100; // the hold lasts a few milliseconds
// How long after the trigger's Space a stop arrives: before the program has
// heard it, during the Backspaces, around the paste, after it.
constexpr int kStopDelaysMs[] = {0, 1, 2, 4, 8, 15, 30};

// Keeps both cores busy while it lives.
class CpuHog
{
public:
    explicit CpuHog(int processes)
    {
        for (int i = 0; i < processes; ++i) {
            auto process = std::make_unique<QProcess>();
            process->start("sh", {"-c", "while :; do :; done"});
            process->waitForStarted();
            hogs.push_back(std::move(process));
        }
    }
    ~CpuHog()
    {
        for (auto& process : hogs) {
            process->kill();
            process->waitForFinished();
        }
    }

private:
    std::vector<std::unique_ptr<QProcess>> hogs;
};

} // namespace

class FastTyping : public Input
{
protected:
    // 'sig' typed as a person would, then Space, then ' more' and Enter
    // right behind it, gapMs between key strokes.
    void SigAndMore(int gapMs)
    {
        keys->Tap({KS, KI, KG}, kKeyGapMs);
        keys->Tap({KSpace}, 0);
        for (unsigned keycode : {KSpace, KM, KO, KR, KE, KReturn}) {
            if (gapMs > 0)
                QThread::msleep(gapMs);
            keys->Tap({keycode}, 0);
        }
    }
    // Rounds of SigAndMore at every gap; reads the text with readText after
    // each gap's rounds have settled. Returns the lines that are wrong.
    QStringList Rounds(const std::function<QString()>& readText)
    {
        QStringList wrong;
        int lines = 0;
        for (int gap : kGapsMs) {
            for (int round = 0; round < kFastRounds; ++round) {
                SigAndMore(gap);
                ++lines;
                // The next round starts once this one is in: rounds are
                // independent, each as quick as a fast typist.
                QDeadlineTimer deadline(kWaitMs);
                while (readText().count('\n') < lines && !deadline.hasExpired())
                    QThread::msleep(kPollMs / 5);
            }
        }
        const QStringList got = readText().split('\n');
        for (int i = 0; i < lines; ++i)
            if (got.value(i) != "Best regards more")
                wrong << QStringLiteral("line %1 (gap %2 ms): \"%3\"")
                             .arg(i + 1)
                             .arg(kGapsMs[i / kFastRounds])
                             .arg(got.value(i));
        return wrong;
    }

    // mousepad on an empty file, in front, with Quillo running and the
    // second keyboard as the user's.
    void StartMousepadAndQuillo()
    {
        const PrivateDesktop::Window window = StartMousepad();
        ASSERT_NE(window, 0u);
        StartQuillo();
        ASSERT_TRUE(desktop->FocusWindow(window));
        ASSERT_TRUE(keys->UseSecondKeyboard());
        QThread::msleep(kSettleMs);
    }

    // Expansions among words typed at 12 ms per key by the second keyboard
    // while both cores are busy; waitForText(expected, ms) reads the editor.
    // Returns the wrong lines (the first few) with their count.
    QStringList Soak(const std::function<QString(const QString&, int)>& waitForText)
    {
        const int expansions = qEnvironmentVariableIsSet("QUILLO_SOAK_EXPANSIONS")
                                   ? qEnvironmentVariableIntValue("QUILLO_SOAK_EXPANSIONS")
                                   : kSoakDefaultExpansions;
        const QStringList words{"gamma", "sig", "sigma", "sig", "delta", "is", "sig"};
        QString typed, expected;
        int expanded = 0;
        for (int i = 0; expanded < expansions; ++i) {
            // The trigger's Space goes with the abbreviation.
            const QString word = words[i % words.size()];
            typed += word + " ";
            expected += word == "sig" ? QStringLiteral("Best regards") : word + " ";
            expanded += word == "sig" ? 1 : 0;
            if (i % 10 == 9) {
                typed += "\n";
                expected += "\n";
            }
        }
        QHash<QChar, unsigned> keycodes;
        for (QChar c : typed)
            if (!keycodes.contains(c))
                keycodes[c] = c == ' ' ? unsigned(KSpace) : c == '\n' ? unsigned(KReturn) : keys->KeycodeOf(QString(c));
        QString got;
        {
            CpuHog hog(2);
            for (QChar c : typed)
                keys->Tap({keycodes[c]}, kSoakKeyGapMs);
            got = waitForText(expected, kWaitMs + expansions * kSoakWaitPerExpansionMs / 10);
        }
        const QStringList gotLines = got.split('\n'), expectedLines = expected.split('\n');
        QStringList wrong;
        for (int i = 0; i < expectedLines.size(); ++i)
            if (gotLines.value(i) != expectedLines[i])
                wrong << QStringLiteral("line %1: \"%2\"").arg(i + 1).arg(gotLines.value(i));
        if (wrong.isEmpty())
            return {};
        return QStringList{QStringLiteral("%1 of %2 lines wrong after %3 expansions")
                               .arg(wrong.size())
                               .arg(expectedLines.size())
                               .arg(expansions)} +
               wrong.mid(0, 5);
    }
};

TEST_F(FastTyping, KeysTypedDuringAnExpansionFollowTheContentInOurEditor)
{
    StartEditorAndQuillo();
    ASSERT_TRUE(keys->UseSecondKeyboard());
    const QStringList wrong = Rounds([this] { return PrivateDesktop::ReadText(editorOut); });
    EXPECT_TRUE(wrong.isEmpty()) << wrong.size() << " wrong: " << wrong.join("; ").toStdString();
}

TEST_F(FastTyping, KeysTypedDuringAnExpansionFollowTheContentInAGtkEditor)
{
    StartMousepadAndQuillo();
    ASSERT_FALSE(HasFatalFailure());
    const QStringList wrong = Rounds([&] {
        QThread::msleep(kSaveAfterMs);
        return SaveMousepad();
    });
    EXPECT_TRUE(wrong.isEmpty()) << wrong.size() << " wrong: " << wrong.join("; ").toStdString();
}

// The hold alone, with the second keyboard's keys at chosen moments: a key
// pressed before a hold (early, so sent again) and let up during it, then
// typed again; a key pressed during one hold and let up during the next.
// Each press reaches the editor exactly once more.
TEST_F(FastTyping, KeysLetUpDuringAHoldAreNeitherLostNorTypedTwice)
{
    editorOut = folder.File("editor.txt");
    editorProcess = Start(QStringLiteral(QUILLO_TEST_EDITOR), {"--out", editorOut});
    editorWindow = desktop->WaitForWindow(editorProcess);
    ASSERT_NE(editorWindow, 0u) << desktop->ErrorString().toStdString();
    ASSERT_TRUE(desktop->FocusWindow(editorWindow));
    ASSERT_TRUE(keys->UseSecondKeyboard());
    X11KeyOutput output;

    keys->Send({{KS, true}}, 0);
    ASSERT_EQ(WaitForText("s").toStdString(), "s");
    ASSERT_TRUE(output.HoldUserKeys());
    keys->Send({{KS, false}, {KS, true}, {KS, false}}, 0);
    output.ReleaseUserKeys({{KS, true}});
    EXPECT_EQ(WaitForText("sss").toStdString(), "sss");

    ASSERT_TRUE(output.HoldUserKeys());
    keys->Send({{KA, true}}, 0);
    output.ReleaseUserKeys({});
    ASSERT_TRUE(output.HoldUserKeys());
    keys->Send({{KA, false}}, 0);
    output.ReleaseUserKeys({});
    keys->Tap({KG}, 0);
    EXPECT_EQ(WaitForText("sssag").toStdString(), "sssag");
}

// Words and expansions typed without a pause at 12 ms per key while both
// cores are busy: the user's text must come out exactly, with nothing lost,
// doubled or eaten by a late Backspace.
TEST_F(FastTyping, ASoakOfExpansionsAmongWordsOnABusyMachineLosesNothing)
{
    StartEditorAndQuillo();
    ASSERT_TRUE(keys->UseSecondKeyboard());
    const QStringList wrong = Soak([this](const QString& expected, int waitMs) {
        return WaitForFileText(editorOut, expected, waitMs, kPollMs);
    });
    EXPECT_TRUE(wrong.isEmpty()) << wrong.join("; ").toStdString();
}

TEST_F(FastTyping, ASoakInAGtkEditorLosesNothing)
{
    StartMousepadAndQuillo();
    ASSERT_FALSE(HasFatalFailure());
    const QStringList wrong = Soak([&](const QString& expected, int waitMs) {
        // Saved once typing is over: a save inside an expansion would stop it.
        QDeadlineTimer deadline(waitMs);
        QString text;
        do {
            QThread::msleep(kSaveAfterMs);
            text = SaveMousepad();
        } while (text != expected && !deadline.hasExpired());
        return text;
    });
    EXPECT_TRUE(wrong.isEmpty()) << wrong.join("; ").toStdString();
    EXPECT_TRUE(desktop->IsProgramRunning(mousepad)) << "the editor crashed";
}

// A stop (SIGTERM, as at logout) right after the trigger: the expansion is
// finished first, so the editor holds the content or the abbreviation as
// typed, never an erased abbreviation, and it does not crash.
TEST_F(FastTyping, AStopRightAfterTheTriggerFinishesTheExpansionFirst)
{
    StartEditorAndQuillo();
    ASSERT_TRUE(keys->UseSecondKeyboard());
    QStringList lines;
    for (int delayMs : kStopDelaysMs) {
        if (!desktop->IsProgramRunning(quillo))
            StartQuillo();
        QThread::msleep(kSettleMs / 3);
        keys->Tap({KS, KI, KG, KSpace}, kKeyGapMs);
        QThread::msleep(delayMs);
        ::kill(pid_t(quillo), SIGTERM);
        QDeadlineTimer deadline(kWaitMs);
        while (desktop->IsProgramRunning(quillo) && !deadline.hasExpired())
            PrivateDesktop::Pause(kPollMs / 5, kPollMs / 5);
        ASSERT_FALSE(desktop->IsProgramRunning(quillo)) << "stopped " << delayMs << " ms after the trigger";
        keys->Tap({KReturn}, kKeyGapMs);
        PrivateDesktop::Pause(kSettleMs / 3, kPollMs);
        lines = PrivateDesktop::ReadText(editorOut).split('\n');
        ASSERT_TRUE(desktop->IsProgramRunning(editorProcess)) << "the editor crashed";
        const QString line = lines.value(lines.size() - 2);
        EXPECT_TRUE(line == "Best regards" || line == "sig ") << delayMs << " ms: \"" << line.toStdString() << "\"";
    }
}

// The program stalls while it holds the user's keys, past the server's
// auto-repeat delay, with the trigger still down: the trigger is neither
// repeated into the editor nor replayed, the keys typed meanwhile (one held
// down for a while) follow the content once each, and the hold ends in order
// (no grab, no key left down: the next round comes out right too).
TEST_F(FastTyping, AStallDuringAHoldRepeatsNoKeyAndEndsInOrder)
{
    StartEditorAndQuillo();
    ASSERT_TRUE(keys->UseSecondKeyboard());
    QString expected;
    int stalledInHold = 0;
    for (int attempt = 0; attempt < kStallTries && stalledInHold == 0; ++attempt) {
        keys->Tap({KS, KI, KG}, kKeyGapMs);
        keys->Send({{KSpace, true}});
        QDeadlineTimer deadline(kWaitMs);
        while (!keys->SecondKeyboardGrabbed() && !deadline.hasExpired())
            QThread::usleep(kGrabPollUs);
        ASSERT_EQ(::kill(-pid_t(quillo), SIGSTOP), 0);
        // The hold may have ended in the meantime: then the try proves nothing.
        stalledInHold += keys->SecondKeyboardGrabbed() ? 1 : 0;
        // Typed meanwhile, one key held past the repeat delay.
        keys->Send({{KSpace, false}});
        keys->Tap({KSpace}, kKeyGapMs);
        keys->Send({{KM, true}});
        QThread::msleep(kHeldKeyMs);
        keys->Send({{KM, false}});
        for (unsigned keycode : {KO, KR, KE, KReturn})
            keys->Tap({keycode}, kKeyGapMs);
        QThread::msleep(kStallMs - kHeldKeyMs);
        ASSERT_EQ(::kill(-pid_t(quillo), SIGCONT), 0);
        expected += "Best regards more\n";
        EXPECT_EQ(WaitForText(expected).toStdString(), expected.toStdString());
    }
    ASSERT_EQ(stalledInHold, 1) << "the program was never stopped while it held the keys";
    QDeadlineTimer deadline(kWaitMs);
    while (keys->SecondKeyboardGrabbed() && !deadline.hasExpired())
        QThread::msleep(kPollMs);
    EXPECT_FALSE(keys->SecondKeyboardGrabbed());
    SigAndMore(kKeyGapMs);
    expected += "Best regards more\n";
    EXPECT_EQ(WaitForText(expected).toStdString(), expected.toStdString());
}
