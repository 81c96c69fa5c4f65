#include "PrivateDesktop.h"
#include "platform/atspi/AtspiCaretTracker.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <gtest/gtest.h>
#include <optional>

namespace {

// Generous: programs start slowly on a loaded machine. Nothing asserts on
// how long anything took.
constexpr int kCaretWaitMs = 15000;
// The first key is typed again when its caret move went unreported.
constexpr int kFirstCaretWaitMs = 3000;
constexpr int kFirstCaretAttempts = 5;
constexpr char kGtkEditor[] = "mousepad";
// GTK's Python bindings live with the system's interpreter.
constexpr char kPython[] = "/usr/bin/python3";

struct Editor
{
    qint64 id = 0;
    PrivateDesktop::Window window = 0;
    QRect geometry;
};

std::string Text(const QRect& rect)
{
    return QString("%1,%2 %3x%4")
        .arg(rect.x())
        .arg(rect.y())
        .arg(rect.width())
        .arg(rect.height())
        .toStdString();
}

} // namespace

TEST(AtspiCaretTrackerWithoutBus, IsInactiveAndHasNoCaret)
{
    QTemporaryDir nowhere;
    ASSERT_TRUE(nowhere.isValid());
    const QByteArray saved = qgetenv("AT_SPI_BUS_ADDRESS");
    qputenv("AT_SPI_BUS_ADDRESS", "unix:path=" + nowhere.filePath("no-bus").toLocal8Bit());
    {
        AtspiCaretTracker tracker;
        EXPECT_FALSE(tracker.IsActive());
        EXPECT_FALSE(tracker.CaretRect().has_value());
        // A second tracker retries and fails the same way; nothing aborts.
        AtspiCaretTracker second;
        EXPECT_FALSE(second.IsActive());
    }
    if (saved.isNull())
        qunsetenv("AT_SPI_BUS_ADDRESS");
    else
        qputenv("AT_SPI_BUS_ADDRESS", saved);
}

class AtspiCaretTrackerTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        desktop = new PrivateDesktop;
        if (desktop->Start())
            desktop->ExportToThisProcess();
    }

    static void TearDownTestSuite()
    {
        delete desktop;
        desktop = nullptr;
    }

    void SetUp() override
    {
        ASSERT_TRUE(desktop->IsRunning())
            << "the private desktop did not start: " << desktop->ErrorString().toStdString();
    }

    void TearDown() override
    {
        for (const Editor& editor : editors)
            desktop->StopProgram(editor.id);
    }

    // Starts an editor, waits for its window and gives it the focus.
    Editor Start(const QString& program, const QStringList& arguments = {},
                 const std::optional<QProcessEnvironment>& environment = {})
    {
        Editor editor;
        editor.id = desktop->StartProgram(program, arguments, environment);
        if (!editor.id)
            return editor;
        editors.push_back(editor);
        editor.window = desktop->WaitForWindow(editor.id);
        if (editor.window) {
            editor.geometry = desktop->WindowGeometry(editor.window);
            if (!desktop->FocusWindow(editor.window))
                editor.window = 0;
        }
        return editor;
    }

    static Editor StartedOrFail(const Editor& editor)
    {
        if (!editor.window || editor.geometry.isEmpty())
            ADD_FAILURE() << "editor did not come up: " << desktop->ErrorString().toStdString();
        return editor;
    }

    // Lets events arrive until the tracker reports a caret that satisfies
    // `wanted`; the last caret seen otherwise.
    template <typename Predicate>
    static std::optional<QRect> WaitForCaret(const AtspiCaretTracker& tracker, Predicate wanted,
                                             int waitMs = kCaretWaitMs)
    {
        std::optional<QRect> caret;
        (void)QTest::qWaitFor(
            [&] {
                caret = tracker.CaretRect();
                return caret && wanted(*caret);
            },
            waitMs);
        return caret;
    }

    static std::optional<QRect> WaitForCaretIn(const AtspiCaretTracker& tracker,
                                               const QRect& window)
    {
        return WaitForCaret(tracker, [&](const QRect& caret) { return window.contains(caret); });
    }

    // Types, and checks that the caret moves right on its line, then down
    // to the start of the next after Enter, always inside the window.
    void CheckCaretFollowsTyping(const AtspiCaretTracker& tracker, const Editor& editor)
    {
        // Toolkits send only the events someone has asked for, and learn of a
        // new listener a moment after it registers: a key typed in that moment
        // moves the caret unreported. Another key is typed until one is seen;
        // what follows compares positions with this first one only.
        std::optional<QRect> first;
        for (int attempt = 0; attempt < kFirstCaretAttempts; ++attempt) {
            ASSERT_TRUE(desktop->Type("a")) << desktop->ErrorString().toStdString();
            first = WaitForCaret(
                tracker,
                [&](const QRect& caret) {
                    return editor.geometry.contains(caret) && caret.x() > editor.geometry.left();
                },
                kFirstCaretWaitMs);
            if (first && editor.geometry.contains(*first))
                break;
        }
        ASSERT_TRUE(first && editor.geometry.contains(*first))
            << "no caret inside the editor at " << Text(editor.geometry);
        EXPECT_EQ(first->width(), 1);
        EXPECT_GT(first->height(), 0);

        ASSERT_TRUE(desktop->Type("bcd"));
        const auto right = WaitForCaret(tracker, [&](const QRect& caret) {
            return caret.x() > first->x() && caret.y() == first->y();
        });
        ASSERT_TRUE(right);
        EXPECT_GT(right->x(), first->x()) << "caret " << Text(*right) << " after typing, was " << Text(*first);
        EXPECT_EQ(right->y(), first->y());
        EXPECT_TRUE(editor.geometry.contains(*right));

        ASSERT_TRUE(desktop->Key("Return"));
        const auto below = WaitForCaret(tracker, [&](const QRect& caret) {
            return caret.y() >= first->y() + first->height();
        });
        ASSERT_TRUE(below);
        EXPECT_GE(below->y(), first->y() + first->height())
            << "caret " << Text(*below) << " after Enter, was " << Text(*right);
        EXPECT_LT(below->x(), right->x());
        EXPECT_TRUE(editor.geometry.contains(*below));

        ASSERT_TRUE(desktop->Type("e"));
        const auto next = WaitForCaret(tracker, [&](const QRect& caret) {
            return caret.y() == below->y() && caret.x() > below->x();
        });
        ASSERT_TRUE(next);
        EXPECT_EQ(next->y(), below->y()) << "caret " << Text(*next) << " on the new line " << Text(*below);
        EXPECT_GT(next->x(), below->x());
    }

    // The caret relative to the editor's window (where only the compositor
    // knows the window's place, the desktop adds it), with the process that
    // owns the window. Qt 6.4 answers a window-relative question with
    // screen positions when its top-level widget is not a window of its own
    // (as in the test editor): the same answer on Wayland, where its screen
    // positions are window-relative, but not here.
    static void CheckCaretInWindow(const AtspiCaretTracker& tracker, const Editor& editor, bool windowRelative)
    {
        const auto inWindow = tracker.CaretInWindow();
        const auto onScreen = tracker.CaretRect();
        ASSERT_TRUE(inWindow && onScreen);
        const QRect expected = windowRelative ? onScreen->translated(-editor.geometry.topLeft()) : *onScreen;
        EXPECT_EQ(inWindow->rect, expected) << Text(inWindow->rect) << " in the window at " << Text(editor.geometry);
        EXPECT_EQ(inWindow->processId, editor.id) << "the editor started in a process group of its own";
    }

    static QString QtEditor() { return QStringLiteral(QUILLO_TEST_EDITOR); }

    // Lets events arrive until the tracker tells the focus is (or is not)
    // in a password field; a key is typed between looks, in case the focus
    // change went out before the program heard of the tracker.
    static bool WaitForPasswordFocus(const AtspiCaretTracker& tracker, bool wanted)
    {
        for (int attempt = 0; attempt < kFirstCaretAttempts; ++attempt) {
            if (QTest::qWaitFor([&] { return tracker.FocusIsPassword() == wanted; }, kFirstCaretWaitMs))
                return true;
            desktop->Type("a");
        }
        return false;
    }

    static inline PrivateDesktop* desktop = nullptr;
    std::vector<Editor> editors;
};

// The tracker starts while the editor already has the focus: the first
// caret move tells it where the focus is.
TEST_F(AtspiCaretTrackerTest, FollowsTypingInGtkEditor)
{
    const Editor editor = StartedOrFail(Start(kGtkEditor));
    ASSERT_TRUE(editor.window);
    AtspiCaretTracker tracker;
    ASSERT_TRUE(tracker.IsActive());
    CheckCaretFollowsTyping(tracker, editor);
    CheckCaretInWindow(tracker, editor, true);
}

// Qt reports an empty box at the end of the text, where the caret is while
// one types; after Enter the character before the caret is the line break.
TEST_F(AtspiCaretTrackerTest, FollowsTypingAtEndOfTextInQtEditor)
{
    const Editor editor = StartedOrFail(Start(QtEditor()));
    ASSERT_TRUE(editor.window);
    AtspiCaretTracker tracker;
    ASSERT_TRUE(tracker.IsActive());
    CheckCaretFollowsTyping(tracker, editor);
    CheckCaretInWindow(tracker, editor, false);
}

// Focus changes alone, without typing, move the caret from one program to
// the other.
TEST_F(AtspiCaretTrackerTest, FollowsFocusBetweenPrograms)
{
    AtspiCaretTracker tracker;
    ASSERT_TRUE(tracker.IsActive());
    const Editor gtk = StartedOrFail(Start(kGtkEditor));
    ASSERT_TRUE(gtk.window);
    const auto inGtk = WaitForCaretIn(tracker, gtk.geometry);
    ASSERT_TRUE(inGtk && gtk.geometry.contains(*inGtk)) << "no caret in " << Text(gtk.geometry);

    // Qt gives no box in an empty text, so this one holds a word.
    const Editor qt = StartedOrFail(Start(QtEditor(), {"Qt"}));
    ASSERT_TRUE(qt.window);
    ASSERT_FALSE(gtk.geometry.intersects(qt.geometry)) << "the windows must not overlap";
    const auto inQt = WaitForCaretIn(tracker, qt.geometry);
    ASSERT_TRUE(inQt && qt.geometry.contains(*inQt)) << "no caret in " << Text(qt.geometry);

    const AtspiCaretTracker::Application inQtApplication = tracker.FocusedApplication();
    EXPECT_EQ(inQtApplication.name.toStdString(), "atspi_test_editor");

    ASSERT_TRUE(desktop->FocusWindow(gtk.window));
    const auto back = WaitForCaretIn(tracker, gtk.geometry);
    ASSERT_TRUE(back && gtk.geometry.contains(*back)) << "caret did not come back to " << Text(gtk.geometry);
    // The focused program is known by its connection and its name, for
    // desktops that do not say which window is active.
    const AtspiCaretTracker::Application inGtkApplication = tracker.FocusedApplication();
    EXPECT_EQ(inGtkApplication.name.toStdString(), "mousepad");
    EXPECT_FALSE(inGtkApplication.busName.isEmpty());
    EXPECT_NE(inGtkApplication.busName, inQtApplication.busName);
}

// Focus taken by a program that exposes nothing to the bus leaves no stale
// caret behind in the program that had it.
TEST_F(AtspiCaretTrackerTest, NoCaretWhileSilentProgramHasFocus)
{
    const Editor gtk = StartedOrFail(Start(kGtkEditor));
    ASSERT_TRUE(gtk.window);
    AtspiCaretTracker tracker;
    ASSERT_TRUE(desktop->Type("ab"));
    ASSERT_TRUE(WaitForCaretIn(tracker, gtk.geometry));

    // Qt programs stay silent unless asked (or a screen reader runs).
    QProcessEnvironment silent = desktop->Environment();
    silent.remove("QT_LINUX_ACCESSIBILITY_ALWAYS_ON");
    const Editor qt = StartedOrFail(Start(QtEditor(), {"Qt"}, silent));
    ASSERT_TRUE(qt.window);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !tracker.CaretRect(); }, kCaretWaitMs))
        << "caret still reported at " << Text(tracker.CaretRect().value_or(QRect()));

    ASSERT_TRUE(desktop->FocusWindow(gtk.window));
    const auto back = WaitForCaretIn(tracker, gtk.geometry);
    EXPECT_TRUE(back && gtk.geometry.contains(*back));
}

// An application that stops answering costs one short wait, gives no
// caret, and is followed again once it reports a change.
TEST_F(AtspiCaretTrackerTest, HungProgramGivesNoCaretUntilItMovesAgain)
{
    const Editor editor = StartedOrFail(Start(kGtkEditor));
    ASSERT_TRUE(editor.window);
    AtspiCaretTracker tracker;
    ASSERT_TRUE(desktop->Type("ab"));
    ASSERT_TRUE(WaitForCaretIn(tracker, editor.geometry));

    ASSERT_EQ(::kill(pid_t(editor.id), SIGSTOP), 0);
    const std::optional<QRect> whileHung = tracker.CaretRect();
    // Asked again without any news from the program: still nothing.
    const std::optional<QRect> again = tracker.CaretRect();
    ASSERT_EQ(::kill(pid_t(editor.id), SIGCONT), 0);
    EXPECT_FALSE(whileHung.has_value());
    EXPECT_FALSE(again.has_value());

    ASSERT_TRUE(desktop->Type("c"));
    const auto recovered = WaitForCaretIn(tracker, editor.geometry);
    EXPECT_TRUE(recovered && editor.geometry.contains(*recovered));
}

// Password fields are known from the focus alone, in GTK and in Qt; a
// plain text is not one.
TEST_F(AtspiCaretTrackerTest, KnowsWhenTheFocusIsInAPasswordField)
{
    AtspiCaretTracker tracker;
    ASSERT_TRUE(tracker.IsActive());
    QTemporaryDir folder;
    const Editor gtk = StartedOrFail(
        Start(kPython, {QStringLiteral(QUILLO_GTK_ENTRY), "--password", "--out", folder.filePath("gtk.txt")}));
    ASSERT_TRUE(gtk.window);
    EXPECT_TRUE(WaitForPasswordFocus(tracker, true)) << "GTK's hidden entry";

    const Editor plain = StartedOrFail(Start(QtEditor(), {"Qt"}));
    ASSERT_TRUE(plain.window);
    EXPECT_TRUE(WaitForPasswordFocus(tracker, false)) << "a plain text";

    const Editor qt = StartedOrFail(Start(QtEditor(), {"--password"}));
    ASSERT_TRUE(qt.window);
    EXPECT_TRUE(WaitForPasswordFocus(tracker, true)) << "Qt's line edit in password mode";
}

// Trackers share the process's one bus connection: ending one leaves the
// others working, and a new one works after all have ended.
TEST_F(AtspiCaretTrackerTest, TrackersComeAndGoIndependently)
{
    const Editor editor = StartedOrFail(Start(kGtkEditor));
    ASSERT_TRUE(editor.window);
    auto first = std::make_unique<AtspiCaretTracker>();
    {
        AtspiCaretTracker second;
        ASSERT_TRUE(desktop->Type("a"));
        EXPECT_TRUE(WaitForCaretIn(second, editor.geometry));
        EXPECT_TRUE(WaitForCaretIn(*first, editor.geometry));
    }
    ASSERT_TRUE(desktop->Type("b"));
    const auto kept = WaitForCaret(*first, [&](const QRect& caret) {
        return editor.geometry.contains(caret);
    });
    EXPECT_TRUE(kept);
    first.reset();

    AtspiCaretTracker later;
    ASSERT_TRUE(later.IsActive());
    ASSERT_TRUE(desktop->Type("c"));
    EXPECT_TRUE(WaitForCaretIn(later, editor.geometry));
}

// The desktop itself: everything it started is gone after Stop(), and this
// process's environment is as it was.
TEST(PrivateDesktopTest, StopLeavesNothingBehind)
{
    const QByteArray display = qgetenv("DISPLAY");
    PrivateDesktop desktop;
    ASSERT_TRUE(desktop.Start()) << desktop.ErrorString().toStdString();
    desktop.ExportToThisProcess();
    EXPECT_EQ(qgetenv("DISPLAY"), desktop.Display().toLocal8Bit());
    const qint64 editor = desktop.StartProgram(kGtkEditor);
    ASSERT_NE(editor, 0) << desktop.ErrorString().toStdString();
    ASSERT_NE(desktop.WaitForWindow(editor), 0u) << desktop.ErrorString().toStdString();
    // Xvfb, two buses, the launcher, the editor, and what they started.
    constexpr qsizetype kAtLeastStarted = 5;
    const QList<qint64> started = desktop.MarkedProcesses();
    EXPECT_GE(started.size(), kAtLeastStarted);
    const QString socket = "/tmp/.X11-unix/X" + desktop.Display().mid(1);
    EXPECT_TRUE(QFileInfo::exists(socket));

    desktop.Stop();
    EXPECT_TRUE(desktop.MarkedProcesses().isEmpty());
    // Not even as zombies: everything was collected.
    for (qint64 pid : started)
        EXPECT_FALSE(QFileInfo::exists(QString("/proc/%1").arg(pid))) << "process " << pid << " left";
    EXPECT_FALSE(QFileInfo::exists(socket));
    EXPECT_EQ(qgetenv("DISPLAY"), display);
    EXPECT_FALSE(desktop.IsRunning());
}
