#pragma once

#include "controls/QKUIExport.h"

#include <QAccessibleWidget>

class QKUserControl;

// What screen readers learn of the skinned controls. Left to Qt, a control
// drawn from pictures and labels reads as a nameless panel of pictures; this
// interface tells its kind (button, check box, radio button, page tab list,
// combo box, scroll bar, list, ...), its name and its state, as the control
// itself describes them (QKUserControl's Accessible* functions), and offers
// its action (press, toggle) and, for a scroll bar, its value.
//
// Install() registers the factory with Qt; the controls do it when the first
// one is made.
class QKUI_EXPORT QKAccessible : public QAccessibleWidget, public QAccessibleValueInterface
{
public:
    explicit QKAccessible(QKUserControl* control);

    static void Install();

    QAccessible::Role role() const override;
    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;
    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;

    QVariant currentValue() const override;
    void setCurrentValue(const QVariant& value) override;
    QVariant maximumValue() const override;
    QVariant minimumValue() const override;
    QVariant minimumStepSize() const override;

private:
    QKUserControl* Control() const;
    QList<QWidget*> Children() const;
};
