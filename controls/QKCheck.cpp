#include "controls/QKCheck.h"

#include "controls/FocusRing.h"
#include "controls/PropertyBag.h"
#include "controls/QKLabel.h"
#include "controls/QKPicture.h"
#include "controls/Skins.h"
#include "controls/StatePicture.h"
#include "controls/Twips.h"

#include <QKeyEvent>

namespace {
constexpr int kLooks = 2;
constexpr double kDefaultWidth = 1500;
}

QKCheck::QKCheck(QWidget* parent)
    : QKUserControl(parent), picMark(new QKPicture("picMark", this)), lblCaption(new QKLabel("lblCaption", this))
{
    SetBackColor(Skins::White());
    picMark->SetPicture(Skins::CheckMark());
    Twips::Move(picMark, 0, 0);
    lookHeight = StatePicture::LookHeight(picMark->PictureHeight(), kLooks);
    Twips::Move(lblCaption, kLabelLeft, kLabelTop);
    InitGeometry(QRectF(0, 0, kDefaultWidth, lookHeight));
    connect(picMark, &QKPicture::Click, this, &QKCheck::Toggle);
    connect(lblCaption, &QKLabel::Click, this, &QKCheck::Toggle);
    FocusRing::Attach(this);
}

void QKCheck::AccessibleState(QAccessible::State& state) const
{
    state.checkable = true;
    state.checked = value == 1;
}

QString QKCheck::AccessibleAction() const
{
    return QAccessibleActionInterface::toggleAction();
}

void QKCheck::keyPressEvent(QKeyEvent* event)
{
    if (!FocusRing::Activates(event)) {
        QKUserControl::keyPressEvent(event);
        return;
    }
    event->accept();
    Toggle();
}

QString QKCheck::Caption() const
{
    return lblCaption->Caption();
}

void QKCheck::SetCaption(const QString& text)
{
    lblCaption->SetCaption(text);
    emit PropertyChanged("Caption");
    DrawMark();
}

void QKCheck::SetValue(qint16 newValue)
{
    value = newValue;
    emit PropertyChanged("Value");
    DrawMark();
}

int QKCheck::CurrentLook() const
{
    return StatePicture::CurrentLook(*picMark, lookHeight);
}

void QKCheck::DrawMark()
{
    StatePicture::ShowLook(*picMark, value, lookHeight);
}

void QKCheck::Toggle()
{
    value = qint16(1 - value);
    DrawMark();
    emit Click();
}

void QKCheck::OnInitProperties()
{
    SetCaption("Check");
    SetValue(0);
}

void QKCheck::OnReadProperties(const PropertyBag& bag)
{
    SetCaption(bag.ReadString("Caption", QString()));
    SetValue(bag.ReadInt16("Value", 0));
}

void QKCheck::OnWriteProperties(PropertyBag& bag) const
{
    bag.WriteProperty("Caption", Caption(), QString());
    bag.WriteProperty("Value", value);
}

void QKCheck::OnResize()
{
    SetHeight(lookHeight);
}
