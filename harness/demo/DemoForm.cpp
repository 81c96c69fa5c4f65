#include "harness/demo/DemoForm.h"

#include "harness/AssertHelper.h"
#include "harness/TestCase.h"
#include "harness/TestUnit.h"
#include "harness/Twips.h"

#include <QFile>
#include <QStringList>

namespace {

const QString kCaseName = QStringLiteral("MainCase");
constexpr int kMarginTwips = 120;
constexpr int kUnitGapTwips = 60;
const QString kSampleName = QStringLiteral("readme.txt");
const QByteArray kSampleText = "Provella demo\nsecond line\n";

} // namespace

DemoForm::DemoForm(QWidget* parent) : QWidget(parent)
{
    setWindowTitle(QStringLiteral("Provella demo"));
    setObjectName(QStringLiteral("DemoForm"));

    testCase = new TestCase(kCaseName, this);
    testCase->move(Twips::ToPixels(kMarginTwips), Twips::ToPixels(kMarginTwips));

    const int unitsTop = kMarginTwips + TestCase::kDesignHeightTwips + kUnitGapTwips;
    const int unitStep = TestUnit::kHeightTwips + kUnitGapTwips;

    // A passing unit: values parsed from text.
    PlaceUnit(QStringLiteral("ParseTest"), unitsTop)->setDoTest([this](AssertHelper& as) {
        as.equalBetween(42, QStringLiteral("42").toInt(), QStringLiteral("parse number"));
        as.equalBetween(3, QStringLiteral("a,b,c").split(QLatin1Char(',')).size(),
                        QStringLiteral("split"));
        as.equalBetween(QStringLiteral("abc"), QStringLiteral("ABC").toLower(),
                        QStringLiteral("lower case"));
        as.equalNotNothing(testCase, QStringLiteral("case placed"));
    });

    // A failing unit, to show a failure in the log and a red result box.
    PlaceUnit(QStringLiteral("SumTest"), unitsTop + unitStep)->setDoTest([](AssertHelper& as) {
        as.equalBetween(4, 2 + 2, QStringLiteral("sum"));
        as.equalBetween(41, 6 * 7, QStringLiteral("product"));
    });

    // A unit checking files in a folder of its own.
    QFile sample(sampleFolder.filePath(kSampleName));
    if (sample.open(QIODevice::WriteOnly))
        sample.write(kSampleText);
    PlaceUnit(QStringLiteral("FilesTest"), unitsTop + 2 * unitStep)->setDoTest([this](AssertHelper& as) {
        const QString folder = sampleFolder.path();
        as.equalFolderExist(folder, QStringLiteral("sample folder"));
        as.equalFileExist(folder + QStringLiteral("/*.txt"), QStringLiteral("text file"));
        as.equalFileNotExist(folder + QStringLiteral("/*.log"), QStringLiteral("no log file"));
        as.equalFileStartWith(folder + QLatin1Char('/') + kSampleName, QStringLiteral("Provella"),
                              QStringLiteral("first line"));
    });

    const int width = kMarginTwips * 2 + TestCase::kDesignWidthTwips;
    const int height = unitsTop + 3 * unitStep + kMarginTwips;
    resize(Twips::Size(width, height));
}

TestUnit* DemoForm::PlaceUnit(const QString& instanceName, int topTwips)
{
    auto* unit = new TestUnit(instanceName, this);
    unit->setBelongedCase(kCaseName);
    unit->move(Twips::ToPixels(kMarginTwips), Twips::ToPixels(topTwips));
    return unit;
}
