#pragma once

#include <QTemporaryDir>
#include <QWidget>

class TestCase;
class TestUnit;

// A host window as a developer would build one: a test case and three units
// placed on it, each unit wired to its test body.
class DemoForm : public QWidget
{
    Q_OBJECT

public:
    explicit DemoForm(QWidget* parent = nullptr);

    TestCase* Case() const { return testCase; }

private:
    TestUnit* PlaceUnit(const QString& instanceName, int topTwips);

    TestCase* testCase;
    // Files the file unit checks; made fresh so every run sees the same.
    QTemporaryDir sampleFolder;
};
