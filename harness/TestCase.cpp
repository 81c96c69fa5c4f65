#include "harness/TestCase.h"

#include "harness/HarnessLook.h"
#include "harness/TestUnit.h"
#include "harness/Twips.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <algorithm>

namespace {

constexpr int kHashLineLength = 40;
constexpr int kDashLineLength = 42;
// Two passes let a repaint queued by the first one run too.
constexpr int kEventPassesAfterUnit = 2;

const QString kLineBreak = QStringLiteral("\n");
const QString kCopiedMessage = QStringLiteral("Log has copied to Clipboard.");

} // namespace

TestCase::TestCase(const QString& instanceName, QWidget* parent) : QWidget(parent)
{
    setObjectName(instanceName);
    setFont(HarnessLook::ControlFont());
    // Children keep their design places; the case does not re-lay them out.
    resize(Twips::Size(kDesignWidthTwips, kDesignHeightTwips));

    runButton = new QPushButton(QStringLiteral("RunTest"), this);
    runButton->setObjectName(QStringLiteral("cmdRun"));
    runButton->setGeometry(Twips::Rect(3765, 120, 1335, 375));
    connect(runButton, &QPushButton::clicked, this, [this] { cmdRun_Click(); });

    logBox = new QPlainTextEdit(this);
    logBox->setObjectName(QStringLiteral("txtLog"));
    logBox->setGeometry(Twips::Rect(240, 600, 4905, 1935));
    logBox->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    logBox->viewport()->installEventFilter(this);

    messageLabel = new QLabel(this);
    messageLabel->setObjectName(QStringLiteral("lblMsg"));
    messageLabel->setGeometry(Twips::Rect(255, 210, 3255, 255));
}

qint32 TestCase::WriteLog(const QString& logStr)
{
    // Always at the end: a click that copied the log also moved the caret,
    // and lines written there would land in the middle of an earlier run.
    QTextCursor end(logBox->document());
    end.movePosition(QTextCursor::End);
    end.insertText(logStr + kLineBreak);
    logBox->verticalScrollBar()->setValue(logBox->verticalScrollBar()->maximum());
    return 0;
}

qint32 TestCase::CallBackUnitTestResult(qint32 succCount, qint32 failedCount)
{
    successCount += succCount;
    failureCount += failedCount;
    return 0;
}

QString TestCase::LogText() const
{
    return logBox->toPlainText();
}

QList<TestUnit*> TestCase::Members() const
{
    QList<TestUnit*> live;
    for (const QPointer<TestUnit>& unit : members) {
        if (unit)
            live.append(unit);
    }
    return live;
}

void TestCase::CollectUnits()
{
    members.clear();
    QList<TestUnit*> units = window()->findChildren<TestUnit*>();
    std::stable_sort(units.begin(), units.end(), [](const TestUnit* a, const TestUnit* b) {
        return a->ControlOrder() < b->ControlOrder();
    });
    const QString ownName = objectName().toUpper();
    for (TestUnit* unit : units) {
        if (unit->BelongedCase().toUpper() != ownName)
            continue;
        unit->AddToCaseSuccess(this);
        // Front insertion: members run in the reverse of the form's order.
        members.prepend(unit);
    }
}

void TestCase::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // A show during a run (the run lets events through) must not change
    // the members or the unit chosen for that run.
    if (running)
        return;
    if (userMode)
        CollectUnits();
    chosenTest.clear();
}

void TestCase::cmdRun_Click()
{
    if (running)
        return;

    // Clears the flag however the run ends, unless the case itself is gone.
    struct RunningFlag {
        QPointer<TestCase> owner;
        explicit RunningFlag(TestCase* c) : owner(c) { c->running = true; }
        ~RunningFlag()
        {
            if (owner)
                owner->running = false;
        }
    } flag(this);
    const QPointer<TestCase> self(this);

    successCount = 0;
    failureCount = 0;
    const QString hashLine(kHashLineLength, QLatin1Char('#'));
    WriteLog(hashLine);
    WriteLog(hashLine);

    const QList<QPointer<TestUnit>> runList = members;
    for (const QPointer<TestUnit>& unit : runList) {
        if (!unit || (!chosenTest.isEmpty() && chosenTest != unit->UnitTestName()))
            continue;
        RaiseEvent(&TestCase::SetupTestCase, QStringLiteral("SetupTestCase"));
        if (!self)
            return;
        if (!unit)
            continue;
        WriteLog(unit->UnitTestName() + QStringLiteral(" is under testing..."));
        unit->RunTest();
        bool passed = unit && unit->UnitTestResult();
        for (int pass = 0; pass < kEventPassesAfterUnit; ++pass)
            QCoreApplication::processEvents();
        if (!self)
            return;
        if (unit)
            passed = unit->UnitTestResult();
        WriteLog(passed ? QStringLiteral("PASSED") : QStringLiteral("NOT PASSED! SOME ASSERTS FAILED!"));
        WriteLog(QString(kDashLineLength, QLatin1Char('-')));
        RaiseEvent(&TestCase::TestCaseTearDown, QStringLiteral("TestCaseTearDown"));
        if (!self)
            return;
    }

    if (!chosenTest.isEmpty())
        WriteLog(QStringLiteral("One Test for:") + chosenTest);
    else
        WriteLog(QStringLiteral("Total Test:") + QString::number(Members().size()));
    WriteLog(QStringLiteral("Total Asserts:") + QString::number(qint64(successCount) + failureCount));
    WriteLog(QStringLiteral("Succcess Asserts:") + QString::number(successCount));
    WriteLog(QStringLiteral("Failed asserts:") + QString::number(failureCount));
    chosenTest.clear();
}

void TestCase::RaiseEvent(void (TestCase::*event)(), const QString& eventName)
{
    // The host's set-up or tear-down failing is a failure of the run, not a
    // reason to abandon it (or, from a button press, the program).
    QString error;
    try {
        (this->*event)();
        return;
    } catch (const std::exception& e) {
        error = QString::fromLocal8Bit(e.what());
    } catch (...) {
        error = QStringLiteral("unknown");
    }
    WriteLog(QStringLiteral("FAILED: [error in %1: %2]").arg(eventName, error));
    ++failureCount;
}

void TestCase::txtLog_Click()
{
    QGuiApplication::clipboard()->setText(LogText());
    messageLabel->setText(kCopiedMessage);
}

bool TestCase::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == logBox->viewport() && event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
        txtLog_Click();
    return QWidget::eventFilter(watched, event);
}
