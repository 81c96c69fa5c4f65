#pragma once

#include "harness/ProvellaExport.h"

#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>

class AssertHelper;
class PropertyBag;
class QFrame;
class QLabel;
class TestCase;

// One test placed on the host's form. It names the case it belongs to; when
// that case collects it, the host's test body (the DoTest handler) runs each
// time the case runs the unit. Its result box turns green or red after a run,
// and a click on the box runs this unit alone.
class PROVELLA_EXPORT TestUnit : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QString BelongedCase READ BelongedCase WRITE setBelongedCase)
    Q_PROPERTY(QString TestCaption READ TestCaption WRITE setTestCaption)

public:
    // The host's test body. It receives the helper made for this run and
    // states its expectations with it.
    using DoTestHandler = std::function<void(AssertHelper& asHelper)>;

    static constexpr int kWidthTwips = 2200;
    static constexpr int kHeightTwips = 720;

    // A new instance: BelongedCase "none" and the instance name as caption.
    explicit TestUnit(const QString& instanceName = QStringLiteral("TestUnit1"),
                      QWidget* parent = nullptr);

    // Design-time properties: defaults of a new instance, or a saved bag.
    void InitProperties();
    void ReadProperties(const PropertyBag& propBag);
    void WriteProperties(PropertyBag& propBag) const;

    void AddToCaseSuccess(TestCase* caseObj);
    qint32 RunTest();
    qint32 CallBackAssertResult(bool assertResult, const QString& txtComment);
    QString UnitTestName() const;
    bool UnitTestResult() const { return result; }

    QString BelongedCase() const;
    void setBelongedCase(const QString& value);
    QString TestCaption() const;
    void setTestCaption(const QString& value);

    // The DoTest event: one handler, as a form has one event procedure per
    // control. A unit without a handler makes no assertion and passes.
    void setDoTest(DoTestHandler handler) { doTest = std::move(handler); }

    TestCase* OwningCase() const;
    qint32 SuccessCount() const { return successCount; }
    qint32 FailureCount() const { return failureCount; }
    // Creation order across the process: the order of controls on a form.
    quint64 ControlOrder() const { return controlOrder; }

    QFrame* Shape1() const { return shape; }
    QLabel* Label1() const { return inCaseLabel; }
    QLabel* lblBelongedCase() const { return belongedCaseLabel; }
    QLabel* lblResult() const { return resultBox; }
    QLabel* lblCaption() const { return captionLabel; }

signals:
    // A design-time property changed; the host saves the form again.
    void PropertyChanged(const QString& propertyName);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void lblResult_Click();
    void RecordEscapedError(const QString& what);

    QFrame* shape;
    QLabel* inCaseLabel;
    QLabel* belongedCaseLabel;
    QLabel* resultBox;
    QLabel* captionLabel;

    QPointer<TestCase> owningCase;
    DoTestHandler doTest;
    bool result = true;
    qint32 successCount = 0;
    qint32 failureCount = 0;
    quint64 controlOrder;
};
