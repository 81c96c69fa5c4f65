#include "QKControlTest.h"

#include "controls/PropertyBag.h"
#include "controls/QKPicture.h"
#include "controls/QKVScroll.h"
#include "controls/Twips.h"

#include <QWheelEvent>

namespace {

class QKVScrollTest : public QKControlTest
{
protected:
    void SetUp() override
    {
        QKControlTest::SetUp();
        bar = Make<QKVScroll>("QKVScroll", "oVScroll");
        bar->Move(0, 0, 900, 4000);
        thumb = bar->findChild<QKPicture*>("picTop");
        QObject::connect(bar, &QKVScroll::Scroll, [this](qint32& v) { scrolled << v; });
    }

    // A click where the pointer would be: on the thumb if it lies there.
    void PressTrackAt(double yTwips)
    {
        ClickAt(bar, QPoint(5, Twips::ToPixels(yTwips)));
    }

    // Drags the thumb by whole pixels, as the pointer does.
    void Drag(int pixels)
    {
        Send(thumb, QEvent::MouseButtonPress, QPointF(5, 10));
        Send(thumb, QEvent::MouseMove, QPointF(5, 10 + pixels));
        Send(thumb, QEvent::MouseButtonRelease, QPointF(5, 10 + pixels));
    }

    QKVScroll* bar = nullptr;
    QKPicture* thumb = nullptr;
    QList<qint32> scrolled;
};

} // namespace

TEST_F(QKVScrollTest, NewBarStartsAtOneOfOneToHundredWithAFixedThumb)
{
    EXPECT_EQ(bar->Value(), 1);
    EXPECT_EQ(bar->Max(), 100);
    EXPECT_EQ(bar->Min(), 1);
    EXPECT_EQ(bar->Width(), 240); // the thumb's width, whatever was asked
    EXPECT_EQ(bar->Height(), 4000);
    EXPECT_EQ(Twips::Geometry(thumb), QRectF(0, 0, 240, 2000));
    EXPECT_EQ(Twips::Geometry(bar->findChild<QKPicture*>("picBtm")).top(), 1850);

    PropertyBag bag;
    bar->WriteProperties(bag);
    EXPECT_EQ(bag.Keys(), QStringList({"Value", "Max", "Min"}));
    bag.WriteProperty("Value", qint32(40));
    bag.WriteProperty("Max", qint32(400));
    bag.WriteProperty("Min", qint32(-3));
    auto* loaded = qobject_cast<QKVScroll*>(ControlRegistry::Create("QKUIControls.QKVScroll", host.get(), "v2"));
    loaded->ReadProperties(bag);
    EXPECT_EQ(loaded->Value(), 40);
    EXPECT_EQ(loaded->Max(), 400);
    EXPECT_EQ(loaded->Min(), -3);
}

TEST_F(QKVScrollTest, SettingTheNumbersMovesNothingAndRaisesNothing)
{
    auto changes = RecordChanges(bar);
    bar->SetMax(500);
    bar->SetMin(10);
    bar->SetValue(300);
    EXPECT_EQ(*changes, QStringList({"Max", "Min", "Value"}));
    EXPECT_EQ(bar->ThumbTop(), 0);
    EXPECT_TRUE(scrolled.isEmpty());
}

TEST_F(QKVScrollTest, ScrollToPlacesTheThumbProportionallyWithoutClamping)
{
    EXPECT_EQ(bar->ScrollTo(50), 0);
    EXPECT_NEAR(bar->ThumbTop(), 2000.0 * 49 / 99, 1e-9);
    EXPECT_EQ(scrolled, QList<qint32>({50}));

    bar->ScrollTo(150);
    EXPECT_EQ(bar->Value(), 150);
    EXPECT_GT(bar->ThumbTop(), bar->Travel());
    bar->ScrollTo(-20);
    EXPECT_LT(bar->ThumbTop(), 0);
    EXPECT_EQ(scrolled, QList<qint32>({50, 150, -20}));
}

TEST_F(QKVScrollTest, TrackPressesPageByAFifthAndClamp)
{
    bar->ScrollTo(50);
    scrolled.clear();
    PressTrackAt(3500); // below the thumb
    EXPECT_EQ(bar->Value(), 70); // 50 + 19.8, rounded
    EXPECT_NEAR(bar->ThumbTop(), 2000.0 * 69 / 99, 1e-9);

    bar->ScrollTo(90);
    scrolled.clear();
    PressTrackAt(3980);
    EXPECT_EQ(bar->Value(), 100);
    EXPECT_EQ(bar->ThumbTop(), bar->Travel());
    PressTrackAt(3980); // now on the thumb itself: no page
    EXPECT_EQ(bar->Value(), 100);
    PressTrackAt(300); // above the thumb
    EXPECT_EQ(bar->Value(), 80);
    EXPECT_EQ(scrolled, QList<qint32>({100, 80}));

    bar->ScrollTo(5);
    PressTrackAt(3990);
    PressTrackAt(10);
    PressTrackAt(10);
    EXPECT_EQ(bar->Value(), 1);
}

TEST_F(QKVScrollTest, DraggingStaysOneTwipInsideTheTrackAndRoundsTheValue)
{
    Drag(67); // 1005 twips down
    EXPECT_EQ(bar->ThumbTop(), 1005);
    EXPECT_EQ(bar->Value(), 51); // 1005 / 2000 x 99 + 1 = 50.7475
    EXPECT_FALSE(bar->Dragging());

    Drag(-200);
    EXPECT_EQ(bar->ThumbTop(), 1);
    EXPECT_EQ(bar->Value(), 1); // 1 / 2000 x 99 + 1, rounded
    Drag(400);
    EXPECT_EQ(bar->ThumbTop(), 4000 - 2000 - 1);
    EXPECT_EQ(bar->Value(), 100); // 99.95
    EXPECT_EQ(scrolled, QList<qint32>({51, 1, 100}));

    // Moves without a press on the thumb do nothing.
    Send(thumb, QEvent::MouseMove, QPointF(5, 2));
    EXPECT_EQ(scrolled.size(), 3);
}

TEST_F(QKVScrollTest, DragValuesRoundHalfToEven)
{
    // Range 40 over a travel of 2000: one step every 50 twips.
    bar->SetMin(0);
    bar->SetMax(40);
    bar->ScrollTo(0);
    Send(thumb, QEvent::MouseButtonPress, QPointF(5, 10));
    Send(thumb, QEvent::MouseMove, QPointF(5, 15)); // 75 twips: 1.5 steps
    EXPECT_EQ(bar->ThumbTop(), 75);
    EXPECT_EQ(bar->Value(), 2);
    // Moves count from where the thumb is now: 50 more twips, 2.5 steps.
    Send(thumb, QEvent::MouseMove, QPointF(5, 10 + 50.0 / 15));
    EXPECT_DOUBLE_EQ(bar->ThumbTop(), 125);
    EXPECT_EQ(bar->Value(), 2);
    Send(thumb, QEvent::MouseMove, QPointF(5, 11)); // 15 more: 2.8 steps
    EXPECT_EQ(bar->Value(), 3);
    Send(thumb, QEvent::MouseButtonRelease, QPointF(5, 11));
}

TEST_F(QKVScrollTest, HandlerMayChangeValueThroughTheArgument)
{
    QObject::disconnect(bar, &QKVScroll::Scroll, nullptr, nullptr);
    QObject::connect(bar, &QKVScroll::Scroll, [](qint32& v) { v = 7; });
    bar->ScrollTo(50);
    EXPECT_EQ(bar->Value(), 7);
    EXPECT_NEAR(bar->ThumbTop(), 2000.0 * 49 / 99, 1e-9); // the thumb stays
}

TEST_F(QKVScrollTest, NoRoomOrNoRangeDoesNotFail)
{
    bar->SetMin(5);
    bar->SetMax(5);
    bar->ScrollTo(5);
    EXPECT_EQ(bar->ThumbTop(), 0);
    PressTrackAt(3900);
    EXPECT_EQ(bar->Value(), 5);
    EXPECT_EQ(bar->ThumbTop(), 0);
    Drag(30);
    EXPECT_EQ(bar->Value(), 5);

    bar->SetMin(1);
    bar->SetMax(100);
    bar->Move(0, 0, 240, 1500); // shorter than the thumb
    bar->ScrollTo(60);
    EXPECT_EQ(bar->ThumbTop(), 0);
    Drag(10);
    EXPECT_EQ(bar->ThumbTop(), 0);
    EXPECT_EQ(bar->Value(), 1);
    PressTrackAt(1400); // the thumb covers the whole bar: no page
    EXPECT_EQ(bar->Value(), 1);
}

// A list of 10,000 rows of 450 twips in a view of 5100: the thumb's travel
// must reach the very first and the very last row.
TEST_F(QKVScrollTest, ThumbAtEitherEndOfItsTravelGivesExactlyMinAndMax)
{
    bar->SetMin(1);
    bar->SetMax(10000 * 450 + 30 - 5100);
    bar->ScrollTo(2000000);
    scrolled.clear();
    Drag(-400);
    EXPECT_EQ(bar->ThumbTop(), 1);
    EXPECT_EQ(bar->Value(), 1);
    Drag(400);
    EXPECT_EQ(bar->ThumbTop(), 4000 - 2000 - 1);
    EXPECT_EQ(bar->Value(), bar->Max());
    // In between the thumb still maps proportionally.
    bar->ScrollTo(1);
    Drag(67);
    EXPECT_EQ(bar->Value(), Twips::RoundHalfEven(1005.0 / 2000 * (bar->Max() - 1) + 1));
}

TEST_F(QKVScrollTest, ALargeChangeMakesTrackPressesPageByIt)
{
    bar->SetMin(1);
    bar->SetMax(100000);
    bar->SetLargeChange(5100);
    EXPECT_EQ(bar->PageStep(), 5100);
    bar->ScrollTo(50000);
    scrolled.clear();
    PressTrackAt(3900);
    EXPECT_EQ(bar->Value(), 55100);
    PressTrackAt(100);
    PressTrackAt(100);
    EXPECT_EQ(bar->Value(), 44900);
    bar->ScrollTo(3000);
    PressTrackAt(3900); // the thumb sits at the top now: a press below it
    PressTrackAt(10);
    PressTrackAt(10);
    EXPECT_EQ(bar->Value(), 1); // clamped
    // Without one, a page stays a fifth of the range.
    bar->SetLargeChange(0);
    EXPECT_EQ(bar->PageStep(), 20000);
}

TEST_F(QKVScrollTest, WheelNotchesAndKeysMoveByStepsAndPagesWithinTheRange)
{
    bar->SetMin(1);
    bar->SetMax(10000);
    bar->SetSmallChange(450);
    bar->SetLargeChange(5100);
    bar->ScrollTo(1);
    scrolled.clear();

    const auto turn = [&](int delta) {
        QWheelEvent wheel(QPointF(5, 5), bar->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(bar, &wheel);
    };
    const int lines = QApplication::wheelScrollLines();
    turn(-120); // towards the user: down
    EXPECT_EQ(bar->Value(), 1 + lines * 450);
    turn(120);
    EXPECT_EQ(bar->Value(), 1);
    turn(120); // already at the top: nothing changes, nothing is raised
    EXPECT_EQ(scrolled.size(), 2);
    // Half notches of a touchpad add up to a whole one.
    turn(-60);
    EXPECT_EQ(bar->Value(), 1);
    turn(-60);
    EXPECT_EQ(bar->Value(), 1 + lines * 450);

    bar->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(bar->hasFocus());
    bar->ScrollTo(1);
    QTest::keyClick(bar, Qt::Key_Down);
    EXPECT_EQ(bar->Value(), 451);
    QTest::keyClick(bar, Qt::Key_PageDown);
    EXPECT_EQ(bar->Value(), 5551);
    QTest::keyClick(bar, Qt::Key_PageDown); // clamped at 10,000
    QTest::keyClick(bar, Qt::Key_Up);
    EXPECT_EQ(bar->Value(), 9550);
    QTest::keyClick(bar, Qt::Key_End);
    EXPECT_EQ(bar->Value(), 10000);
    EXPECT_NEAR(bar->ThumbTop(), bar->Travel(), 1e-9);
    QTest::keyClick(bar, Qt::Key_PageUp);
    EXPECT_EQ(bar->Value(), 4900);
    QTest::keyClick(bar, Qt::Key_Home);
    EXPECT_EQ(bar->Value(), 1);
    EXPECT_EQ(bar->ThumbTop(), 0);
}
