#pragma once

#include "harness/ProvellaExport.h"

#include <QList>
#include <QPointer>
#include <QString>
#include <QWidget>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class TestUnit;

// The host of a form's tests. When shown on a running form it collects the
// units that name it, and its "RunTest" button runs them one after another,
// logging each verdict and a summary in its log box.
class PROVELLA_EXPORT TestCase : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QString specTest READ specTest WRITE setSpecTest)

public:
    static constexpr int kDesignWidthTwips = 6285;
    static constexpr int kDesignHeightTwips = 3705;

    explicit TestCase(const QString& instanceName = QStringLiteral("TestCase1"),
                      QWidget* parent = nullptr);

    // The one unit to run by name (exact); empty runs every member.
    QString specTest() const { return chosenTest; }
    void setSpecTest(const QString& value) { chosenTest = value; }

    qint32 WriteLog(const QString& logStr);
    qint32 CallBackUnitTestResult(qint32 succCount, qint32 failedCount);
    // Runs the case as a press on "RunTest" does. A call while a run is in
    // progress (from a handler or a click let through mid-run) is ignored.
    void cmdRun_Click();

    // Rebuilds the member list from the units on this case's form.
    void CollectUnits();
    QList<TestUnit*> Members() const;
    bool IsRunning() const { return running; }
    qint32 SuccessCount() const { return successCount; }
    qint32 FailureCount() const { return failureCount; }
    QString LogText() const;

    // False while the host form is being designed: units are then not collected.
    bool UserMode() const { return userMode; }
    void setUserMode(bool value) { userMode = value; }

    QPushButton* cmdRun() const { return runButton; }
    QPlainTextEdit* txtLog() const { return logBox; }
    QLabel* lblMsg() const { return messageLabel; }

signals:
    void SetupTestCase();
    void TestCaseTearDown();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void txtLog_Click();
    void RaiseEvent(void (TestCase::*event)(), const QString& eventName);

    QPushButton* runButton;
    QPlainTextEdit* logBox;
    QLabel* messageLabel;

    QString chosenTest;
    QList<QPointer<TestUnit>> members;
    qint32 successCount = 0;
    qint32 failureCount = 0;
    bool running = false;
    bool userMode = true;
};
