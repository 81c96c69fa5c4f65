#include "controls/QKAccessible.h"

#include "controls/FocusRing.h"
#include "controls/QKLabel.h"
#include "controls/QKPicture.h"
#include "controls/QKTab.h"
#include "controls/QKUserControl.h"

#include <QAccessible>

namespace {

// A caption that acts (a link) reads as a link; the others stay Qt's labels.
class LinkAccessible : public QAccessibleWidget
{
public:
    explicit LinkAccessible(QKLabel* label) : QAccessibleWidget(label, QAccessible::Link) {}
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name)
            return static_cast<QKLabel*>(widget())->Caption();
        return QAccessibleWidget::text(t);
    }
    QStringList actionNames() const override { return {pressAction(), setFocusAction()}; }
    void doAction(const QString& name) override
    {
        if (name == pressAction())
            emit static_cast<QKLabel*>(widget())->Click();
        else
            QAccessibleWidget::doAction(name);
    }
};

// One tab of the tab strip: its hit area, named after the title the
// strip's picture shows over it.
class PageTabAccessible : public QAccessibleWidget
{
public:
    PageTabAccessible(QKPicture* area, QKTab* strip, int tab)
        : QAccessibleWidget(area, QAccessible::PageTab), strip(strip), tab(tab)
    {
    }
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name)
            return strip->TabTitle(tab);
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.selectable = true;
        s.selected = strip->SelectedTab() == tab;
        s.focusable = false;
        return s;
    }
    int childCount() const override { return 0; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& name) override
    {
        if (name == pressAction())
            strip->SwitchTab(qint16(tab));
    }

private:
    QKTab* strip;
    int tab;
};

QAccessibleInterface* Factory(const QString&, QObject* object)
{
    if (auto* control = qobject_cast<QKUserControl*>(object))
        return new QKAccessible(control);
    if (auto* label = qobject_cast<QKLabel*>(object); label && (label->focusPolicy() & Qt::TabFocus))
        return new LinkAccessible(label);
    if (auto* area = qobject_cast<QKPicture*>(object)) {
        if (auto* strip = qobject_cast<QKTab*>(area->parent())) {
            const int tab = strip->TabOfArea(area);
            if (tab > 0)
                return new PageTabAccessible(area, strip, tab);
        }
    }
    return nullptr;
}

} // namespace

QKAccessible::QKAccessible(QKUserControl* control) : QAccessibleWidget(control, control->AccessibleRole()) {}

void QKAccessible::Install()
{
    static const bool installed = [] {
        QAccessible::installFactory(&Factory);
        return true;
    }();
    Q_UNUSED(installed);
}

QKUserControl* QKAccessible::Control() const
{
    return static_cast<QKUserControl*>(widget());
}

QAccessible::Role QKAccessible::role() const
{
    return Control()->AccessibleRole();
}

QString QKAccessible::text(QAccessible::Text t) const
{
    switch (t) {
    case QAccessible::Name:
        if (!widget()->accessibleName().isEmpty())
            return widget()->accessibleName();
        return Control()->AccessibleName();
    case QAccessible::Value:
        return Control()->AccessibleValue();
    case QAccessible::Description:
        if (!widget()->accessibleDescription().isEmpty())
            return widget()->accessibleDescription();
        return widget()->toolTip() != text(QAccessible::Name) ? widget()->toolTip() : QString();
    default:
        return QAccessibleWidget::text(t);
    }
}

QAccessible::State QKAccessible::state() const
{
    QAccessible::State s = QAccessibleWidget::state();
    s.focusable = (widget()->focusPolicy() & Qt::TabFocus) != 0;
    Control()->AccessibleState(s);
    return s;
}

QList<QWidget*> QKAccessible::Children() const
{
    // The pieces a control is drawn from (pictures, captions, its focus
    // ring) are not things of their own to a screen reader.
    QList<QWidget*> shown;
    for (QWidget* w : Control()->AccessibleChildren())
        if (!w->isWindow() && !qobject_cast<FocusRing*>(w))
            shown << w;
    return shown;
}

int QKAccessible::childCount() const
{
    return int(Children().size());
}

QAccessibleInterface* QKAccessible::child(int index) const
{
    const QList<QWidget*> children = Children();
    if (index < 0 || index >= children.size())
        return nullptr;
    return QAccessible::queryAccessibleInterface(children[index]);
}

int QKAccessible::indexOfChild(const QAccessibleInterface* child) const
{
    if (!child)
        return -1;
    return int(Children().indexOf(qobject_cast<QWidget*>(child->object())));
}

void* QKAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::ValueInterface && role() == QAccessible::ScrollBar)
        return static_cast<QAccessibleValueInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

QStringList QKAccessible::actionNames() const
{
    QStringList names;
    const QString own = Control()->AccessibleAction();
    if (!own.isEmpty())
        names << own;
    names << QAccessibleWidget::actionNames();
    return names;
}

void QKAccessible::doAction(const QString& actionName)
{
    if (!Control()->AccessibleAction().isEmpty() && actionName == Control()->AccessibleAction())
        Control()->AccessibleDoAction();
    else
        QAccessibleWidget::doAction(actionName);
}

QVariant QKAccessible::currentValue() const
{
    return Control()->AccessibleNumbers().value(0);
}

void QKAccessible::setCurrentValue(const QVariant&) {}

QVariant QKAccessible::maximumValue() const
{
    return Control()->AccessibleNumbers().value(2);
}

QVariant QKAccessible::minimumValue() const
{
    return Control()->AccessibleNumbers().value(1);
}

QVariant QKAccessible::minimumStepSize() const
{
    return Control()->AccessibleNumbers().value(3);
}
