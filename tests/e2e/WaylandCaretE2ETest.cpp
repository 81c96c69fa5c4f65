// The caret of real programs on a real compositor (headless sway with a
// session and an accessibility bus): where the desktop puts it on the
// screen, against where the compositor has the programs' windows.
#include "WaylandSuite.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRect>
#include <cstdio>
#include <functional>
#include <optional>

namespace {

// A caret must lie this close to the editor's own idea of it (the toolkit
// rounds character boxes).
constexpr int kCaretSlackPx = 2;

std::optional<QRect> ParseCaret(const QByteArray& line)
{
    const QList<QByteArray> parts = line.trimmed().split(' ');
    if (parts.size() != 5 || parts[0] != "caret")
        return std::nullopt;
    return QRect(parts[1].toInt(), parts[2].toInt(), parts[3].toInt(), parts[4].toInt());
}

} // namespace

class WaylandCaret : public WaylandSuite
{
protected:
    static void SetUpTestSuite()
    {
        WaylandSuite::SetUpTestSuite();
        if (sway->IsRunning() && !sway->StartSessionBus())
            busError = sway->ErrorString();
    }

    void SetUp() override
    {
        WaylandSuite::SetUp();
        if (HasFatalFailure())
            return;
        ASSERT_TRUE(busError.isEmpty()) << busError.toStdString();
        // First, as the program is started before the editors.
        probe = Start(QStringLiteral(QUILLO_WAYLAND_CARET_PROBE), {}, {}, HeadlessSway::Output::Keep);
        ASSERT_TRUE(probe) << sway->ErrorString().toStdString();
        ASSERT_EQ(ReadProbeLine(), "ready");
    }

    QByteArray ReadProbeLine()
    {
        QDeadlineTimer deadline(kWaitMs);
        while (!probe->canReadLine() && !deadline.hasExpired() && probe->state() == QProcess::Running)
            probe->waitForReadyRead(kPollMs);
        return probe->readLine().trimmed();
    }

    // What the desktop answers now: a caret, or nothing.
    std::optional<QRect> Caret()
    {
        probe->write("?\n");
        probe->waitForBytesWritten(kToolTimeoutMs);
        return ParseCaret(ReadProbeLine());
    }

    // The first caret for which `wanted` holds, asked until the wait runs out.
    std::optional<QRect> WaitForCaret(const std::function<bool(const std::optional<QRect>&)>& wanted)
    {
        QDeadlineTimer deadline(kWaitMs);
        std::optional<QRect> caret;
        do {
            caret = Caret();
            if (wanted(caret))
                return caret;
            QThread::msleep(kPollMs);
        } while (!deadline.hasExpired());
        return caret;
    }

    // The test editor's own caret (relative to its window on Wayland).
    static std::optional<QRect> EditorCaret(const QString& file)
    {
        const QStringList parts = ReadText(file).split(' ', Qt::SkipEmptyParts);
        if (parts.size() != 4)
            return std::nullopt;
        return QRect(parts[0].toInt(), parts[1].toInt(), parts[2].toInt(), parts[3].toInt());
    }

    // Whether the desktop takes the focused field for a password field,
    // asked until it says `wanted` or the wait runs out.
    bool WaitForSecure(bool wanted)
    {
        QDeadlineTimer deadline(kWaitMs);
        do {
            probe->write("secure\n");
            probe->waitForBytesWritten(kToolTimeoutMs);
            if (ReadProbeLine() == (wanted ? "secure 1" : "secure 0"))
                return true;
            QThread::msleep(kPollMs);
        } while (!deadline.hasExpired());
        return false;
    }

    static inline QString busError;
    QProcess* probe = nullptr;
};

TEST_F(WaylandCaret, FollowsTheCaretOfAQtAndAGtkEditorInTheirWindowsSideBySide)
{
    const QString folder = MakeFolder("caret");
    const QString out = folder + "/editor.txt";
    const QString caretFile = folder + "/caret.txt";
    QProcessEnvironment qt;
    qt.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
    ASSERT_TRUE(Start(QStringLiteral(QUILLO_TEST_EDITOR), {"--out", out, "--caret", caretFile}, qt));
    ASSERT_TRUE(WaitUntilFocused(out)) << sway->Describe().toStdString();
    const Window qtWindow = WindowOf("quillo-test-editor");
    ASSERT_TRUE(qtWindow.focused) << sway->Describe().toStdString();

    // Typing moves the caret right, within the editor's window, where the
    // editor itself has it.
    ASSERT_TRUE(Wtype({"-k", "Shift_L", "one"}));
    ASSERT_EQ(WaitForText(out, "one").toStdString(), "one");
    const auto first = WaitForCaret([](const auto& caret) { return caret.has_value(); });
    ASSERT_TRUE(first) << "no caret for the Qt editor; " << sway->Describe().toStdString();
    EXPECT_TRUE(qtWindow.content.contains(first->topLeft()))
        << first->x() << "," << first->y() << " outside the window";
    const auto own = EditorCaret(caretFile);
    ASSERT_TRUE(own);
    EXPECT_NEAR(first->x(), qtWindow.content.x() + own->x(), kCaretSlackPx);
    EXPECT_NEAR(first->y(), qtWindow.content.y() + own->y(), own->height() / 2);

    ASSERT_TRUE(Wtype({"-k", "Shift_L", "two"}));
    ASSERT_EQ(WaitForText(out, "onetwo").toStdString(), "onetwo");
    const auto right = WaitForCaret([&](const auto& caret) { return caret && caret->x() > first->x(); });
    ASSERT_TRUE(right);
    EXPECT_GT(right->x(), first->x());
    EXPECT_EQ(right->y(), first->y());

    ASSERT_TRUE(Wtype({"-k", "Shift_L", "-k", "Return", "x"}));
    ASSERT_EQ(WaitForText(out, "onetwo\nx").toStdString(), "onetwo\nx");
    const auto below = WaitForCaret([&](const auto& caret) { return caret && caret->y() > first->y(); });
    ASSERT_TRUE(below);
    EXPECT_GT(below->y(), first->y());
    EXPECT_LT(below->x(), right->x()) << "back at the line's start";
    EXPECT_TRUE(qtWindow.content.contains(below->topLeft()));

    // A GTK editor opens beside it and takes the focus: its caret is placed
    // in its own window, to the right of the first.
    const QString file = folder + "/note.txt";
    {
        QFile empty(file);
        ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    }
    ASSERT_TRUE(sway->GiveToUser(file));
    QProcessEnvironment gtk;
    gtk.insert("GDK_BACKEND", "wayland");
    gtk.insert("GSETTINGS_BACKEND", "memory");
    ASSERT_TRUE(Start("mousepad", {file}, gtk));
    // It opens focused, and the first window shrinks to make room.
    QDeadlineTimer opened(kWaitMs);
    Window gtkWindow = WindowOf("mousepad");
    Window qtNow = WindowOf("quillo-test-editor");
    while (!opened.hasExpired() && !(gtkWindow.focused && gtkWindow.content.x() > qtNow.content.x())) {
        QThread::msleep(kPollMs);
        gtkWindow = WindowOf("mousepad");
        qtNow = WindowOf("quillo-test-editor");
    }
    ASSERT_TRUE(gtkWindow.focused) << sway->Describe().toStdString();
    ASSERT_GT(gtkWindow.content.x(), qtNow.content.right()) << "side by side";

    std::optional<QRect> start;
    QDeadlineTimer typed(kWaitMs);
    while (!typed.hasExpired() && !start) {
        // The first key of a new virtual keyboard may be lost.
        Wtype({"-k", "Shift_L", "ab"});
        start = WaitForCaret([&](const auto& caret) { return caret && gtkWindow.content.contains(caret->topLeft()); });
    }
    ASSERT_TRUE(start) << "no caret for mousepad; " << sway->Describe().toStdString();
    EXPECT_GE(start->x(), gtkWindow.content.x());
    EXPECT_GT(start->x(), qtNow.content.width()) << "beyond the first window";
    std::printf("[ measured ] Qt caret %d,%d (window at %d,%d); GTK caret %d,%d (window at %d,%d %dx%d)\n", first->x(),
                first->y(), qtWindow.content.x(), qtWindow.content.y(), start->x(), start->y(),
                gtkWindow.content.x(), gtkWindow.content.y(), gtkWindow.content.width(), gtkWindow.content.height());
    ASSERT_TRUE(Wtype({"-k", "Shift_L", "cdef"}));
    const auto further = WaitForCaret([&](const auto& caret) { return caret && caret->x() > start->x(); });
    ASSERT_TRUE(further);
    EXPECT_GT(further->x(), start->x());
    EXPECT_TRUE(gtkWindow.content.contains(further->topLeft()));
    ASSERT_TRUE(Wtype({"-k", "Shift_L", "-k", "Return", "g"}));
    const auto lower = WaitForCaret([&](const auto& caret) { return caret && caret->y() > further->y(); });
    ASSERT_TRUE(lower);
    EXPECT_GT(lower->y(), further->y());
    EXPECT_LT(lower->x(), further->x());

    // A program that tells nothing about its text takes the focus: no
    // caret, neither its own nor the one in the window it took it from.
    // (Qt takes the variable's mere presence for yes.)
    const QString silentOut = folder + "/silent.txt";
    ASSERT_TRUE(Start("env", {"-u", "QT_LINUX_ACCESSIBILITY_ALWAYS_ON", QUILLO_TEST_EDITOR, "--out", silentOut,
                              "--title", "silent"},
                      qt));
    ASSERT_TRUE(WaitUntilFocused(silentOut)) << sway->Describe().toStdString();
    const auto none = WaitForCaret([](const auto& caret) { return !caret.has_value(); });
    EXPECT_FALSE(none) << "a caret at " << none->x() << "," << none->y() << " in a program that tells nothing";
}

// A Qt line edit in password mode is known as a password field on the
// compositor too; a plain editor is not one.
TEST_F(WaylandCaret, PasswordFieldsAreKnownAsSuch)
{
    const QString folder = MakeFolder("password");
    QProcessEnvironment qt;
    qt.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
    const QString out = folder + "/editor.txt";
    ASSERT_TRUE(Start(QStringLiteral(QUILLO_TEST_EDITOR), {"--out", out}, qt));
    ASSERT_TRUE(WaitUntilFocused(out)) << sway->Describe().toStdString();
    EXPECT_TRUE(WaitForSecure(false)) << "a plain editor";

    const QString fieldOut = folder + "/field.txt";
    ASSERT_TRUE(Start(QStringLiteral(QUILLO_TEST_EDITOR), {"--out", fieldOut, "--password", "--title", "field"}, qt));
    ASSERT_TRUE(WaitUntilFocused(fieldOut)) << sway->Describe().toStdString();
    EXPECT_TRUE(WaitForSecure(true)) << "Qt's line edit in password mode";

    // Back in the plain editor, words are its own again.
    ASSERT_TRUE(sway->RunClient(QStringLiteral("swaymsg"),
                                {"-s", sway->IpcSocket(), "[title=\"Quillo test editor\"] focus"}, kToolTimeoutMs));
    EXPECT_TRUE(WaitForSecure(false)) << "the plain editor again";
}
