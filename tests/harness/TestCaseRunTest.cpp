#include "HostForm.h"

#include "harness/HarnessLook.h"
#include "harness/ProvellaError.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

const QString kHash(40, QLatin1Char('#'));
const QString kDash(42, QLatin1Char('-'));

QColor ResultColour(TestUnit* unit)
{
    return unit->lblResult()->palette().color(QPalette::Window);
}

// Parse passes twice; Save passes once and fails an equalBetween of 3 and 4.
// Placed Save first so that Parse, collected last, runs first.
struct ParseAndSave : HostForm {
    ParseAndSave()
    {
        save = Place(QStringLiteral("Save"), QStringLiteral("CaseMain"), [](AssertHelper& as) {
            as.equalBetween(1, 1);
            as.equalBetween(3, 4, QStringLiteral("size"));
        });
        parse = Place(QStringLiteral("Parse"), QStringLiteral("CaseMain"), [](AssertHelper& as) {
            as.equalBetween(QStringLiteral("a"), QStringLiteral("a"));
            as.equalNotNothing(&as);
        });
        Show();
    }
    TestUnit* save;
    TestUnit* parse;
};

const QStringList kExampleRun = {
    kHash,
    kHash,
    QStringLiteral("Parse is under testing..."),
    QStringLiteral("PASSED"),
    kDash,
    QStringLiteral("Save is under testing..."),
    QStringLiteral("FAILED: size[expect:3 but:4]"),
    QStringLiteral("NOT PASSED! SOME ASSERTS FAILED!"),
    kDash,
    QStringLiteral("Total Test:2"),
    QStringLiteral("Total Asserts:4"),
    QStringLiteral("Succcess Asserts:3"),
    QStringLiteral("Failed asserts:1"),
};

} // namespace

TEST(TestCaseRun, PressOnRunTestLogsEveryUnitAndTheSummary)
{
    ParseAndSave host;
    ASSERT_EQ(host.Case()->Members(), (QList<TestUnit*>{host.parse, host.save}));

    QTest::mouseClick(host.Case()->cmdRun(), Qt::LeftButton);

    EXPECT_EQ(host.LogLines(), kExampleRun);
    EXPECT_EQ(host.Case()->SuccessCount(), 3);
    EXPECT_EQ(host.Case()->FailureCount(), 1);
    EXPECT_EQ(ResultColour(host.parse), HarnessLook::Green());
    EXPECT_EQ(ResultColour(host.save), HarnessLook::Red());
    EXPECT_EQ(host.parse->Label1()->palette().color(QPalette::WindowText), HarnessLook::Green());
}

TEST(TestCaseRun, TwoRunsAccumulateInTheLogWithCountersPerRun)
{
    ParseAndSave host;
    host.Case()->cmdRun_Click();
    host.Case()->cmdRun_Click();

    EXPECT_EQ(host.LogLines(), kExampleRun + kExampleRun);
    EXPECT_EQ(host.Case()->SuccessCount(), 3);
}

TEST(TestCaseRun, SetupAndTearDownWrapEachUnit)
{
    ParseAndSave host;
    QStringList seen;
    QObject::connect(host.Case(), &TestCase::SetupTestCase, [&] {
        seen << QStringLiteral("setup after: ") + host.LogLines().last();
    });
    QObject::connect(host.Case(), &TestCase::TestCaseTearDown, [&] {
        seen << QStringLiteral("teardown after: ") + host.LogLines().last();
    });

    host.Case()->cmdRun_Click();

    EXPECT_EQ(seen, (QStringList{"setup after: " + kHash, "teardown after: " + kDash,
                                 "setup after: " + kDash, "teardown after: " + kDash}));
}

TEST(TestCaseRun, SpecTestRunsOnlyTheUnitOfExactlyThatName)
{
    ParseAndSave host;
    host.Case()->setSpecTest(QStringLiteral("parse"));
    host.Case()->cmdRun_Click();
    EXPECT_EQ(host.LogLines(), (QStringList{kHash, kHash, "One Test for:parse", "Total Asserts:0",
                                            "Succcess Asserts:0", "Failed asserts:0"}));
    EXPECT_EQ(host.Case()->specTest(), QString());

    host.Case()->setSpecTest(QStringLiteral("Save"));
    host.Case()->cmdRun_Click();
    EXPECT_EQ(host.LogLines().mid(6),
              (QStringList{kHash, kHash, "Save is under testing...", "FAILED: size[expect:3 but:4]",
                           "NOT PASSED! SOME ASSERTS FAILED!", kDash, "One Test for:Save",
                           "Total Asserts:2", "Succcess Asserts:1", "Failed asserts:1"}));
}

TEST(TestCaseRun, ClickOnAResultBoxRunsThatUnitAlone)
{
    ParseAndSave host;
    QTest::mouseClick(host.parse->lblResult(), Qt::LeftButton);

    EXPECT_EQ(host.LogLines(), (QStringList{kHash, kHash, "Parse is under testing...", "PASSED", kDash,
                                            "One Test for:Parse", "Total Asserts:2",
                                            "Succcess Asserts:2", "Failed asserts:0"}));
    EXPECT_EQ(host.Case()->specTest(), QString());
    // The other unit was not run, so its box is still uncoloured.
    EXPECT_NE(ResultColour(host.save), HarnessLook::Red());
}

TEST(TestCaseRun, BelongedCaseMatchesTheCaseNameWhateverTheLetterCase)
{
    HostForm host(QStringLiteral("LoginCase"));
    TestUnit* lower = host.Place(QStringLiteral("Lower"), QStringLiteral("logincase"));
    TestUnit* other = host.Place(QStringLiteral("Stray"), QStringLiteral("OtherCase"));
    const QColor strayLabel = other->Label1()->palette().color(QPalette::WindowText);
    const QColor strayBox = ResultColour(other);
    host.Show();

    EXPECT_EQ(host.Case()->Members(), QList<TestUnit*>{lower});
    EXPECT_EQ(lower->OwningCase(), host.Case());
    EXPECT_EQ(other->OwningCase(), nullptr);
    EXPECT_EQ(other->Label1()->palette().color(QPalette::WindowText), strayLabel);

    // A unit no case collected has nothing to run it: its box does nothing.
    QTest::mouseClick(other->lblResult(), Qt::LeftButton);
    EXPECT_EQ(host.Case()->LogText(), QString());
    EXPECT_EQ(ResultColour(other), strayBox);

    host.Case()->cmdRun_Click();
    EXPECT_EQ(host.LogLines().at(2), QStringLiteral("Lower is under testing..."));
    EXPECT_EQ(host.LogLines().at(5), QStringLiteral("Total Test:1"));
}

TEST(TestCaseRun, UnitsOnADesignedFormAreNotCollected)
{
    HostForm host;
    host.Place(QStringLiteral("One"), QStringLiteral("CaseMain"));
    host.Case()->setUserMode(false);
    host.Case()->setSpecTest(QStringLiteral("One"));
    host.Show();

    EXPECT_TRUE(host.Case()->Members().isEmpty());
    EXPECT_EQ(host.Case()->specTest(), QString());
}

TEST(TestCaseRun, PressDuringARunDoesNotStartANestedRun)
{
    HostForm host;
    TestCase* testCase = host.Case();
    host.Place(QStringLiteral("Again"), QStringLiteral("CaseMain"), [testCase](AssertHelper& as) {
        QTest::mouseClick(testCase->cmdRun(), Qt::LeftButton);
        testCase->cmdRun_Click();
        as.equalBetween(1, 1);
    });
    TestUnit* other = host.Place(QStringLiteral("Other"), QStringLiteral("CaseMain"), [](AssertHelper& as) {
        as.equalBetween(2, 2);
    });
    // Runs first; a click on its own box mid-run must not narrow the run.
    host.Place(QStringLiteral("Clicker"), QStringLiteral("CaseMain"), [other](AssertHelper&) {
        QTest::mouseClick(other->lblResult(), Qt::LeftButton);
    });
    host.Show();

    testCase->cmdRun_Click();

    EXPECT_EQ(host.LogLines().count(kHash), 2);
    EXPECT_EQ(host.LogLines().mid(host.LogLines().size() - 4).first(), QStringLiteral("Total Test:3"));
    EXPECT_EQ(testCase->SuccessCount(), 2);
    EXPECT_FALSE(testCase->IsRunning());
}

TEST(TestCaseRun, AnErrorEscapingATestBodyFailsTheUnitAndTheRunGoesOn)
{
    HostForm host;
    host.Place(QStringLiteral("Later"), QStringLiteral("CaseMain"), [](AssertHelper& as) {
        as.equalBetween(1, 1);
    });
    TestUnit* thrower = host.Place(QStringLiteral("Thrower"), QStringLiteral("CaseMain"), [](AssertHelper& as) {
        as.equalBetween(1, 1);
        as.equalFileStartWith(QStringLiteral("/no/such/file.txt"), QStringLiteral("x"));
    });
    host.Show();

    host.Case()->cmdRun_Click();

    const QStringList lines = host.LogLines();
    ASSERT_GE(lines.size(), 5);
    EXPECT_EQ(lines[3], QStringLiteral("FAILED: [error 53: File not found: /no/such/file.txt]"));
    EXPECT_EQ(lines[4], QStringLiteral("NOT PASSED! SOME ASSERTS FAILED!"));
    EXPECT_TRUE(lines.contains(QStringLiteral("Later is under testing...")));
    EXPECT_EQ(ResultColour(thrower), HarnessLook::Red());
    EXPECT_EQ(lines.last(), QStringLiteral("Failed asserts:1"));
}

TEST(TestCaseRun, LogLinesGoToTheEndEvenAfterTheCaretWasMoved)
{
    ParseAndSave host;
    host.Case()->cmdRun_Click();
    QTextCursor start = host.Case()->txtLog()->textCursor();
    start.movePosition(QTextCursor::Start);
    host.Case()->txtLog()->setTextCursor(start);

    host.Case()->cmdRun_Click();

    EXPECT_EQ(host.LogLines(), kExampleRun + kExampleRun);
}

TEST(TestCaseRun, ClickOnTheLogCopiesItToTheClipboard)
{
    ParseAndSave host;
    host.Case()->cmdRun_Click();
    ASSERT_EQ(host.Case()->lblMsg()->text(), QString());

    QTest::mouseClick(host.Case()->txtLog()->viewport(), Qt::LeftButton);

    EXPECT_EQ(QGuiApplication::clipboard()->text(), host.Case()->LogText());
    EXPECT_TRUE(QGuiApplication::clipboard()->text().startsWith(kHash + QLatin1Char('\n')));
    EXPECT_EQ(host.Case()->lblMsg()->text(), QStringLiteral("Log has copied to Clipboard."));
}

TEST(TestCaseRun, AUnitWithoutAssertionsPassesAndDeletedUnitsAreSkipped)
{
    HostForm host;
    TestUnit* gone = host.Place(QStringLiteral("Gone"), QStringLiteral("CaseMain"));
    TestUnit* empty = host.Place(QStringLiteral("Empty"), QStringLiteral("CaseMain"));
    host.Show();
    delete gone;

    host.Case()->cmdRun_Click();

    EXPECT_EQ(host.LogLines(), (QStringList{kHash, kHash, "Empty is under testing...", "PASSED", kDash,
                                            "Total Test:1", "Total Asserts:0", "Succcess Asserts:0",
                                            "Failed asserts:0"}));
    EXPECT_EQ(ResultColour(empty), HarnessLook::Green());
}

TEST(TestCaseRun, AFailingSetUpIsLoggedAsAFailureAndTheRunFinishes)
{
    HostForm host;
    host.Place(QStringLiteral("Only"), QStringLiteral("CaseMain"), [](AssertHelper& as) { as.equalBetween(1, 1); });
    host.Show();
    QObject::connect(host.Case(), &TestCase::SetupTestCase, [] { throw std::runtime_error("no database"); });

    QTest::mouseClick(host.Case()->cmdRun(), Qt::LeftButton);

    EXPECT_EQ(host.LogLines(), (QStringList{kHash, kHash, "FAILED: [error in SetupTestCase: no database]",
                                            "Only is under testing...", "PASSED", kDash, "Total Test:1",
                                            "Total Asserts:2", "Succcess Asserts:1", "Failed asserts:1"}));
}

TEST(TestCaseRun, PropertiesAreReachableByName)
{
    ParseAndSave host;
    host.save->setProperty("TestCaption", QStringLiteral("Store"));
    host.Case()->setProperty("specTest", QStringLiteral("Store"));
    host.Case()->cmdRun_Click();
    EXPECT_EQ(host.LogLines().at(2), QStringLiteral("Store is under testing..."));
    EXPECT_EQ(host.save->property("BelongedCase").toString(), QStringLiteral("CaseMain"));
}
