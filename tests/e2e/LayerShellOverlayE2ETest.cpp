// The suggestion list's overlay on a real compositor (headless sway): the
// picture lands at the point asked for, as a screenshot shows, it leaves no
// trace once hidden, and keys typed meanwhile still reach the editor.
#include "WaylandSuite.h"
#include "platform/wayland/LayerShellOverlay.h"
#include "platform/wayland/WaylandConnection.h"
#include "support/SimulatedKeyboard.h"
#include "support/TempProgramFolder.h"

#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <cstdio>

namespace {

constexpr QRgb kFill = qRgb(255, 0, 255);
constexpr QRgb kCorner = qRgb(0, 200, 0);
constexpr QSize kPictureSize(120, 60);
constexpr int kCornerSize = 10;

// A picture whose corner shows that it is neither flipped nor shifted.
QImage Picture()
{
    QImage picture(kPictureSize, QImage::Format_ARGB32_Premultiplied);
    picture.fill(kFill);
    QPainter painter(&picture);
    painter.fillRect(0, 0, kCornerSize, kCornerSize, QColor(kCorner));
    return picture;
}

bool Near(QRgb a, QRgb b)
{
    // The screenshot's colours are exact on the pixman renderer; a little
    // slack keeps the test to what it is about.
    constexpr int kSlack = 8;
    return std::abs(qRed(a) - qRed(b)) <= kSlack && std::abs(qGreen(a) - qGreen(b)) <= kSlack &&
           std::abs(qBlue(a) - qBlue(b)) <= kSlack;
}

} // namespace

class ListOverlayOnSway : public WaylandSuite
{
protected:
    void SetUp() override
    {
        WaylandSuite::SetUp();
        if (HasFatalFailure())
            return;
        Connect();
    }

    void Pump(int ms)
    {
        QDeadlineTimer deadline(ms);
        do {
            QCoreApplication::processEvents();
            connection->ReadAvailable();
            QThread::msleep(5);
        } while (!deadline.hasExpired());
    }

    QImage Screenshot()
    {
        QByteArray ppm;
        if (!sway->RunClient(QStringLiteral("grim"), {"-t", "ppm", "-"}, kToolTimeoutMs, &ppm))
            return QImage();
        return QImage::fromData(ppm, "PPM");
    }

    // Takes screenshots until `check` holds for one (our connection's events
    // handled in between); the last one taken.
    QImage ScreenshotWhen(const std::function<bool(const QImage&)>& check)
    {
        QDeadlineTimer deadline(kWaitMs);
        QImage shot;
        do {
            Pump(kPollMs);
            shot = Screenshot();
            if (!shot.isNull() && check(shot))
                break;
        } while (!deadline.hasExpired());
        return shot;
    }

    static bool PictureAt(const QImage& shot, QPoint topLeft)
    {
        const QPoint last = topLeft + QPoint(kPictureSize.width() - 1, kPictureSize.height() - 1);
        return shot.rect().contains(last) && Near(shot.pixel(topLeft), kCorner) &&
               Near(shot.pixel(topLeft + QPoint(kCornerSize, kCornerSize)), kFill) &&
               Near(shot.pixel(last), kFill) &&
               !Near(shot.pixel(topLeft - QPoint(1, 1)), kCorner) && !Near(shot.pixel(last + QPoint(1, 1)), kFill);
    }
};

TEST_F(ListOverlayOnSway, ShowsAtThePointTakesNoKeyboardAndLeavesNoTrace)
{
    std::unique_ptr<LayerShellOverlay> overlay = LayerShellOverlay::Create(*connection);
    ASSERT_TRUE(overlay) << "sway offers the layer shell";
    ASSERT_EQ(connection->Outputs().size(), 1);
    EXPECT_EQ(connection->Outputs().first().geometry, QRect(0, 0, 1280, 800));

    const QString out = MakeFolder("overlay") + "/editor.txt";
    ASSERT_TRUE(StartQtEditor(out));
    ASSERT_TRUE(WaitUntilFocused(out)) << sway->Describe().toStdString();

    const QPoint first(200, 150);
    ASSERT_TRUE(overlay->Show(Picture(), first));
    QImage shot = ScreenshotWhen([&](const QImage& s) { return PictureAt(s, first); });
    ASSERT_FALSE(shot.isNull()) << "grim took no screenshot";
    EXPECT_TRUE(PictureAt(shot, first)) << "the picture at 200,150";
    EXPECT_TRUE(overlay->IsOnScreen());

    // The editor keeps the keyboard while the picture shows.
    ASSERT_TRUE(Wtype({"-k", "Shift_L", "typed"}));
    EXPECT_EQ(WaitForText(out, "typed").toStdString(), "typed") << sway->Describe().toStdString();

    // Shown again elsewhere (a longer text, the caret moved): moved, not doubled.
    const QPoint second(900, 600);
    ASSERT_TRUE(overlay->Show(Picture(), second));
    shot = ScreenshotWhen([&](const QImage& s) { return PictureAt(s, second) && !Near(s.pixel(first), kCorner); });
    EXPECT_TRUE(PictureAt(shot, second)) << "the picture at 900,600";
    EXPECT_FALSE(Near(shot.pixel(first), kCorner)) << "nothing left at 200,150";

    overlay->Hide();
    EXPECT_FALSE(overlay->IsShown());
    const QPoint middle = second + QPoint(kPictureSize.width() / 2, kPictureSize.height() / 2);
    shot = ScreenshotWhen([&](const QImage& s) { return !Near(s.pixel(middle), kFill); });
    EXPECT_FALSE(Near(shot.pixel(middle), kFill)) << "hidden";
    EXPECT_FALSE(Near(shot.pixel(second), kCorner));

    // Still the editor's keyboard, and the connection is sound for the next showing.
    ASSERT_TRUE(Wtype({"-k", "Shift_L", "!"}));
    EXPECT_EQ(WaitForText(out, "typed!").toStdString(), "typed!");
    ASSERT_TRUE(overlay->Show(Picture(), first));
    shot = ScreenshotWhen([&](const QImage& s) { return PictureAt(s, first); });
    EXPECT_TRUE(PictureAt(shot, first)) << "shown again after hiding";
    EXPECT_FALSE(connection->IsBroken());
}

// The whole program: the list goes up through the overlay and away again,
// and the editor keeps the keyboard. Without a caret on Wayland, a window
// titled as a browser's gets the list at the top centre of the screen.
class ListOverlayProgram : public ListOverlayOnSway
{
protected:
    void SetUp() override
    {
        ListOverlayOnSway::SetUp();
        if (HasFatalFailure())
            return;
        devices = MakeFolder("list-devices");
        keyboard = std::make_unique<SimulatedKeyboard>(devices);
        ASSERT_TRUE(sway->GiveToUser(devices));
        ASSERT_TRUE(sway->GiveToUser(folder.Path()));
    }
    void TearDown() override
    {
        ListOverlayOnSway::TearDown();
        keyboard.reset();
    }

    // How many of the region's pixels differ from the same pixels in `base`.
    static int Changed(const QImage& shot, const QImage& base, const QRect& region)
    {
        int changed = 0;
        for (int y = region.top(); y <= region.bottom(); ++y)
            for (int x = region.left(); x <= region.right(); ++x)
                changed += !Near(shot.pixel(x, y), base.pixel(x, y));
        return changed;
    }

    TempProgramFolder folder;
    QString devices;
    std::unique_ptr<SimulatedKeyboard> keyboard;
};

TEST_F(ListOverlayProgram, TheListShowsAboveTheEditorWithoutTakingItsKeys)
{
    QProcessEnvironment environment;
    environment.insert("QUILLO_INPUT_DEVICES", devices);
    environment.insert("QT_QPA_PLATFORM", "wayland");
    ASSERT_TRUE(Start(QStringLiteral(QUILLO_EXECUTABLE), {"--home", folder.Path(), "--backend", "wayland"},
                      environment));
    ASSERT_TRUE(keyboard->Connect(kWaitMs)) << "the keyboard monitor never opened the device";
    const QString out = MakeFolder("browser") + "/editor.txt";
    ASSERT_TRUE(StartQtEditor(out, QStringLiteral("Recipes \u2014 Mozilla Firefox")));
    ASSERT_TRUE(WaitUntilFocused(out)) << sway->Describe().toStdString();
    // The list for "si" (the samples' sig: one row) goes at the top centre
    // of the 1280 px wide screen: 244 x 24 px from x 518.
    const QRect listPlace(518 + 2, 3, 244 - 4, 24 - 4);
    const QImage before = Screenshot();
    ASSERT_FALSE(before.isNull()) << "grim took no screenshot";

    ASSERT_TRUE(Wtype({"-k", "Shift_L", "si"}));
    ASSERT_EQ(WaitForText(out, "si").toStdString(), "si");
    ASSERT_TRUE(keyboard->Type("si"));
    const int area = listPlace.width() * listPlace.height();
    QImage shot = ScreenshotWhen([&](const QImage& s) { return Changed(s, before, listPlace) > area / 2; });
    EXPECT_GT(Changed(shot, before, listPlace), area / 2) << "the list at the top centre";

    // A space ends the word: no match any more, the list goes; the editor
    // had the keys all along.
    ASSERT_TRUE(Wtype({"-k", "Shift_L", "x "}));
    ASSERT_EQ(WaitForText(out, "six ").toStdString(), "six ") << sway->Describe().toStdString();
    ASSERT_TRUE(keyboard->Type("x "));
    shot = ScreenshotWhen([&](const QImage& s) { return Changed(s, before, listPlace) == 0; });
    EXPECT_EQ(Changed(shot, before, listPlace), 0) << "the list went away";
}

// The whole program on sway with an accessibility bus: the list goes right
// below the caret of a plain editor, where the compositor has its window.
class ListBesideTheCaretOnSway : public ListOverlayProgram
{
protected:
    static void SetUpTestSuite()
    {
        ListOverlayProgram::SetUpTestSuite();
        if (sway->IsRunning() && !sway->StartSessionBus())
            busError = sway->ErrorString();
    }
    void SetUp() override
    {
        ListOverlayProgram::SetUp();
        if (HasFatalFailure())
            return;
        ASSERT_TRUE(busError.isEmpty()) << busError.toStdString();
    }

    static inline QString busError;
};

TEST_F(ListBesideTheCaretOnSway, TheListLiesRightBelowTheCaretOfAQtEditor)
{
    QProcessEnvironment environment;
    environment.insert("QUILLO_INPUT_DEVICES", devices);
    environment.insert("QT_QPA_PLATFORM", "wayland");
    ASSERT_TRUE(Start(QStringLiteral(QUILLO_EXECUTABLE), {"--home", folder.Path(), "--backend", "wayland"},
                      environment));
    ASSERT_TRUE(keyboard->Connect(kWaitMs)) << "the keyboard monitor never opened the device";
    const QString editorFolder = MakeFolder("caret-editor");
    // A window on the left first: the editor is tiled right of it, so its
    // caret is far from its window's own origin.
    const QString leftOut = editorFolder + "/left.txt";
    ASSERT_TRUE(StartQtEditor(leftOut, QStringLiteral("left")));
    ASSERT_TRUE(WaitUntilFocused(leftOut)) << sway->Describe().toStdString();
    const QString out = editorFolder + "/editor.txt";
    const QString caretFile = editorFolder + "/caret.txt";
    QProcessEnvironment qt;
    qt.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
    ASSERT_TRUE(
        Start(QStringLiteral(QUILLO_TEST_EDITOR), {"--out", out, "--caret", caretFile, "--title", "right"}, qt));
    ASSERT_TRUE(WaitUntilFocused(out)) << sway->Describe().toStdString();
    const Window window = WindowOf("quillo-test-editor", "right");
    ASSERT_TRUE(window.focused) << sway->Describe().toStdString();
    ASSERT_GT(window.content.left(), 0) << "tiled right of the first window";

    // The editor has the letters before Quillo hears them: what changes on
    // the screen after that is the list.
    ASSERT_TRUE(Wtype({"-k", "Shift_L", "si"}));
    ASSERT_EQ(WaitForText(out, "si").toStdString(), "si");
    const QStringList own = ReadText(caretFile).split(' ', Qt::SkipEmptyParts);
    ASSERT_EQ(own.size(), 4) << "the editor's caret";
    const QRect caret = QRect(own[0].toInt(), own[1].toInt(), own[2].toInt(), own[3].toInt())
                            .translated(window.content.topLeft());
    QThread::msleep(kProbeWaitMs);
    const QImage before = Screenshot();
    ASSERT_FALSE(before.isNull()) << "grim took no screenshot";
    ASSERT_TRUE(keyboard->Type("si"));

    // Below the caret's line only, where the editor's blinking caret changes nothing.
    const QRect below(window.content.left(), caret.bottom() + 1, window.content.width(),
                      window.content.bottom() - caret.bottom());
    const auto changedBox = [&](const QImage& shot) {
        QRect box;
        for (int y = below.top(); y <= below.bottom(); ++y)
            for (int x = below.left(); x <= below.right(); ++x)
                if (!Near(shot.pixel(x, y), before.pixel(x, y)))
                    box |= QRect(x, y, 1, 1);
        return box;
    };
    // The samples' sig makes one row: the list is a few hundred pixels wide.
    constexpr int kMinListWidthPx = 100;
    const QImage shot = ScreenshotWhen([&](const QImage& s) { return changedBox(s).width() > kMinListWidthPx; });
    const QRect list = changedBox(shot);
    std::printf("[ measured ] caret %d,%d %dx%d; list %d,%d %dx%d\n", caret.x(), caret.y(), caret.width(),
                caret.height(), list.x(), list.y(), list.width(), list.height());
    ASSERT_GT(list.width(), kMinListWidthPx) << "no list below the caret at " << caret.x() << "," << caret.y();
    // Rounding to the list's own units moves it by a pixel or two.
    constexpr int kSlackPx = 3;
    EXPECT_NEAR(list.left(), caret.right() + 1, kSlackPx) << "the list starts right of the caret";
    EXPECT_NEAR(list.top(), caret.bottom() + 1, kSlackPx) << "the list starts below the caret";
    EXPECT_TRUE(window.content.contains(list)) << "inside the editor's window";

    // The word goes on without a match: the list goes, the keys stayed the editor's.
    ASSERT_TRUE(Wtype({"-k", "Shift_L", "x "}));
    ASSERT_EQ(WaitForText(out, "six ").toStdString(), "six ");
    ASSERT_TRUE(keyboard->Type("x "));
    const QImage after = ScreenshotWhen([&](const QImage& s) { return changedBox(s).isEmpty(); });
    EXPECT_TRUE(changedBox(after).isEmpty()) << "the list went away";
}
