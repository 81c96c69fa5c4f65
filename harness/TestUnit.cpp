#include "harness/TestUnit.h"

#include "harness/AssertHelper.h"
#include "harness/HarnessLook.h"
#include "harness/PropertyBag.h"
#include "harness/ProvellaError.h"
#include "harness/TestCase.h"
#include "harness/Twips.h"

#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>

namespace {

const QString kBelongedCaseKey = QStringLiteral("BelongedCase");
const QString kTestCaptionKey = QStringLiteral("TestCaption");
const QString kUnboundCase = QStringLiteral("none");

// Units run in the order they were placed on their form; creation order
// stands for that order and, unlike the widget stacking order, raise() and
// lower() do not change it.
quint64 nextControlOrder = 0;

QLabel* BorderedLabel(QWidget* parent, const QString& name, const QRect& geometry)
{
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setFrameStyle(QFrame::Box | QFrame::Plain);
    label->setLineWidth(1);
    label->setGeometry(geometry);
    return label;
}

} // namespace

TestUnit::TestUnit(const QString& instanceName, QWidget* parent)
    : QWidget(parent), controlOrder(nextControlOrder++)
{
    setObjectName(instanceName);
    setFont(HarnessLook::ControlFont());
    // The unit keeps one size whatever its host asks for.
    setFixedSize(Twips::Size(kWidthTwips, kHeightTwips));

    shape = new QFrame(this);
    shape->setObjectName(QStringLiteral("Shape1"));
    shape->setFrameStyle(QFrame::Box | QFrame::Plain);
    shape->setGeometry(Twips::Rect(30, 15, 1995, 630));

    inCaseLabel = new QLabel(QStringLiteral("InCase:"), this);
    inCaseLabel->setObjectName(QStringLiteral("Label1"));
    inCaseLabel->move(Twips::ToPixels(105), Twips::ToPixels(75));
    inCaseLabel->adjustSize();

    belongedCaseLabel = BorderedLabel(this, QStringLiteral("lblBelongedCase"),
                                      Twips::Rect(765, 45, 1200, 240));

    resultBox = BorderedLabel(this, QStringLiteral("lblResult"), Twips::Rect(120, 345, 555, 240));
    resultBox->setAutoFillBackground(true);
    resultBox->installEventFilter(this);

    captionLabel = BorderedLabel(this, QStringLiteral("lblCaption"), Twips::Rect(765, 345, 1200, 240));

    InitProperties();
}

void TestUnit::InitProperties()
{
    setBelongedCase(kUnboundCase);
    setTestCaption(objectName());
}

void TestUnit::ReadProperties(const PropertyBag& propBag)
{
    setBelongedCase(propBag.ReadProperty(kBelongedCaseKey, QString()).toString());
    setTestCaption(propBag.ReadProperty(kTestCaptionKey, QString()).toString());
}

void TestUnit::WriteProperties(PropertyBag& propBag) const
{
    propBag.WriteProperty(kBelongedCaseKey, BelongedCase(), QString());
    propBag.WriteProperty(kTestCaptionKey, TestCaption(), QString());
}

QString TestUnit::BelongedCase() const
{
    return belongedCaseLabel->text();
}

void TestUnit::setBelongedCase(const QString& value)
{
    belongedCaseLabel->setText(value);
    emit PropertyChanged(kBelongedCaseKey);
}

QString TestUnit::TestCaption() const
{
    return captionLabel->text();
}

void TestUnit::setTestCaption(const QString& value)
{
    captionLabel->setText(value);
    emit PropertyChanged(kTestCaptionKey);
}

QString TestUnit::UnitTestName() const
{
    return TestCaption();
}

TestCase* TestUnit::OwningCase() const
{
    return owningCase;
}

void TestUnit::AddToCaseSuccess(TestCase* caseObj)
{
    owningCase = caseObj;
    HarnessLook::SetTextColour(inCaseLabel, HarnessLook::Green());
}

qint32 TestUnit::RunTest()
{
    AssertHelper helper;
    helper.setBlongedTest(this);
    successCount = 0;
    failureCount = 0;
    result = true;

    const QPointer<TestUnit> self(this);
    if (doTest) {
        // An error the test body lets escape fails the unit instead of ending
        // the whole run (or the host program).
        try {
            doTest(helper);
        } catch (const ProvellaError& error) {
            if (self)
                RecordEscapedError(QStringLiteral("[error %1: %2]").arg(error.Number()).arg(error.Message()));
        } catch (const std::exception& error) {
            if (self)
                RecordEscapedError(QStringLiteral("[error: %1]").arg(QString::fromLocal8Bit(error.what())));
        } catch (...) {
            if (self)
                RecordEscapedError(QStringLiteral("[error: unknown]"));
        }
    }
    if (!self)
        return 0; // the test body deleted its own unit

    if (owningCase)
        owningCase->CallBackUnitTestResult(successCount, failureCount);
    HarnessLook::SetBackground(resultBox, result ? HarnessLook::Green() : HarnessLook::Red());
    return 0;
}

void TestUnit::RecordEscapedError(const QString& what)
{
    CallBackAssertResult(false, what);
}

qint32 TestUnit::CallBackAssertResult(bool assertResult, const QString& txtComment)
{
    result = result && assertResult;
    if (assertResult) {
        ++successCount;
    } else {
        // Logged at once so the failure sits under the unit's own heading.
        if (owningCase)
            owningCase->WriteLog(QStringLiteral("FAILED: ") + txtComment);
        ++failureCount;
    }
    return 0;
}

void TestUnit::lblResult_Click()
{
    // A unit no case collected has nothing to run it; during a run the click
    // would otherwise narrow the run already in progress.
    if (!owningCase || owningCase->IsRunning())
        return;
    owningCase->setSpecTest(UnitTestName());
    owningCase->cmdRun_Click();
}

bool TestUnit::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == resultBox && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && resultBox->rect().contains(mouse->position().toPoint()))
            lblResult_Click();
    }
    return QWidget::eventFilter(watched, event);
}
