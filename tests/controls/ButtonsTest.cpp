#include "QKControlTest.h"

#include "controls/PropertyBag.h"
#include "controls/QKAddButton.h"
#include "controls/QKCloseButton.h"
#include "controls/QKCommonButton.h"
#include "controls/QKDelButton.h"
#include "controls/QKEditButton.h"
#include "controls/QKFunctionButton.h"
#include "controls/QKGrayFrame.h"
#include "controls/QKLabel.h"
#include "controls/QKPicture.h"
#include "controls/QKWhiteFrame.h"
#include "controls/Twips.h"

namespace {
QRectF TwipRect(const QWidget* w)
{
    return Twips::Geometry(w);
}
}

TEST_F(QKControlTest, CommonButtonClampsToItsLimitsAndCapHeight)
{
    auto* button = Make<QKCommonButton>("QKCommonButton");
    button->Move(0, 0, 5000, 1000);
    EXPECT_EQ(button->Width(), 3000);
    EXPECT_EQ(button->Height(), 270);
    auto* cap = button->findChild<QKPicture*>("picRight");
    EXPECT_EQ(TwipRect(cap).topLeft(), QPointF(3000 - 135, 0));

    button->Move(0, 0, 300, 200);
    EXPECT_EQ(button->Width(), 600);
    EXPECT_EQ(button->Height(), 200); // a smaller height stays
    EXPECT_EQ(TwipRect(cap).left(), 600 - 135);
}

TEST_F(QKControlTest, CommonButtonRecentresItsCaptionWhenTextIsRead)
{
    auto* button = Make<QKCommonButton>("QKCommonButton", "cmdOk");
    EXPECT_EQ(button->Text(), "cmdOk");
    button->Move(0, 0, 2400, 270);
    auto* caption = button->findChild<QKLabel*>("lblCaption");
    const double shortWidth = caption->Width();
    const double shortLeft = TwipRect(caption).left();
    EXPECT_EQ(shortLeft, (2400 - shortWidth) / 2);

    auto changes = RecordChanges(button);
    button->SetText("A much longer caption");
    EXPECT_GT(caption->Width(), shortWidth);
    EXPECT_EQ(TwipRect(caption).left(), shortLeft); // not yet centred again
    EXPECT_EQ(button->Text(), "A much longer caption");
    EXPECT_EQ(TwipRect(caption).left(), (2400 - caption->Width()) / 2);
    EXPECT_EQ(TwipRect(caption).top(), +QKCommonButton::kCaptionTop);
    EXPECT_EQ(*changes, QStringList({"Text"}));
}

TEST_F(QKControlTest, CommonButtonClicksOnThePressOfAnyButtonAnywhereOnIt)
{
    auto* button = Make<QKCommonButton>("QKCommonButton");
    button->Move(0, 0, 2400, 270);
    int clicks = 0;
    QObject::connect(button, &QKCommonButton::Click, [&] { ++clicks; });
    PressAt(button, QPoint(3, 3), Qt::RightButton); // body
    EXPECT_EQ(clicks, 1);
    ReleaseAt(button, QPoint(3, 3), Qt::RightButton);
    EXPECT_EQ(clicks, 1); // the release adds nothing
    auto* caption = button->findChild<QKLabel*>("lblCaption");
    ClickAt(caption, QPoint(2, 2));
    ClickAt(button, QPoint(button->width() - 2, 5)); // the cap
    EXPECT_EQ(clicks, 3);
}

TEST_F(QKControlTest, PictureButtonsKeepTheirSizeWhateverTheHostAsks)
{
    struct Expected { const char* control; double width; double height; };
    const Expected sizes[] = {{"QKAddButton", 345, 300}, {"QKFunctionButton", 465, 300}, {"QKEditButton", 405, 270},
                              {"QKCloseButton", 165, 165}, {"QKDelButton", 240, 240}};
    for (const Expected& e : sizes) {
        auto* button = Make<QKPictureButton>(e.control);
        button->Move(10, 10, 4000, 17);
        EXPECT_EQ(button->Width(), e.width) << e.control;
        EXPECT_EQ(button->Height(), e.height) << e.control;
        EXPECT_EQ(button->LookHeight(), e.height) << e.control;
        EXPECT_EQ(button->Left(), 10) << e.control;
    }
}

TEST_F(QKControlTest, PictureButtonsShowThePressedLookAndClickOnReleaseEvenOutside)
{
    for (const char* control : {"QKAddButton", "QKFunctionButton", "QKEditButton", "QKCloseButton", "QKDelButton"}) {
        auto* button = Make<QKPictureButton>(control);
        QStringList events;
        QObject::connect(button, &QKPictureButton::Click, [&] { events << QString("Click@%1").arg(button->CurrentLook()); });
        PressAt(button, QPoint(3, 3));
        EXPECT_EQ(button->CurrentLook(), 1) << control;
        EXPECT_TRUE(events.isEmpty()) << control;
        // Released far away: the piece that got the press still gets it.
        ReleaseAt(button, QPoint(300, 200));
        EXPECT_EQ(events, QStringList({"Click@0"})) << control; // normal look before Click
    }
}

TEST_F(QKControlTest, DisabledDelButtonShowsItsLookAndNeverClicks)
{
    auto* del = Make<QKDelButton>("QKDelButton");
    EXPECT_TRUE(del->Enable());
    EXPECT_EQ(del->CurrentLook(), 0);
    int clicks = 0;
    QObject::connect(del, &QKDelButton::Click, [&] { ++clicks; });
    auto changes = RecordChanges(del);

    del->SetEnable(false);
    EXPECT_EQ(del->CurrentLook(), +QKDelButton::kDisabledLook);
    ClickAt(del, QPoint(4, 4));
    EXPECT_EQ(clicks, 0);
    EXPECT_EQ(del->CurrentLook(), +QKDelButton::kDisabledLook);
    del->hide();
    del->show(); // Show keeps the disabled look
    EXPECT_EQ(del->CurrentLook(), +QKDelButton::kDisabledLook);

    del->SetEnable(true);
    EXPECT_EQ(del->CurrentLook(), 0);
    ClickAt(del, QPoint(4, 4));
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(*changes, QStringList({"Enable", "Enable"}));
}

TEST_F(QKControlTest, DelButtonEnableSurvivesTheBagAndLoadsEnabledWithoutIt)
{
    auto* del = Make<QKDelButton>("QKDelButton");
    del->SetEnable(false);
    PropertyBag bag;
    del->WriteProperties(bag);
    EXPECT_EQ(bag.Keys(), QStringList({"Enable"}));

    auto* loaded = qobject_cast<QKDelButton*>(ControlRegistry::Create("QKUIControls.QKDelButton", host.get(), "d2"));
    loaded->ReadProperties(bag);
    EXPECT_FALSE(loaded->Enable());
    loaded->ReadProperties(PropertyBag());
    EXPECT_TRUE(loaded->Enable());

    // Buttons without properties write nothing.
    PropertyBag none;
    Make<QKUserControl>("QKAddButton")->WriteProperties(none);
    Make<QKUserControl>("QKWhiteFrame")->WriteProperties(none);
    EXPECT_EQ(none.Count(), 0);
}

TEST_F(QKControlTest, FramesClampToTheirMaximumAndKeepTheEdgesFlush)
{
    auto* white = Make<QKWhiteFrame>("QKWhiteFrame");
    white->Move(0, 0, 6000, 3000);
    EXPECT_EQ(white->Width(), 5200);
    EXPECT_EQ(white->Height(), 3000);
    EXPECT_EQ(TwipRect(white->findChild<QKPicture*>("picTopRight")).topLeft(), QPointF(5170, 0));
    EXPECT_EQ(TwipRect(white->findChild<QKPicture*>("picBotLeft")).topLeft(), QPointF(0, 2970));
    EXPECT_EQ(TwipRect(white->findChild<QKPicture*>("picBotRight")).topLeft(), QPointF(5155, 2955));

    auto* gray = Make<QKGrayFrame>("QKGrayFrame");
    gray->Move(0, 0, 8000, 8000);
    EXPECT_EQ(gray->Width(), 7100);
    EXPECT_EQ(gray->Height(), 7800);
    gray->Move(0, 0, 100, 50); // no minimum
    EXPECT_EQ(gray->Width(), 100);
    EXPECT_EQ(TwipRect(gray->findChild<QKPicture*>("picBotRight")).topLeft(), QPointF(100 - 105, 50 - 105));
}
