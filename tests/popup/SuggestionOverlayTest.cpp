// The suggestion list shown through an overlay, as on Wayland: the same
// place and look as the window on X11, and nothing left on screen when the
// list goes away.
#include "app/FormMsg.h"
#include "app/ShellTestSupport.h"
#include "app/SnippetTip.h"
#include "platform/FakeListOverlay.h"

#include <gtest/gtest.h>

namespace {

constexpr int kLineHeight = 18;
constexpr QRgb kListBackground = qRgb(224, 224, 224);
// The list's size in pixels: 3660 x 690 twips for two rows.
constexpr QSize kTwoRowsPixels(244, 46);

QRect CaretAt(int x, int y)
{
    return QRect(x, y, 1, kLineHeight);
}

// The same program twice over one fake desktop's answers: one shows its list
// as a window (X11), the other through an overlay.
class SuggestionOverlay : public ::testing::Test
{
protected:
    SuggestionOverlay() : windowed(true), overlaid(false)
    {
        overlaid.listOverlay = &overlay;
        overlaid.Create();
        overlaid.Load();
        // Beside the samples' sig, for two rows on "si".
        Snippet sign;
        sign.snippetString = "sign";
        sign.contentString = "Signed, the author";
        windowed.form->snippetMgr.CommitSnippet(sign);
        overlaid.form->snippetMgr.CommitSnippet(sign);
    }

    static FormMsg& List(Shell& s) { return *s.form->formMsg; }
    // Both lists for `text` afresh with the caret (or none) where given.
    void ShowBoth(const QString& text, std::optional<QRect> caret, const QString& title = QString())
    {
        for (Shell* s : {&windowed, &overlaid}) {
            s->desktop.caret = caret;
            s->desktop.title = title;
            s->engine().listedText.clear();
            s->engine().typedText = text;
            List(*s).Timer1Tick(*s->form);
        }
    }

    FakeListOverlay overlay;
    Shell windowed;
    Shell overlaid;
};

} // namespace

TEST_F(SuggestionOverlay, ThePictureGoesWhereTheWindowWouldGo)
{
    EXPECT_TRUE(List(overlaid).testAttribute(Qt::WA_DontShowOnScreen));
    EXPECT_FALSE(List(windowed).testAttribute(Qt::WA_DontShowOnScreen));
    EXPECT_FALSE(overlay.shown);

    const struct { QRect caret; const char* where; } cases[] = {
        {CaretAt(100, 200), "below right"},
        {CaretAt(1800, 1050), "above left, near the corner"},
        {CaretAt(-50, 2000), "off the screen: clamped onto it"},
    };
    for (const auto& c : cases) {
        ShowBoth("si", c.caret);
        ASSERT_TRUE(overlay.shown) << c.where;
        EXPECT_EQ(overlay.topLeft, List(windowed).geometry().topLeft()) << c.where;
        EXPECT_EQ(overlay.topLeft, List(overlaid).geometry().topLeft()) << c.where;
        EXPECT_FALSE(List(overlaid).IsParked());
    }
    EXPECT_EQ(overlay.topLeft, QPoint(0, 1080 - kTwoRowsPixels.height()));

    // The Firefox case without a caret: centred at the top, as the window.
    ShowBoth("si", std::nullopt, "Recipes \u2014 Mozilla Firefox");
    ASSERT_TRUE(overlay.shown);
    EXPECT_EQ(overlay.topLeft, List(windowed).geometry().topLeft());
}

TEST_F(SuggestionOverlay, ThePictureIsTheListWithItsRows)
{
    ShowBoth("si", CaretAt(100, 200));
    ASSERT_TRUE(overlay.shown);
    const QImage image = overlay.image;
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size() / image.devicePixelRatio(), kTwoRowsPixels);
    // The margin around the rows is the list's background ...
    EXPECT_EQ(image.pixel(0, 0) & RGB_MASK, kListBackground & RGB_MASK);
    EXPECT_EQ(image.pixel(image.width() - 1, image.height() - 1) & RGB_MASK, kListBackground & RGB_MASK);
    // ... and the rows draw something of their own (their frames and texts).
    int otherPixels = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            otherPixels += (image.pixel(x, y) & RGB_MASK) != (kListBackground & RGB_MASK);
    EXPECT_GT(otherPixels, 50);

    // A text with one match: a new, shorter picture.
    ShowBoth("sign", CaretAt(100, 200));
    EXPECT_EQ(overlay.image.height() / overlay.image.devicePixelRatio(), 360 / 15);
    EXPECT_EQ(overlay.shows, 2);
}

TEST_F(SuggestionOverlay, ParkingTakesThePictureAway)
{
    ShowBoth("si", CaretAt(100, 200));
    ASSERT_TRUE(overlay.shown);
    // No match.
    ShowBoth("sq", CaretAt(100, 200));
    EXPECT_FALSE(overlay.shown);
    EXPECT_TRUE(List(overlaid).IsParked());

    // Another window comes to the front.
    ShowBoth("si", CaretAt(100, 200));
    ASSERT_TRUE(overlay.shown);
    overlaid.desktop.foreground = 2;
    List(overlaid).Timer1Tick(*overlaid.form);
    EXPECT_FALSE(overlay.shown);
    overlaid.desktop.foreground = 1;

    // The engine parks it on an expansion (the main window's own path).
    ShowBoth("si", CaretAt(100, 200));
    ASSERT_TRUE(overlay.shown);
    overlaid.form->ParkFormMsg();
    EXPECT_FALSE(overlay.shown);

    // Shutdown leaves nothing on screen.
    ShowBoth("si", CaretAt(100, 200));
    ASSERT_TRUE(overlay.shown);
    overlaid.form->Unload();
    EXPECT_FALSE(overlay.shown);
}

TEST_F(SuggestionOverlay, NothingShowsWithoutACaret)
{
    ShowBoth("si", CaretAt(100, 200));
    ASSERT_TRUE(overlay.shown);
    // The caret's place is unknown (Wayland without it, or an application
    // that does not tell): no list, and the one for the old text goes.
    ShowBoth("sig", std::nullopt, "Notes");
    EXPECT_FALSE(overlay.shown);
    EXPECT_TRUE(List(overlaid).IsParked());
    const int shows = overlay.shows;
    ShowBoth("sign", std::nullopt, "Notes");
    EXPECT_EQ(overlay.shows, shows);
    EXPECT_FALSE(overlay.shown);
}
