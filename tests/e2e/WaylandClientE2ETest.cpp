// Key output, clipboard and active window through Quillo's own connection
// to a real compositor (headless sway), checked with real programs there.
#include "WaylandSuite.h"
#include "platform/wayland/DataControlClipboard.h"
#include "platform/wayland/VirtualKeyboardOutput.h"
#include "platform/wayland/WaylandConnection.h"
#include "platform/wayland/WaylandDesktop.h"

#include <QCoreApplication>
#include <QMimeData>

namespace {

constexpr int kVkShift = 16, kVkControl = 17, kVkBackspace = 8;

} // namespace

class WaylandClient : public WaylandSuite
{
protected:
    void SetUp() override
    {
        WaylandSuite::SetUp();
        if (HasFatalFailure())
            return;
        Connect();
    }

    // Lets our connection's events run while the tool works: the tool may be
    // waiting for us to hand over the clipboard.
    bool RunServing(const QStringList& command, QByteArray* output = nullptr)
    {
        QProcess* started = sway->StartClient(command.first(), command.mid(1), {}, HeadlessSway::Output::Keep);
        if (!started)
            return false;
        QDeadlineTimer deadline(kToolTimeoutMs);
        while (started->state() != QProcess::NotRunning && !deadline.hasExpired()) {
            QCoreApplication::processEvents();
            connection->ReadAvailable();
            started->waitForFinished(5);
        }
        const bool ok = started->state() == QProcess::NotRunning && started->exitCode() == 0;
        if (output)
            *output = started->readAllStandardOutput();
        sway->StopClient(started);
        return ok;
    }

    void Pump(int ms)
    {
        QDeadlineTimer deadline(ms);
        while (!deadline.hasExpired()) {
            QCoreApplication::processEvents();
            connection->ReadAvailable();
            QThread::msleep(5);
        }
    }
};

TEST_F(WaylandClient, TheVirtualKeyboardTypesAnyCharacterWithModifiersThatArrive)
{
    // Made first, as the program does at its start: the editor finds a
    // keyboard in the seat when it comes up.
    VirtualKeyboardOutput keys(*connection, connection->SessionKeymap());
    const QString out = MakeFolder("keys") + "/editor.txt";
    ASSERT_TRUE(StartQtEditor(out));
    ASSERT_TRUE(WaitUntilFocused(out)) << sway->Describe().toStdString();

    keys.KeyDown('A');
    keys.KeyUp('A');
    keys.KeyDown(kVkShift);
    keys.KeyDown('B');
    keys.KeyUp('B');
    keys.KeyUp(kVkShift);
    keys.KeyDown('C');
    keys.KeyUp('C');
    EXPECT_EQ(WaitForText(out, "aBc").toStdString(), "aBc") << "Shift reaches the editor and is let go";

    // Characters of no layout of the session, and line breaks.
    keys.TypeText(QStringLiteral(" Grüße, Привет ✓\r\n2\t3"));
    const QString typed = QStringLiteral("aBc Grüße, Привет ✓\n2\t3");
    EXPECT_EQ(WaitForText(out, typed).toStdString(), typed.toStdString());

    // Back in the session's keymap after typing, and after another
    // program's virtual keyboard typed in between.
    ASSERT_TRUE(Wtype({"w"}));
    EXPECT_EQ(WaitForText(out, typed + "w").toStdString(), (typed + "w").toStdString());
    keys.KeyDown(kVkBackspace);
    keys.KeyUp(kVkBackspace);
    keys.KeyDown('Z');
    keys.KeyUp('Z');
    EXPECT_EQ(WaitForText(out, typed + "z").toStdString(), (typed + "z").toStdString());

    // Ctrl+A then a character replaces everything: Ctrl arrived as a modifier.
    keys.KeyDown(kVkControl);
    keys.KeyDown('A');
    keys.KeyUp('A');
    keys.KeyUp(kVkControl);
    keys.TypeText("x");
    EXPECT_EQ(WaitForText(out, "x").toStdString(), "x");

    // More different characters than one keymap has keys for.
    QString many;
    for (char16_t c = u'\u4e00'; c < u'\u4e00' + 300; ++c)
        many += QChar(c);
    many += many.left(20);
    keys.TypeText(many);
    EXPECT_EQ(WaitForText(out, "x" + many).toStdString(), ("x" + many).toStdString());

    // Which key and shift state type a character, in the keymap keys are pressed in.
    EXPECT_EQ(keys.KeyScan(u'a'), 'A');
    EXPECT_EQ(keys.KeyScan(u'A'), 'A' | KeyOutput::kShiftState);
    EXPECT_EQ(keys.KeyScan(u' '), ' ');
}

TEST_F(WaylandClient, TheVirtualKeyboardReachesAGtkEditor)
{
    const QString folder = MakeFolder("gtk");
    const QString file = folder + "/note.txt";
    {
        QFile empty(file);
        ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    }
    sway->GiveToUser(file);
    QProcessEnvironment environment;
    environment.insert("GDK_BACKEND", "wayland");
    environment.insert("NO_AT_BRIDGE", "1");
    environment.insert("GSETTINGS_BACKEND", "memory");
    ASSERT_TRUE(Start("mousepad", {file}, environment));
    VirtualKeyboardOutput keys(*connection, connection->SessionKeymap());
    // mousepad saves with Ctrl+S to the file it was opened on: what it holds.
    const QString expected = QStringLiteral("Best regards ✓");
    QDeadlineTimer deadline(kWaitMs);
    QString saved;
    while (saved != expected && !deadline.hasExpired()) {
        // Until its window has the keyboard, nothing arrives; then select all
        // and type over it, so a retry leaves no trace.
        keys.KeyDown(kVkControl);
        keys.KeyDown('A');
        keys.KeyUp('A');
        keys.KeyUp(kVkControl);
        keys.TypeText(expected);
        keys.KeyDown(kVkControl);
        keys.KeyDown('S');
        keys.KeyUp('S');
        keys.KeyUp(kVkControl);
        saved = WaitForText(file, expected, kProbeWaitMs * 2);
    }
    EXPECT_EQ(saved.toStdString(), expected.toStdString());
}

TEST_F(WaylandClient, DataControlServesEveryFormatAndReadsWhatOthersCopied)
{
    DataControlClipboard clipboard(*connection);
    auto* ours = new QMimeData;
    ours->setText(QStringLiteral("Best regards ✓"));
    ours->setData("application/x-quillo-test", QByteArray("\x01\x02", 2));
    clipboard.Set(ours, ClipboardAccess::Mode::Clipboard);
    EXPECT_TRUE(clipboard.Holds(ours, ClipboardAccess::Mode::Clipboard));

    QByteArray output;
    ASSERT_TRUE(RunServing({"wl-paste", "--no-newline"}, &output));
    EXPECT_EQ(QString::fromUtf8(output).toStdString(), "Best regards ✓");
    ASSERT_TRUE(RunServing({"wl-paste", "--list-types"}, &output));
    const QStringList types = QString::fromUtf8(output).split('\n', Qt::SkipEmptyParts);
    EXPECT_TRUE(types.contains("application/x-quillo-test")) << output.toStdString();
    EXPECT_TRUE(types.contains("UTF8_STRING")) << "programs that ask in older names get the text";
    ASSERT_TRUE(RunServing({"wl-paste", "--no-newline", "--type", "application/x-quillo-test"}, &output));
    EXPECT_EQ(output, QByteArray("\x01\x02", 2));

    // Our own content reads back without asking the compositor (which would
    // wait for us).
    auto back = clipboard.Read(ClipboardAccess::Mode::Clipboard);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->data("application/x-quillo-test"), QByteArray("\x01\x02", 2));

    // Another program copies: ours is gone, theirs reads in full.
    ASSERT_TRUE(sway->RunClient("wl-copy", {"copied elsewhere"}, kToolTimeoutMs));
    Pump(kProbeWaitMs);
    EXPECT_FALSE(clipboard.Holds(ours, ClipboardAccess::Mode::Clipboard));
    back = clipboard.Read(ClipboardAccess::Mode::Clipboard);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->text().toStdString(), "copied elsewhere");
    EXPECT_GE(back->formats().size(), 2) << "every format it was offered in";

    // The primary selection, where the compositor has one.
    if (clipboard.SupportsSelection()) {
        auto* selected = new QMimeData;
        selected->setText("selected");
        clipboard.Set(selected, ClipboardAccess::Mode::Selection);
        ASSERT_TRUE(RunServing({"wl-paste", "--primary", "--no-newline"}, &output));
        EXPECT_EQ(output.toStdString(), "selected");
    }
}

TEST_F(WaylandClient, TheDesktopFollowsTheActiveWindow)
{
    WaylandDesktop desktop(*connection);
    ASSERT_TRUE(desktop.KnowsToplevels());
    EXPECT_FALSE(desktop.CaretRect().has_value());

    auto waitForTitle = [&](const QString& title) {
        QDeadlineTimer deadline(kWaitMs);
        while (!deadline.hasExpired()) {
            Pump(kPollMs);
            if (desktop.ForegroundWindow() != 0 && desktop.WindowTitle(desktop.ForegroundWindow()) == title)
                return desktop.ForegroundWindow();
        }
        return Desktop::WindowId(0);
    };
    const QString folder = MakeFolder("desk");
    ASSERT_TRUE(StartQtEditor(folder + "/one.txt", "first window"));
    const Desktop::WindowId first = waitForTitle("first window");
    ASSERT_NE(first, 0u);
    const QStringList firstClass = desktop.WindowClass(first);
    ASSERT_EQ(firstClass.size(), 2);
    EXPECT_TRUE(firstClass.first().contains("quillo-test-editor")) << firstClass.join(' ').toStdString();

    QProcess* second = StartQtEditor(folder + "/two.txt", "second window");
    ASSERT_TRUE(second);
    const Desktop::WindowId other = waitForTitle("second window");
    ASSERT_NE(other, 0u);
    EXPECT_NE(other, first);

    // The window closes: the first is active again, by the same id.
    sway->StopClient(second);
    started.removeOne(second);
    EXPECT_EQ(waitForTitle("first window"), first);
}
