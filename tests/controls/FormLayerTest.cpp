#include "QKControlTest.h"

#include "controls/ControlArray.h"
#include "controls/PropertyBag.h"
#include "controls/QKCombo.h"
#include "controls/QKCommonButton.h"
#include "controls/QKForm.h"
#include "controls/Twips.h"

#include <QCloseEvent>
#include <QLabel>
#include <limits>
#include <stdexcept>

namespace {

// A control that logs its lifecycle and, like the bar controls, corrects its
// own height on resize.
class LoggingControl : public QKUserControl
{
public:
    static constexpr double kMaxHeight = 500;
    using QKUserControl::QKUserControl;
    QStringList log;

protected:
    void OnInitProperties() override { log << "InitProperties"; }
    void OnReadProperties(const PropertyBag& bag) override { log << "ReadProperties:" + bag.ReadString("Text"); }
    void OnWriteProperties(PropertyBag& bag) const override { bag.WriteProperty("Text", "saved", QString()); }
    void OnResize() override
    {
        log << "Resize";
        if (Height() > kMaxHeight)
            SetHeight(kMaxHeight);
    }
    void OnShow() override { log << "Show"; }
};

class ClosingForm : public QKForm
{
public:
    bool refuse = true;
    int unloads = 0;

protected:
    void OnUnload(bool& cancel) override
    {
        ++unloads;
        cancel = refuse;
    }
};

} // namespace

TEST(QKTwipsTest, UnevenValuesKeepTheirTwipsAndRoundOnlyForDrawing)
{
    QWidget w;
    Twips::SetGeometry(&w, QRectF(10, 20, 100, 37.5));
    EXPECT_EQ(w.geometry(), QRect(1, 1, 7, 3));
    EXPECT_EQ(Twips::Geometry(&w), QRectF(10, 20, 100, 37.5));

    // Half a pixel rounds away from zero on both sides.
    EXPECT_EQ(Twips::ToPixels(112.5), 8);
    EXPECT_EQ(Twips::ToPixels(-112.5), -8);
    EXPECT_EQ(Twips::ToPixels(-20000), -1333);

    // Moved by pixels behind the layer's back: the pixels win.
    w.setGeometry(5, 6, 20, 10);
    EXPECT_EQ(Twips::Geometry(&w), QRectF(75, 90, 300, 150));
}

TEST(QKTwipsTest, RoundingToIntegersTiesToEvenAndSaturates)
{
    EXPECT_EQ(Twips::RoundHalfEven(2.5), 2);
    EXPECT_EQ(Twips::RoundHalfEven(3.5), 4);
    EXPECT_EQ(Twips::RoundHalfEven(-2.5), -2);
    EXPECT_EQ(Twips::RoundHalfEven(69.8), 70);
    EXPECT_EQ(Twips::RoundHalfEven(1e12), std::numeric_limits<qint32>::max());
    EXPECT_EQ(Twips::RoundHalfEven(-1e12), std::numeric_limits<qint32>::min());
    EXPECT_EQ(Twips::RoundHalfEven(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(Twips::RoundHalfEven16(40000), 32767);
}

TEST(QKPropertyBagTest, ValuesEqualToTheirDefaultAreNotWritten)
{
    PropertyBag bag;
    bag.WriteProperty("Text", QString(), QString());
    EXPECT_FALSE(bag.Has("Text"));
    bag.WriteProperty("Text", "abc", QString());
    EXPECT_EQ(bag.ReadString("text"), "abc"); // keys ignore case
    // Writing the default again removes the stale value.
    bag.WriteProperty("TEXT", QString(), QString());
    EXPECT_FALSE(bag.Has("Text"));
    EXPECT_EQ(bag.ReadString("Text", "fallback"), "fallback");
    // Without a default everything is written, zero and False included.
    bag.WriteProperty("Value", qint16(0));
    bag.WriteProperty("Enable", false);
    EXPECT_EQ(bag.Keys(), QStringList({"Value", "Enable"}));
}

TEST(QKPropertyBagTest, TypedReadsConvertOrFallBack)
{
    PropertyBag bag;
    bag.WriteProperty("Small", qint32(123));
    bag.WriteProperty("Big", qint32(70000));
    bag.WriteProperty("Word", QString("True"));
    bag.WriteProperty("Junk", QString("abc"));
    bag.WriteProperty("Flag", true);
    EXPECT_EQ(bag.ReadInt16("Small", 0), 123);
    EXPECT_EQ(bag.ReadInt16("Big", 7), 7); // would not fit 16 bits
    EXPECT_EQ(bag.ReadInt32("Big", 0), 70000);
    EXPECT_TRUE(bag.ReadBool("Word", false));
    EXPECT_EQ(bag.ReadInt32("Junk", -5), -5);
    EXPECT_TRUE(bag.ReadBool("Junk", true));
    EXPECT_EQ(bag.ReadInt16("Flag", 0), -1);
    EXPECT_EQ(bag.ReadInt32("Missing", 42), 42);
}

TEST(QKPropertyBagTest, BytesRoundTripKeepsOrderAndTypesAndRejectsDamage)
{
    PropertyBag bag;
    bag.WriteProperty("Value", qint32(50));
    bag.WriteProperty("Max", qint32(100));
    bag.WriteProperty("Caption", QString("Tick me"));
    bag.WriteProperty("Enable", false);
    const QByteArray bytes = bag.ToBytes();

    PropertyBag back;
    ASSERT_TRUE(back.FromBytes(bytes));
    EXPECT_EQ(back.Keys(), QStringList({"Value", "Max", "Caption", "Enable"}));
    EXPECT_EQ(back.ReadProperty("Value").typeId(), QMetaType::Int);
    EXPECT_EQ(back.ReadProperty("Enable").typeId(), QMetaType::Bool);
    EXPECT_EQ(back.ReadString("Caption"), "Tick me");

    PropertyBag kept;
    kept.WriteProperty("Text", "keep");
    EXPECT_FALSE(kept.FromBytes(QByteArray("not a bag")));
    EXPECT_FALSE(kept.FromBytes(bytes.left(bytes.size() - 3)));
    EXPECT_FALSE(kept.FromBytes(bytes + "x"));
    EXPECT_EQ(kept.Keys(), QStringList({"Text"}));
}

TEST_F(QKControlTest, LifecycleHooksRunInOrderAndResizeDoesNotReenter)
{
    auto* control = new LoggingControl(host.get());
    control->SetName("oLog");
    control->InitNew();
    control->Move(0, 0, 1000, 300); // first placement
    control->Move(30, 45, 1000, 300); // a move alone is no resize
    control->Move(0, 0, 1000, 900); // the control cuts the height
    control->show();
    EXPECT_EQ(control->log, QStringList({"InitProperties", "Resize", "Resize", "Show"}));
    EXPECT_EQ(control->Height(), LoggingControl::kMaxHeight);
    EXPECT_EQ(control->height(), 33); // 500 twips, rounded for drawing

    control->log.clear();
    PropertyBag bag;
    bag.WriteProperty("Text", "stored");
    control->ReadProperties(bag);
    PropertyBag saved;
    control->WriteProperties(saved);
    EXPECT_EQ(control->log, QStringList({"ReadProperties:stored"}));
    EXPECT_EQ(saved.ReadString("Text"), "saved");
}

TEST_F(QKControlTest, PixelResizeByALayoutStillGoesThroughTheControlsRules)
{
    auto* button = Make<QKCommonButton>("QKCommonButton");
    button->resize(400, 100); // as a Qt layout would
    EXPECT_EQ(button->Width(), 3000);
    EXPECT_EQ(button->Height(), 270);
    EXPECT_EQ(button->size(), QSize(200, 18));
}

TEST_F(QKControlTest, RegistryMakesEveryControlByItsIdentifierInTableOrder)
{
    const QStringList expected = {"QKTab", "QKFilter", "QKAddButton", "QKFunctionButton", "QKSnippetTip",
                                  "QKContentTip", "QKEditButton", "QKDelButton", "QKSnippetEditWin",
                                  "QKContentEditWin", "QKCommonButton", "QKCheck", "QKRatio", "QKCombo",
                                  "QKVScroll", "QKWhiteFrame", "QKGrayFrame", "QKCloseButton", "QKText"};
    const QStringList ids = ControlRegistry::ProgIds();
    ASSERT_GE(ids.size(), expected.size());
    for (int i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(ids[i], "QKUIControls." + expected[i]);
        QKUserControl* made = ControlRegistry::Create(ids[i].toLower(), host.get(), "c" + QString::number(i));
        EXPECT_EQ(made->ProgId(), ids[i]);
        EXPECT_EQ(QString(made->metaObject()->className()), expected[i]);
        EXPECT_EQ(made->Name(), "c" + QString::number(i));
    }
    EXPECT_THROW(ControlRegistry::Create("QKUIControls.QKNothing", host.get(), "x"), std::invalid_argument);

    ControlRegistry::Register("Quillo.TestControl", [](QWidget* parent) { return new LoggingControl(parent); });
    EXPECT_TRUE(ControlRegistry::IsRegistered("quillo.testcontrol"));
    EXPECT_EQ(ControlRegistry::ProgIds().last(), "Quillo.TestControl");
}

TEST_F(QKControlTest, ControlArrayElementsComeFromElementZero)
{
    auto* first = Make<QKCommonButton>("QKCommonButton", "cmdRow");
    first->SetText("Row");
    first->SetTag("row-tag");
    first->Move(300, 450, 1500, 270);
    ControlArray<QKCommonButton> rows(first);

    QKCommonButton* second = rows.Load(1);
    EXPECT_EQ(second->Text(), "Row");
    EXPECT_EQ(second->Tag(), "row-tag");
    EXPECT_EQ(second->Name(), "cmdRow");
    EXPECT_EQ(second->parentWidget(), host.get());
    EXPECT_EQ(QRectF(second->Left(), second->Top(), second->Width(), second->Height()), QRectF(300, 450, 1500, 270));
    EXPECT_FALSE(second->Visible());
    EXPECT_EQ(ControlArray<QKCommonButton>::IndexOf(second), 1);
    EXPECT_EQ(rows.UBound(), 1);

    EXPECT_THROW(rows.Load(1), std::invalid_argument);
    EXPECT_THROW(rows.Load(-1), std::invalid_argument);
    EXPECT_THROW(rows.Unload(0), std::invalid_argument);
    EXPECT_THROW(rows.Unload(7), std::invalid_argument);
    rows.Unload(1);
    EXPECT_FALSE(rows.IsLoaded(1));
    EXPECT_EQ(rows[1], nullptr);
    EXPECT_NE(rows.Load(1), nullptr); // the index is free again

    // Plain widgets need a way to be made.
    auto* label = new QLabel("x", host.get());
    ControlArray<QLabel> bare(label);
    EXPECT_THROW(bare.Load(1), std::invalid_argument);
    ControlArray<QLabel> labels(label, [](QLabel& l) { return new QLabel(l.text(), l.parentWidget()); });
    EXPECT_EQ(labels.Load(2)->text(), "x");
}

TEST_F(QKControlTest, DesignModeTakesNoClicks)
{
    auto* button = Make<QKCommonButton>("QKCommonButton");
    int clicks = 0;
    QObject::connect(button, &QKCommonButton::Click, [&] { ++clicks; });
    button->SetUserMode(false);
    ClickAt(button, QPoint(5, 5));
    EXPECT_EQ(clicks, 0);
    button->SetUserMode(true);
    ClickAt(button, QPoint(5, 5));
    EXPECT_EQ(clicks, 1);
}

TEST_F(QKControlTest, FormAddsNamedControlsAndMayRefuseToClose)
{
    ClosingForm form;
    form.Move(0, 0, 6000, 4500);
    EXPECT_EQ(form.size(), QSize(400, 300));
    QKUserControl* control = form.AddControl("QKUIControls.QKCombo", "cmbSound");
    EXPECT_EQ(control->parentWidget(), &form);
    ASSERT_NE(qobject_cast<QKCombo*>(control), nullptr);
    EXPECT_EQ(qobject_cast<QKCombo*>(control)->Text(), "cmbSound"); // a new instance shows its name
    form.show();
    EXPECT_TRUE(form.Loaded());
    EXPECT_FALSE(form.close());
    EXPECT_TRUE(form.isVisible());
    form.refuse = false;
    EXPECT_TRUE(form.close());
    EXPECT_EQ(form.unloads, 2);
}
