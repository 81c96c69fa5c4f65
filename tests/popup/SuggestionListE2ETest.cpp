// The suggestion list on a real desktop: a private X display with a window
// manager, a GTK editor whose caret the accessibility bus reports, and the
// program started as a user would start it.
#include "PrivateDesktop.h"
#include "platform/atspi/AtspiCaretTracker.h"
#include "store/SnippetManager.h"
#include "support/TempProgramFolder.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <QThread>
#include <cstdlib>
#include <gtest/gtest.h>

namespace {

// Generous bounds for a loaded machine; nothing asserts on how long a step took.
constexpr int kWaitMs = 20000;
constexpr int kPollMs = 10;
// The parked list: 3660 x 690 twips at -20000, -20000 twips, in pixels.
constexpr int kParkedPixels = -1333;
constexpr int kListWidthPixels = 244;
// The caret the test reads itself may differ from the one the program read
// by the rounding of a toolkit's extents.
constexpr int kCaretSlackPixels = 2;
// Long enough for a list shown for the word to be placed; then it is placed anew.
constexpr int kPlaceAgainAfterMs = 2000;

void Pause(int ms)
{
    PrivateDesktop::Pause(ms, kPollMs);
}

QString ReadFile(const QString& path)
{
    return PrivateDesktop::ReadText(path);
}

std::string Text(const QRect& r)
{
    return QString("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height()).toStdString();
}

} // namespace

class SuggestionListOnADesktop : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        desktop = new PrivateDesktop;
        if (desktop->Start())
            desktop->ExportToThisProcess();
        QDir().mkpath(OutputFolder());
    }
    static void TearDownTestSuite()
    {
        delete desktop;
        desktop = nullptr;
    }

    void SetUp() override
    {
        ASSERT_TRUE(desktop->IsRunning()) << desktop->ErrorString().toStdString();
        SnippetManager store;
        store.OpenSetFile(folder.DatabasePath());
        for (const auto& [abbreviation, content] : {std::pair{"sign", "Signed, the author"}, {"xs", "extra small"}}) {
            Snippet snippet;
            snippet.snippetString = abbreviation;
            snippet.contentString = content;
            store.CommitSnippet(snippet);
        }
        store.CloseLogFile();
    }

    void TearDown() override
    {
        for (auto it = started.rbegin(); it != started.rend(); ++it)
            desktop->StopProgram(*it);
    }

    static QString OutputFolder() { return QStringLiteral(QUILLO_POPUP_OUTPUT); }

    qint64 Start(const QString& program, const QStringList& arguments,
                 const std::optional<QProcessEnvironment>& environment = {})
    {
        const qint64 id = desktop->StartProgram(program, arguments, environment);
        if (id)
            started << id;
        return id;
    }

    qint64 StartWindowManager()
    {
        const qint64 id = desktop->StartWindowManager();
        if (id)
            started << id;
        return id;
    }

    QString Run(const QString& program, const QStringList& arguments)
    {
        QProcess process;
        process.setProcessEnvironment(desktop->Environment());
        process.start(program, arguments);
        process.waitForFinished(kWaitMs);
        return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    }

    // The window manager, the editor in front with an empty file, the program.
    void StartDesktop()
    {
        ASSERT_NE(StartWindowManager(), 0);
        file = folder.File("mousepad.txt");
        QFile touch(file);
        ASSERT_TRUE(touch.open(QIODevice::WriteOnly));
        touch.close();
        const qint64 mousepad = Start("mousepad", {file});
        ASSERT_NE(mousepad, 0);
        editorWindow = desktop->WaitForWindow(mousepad);
        ASSERT_NE(editorWindow, 0u) << desktop->ErrorString().toStdString();
        quillo = Start(QStringLiteral(QUILLO_EXECUTABLE), {"--home", folder.Path()});
        ASSERT_NE(quillo, 0) << desktop->ErrorString().toStdString();
        listWindow = FindListWindow();
        ASSERT_NE(listWindow, 0u) << "the parked list did not appear";
        Run("xdotool", {"windowactivate", "--sync", QString::number(editorWindow)});
    }

    // The program's list is the window of its own that waits parked.
    PrivateDesktop::Window FindListWindow()
    {
        QDeadlineTimer deadline(kWaitMs);
        do {
            const QString ids = Run("xdotool", {"search", "--pid", QString::number(quillo)});
            for (const QString& id : ids.split('\n', Qt::SkipEmptyParts)) {
                const QRect geometry = desktop->WindowGeometry(id.toULongLong());
                if (geometry.topLeft() == QPoint(kParkedPixels, kParkedPixels) &&
                    geometry.width() == kListWidthPixels)
                    return id.toULongLong();
            }
            Pause(kPollMs * 10);
        } while (!deadline.hasExpired());
        return 0;
    }

    QRect ListGeometry() { return desktop->WindowGeometry(listWindow); }
    bool Parked(const QRect& geometry) { return geometry.topLeft() == QPoint(kParkedPixels, kParkedPixels); }

    // Waits until the list is shown (or parked); its geometry then.
    QRect WaitForList(bool shown)
    {
        QDeadlineTimer deadline(kWaitMs);
        QRect geometry;
        do {
            geometry = ListGeometry();
            if (!geometry.isNull() && Parked(geometry) != shown)
                return geometry;
            QThread::msleep(kPollMs);
        } while (!deadline.hasExpired());
        return geometry;
    }

    void Screenshot(const QString& name)
    {
        const QString path = OutputFolder() + '/' + name;
        QFile::remove(path);
        Run("import", {"-window", "root", path});
        EXPECT_TRUE(QFile::exists(path)) << path.toStdString();
    }

    static PrivateDesktop* desktop;
    TempProgramFolder folder;
    QList<qint64> started;
    qint64 quillo = 0;
    PrivateDesktop::Window editorWindow = 0;
    PrivateDesktop::Window listWindow = 0;
    QString file;
};

PrivateDesktop* SuggestionListOnADesktop::desktop = nullptr;

TEST_F(SuggestionListOnADesktop, ShowsTheMatchesBelowRightOfTheCaretAndKeepsTheFocusInTheEditor)
{
    StartDesktop();
    AtspiCaretTracker tracker; // to see the caret the way the program does
    ASSERT_TRUE(desktop->Type("si"));
    QElapsedTimer sinceTyped;
    sinceTyped.start();
    const QRect list = WaitForList(true);
    const qint64 shownAfterMs = sinceTyped.elapsed();
    ASSERT_FALSE(Parked(list)) << "the list did not show";
    std::printf("[ measured ] list shown %lld ms after the last key was sent\n", (long long)shownAfterMs);
    RecordProperty("list_shown_ms", int(shownAfterMs));
    Screenshot("list-beside-caret.png");

    // Two rows: sig and sign (xs does not begin with si).
    EXPECT_EQ(list.height(), 690 / 15);
    EXPECT_EQ(list.width(), kListWidthPixels);

    std::optional<QRect> caret;
    (void)QTest::qWaitFor([&] { return (caret = tracker.CaretRect()).has_value(); }, kWaitMs);
    ASSERT_TRUE(caret.has_value()) << "no caret from the editor";
    EXPECT_NEAR(list.left(), caret->x() + caret->width(), kCaretSlackPixels)
        << "list " << Text(list) << " caret " << Text(*caret);
    EXPECT_NEAR(list.top(), caret->y() + caret->height(), kCaretSlackPixels)
        << "list " << Text(list) << " caret " << Text(*caret);

    // The editor kept the focus: what is typed next still goes there.
    EXPECT_EQ(Run("xdotool", {"getactivewindow"}).toULongLong(), editorWindow);
    ASSERT_TRUE(desktop->Type("gx"));
    desktop->Key("ctrl+s");
    QDeadlineTimer deadline(kWaitMs);
    while (ReadFile(file) != "sigx" && !deadline.hasExpired()) {
        Pause(kPollMs * 20);
        desktop->Key("ctrl+s");
    }
    EXPECT_EQ(ReadFile(file).toStdString(), "sigx");
}

// A Qt editor without a window manager: Qt tells the caret differently at
// the end of the text, reports every paragraph's boxes at the first one's
// height, and without a window manager the input focus decides which window
// is in front. The list is checked against the caret the editor itself
// reports, not against what the accessibility bus says.
TEST_F(SuggestionListOnADesktop, FollowsTheCaretInAQtEditor)
{
    const QString out = folder.File("editor.txt");
    const QString caretFile = folder.File("caret.txt");
    const qint64 editor = Start(QStringLiteral(QUILLO_TEST_EDITOR), {"--out", out, "--caret", caretFile});
    ASSERT_NE(editor, 0);
    editorWindow = desktop->WaitForWindow(editor);
    ASSERT_NE(editorWindow, 0u) << desktop->ErrorString().toStdString();
    quillo = Start(QStringLiteral(QUILLO_EXECUTABLE), {"--home", folder.Path()});
    ASSERT_NE(quillo, 0);
    listWindow = FindListWindow();
    ASSERT_NE(listWindow, 0u) << "the parked list did not appear";
    ASSERT_TRUE(desktop->FocusWindow(editorWindow));

    // The fourth paragraph; the second one wraps over several lines.
    ASSERT_TRUE(desktop->Type("hello"));
    desktop->Key("Return");
    ASSERT_TRUE(desktop->Type(QString("wrapped ").repeated(20)));
    desktop->Key("Return");
    desktop->Key("Return");
    const QString before = "hello\n" + QString("wrapped ").repeated(20) + "\n\n";
    QDeadlineTimer caughtUp(kWaitMs);
    while (ReadFile(out) != before && !caughtUp.hasExpired())
        Pause(kPollMs);
    ASSERT_TRUE(desktop->Type("si"));
    // The list goes where the editor says its caret is 100 ms after the
    // last key; an editor slowed by a loaded machine may not have moved it
    // yet, and the list stays there until the word changes. Then a letter
    // typed and erased again places it anew. Both are read until the list
    // lies at the caret or the wait runs out.
    QRect caret;
    QRect list;
    QElapsedTimer sinceTyped;
    sinceTyped.start();
    (void)QTest::qWaitFor(
        [&] {
            const QStringList parts = ReadFile(caretFile).split(' ');
            if (parts.size() != 4 || !ReadFile(out).endsWith("\n\nsi"))
                return false;
            caret = QRect(parts[0].toInt(), parts[1].toInt(), parts[2].toInt(), parts[3].toInt());
            list = ListGeometry();
            if (std::abs(list.top() - (caret.y() + caret.height())) <= kCaretSlackPixels &&
                std::abs(list.left() - (caret.x() + 1)) <= kCaretSlackPixels)
                return true;
            if (sinceTyped.elapsed() > kPlaceAgainAfterMs) {
                desktop->Type("g");
                desktop->Key("BackSpace");
                sinceTyped.restart();
            }
            return false;
        },
        kWaitMs);
    ASSERT_FALSE(Parked(list)) << "the list did not show";
    ASSERT_FALSE(caret.isNull()) << "the editor told no caret";
    Screenshot("list-in-qt-editor.png");
    ASSERT_GT(caret.height(), 0);
    std::printf("[ measured ] editor caret %s, list %s\n", Text(caret).c_str(), Text(list).c_str());
    EXPECT_NEAR(list.top(), caret.y() + caret.height(), kCaretSlackPixels)
        << "list " << Text(list) << " caret " << Text(caret);
    EXPECT_NEAR(list.left(), caret.x() + 1, kCaretSlackPixels) << "list " << Text(list) << " caret " << Text(caret);

    // Typing goes on into the editor, and the list follows to the next text.
    ASSERT_TRUE(desktop->Type("gn"));
    QDeadlineTimer deadline(kWaitMs);
    const QString expected = "hello\n" + QString("wrapped ").repeated(20) + "\n\nsign";
    while (ReadFile(out) != expected && !deadline.hasExpired())
        Pause(kPollMs * 5);
    EXPECT_EQ(ReadFile(out).toStdString(), expected.toStdString());
    desktop->Key("Escape");
    EXPECT_TRUE(Parked(WaitForList(false)));
}

TEST_F(SuggestionListOnADesktop, EscapeAndAnExpansionPutItAway)
{
    StartDesktop();
    ASSERT_TRUE(desktop->Type("si"));
    ASSERT_FALSE(Parked(WaitForList(true))) << "the list did not show";
    desktop->Key("Escape");
    EXPECT_TRUE(Parked(WaitForList(false)));

    ASSERT_TRUE(desktop->Type(" sig"));
    ASSERT_FALSE(Parked(WaitForList(true))) << "the list did not show again";
    ASSERT_TRUE(desktop->Type(" "));
    EXPECT_TRUE(Parked(WaitForList(false)));
    Screenshot("list-after-expansion.png");
    desktop->Key("ctrl+s");
    QDeadlineTimer deadline(kWaitMs);
    while (ReadFile(file) != "si Best regards" && !deadline.hasExpired()) {
        Pause(kPollMs * 20);
        desktop->Key("ctrl+s");
    }
    EXPECT_EQ(ReadFile(file).toStdString(), "si Best regards");
}

// Secrets on the same desktop: a GTK entry in front of the editor, hiding
// what is typed, or holding the whole keyboard as a screen locker does.
class SecretsOnADesktop : public SuggestionListOnADesktop
{
protected:
    // Long enough for the list or an expansion that should not come.
    static constexpr int kSettleMs = 1500;

    // Starts the entry in front once the program and its list are up.
    void StartEntry(const QStringList& options)
    {
        StartDesktop();
        if (HasFatalFailure())
            return;
        entryText = folder.File("entry.txt");
        const qint64 entry =
            Start("/usr/bin/python3", QStringList{QStringLiteral(QUILLO_GTK_ENTRY), "--out", entryText} + options);
        ASSERT_NE(entry, 0);
        const PrivateDesktop::Window window = desktop->WaitForWindow(entry);
        ASSERT_NE(window, 0u) << desktop->ErrorString().toStdString();
        Run("xdotool", {"windowactivate", "--sync", QString::number(window)});
        // A person looks at the field before typing into it; the program
        // hears of the focus change meanwhile.
        Pause(kSettleMs);
    }

    // Types the abbreviation and its trigger: the list never shows, and the
    // entry holds what was typed and nothing else.
    void CheckSigStaysSig()
    {
        ASSERT_TRUE(desktop->Type("si"));
        Pause(kSettleMs);
        EXPECT_TRUE(Parked(ListGeometry())) << "list shown at " << Text(ListGeometry());
        ASSERT_TRUE(desktop->Type("g "));
        Pause(kSettleMs);
        EXPECT_EQ(ReadFile(entryText).toStdString(), "sig ");
        EXPECT_TRUE(Parked(ListGeometry()));
    }

    QString entryText;
};

TEST_F(SecretsOnADesktop, APasswordFieldGetsNoListAndNoExpansion)
{
    StartEntry({"--password"});
    CheckSigStaysSig();
}

TEST_F(SecretsOnADesktop, NoKeyIsSentWhileAnotherProgramHoldsTheKeyboard)
{
    // A plain entry: only the grab tells that this is no place to expand.
    StartEntry({"--grab"});
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(entryText + ".grabbed"); }, kWaitMs))
        << "the entry did not get the keyboard";
    CheckSigStaysSig();
}

TEST_F(SuggestionListOnADesktop, TheFirstRunNoticeShowsOnceWhenAskedFor)
{
    ASSERT_NE(StartWindowManager(), 0);
    QProcessEnvironment environment = desktop->Environment();
    environment.insert("QUILLO_FIRST_RUN_NOTICE", "1");
    const auto noticeWindows = [&](qint64 id) {
        return Run("xdotool", {"search", "--all", "--onlyvisible", "--pid", QString::number(id), "--name", "^Start$"});
    };

    quillo = Start(QStringLiteral(QUILLO_EXECUTABLE), {"--home", folder.Path()}, environment);
    ASSERT_NE(quillo, 0);
    QString found;
    ASSERT_TRUE(QTest::qWaitFor([&] { return !(found = noticeWindows(quillo)).isEmpty(); }, kWaitMs));
    Screenshot("first-run-notice.png");
    // Its close button ends the notice, not the program.
    const QRect notice = desktop->WindowGeometry(found.section('\n', 0, 0).toULongLong());
    Run("xdotool", {"mousemove", "--sync", QString::number(notice.right() - 12), QString::number(notice.top() + 13),
                    "click", "1"});
    EXPECT_TRUE(QTest::qWaitFor([&] { return noticeWindows(quillo).isEmpty(); }, kWaitMs));
    Pause(500);
    EXPECT_TRUE(desktop->IsProgramRunning(quillo));
    desktop->StopProgram(quillo);

    // The next start of the same folder is not a first one.
    const qint64 again = Start(QStringLiteral(QUILLO_EXECUTABLE), {"--home", folder.Path()}, environment);
    ASSERT_NE(again, 0);
    quillo = again;
    ASSERT_NE(FindListWindow(), 0u);
    Pause(1000);
    EXPECT_TRUE(noticeWindows(again).isEmpty());
}

// The notice under a real window manager, dragged by its background with
// the real pointer: it follows exactly from the first drag, and a quick
// click leaves nothing stuck to the pointer.
TEST_F(SuggestionListOnADesktop, TheFirstRunNoticeDragsExactlyWithThePointer)
{
    ASSERT_NE(StartWindowManager(), 0);
    QProcessEnvironment environment = desktop->Environment();
    environment.insert("QUILLO_FIRST_RUN_NOTICE", "1");
    quillo = Start(QStringLiteral(QUILLO_EXECUTABLE), {"--home", folder.Path()}, environment);
    ASSERT_NE(quillo, 0);
    QString found;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            found = Run("xdotool", {"search", "--all", "--onlyvisible", "--pid", QString::number(quillo), "--name",
                                    "^Start$"});
            return !found.isEmpty();
        },
        kWaitMs)) << "windows of the program: " << Run("xdotool", {"search", "--all", "--pid", QString::number(quillo)}).toStdString()
                   << (desktop->IsProgramRunning(quillo) ? " (running)" : " (ended)");
    const PrivateDesktop::Window notice = found.section('\n', 0, 0).toULongLong();
    Pause(500);
    const QRect before = desktop->WindowGeometry(notice);
    ASSERT_FALSE(before.isEmpty());
    // The background at the bottom left, clear of the picture, the text and
    // the buttons.
    const QPoint grab = before.bottomLeft() + QPoint(8, -8);
    Run("xdotool", {"mousemove", "--sync", QString::number(grab.x()), QString::number(grab.y())});
    Run("xdotool", {"mousedown", "1"});
    for (int step = 0; step < 10; ++step) {
        Run("xdotool", {"mousemove_relative", "--sync", "10", "10"});
        Pause(30);
    }
    Run("xdotool", {"mouseup", "1"});
    QRect after;
    (void)QTest::qWaitFor([&] { return (after = desktop->WindowGeometry(notice)).topLeft() == before.topLeft() + QPoint(100, 100); },
                          kWaitMs / 4);
    EXPECT_EQ(after.topLeft() - before.topLeft(), QPoint(100, 100)) << "notice " << Text(before) << " -> " << Text(after);

    // Press and release back to back, then move: the notice stays. The
    // pointer is already there after the drag (a --sync move onto the spot
    // where it is waits for motion that never comes).
    const QPoint again = after.bottomLeft() + QPoint(8, -8);
    Run("xdotool", {"mousemove", QString::number(again.x()), QString::number(again.y()), "mousedown", "1",
                    "mouseup", "1"});
    Pause(300);
    Run("xdotool", {"mousemove_relative", "--sync", "60", "40"});
    Pause(800);
    EXPECT_EQ(desktop->WindowGeometry(notice).topLeft(), after.topLeft());
    // Both close buttons are still on the screen, and the notice closes.
    const QRect screen(0, 0, 1280, 1024);
    EXPECT_TRUE(screen.contains(desktop->WindowGeometry(notice))) << Text(desktop->WindowGeometry(notice));
}
