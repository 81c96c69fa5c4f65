// Creates a control by its programmatic identifier and a harness object.
#include "controls/ControlRegistry.h"
#include "controls/QKCommonButton.h"
#include "harness/TestUnit.h" // AssertHelper.h needs it first
#include "harness/AssertHelper.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    auto* button = qobject_cast<QKCommonButton*>(
        ControlRegistry::Create(QStringLiteral("QKUIControls.QKCommonButton"), nullptr, QStringLiteral("cmdOk")));
    if (!button)
        return 1;
    button->SetText(QStringLiteral("OK"));
    AssertHelper helper;
    std::printf("%s\n", qPrintable(button->Text()));
    delete button;
    return 0;
}
