#pragma once

#include "controls/QKUserControl.h"

#include <QList>

class QAction;
class QKLabel;
class QKPicture;
class QMenu;

// A drop-down list: a field showing the current choice (Text) and an arrow
// cap. Pressing any mouse button on it opens the menu popmenu at the
// control's top-left corner at once; picking an entry sets Text to the
// entry's caption and then raises Click. Closing the menu without a pick
// changes nothing. AddItem appends entries in order.
//
// The menu also holds the separator split and the template entry cmbItem 0,
// both hidden: the list shows only the added items. Show resets the item
// counter to 0; entries added after that still go to the end of the list
// (they are never numbered over an existing one).
class QKUI_EXPORT QKCombo : public QKUserControl
{
    Q_OBJECT
    Q_CLASSINFO("ProgId", "QKUIControls.QKCombo")
public:
    static constexpr double kMinWidth = 600;
    static constexpr double kMaxWidth = 3000;
    static constexpr double kLabelLeft = 165;
    static constexpr double kLabelTop = 37;

    explicit QKCombo(QWidget* parent = nullptr);

    QString Text() const;
    void SetText(const QString& value);
    // Index has no effect; kept because hosts pass it.
    void AddItem(const QString& Item, qint32 Index = 0);
    qint32 ItemCounter() const { return itemCounter; }
    // The captions of the added items, in list order.
    QStringList Items() const;
    QMenu* PopupMenu() const { return popmenu; }
    void OpenMenu();

signals:
    void Click();

protected:
    void OnInitProperties() override;
    void OnReadProperties(const PropertyBag& bag) override;
    void OnWriteProperties(PropertyBag& bag) const override;
    void OnResize() override;
    void OnShow() override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    QAccessible::Role AccessibleRole() const override { return QAccessible::ComboBox; }
    QString AccessibleValue() const override { return Text(); }
    QString AccessibleAction() const override;
    void AccessibleDoAction() override { OpenMenu(); }
    QList<QWidget*> AccessibleChildren() const override { return {}; }

private:
    void Pick(QAction* entry);

    QKPicture* picLeft;
    QKLabel* lblCaption;
    QMenu* popmenu;
    QAction* split;
    QAction* cmbItemTemplate;
    QList<QAction*> items;
    qint32 itemCounter = 0;
};
