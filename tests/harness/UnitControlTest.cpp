#include "harness/AssertHelper.h"
#include "harness/PropertyBag.h"
#include "harness/ProvellaError.h"
#include "harness/ProvellaRegistry.h"
#include "harness/TestCase.h"
#include "harness/TestUnit.h"

#include <QFontInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <gtest/gtest.h>
#include <memory>

TEST(TestUnitControl, KeepsItsSizeWhateverTheHostAsks)
{
    TestUnit unit(QStringLiteral("SizeTest"));
    const QSize designed(147, 48); // 2200 x 720 twips
    EXPECT_EQ(unit.size(), designed);
    unit.resize(400, 300);
    EXPECT_EQ(unit.size(), designed);
    EXPECT_EQ(unit.lblResult()->geometry(), QRect(8, 23, 37, 16));
    EXPECT_EQ(unit.lblCaption()->geometry(), QRect(51, 23, 80, 16));
    EXPECT_EQ(unit.Label1()->text(), QStringLiteral("InCase:"));
}

TEST(TestCaseControl, KeepsItsChildrenInPlaceOnResize)
{
    TestCase testCase(QStringLiteral("Layout"));
    EXPECT_EQ(testCase.size(), QSize(419, 247)); // 6285 x 3705 twips
    testCase.resize(800, 600);
    EXPECT_EQ(testCase.cmdRun()->geometry(), QRect(251, 8, 89, 25));
    EXPECT_EQ(testCase.cmdRun()->text(), QStringLiteral("RunTest"));
    EXPECT_EQ(testCase.txtLog()->geometry(), QRect(16, 40, 327, 129));
    EXPECT_EQ(testCase.lblMsg()->geometry(), QRect(17, 14, 217, 17));
}

TEST(TestUnitControl, NewInstanceDefaultsAndPersistedProperties)
{
    TestUnit unit(QStringLiteral("TestUnit7"));
    EXPECT_EQ(unit.BelongedCase(), QStringLiteral("none"));
    EXPECT_EQ(unit.TestCaption(), QStringLiteral("TestUnit7"));
    EXPECT_EQ(unit.UnitTestName(), QStringLiteral("TestUnit7"));

    QSignalSpy changed(&unit, &TestUnit::PropertyChanged);
    unit.setBelongedCase(QStringLiteral("LoginCase"));
    unit.setTestCaption(QStringLiteral("Login works"));
    EXPECT_EQ(changed.count(), 2);
    EXPECT_EQ(changed.at(0).at(0).toString(), QStringLiteral("BelongedCase"));
    EXPECT_EQ(unit.lblBelongedCase()->text(), QStringLiteral("LoginCase"));

    PropertyBag bag;
    unit.WriteProperties(bag);
    EXPECT_EQ(bag.Keys(), (QStringList{"BelongedCase", "TestCaption"}));

    TestUnit loaded(QStringLiteral("TestUnit8"));
    loaded.ReadProperties(bag);
    EXPECT_EQ(loaded.BelongedCase(), QStringLiteral("LoginCase"));
    EXPECT_EQ(loaded.TestCaption(), QStringLiteral("Login works"));

    // Missing keys read as their empty default, not as a new instance's values.
    TestUnit fromEmpty(QStringLiteral("TestUnit9"));
    fromEmpty.ReadProperties(PropertyBag());
    EXPECT_EQ(fromEmpty.BelongedCase(), QString());
    EXPECT_EQ(fromEmpty.TestCaption(), QString());
    PropertyBag emptyBag;
    fromEmpty.WriteProperties(emptyBag);
    EXPECT_TRUE(emptyBag.IsEmpty());
}

TEST(TestUnitControl, RunWithoutACaseStillColoursTheResultBox)
{
    TestUnit unit(QStringLiteral("Alone"));
    unit.setDoTest([](AssertHelper& as) { as.equalBetween(1, 2); });
    EXPECT_EQ(unit.RunTest(), 0);
    EXPECT_FALSE(unit.UnitTestResult());
    EXPECT_EQ(unit.FailureCount(), 1);
    EXPECT_EQ(unit.lblResult()->palette().color(QPalette::Window), QColor(200, 0, 0));
}

TEST(ProvellaRegistry, CreatesEachClassByItsIdentifier)
{
    EXPECT_EQ(ProvellaRegistry::ProgIds(),
              (QStringList{"Provella.TestCase", "Provella.TestUnit", "Provella.AssertHelper"}));

    QWidget form;
    auto* testCase = qobject_cast<TestCase*>(ProvellaRegistry::Create("Provella.TestCase", &form, "MyCase"));
    ASSERT_NE(testCase, nullptr);
    EXPECT_EQ(testCase->objectName(), QStringLiteral("MyCase"));
    EXPECT_EQ(testCase->parent(), &form);

    auto* unit = qobject_cast<TestUnit*>(ProvellaRegistry::Create("provella.testunit", &form));
    ASSERT_NE(unit, nullptr);
    EXPECT_EQ(unit->TestCaption(), QStringLiteral("TestUnit1"));

    std::unique_ptr<QObject> helper(ProvellaRegistry::Create("Provella.AssertHelper"));
    EXPECT_NE(qobject_cast<AssertHelper*>(helper.get()), nullptr);

    EXPECT_THROW(ProvellaRegistry::Create("Provella.TestSuite"), ProvellaError);
}

TEST(TestUnitControl, TextUsesTheDesignFaceOrASansStandIn)
{
    TestUnit unit(QStringLiteral("FontTest"));
    const QFontInfo face(unit.lblCaption()->font());
    EXPECT_DOUBLE_EQ(face.pointSizeF(), 8.25);
    EXPECT_TRUE(unit.font().families().contains(face.family()) || face.family().contains("Sans"))
        << face.family().toStdString();
}
