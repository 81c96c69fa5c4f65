// The suggestion list beside the caret, driven by the main window's timer
// over a fake desktop.
#include "app/FormMsg.h"
#include "app/ShellTestSupport.h"
#include "app/SnippetTip.h"
#include "controls/QKContentTip.h"
#include "controls/QKSnippetTip.h"
#include "controls/TipText.h"

#include <QDeadlineTimer>
#include <QPointer>
#include <gtest/gtest.h>

namespace {

constexpr int kTwipsPerPixel = 15;
constexpr int kWaitMs = 10000; // for the real timer on a loaded machine
constexpr double kListWidth = 3660;
constexpr double kTwoRowsHeight = 690;
// A caret as the desktop reports it: a 1 px bar as tall as the line.
constexpr int kLineHeight = 18;

QRect CaretAt(int x, int y)
{
    return QRect(x, y, 1, kLineHeight);
}

class SuggestionList : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // The samples hold sig (and today, addr, ty); sign and xs join them.
        AddSnippet("sign", "Signed, the author");
        AddSnippet("xs", "extra small");
        s.desktop.caret = CaretAt(100, 200);
    }

    void AddSnippet(const QString& abbreviation, const QString& content)
    {
        Snippet snippet;
        snippet.snippetString = abbreviation;
        snippet.contentString = content;
        s.form->snippetMgr.CommitSnippet(snippet);
    }

    FormMsg& list() { return *s.form->formMsg; }
    void Tick() { list().Timer1Tick(*s.form); }
    QStringList Rows()
    {
        QStringList rows;
        for (int i = 1; i <= list().RowCount(); ++i) {
            SnippetTip* row = list().oSnippetTip(i);
            rows << row->oQKSnippetTip->Text() + "|" + row->oQKContentTip->Text();
        }
        return rows;
    }
    // Shows the list for "si" afresh with the caret where the test put it.
    void ShowForSi()
    {
        s.engine().listedText.clear();
        s.engine().typedText = "si";
        Tick();
    }
    QPointF Position() { return QPointF(list().Left(), list().Top()); }

    Shell s;
};

} // namespace

TEST_F(SuggestionList, ListsEveryAbbreviationThatBeginsWithTheTextBelowRightOfTheCaret)
{
    s.Type("si");
    ASSERT_TRUE(s.form->Timer1.isActive());
    Tick();
    EXPECT_EQ(Rows(), QStringList({"sig|Best regards", "sign|Signed, the author"}));
    EXPECT_EQ(list().Height(), kTwoRowsHeight);
    EXPECT_EQ(list().Width(), kListWidth);
    EXPECT_FALSE(list().IsParked());
    // Top-left at the caret's bottom-right corner.
    EXPECT_EQ(Position(), QPointF(101 * kTwipsPerPixel, (200 + kLineHeight) * kTwipsPerPixel));
    EXPECT_EQ(list().oSnippetTip(1)->Top(), 15);
    EXPECT_EQ(list().oSnippetTip(2)->Top(), 345);
    EXPECT_TRUE(list().oSnippetTip(2)->isVisibleTo(&list()));
    EXPECT_FALSE(list().oSnippetTip(0)->isVisibleTo(&list()));
    EXPECT_EQ(s.engine().listedText, "si");
    EXPECT_TRUE(s.form->Timer1.isActive());

    // Case matters, and the whole beginning must match.
    s.Tap(ExpansionEngine::VkEscape);
    s.Type("x");
    Tick();
    EXPECT_EQ(Rows(), QStringList({"xs|extra small"}));
    EXPECT_EQ(list().Height(), 360);
}

TEST_F(SuggestionList, NoMatchOrNoTextParksTheListAndStopsTheTimer)
{
    s.Type("si");
    Tick();
    ASSERT_FALSE(list().IsParked());
    s.Type("q");
    Tick();
    EXPECT_TRUE(list().IsParked());
    EXPECT_FALSE(s.form->Timer1.isActive());

    // Backspace over the last letter empties the buffer; the next tick parks.
    s.Tap(ExpansionEngine::VkEscape);
    s.Type("s");
    Tick();
    ASSERT_FALSE(list().IsParked());
    s.Tap(ExpansionEngine::VkBackspace);
    ASSERT_EQ(s.engine().typedText, "");
    ASSERT_TRUE(s.form->Timer1.isActive());
    Tick();
    EXPECT_TRUE(list().IsParked());
    EXPECT_FALSE(s.form->Timer1.isActive());
}

TEST_F(SuggestionList, KeepsClearOfTheScreenEdges)
{
    s.desktop.screen = QSize(1920, 1080);
    const double screenWidth = 1920 * kTwipsPerPixel;
    const double screenHeight = 1080 * kTwipsPerPixel;

    // Near the bottom: above the caret, still to its right.
    s.desktop.caret = CaretAt(100, 1050);
    ShowForSi();
    EXPECT_EQ(Position(), QPointF(101 * kTwipsPerPixel, 1050 * kTwipsPerPixel - kTwoRowsHeight));

    // Near the right edge: to the left of the caret, below it.
    s.desktop.caret = CaretAt(1800, 200);
    ShowForSi();
    EXPECT_EQ(Position(), QPointF(1800 * kTwipsPerPixel - kListWidth, (200 + kLineHeight) * kTwipsPerPixel));

    // In the corner: above and to the left.
    s.desktop.caret = CaretAt(1800, 1050);
    ShowForSi();
    EXPECT_EQ(Position(), QPointF(1800 * kTwipsPerPixel - kListWidth, 1050 * kTwipsPerPixel - kTwoRowsHeight));

    // Exactly touching the edges still fits below and to the right.
    const int x = int((screenWidth - kListWidth) / kTwipsPerPixel) - 1;
    const int y = int((screenHeight - kTwoRowsHeight) / kTwipsPerPixel) - kLineHeight;
    s.desktop.caret = CaretAt(x, y);
    ShowForSi();
    EXPECT_EQ(Position(), QPointF((x + 1) * kTwipsPerPixel, (y + kLineHeight) * kTwipsPerPixel));
    EXPECT_EQ(list().Left() + list().Width(), screenWidth);
    EXPECT_EQ(list().Top() + list().Height(), screenHeight);
}

TEST_F(SuggestionList, WithoutACaretOnlyABrowserGetsTheListAtTheTopCentre)
{
    s.desktop.caret.reset();
    s.desktop.title = "Recipes \u2014 Mozilla Firefox";
    s.Type("si");
    Tick();
    EXPECT_EQ(Rows().size(), 2);
    EXPECT_EQ(Position(), QPointF((1920 * kTwipsPerPixel - kListWidth) / 2, 10));

    // Another program without a caret: the list for the old text goes away
    // rather than stand there with rows that no longer match.
    s.desktop.title = "Mozilla Firefox - Notes";
    s.Type("g");
    Tick();
    EXPECT_TRUE(list().IsParked());
    EXPECT_EQ(s.engine().listedText, "sig");
    EXPECT_TRUE(s.form->Timer1.isActive());

    EXPECT_TRUE(FormMsg::IsFirefoxWindow(s.desktop, s.desktop.foreground) == false);
    s.desktop.title = QString("Mozilla Firefox") + QChar(u'\0') + "x";
    EXPECT_TRUE(FormMsg::IsFirefoxWindow(s.desktop, s.desktop.foreground));
    s.desktop.title = "Mozilla firefox";
    EXPECT_FALSE(FormMsg::IsFirefoxWindow(s.desktop, s.desktop.foreground));
}

TEST_F(SuggestionList, StaysAwayFromTheSettingsWindowAndWhileExpansionIsOff)
{
    QWidget settings;
    s.Type("si");
    Tick();
    ASSERT_FALSE(list().IsParked());

    s.form->formSetting = &settings;
    s.form->settingsLoaded = true;
    s.desktop.foreground = settings.winId();
    Tick();
    EXPECT_TRUE(list().IsParked());
    // Back in the editor the same text brings the list back.
    s.desktop.foreground = 1;
    Tick();
    EXPECT_FALSE(list().IsParked());
    EXPECT_EQ(Rows().size(), 2);

    s.form->optMgr.SetEnableQK(false);
    Tick();
    EXPECT_TRUE(list().IsParked());
    s.Type("g");
    Tick();
    EXPECT_TRUE(list().IsParked());
    s.form->optMgr.SetEnableQK(true);
    Tick();
    EXPECT_FALSE(list().IsParked());
    EXPECT_EQ(Rows(), QStringList({"sig|Best regards", "sign|Signed, the author"}));
}

TEST_F(SuggestionList, RowsAreRebuiltOnlyWhenTheTextChanges)
{
    s.Type("si");
    Tick();
    const QPointer<SnippetTip> first = list().oSnippetTip(1);
    AddSnippet("sip", "a sip");
    // A tick for the same text leaves the rows and the place alone, even
    // though the caret moved and the store changed.
    s.desktop.caret = CaretAt(300, 300);
    Tick();
    Shell::Pump();
    EXPECT_EQ(list().oSnippetTip(1), first.data());
    EXPECT_EQ(Rows().size(), 2);
    EXPECT_EQ(Position(), QPointF(101 * kTwipsPerPixel, (200 + kLineHeight) * kTwipsPerPixel));

    s.Type("p");
    Tick();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull()); // unloaded
    EXPECT_EQ(list().oSnippetTip(2), nullptr);
    EXPECT_EQ(Rows(), QStringList({"sip|a sip"}));
    EXPECT_EQ(list().Height(), 360);
    EXPECT_EQ(Position(), QPointF(301 * kTwipsPerPixel, (300 + kLineHeight) * kTwipsPerPixel));
}

TEST_F(SuggestionList, NeverMoreRowsThanTheScreenHolds)
{
    for (int i = 0; i < 40; ++i)
        AddSnippet(QString("sq%1").arg(i), "filler");
    s.desktop.screen = QSize(800, 300); // 4500 twips: 13 rows at most
    s.desktop.caret = CaretAt(10, 10);
    s.Type("s");
    Tick();
    // Below the caret there is room for 12 of them: (4500 - 28 x 15 - 30) / 330.
    EXPECT_EQ(list().RowCount(), 12);
    EXPECT_EQ(Position(), QPointF(11 * kTwipsPerPixel, 28 * kTwipsPerPixel));
    EXPECT_LE(list().Top() + list().Height(), 300 * kTwipsPerPixel);
}

// Thousands of matches once ran off the top of the screen: the list now
// takes the side of the caret with more room, and only what fits there.
TEST_F(SuggestionList, ALongListStaysWhollyOnTheScreen)
{
    for (int i = 0; i < 200; ++i)
        AddSnippet(QString("sq%1").arg(i), "filler");
    s.desktop.screen = QSize(800, 300);
    const double screenHeight = 300 * kTwipsPerPixel;
    const double screenWidth = 800 * kTwipsPerPixel;
    const struct { QRect caret; int rows; bool above; } cases[] = {
        {CaretAt(10, 250), 11, true},   // (3750 - 30) / 330 above, 1 below
        {CaretAt(10, 120), 7, false},   // (4500 - 2070 - 30) / 330 below, 5 above
        {CaretAt(790, 160), 7, true},   // near the right edge too: left of it
    };
    for (const auto& c : cases) {
        s.desktop.caret = c.caret;
        s.engine().listedText.clear();
        s.engine().typedText = "s";
        Tick();
        EXPECT_EQ(list().RowCount(), c.rows) << c.caret.y();
        EXPECT_GE(list().Top(), 0);
        EXPECT_GE(list().Left(), 0);
        EXPECT_LE(list().Top() + list().Height(), screenHeight);
        EXPECT_LE(list().Left() + list().Width(), screenWidth);
        if (c.above)
            EXPECT_EQ(list().Top() + list().Height(), c.caret.y() * kTwipsPerPixel);
        else
            EXPECT_EQ(list().Top(), (c.caret.y() + kLineHeight) * kTwipsPerPixel);
    }
    // A caret the application reports off the screen still gets a list on it.
    s.desktop.caret = CaretAt(-50, 900);
    ShowForSi();
    EXPECT_EQ(Position(), QPointF(0, screenHeight - kTwoRowsHeight));
}

TEST_F(SuggestionList, AnotherWindowComingToTheFrontPutsItAway)
{
    s.Type("si");
    Tick();
    ASSERT_FALSE(list().IsParked());
    // A window takes the focus by itself; no key is typed.
    s.desktop.foreground = 2;
    Tick();
    EXPECT_TRUE(list().IsParked());
    Tick();
    EXPECT_TRUE(list().IsParked());
    // Typing in the new window shows the list there.
    s.Tap(ExpansionEngine::VkEscape);
    s.Type("si");
    Tick();
    EXPECT_FALSE(list().IsParked());
    EXPECT_EQ(Rows().size(), 2);
}

TEST_F(SuggestionList, RowsShowTheirWholeTextWhenHovered)
{
    QStringList lines;
    for (int i = 0; i < 5000; ++i)
        lines << QString("line %1 of a long signature").arg(i);
    AddSnippet("sil", lines.join('\n'));
    s.Type("si");
    Tick();
    ASSERT_EQ(Rows().size(), 3);
    EXPECT_TRUE(list().testAttribute(Qt::WA_AlwaysShowToolTips));
    EXPECT_EQ(list().oSnippetTip(1)->toolTip(), "Best regards");
    const QString capped = list().oSnippetTip(3)->toolTip();
    EXPECT_TRUE(capped.startsWith("line 0 of a long signature\nline 1 of"));
    EXPECT_EQ(capped.count('\n'), +TipText::kMaxLines);
}

TEST_F(SuggestionList, TheMainWindowsTimerShowsItAndTheEngineHidesIt)
{
    const auto waitFor = [&](auto condition) {
        QDeadlineTimer deadline(kWaitMs);
        while (!condition() && !deadline.hasExpired())
            Shell::Pump();
        return condition();
    };
    s.Type("si");
    EXPECT_TRUE(waitFor([&] { return !list().IsParked(); }));
    EXPECT_EQ(Rows().size(), 2);
    s.Tap(ExpansionEngine::VkEscape);
    EXPECT_TRUE(list().IsParked());
    EXPECT_FALSE(s.form->Timer1.isActive());

    s.Type("sig");
    EXPECT_TRUE(waitFor([&] { return !list().IsParked(); }));
    s.Tap(ExpansionEngine::VkSpace); // expands
    EXPECT_TRUE(list().IsParked());
    EXPECT_FALSE(s.form->Timer1.isActive());
}
