#include "QKControlTest.h"

#include "controls/PropertyBag.h"
#include "controls/QKCheck.h"
#include "controls/QKCombo.h"
#include "controls/QKLabel.h"
#include "controls/QKPicture.h"
#include "controls/QKRatio.h"
#include "controls/QKTab.h"
#include "controls/Twips.h"

#include <QAction>
#include <QMenu>

TEST_F(QKControlTest, CheckTogglesOnMarkOrCaptionOnly)
{
    auto* check = Make<QKCheck>("QKCheck");
    EXPECT_EQ(check->Caption(), "Check");
    EXPECT_EQ(check->Value(), 0);
    check->Move(0, 0, 3000, 900);
    EXPECT_EQ(check->Height(), 225);
    EXPECT_EQ(check->Width(), 3000);

    QList<qint16> clicks;
    QObject::connect(check, &QKCheck::Click, [&] { clicks << check->Value(); });
    ClickAt(check, QPoint(4, 4)); // the mark
    EXPECT_EQ(check->CurrentLook(), 1);
    QTest::mouseClick(check->findChild<QKLabel*>("lblCaption"), Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_EQ(clicks, QList<qint16>({1, 0})); // Value already changed when Click comes
    EXPECT_EQ(check->CurrentLook(), 0);
    ClickAt(check, QPoint(check->width() - 3, 5)); // bare surface
    EXPECT_EQ(clicks.size(), 2);

    auto changes = RecordChanges(check);
    check->SetValue(1);
    EXPECT_EQ(check->CurrentLook(), 1);
    EXPECT_EQ(clicks.size(), 2); // setting is no click
    check->SetCaption("Tick");
    EXPECT_EQ(*changes, QStringList({"Value", "Caption"}));
}

TEST_F(QKControlTest, RatioSelectsOnAnyClickAndNeverClears)
{
    auto* ratio = Make<QKRatio>("QKRatio");
    EXPECT_EQ(ratio->Caption(), "Radio");
    EXPECT_FALSE(ratio->Value());
    ratio->Move(0, 0, 3000, 900);
    EXPECT_EQ(ratio->Height(), 210);
    int clicks = 0;
    QObject::connect(ratio, &QKRatio::Click, [&] { ++clicks; });
    ClickAt(ratio, QPoint(ratio->width() - 3, 5));
    EXPECT_TRUE(ratio->Value());
    EXPECT_EQ(ratio->CurrentLook(), 1);
    ClickAt(ratio, QPoint(4, 4));
    QTest::mouseClick(ratio->findChild<QKLabel*>("lblCaption"), Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_TRUE(ratio->Value());
    EXPECT_EQ(clicks, 3);
    ratio->SetValue(false);
    EXPECT_EQ(ratio->CurrentLook(), 0);
    EXPECT_EQ(clicks, 3);
}

TEST_F(QKControlTest, CheckAndRatioValuesRoundTripThroughTheBag)
{
    auto* check = Make<QKCheck>("QKCheck");
    check->SetValue(1);
    check->SetCaption(QString());
    PropertyBag bag;
    check->WriteProperties(bag);
    EXPECT_EQ(bag.Keys(), QStringList({"Value"})); // empty caption left out
    auto* loaded = qobject_cast<QKCheck*>(ControlRegistry::Create("QKUIControls.QKCheck", host.get(), "c2"));
    loaded->ReadProperties(bag);
    EXPECT_EQ(loaded->Value(), 1);
    EXPECT_EQ(loaded->Caption(), QString());

    auto* ratio = Make<QKRatio>("QKRatio");
    PropertyBag ratioBag;
    ratio->WriteProperties(ratioBag);
    EXPECT_EQ(ratioBag.Keys(), QStringList({"Caption", "Value"}));
    EXPECT_EQ(ratioBag.ReadProperty("Value"), QVariant(false)); // False is written too
    ratioBag.WriteProperty("Value", true);
    ratioBag.WriteProperty("Caption", "Auto");
    auto* other = qobject_cast<QKRatio*>(ControlRegistry::Create("QKUIControls.QKRatio", host.get(), "r2"));
    other->ReadProperties(ratioBag);
    EXPECT_TRUE(other->Value());
    EXPECT_EQ(other->Caption(), "Auto");
    EXPECT_EQ(other->CurrentLook(), 1);
}

TEST_F(QKControlTest, ComboPopsUpOnPressAndPicksInOrder)
{
    auto* combo = Make<QKCombo>("QKCombo", "cmbSound");
    combo->Move(0, 0, 5000, 5000);
    EXPECT_EQ(QSizeF(combo->Width(), combo->Height()), QSizeF(3000, 270));
    combo->AddItem("a");
    combo->AddItem("b", 7);
    EXPECT_EQ(combo->Items(), QStringList({"a", "b"}));
    EXPECT_EQ(combo->ItemCounter(), 2);

    QStringList events;
    auto changes = RecordChanges(combo);
    QObject::connect(combo, &QKCombo::Click, [&] { events << "Click:" + combo->Text(); });

    // Straight to the widgets: a press the window saw would stay held while
    // the menu is open.
    Send(combo, QEvent::MouseButtonPress, QPointF(Twips::ToPixels(1000), 5), Qt::RightButton); // bare field
    QMenu* menu = combo->PopupMenu();
    ASSERT_TRUE(menu->isVisible()); // open on the press, no release needed
    EXPECT_EQ(menu->pos(), combo->mapToGlobal(QPoint(0, 0)));
    QStringList shown;
    for (QAction* action : menu->actions())
        if (action->isVisible())
            shown << action->text();
    EXPECT_EQ(shown, QStringList({"a", "b"}));

    menu->actions().last()->trigger();
    EXPECT_EQ(combo->Text(), "b");
    EXPECT_EQ(events, QStringList({"Click:b"}));
    EXPECT_EQ(*changes, QStringList({"Text"}));
    menu->hide();

    // Closing without a pick changes nothing.
    Send(combo->findChild<QKPicture*>("picLeft"), QEvent::MouseButtonPress, QPointF(3, 3)); // the arrow
    ASSERT_TRUE(menu->isVisible());
    menu->hide();
    Send(combo->findChild<QKLabel*>("lblCaption"), QEvent::MouseButtonPress, QPointF(1, 1)); // the caption
    ASSERT_TRUE(menu->isVisible());
    menu->hide();
    EXPECT_EQ(combo->Text(), "b");
    EXPECT_EQ(events.size(), 1);

    // A second Show resets the counter; later items still go to the end.
    combo->hide();
    combo->show();
    EXPECT_EQ(combo->ItemCounter(), 0);
    combo->AddItem("c");
    EXPECT_EQ(combo->Items(), QStringList({"a", "b", "c"}));
}

TEST_F(QKControlTest, ComboItemCaptionsAreShownAsGiven)
{
    auto* combo = Make<QKCombo>("QKCombo");
    combo->AddItem("Rock & Roll");
    QAction* entry = combo->PopupMenu()->actions().last();
    entry->trigger();
    EXPECT_EQ(combo->Text(), "Rock & Roll");
}

TEST_F(QKControlTest, TabSwitchesByClickOrNumberAndReportsEachTime)
{
    auto* tab = Make<QKTab>("QKTab");
    tab->Move(0, 0, 100, 100);
    EXPECT_EQ(QSizeF(tab->Width(), tab->Height()), QSizeF(3015, 330));
    EXPECT_EQ(tab->SelectedTab(), 1);

    QList<int> reported;
    QObject::connect(tab, &QKTab::TabClick, [&](qint16& n) {
        reported << n;
        n = 3; // has no effect
    });
    tab->SwitchTab(2);
    EXPECT_EQ(tab->SelectedTab(), 2);
    EXPECT_EQ(Twips::Geometry(tab->findChild<QKPicture*>("picBack")).top(), -330);
    tab->SwitchTab(4);
    tab->SwitchTab(0);
    EXPECT_EQ(tab->SelectedTab(), 2);

    // The hit areas: 30..1155, 1215..2220, 2280..2985; the gaps do nothing.
    auto clickAt = [&](double x, double y) {
        ClickAt(tab, QPoint(Twips::ToPixels(x), Twips::ToPixels(y)));
    };
    clickAt(2500, 200);
    EXPECT_EQ(tab->SelectedTab(), 3);
    clickAt(1185, 200); // between tab 1 and tab 2
    clickAt(10, 200);
    clickAt(600, 150);
    clickAt(600, 150); // the selected tab again
    EXPECT_EQ(tab->SelectedTab(), 1);
    EXPECT_EQ(reported, QList<int>({2, 3, 1, 1}));

    PropertyBag bag;
    tab->WriteProperties(bag);
    EXPECT_EQ(bag.Count(), 0);
}
