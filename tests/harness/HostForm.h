#pragma once

#include "harness/AssertHelper.h"
#include "harness/TestCase.h"
#include "harness/TestUnit.h"

#include <QStringList>
#include <QWidget>
#include <memory>

// A host window for the tests: one case and whatever units a test places,
// in placing order, which is the form's control order.
class HostForm
{
public:
    explicit HostForm(const QString& caseName = QStringLiteral("CaseMain"))
        : form(std::make_unique<QWidget>())
    {
        testCase = new TestCase(caseName, form.get());
    }

    TestUnit* Place(const QString& name, const QString& belongedCase, TestUnit::DoTestHandler body = {})
    {
        auto* unit = new TestUnit(name, form.get());
        unit->setBelongedCase(belongedCase);
        unit->setDoTest(std::move(body));
        return unit;
    }

    // Showing the case collects its units, as a form does when it opens.
    void Show() { form->show(); }

    QStringList LogLines() const
    {
        QStringList lines = testCase->LogText().split(QLatin1Char('\n'));
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
        return lines;
    }

    QWidget* Form() const { return form.get(); }
    TestCase* Case() const { return testCase; }

private:
    std::unique_ptr<QWidget> form;
    TestCase* testCase;
};
