#include "controls/QKCombo.h"

#include "controls/EndCapLayout.h"
#include "controls/FocusRing.h"
#include "controls/PropertyBag.h"
#include "controls/QKLabel.h"
#include "controls/QKPicture.h"
#include "controls/Skins.h"
#include "controls/Twips.h"

#include <QAction>
#include <QMenu>
#include <QKeyEvent>
#include <QMouseEvent>

namespace {
constexpr double kDefaultWidth = 1800;
// Where an entry keeps its caption and number (the action's text may get
// mnemonic handling from the menu).
constexpr const char* kCaptionProperty = "_qk_caption";
constexpr const char* kNumberProperty = "_qk_number";
}

QKCombo::QKCombo(QWidget* parent)
    : QKUserControl(parent), picLeft(new QKPicture("picLeft", this)), lblCaption(new QKLabel("lblCaption", this)),
      popmenu(new QMenu(this))
{
    SetBackColor(Skins::White());
    SetBackPicture(Skins::ListField());
    SetBackPictureEnd(picLeft);
    picLeft->SetPicture(Skins::ListArrow());
    picLeft->raise();
    InitGeometry(QRectF(0, 0, kDefaultWidth, picLeft->PictureHeight()));
    EndCapLayout::PlaceCap(*this, *picLeft);
    Twips::Move(lblCaption, kLabelLeft, kLabelTop);

    popmenu->setObjectName("popmenu");
    popmenu->setFont(Skins::TextFont());
    popmenu->setStyleSheet(QString("QMenu { background: %1; border: 1px solid %2; padding: 2px 0px; }"
                                   "QMenu::item { color: %3; padding: 3px 16px 3px 10px; }"
                                   "QMenu::item:selected { background: %4; color: %1; }")
                               .arg(Skins::White().name(), Skins::BorderColor().name(), Skins::TextColor().name(),
                                    Skins::AccentColor().name()));
    split = popmenu->addSeparator();
    split->setObjectName("split");
    split->setVisible(false);
    cmbItemTemplate = popmenu->addAction("cmbItem");
    cmbItemTemplate->setObjectName("cmbItem");
    cmbItemTemplate->setProperty(kNumberProperty, 0);
    cmbItemTemplate->setVisible(false);

    connect(picLeft, &QKPicture::MouseDown, this, &QKCombo::OpenMenu);
    connect(lblCaption, &QKLabel::MouseDown, this, &QKCombo::OpenMenu);
    connect(popmenu, &QMenu::triggered, this, &QKCombo::Pick);
    FocusRing::Attach(this);
}

QString QKCombo::AccessibleAction() const
{
    return QAccessibleActionInterface::showMenuAction();
}

void QKCombo::keyPressEvent(QKeyEvent* event)
{
    const bool altDown = event->key() == Qt::Key_Down && (event->modifiers() & Qt::AltModifier);
    if (!FocusRing::Activates(event) && event->key() != Qt::Key_F4 && !altDown) {
        QKUserControl::keyPressEvent(event);
        return;
    }
    event->accept();
    OpenMenu();
    // The keyboard starts on the current choice, or on the first entry.
    for (QAction* entry : items) {
        if (entry->isVisible() && !entry->isSeparator() &&
            entry->property(kCaptionProperty).toString() == Text()) {
            popmenu->setActiveAction(entry);
            return;
        }
    }
    for (QAction* entry : items) {
        if (entry->isVisible() && !entry->isSeparator()) {
            popmenu->setActiveAction(entry);
            return;
        }
    }
}

QString QKCombo::Text() const
{
    return lblCaption->Caption();
}

void QKCombo::SetText(const QString& value)
{
    lblCaption->SetCaption(value);
    emit PropertyChanged("Text");
}

void QKCombo::AddItem(const QString& Item, qint32 Index)
{
    Q_UNUSED(Index);
    ++itemCounter;
    QString shown = Item;
    shown.replace('&', "&&"); // show the caption as it is, no mnemonic
    QAction* entry = popmenu->addAction(shown);
    entry->setObjectName("cmbItem");
    entry->setProperty(kCaptionProperty, Item);
    entry->setProperty(kNumberProperty, itemCounter);
    entry->setVisible(true);
    items.append(entry);
}

QStringList QKCombo::Items() const
{
    QStringList captions;
    for (const QAction* entry : items)
        captions << entry->property(kCaptionProperty).toString();
    return captions;
}

void QKCombo::OpenMenu()
{
    // At least as wide as the field it drops from.
    popmenu->setMinimumWidth(width());
    popmenu->popup(mapToGlobal(QPoint(0, 0)));
}

void QKCombo::Pick(QAction* entry)
{
    if (!items.contains(entry))
        return;
    SetText(entry->property(kCaptionProperty).toString());
    emit Click();
}

void QKCombo::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    OpenMenu();
}

void QKCombo::OnInitProperties()
{
    SetText(Name());
}

void QKCombo::OnReadProperties(const PropertyBag& bag)
{
    SetText(bag.ReadString("Text", QString()));
}

void QKCombo::OnWriteProperties(PropertyBag& bag) const
{
    bag.WriteProperty("Text", Text(), QString());
}

void QKCombo::OnResize()
{
    EndCapLayout::Apply(*this, *picLeft, kMinWidth, kMaxWidth);
}

void QKCombo::OnShow()
{
    EndCapLayout::PlaceCap(*this, *picLeft);
    Twips::Move(lblCaption, kLabelLeft, kLabelTop);
    itemCounter = 0;
}
