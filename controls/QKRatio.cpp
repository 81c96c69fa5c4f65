#include "controls/QKRatio.h"

#include "controls/FocusRing.h"
#include "controls/PropertyBag.h"
#include "controls/QKLabel.h"
#include "controls/QKPicture.h"
#include "controls/Skins.h"
#include "controls/StatePicture.h"
#include "controls/Twips.h"

#include <QKeyEvent>
#include <QMouseEvent>

namespace {
constexpr int kLooks = 2;
constexpr double kDefaultWidth = 1500;
}

QKRatio::QKRatio(QWidget* parent)
    : QKUserControl(parent), picMark(new QKPicture("picMark", this)), lblCaption(new QKLabel("lblCaption", this))
{
    SetBackColor(Skins::White());
    picMark->SetPicture(Skins::RadioMark());
    Twips::Move(picMark, 0, 0);
    lookHeight = StatePicture::LookHeight(picMark->PictureHeight(), kLooks);
    Twips::Move(lblCaption, kLabelLeft, kLabelTop);
    InitGeometry(QRectF(0, 0, kDefaultWidth, lookHeight));
    connect(picMark, &QKPicture::Click, this, &QKRatio::Select);
    connect(lblCaption, &QKLabel::Click, this, &QKRatio::Select);
    FocusRing::Attach(this);
}

void QKRatio::AccessibleState(QAccessible::State& state) const
{
    state.checkable = true;
    state.checked = value;
}

QString QKRatio::AccessibleAction() const
{
    return QAccessibleActionInterface::pressAction();
}

void QKRatio::keyPressEvent(QKeyEvent* event)
{
    if (!FocusRing::Activates(event)) {
        QKUserControl::keyPressEvent(event);
        return;
    }
    event->accept();
    Select();
}

QString QKRatio::Caption() const
{
    return lblCaption->Caption();
}

void QKRatio::SetCaption(const QString& text)
{
    lblCaption->SetCaption(text);
    emit PropertyChanged("Caption");
    DrawMark();
}

void QKRatio::SetValue(bool newValue)
{
    value = newValue;
    emit PropertyChanged("Value");
    DrawMark();
}

int QKRatio::CurrentLook() const
{
    return StatePicture::CurrentLook(*picMark, lookHeight);
}

void QKRatio::DrawMark()
{
    StatePicture::ShowLook(*picMark, value ? 1 : 0, lookHeight);
}

void QKRatio::Select()
{
    value = true;
    DrawMark();
    emit Click();
}

void QKRatio::mousePressEvent(QMouseEvent* event)
{
    event->accept();
}

void QKRatio::mouseReleaseEvent(QMouseEvent* event)
{
    // A click on the surface itself (outside mark and caption).
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Select();
}

void QKRatio::OnInitProperties()
{
    SetCaption("Radio");
    SetValue(false);
}

void QKRatio::OnReadProperties(const PropertyBag& bag)
{
    SetCaption(bag.ReadString("Caption", QString()));
    SetValue(bag.ReadBool("Value", false));
}

void QKRatio::OnWriteProperties(PropertyBag& bag) const
{
    bag.WriteProperty("Caption", Caption(), QString());
    bag.WriteProperty("Value", value);
}

void QKRatio::OnResize()
{
    SetHeight(lookHeight);
}
