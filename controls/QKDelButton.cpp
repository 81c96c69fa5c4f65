#include "controls/QKDelButton.h"

#include "controls/PropertyBag.h"
#include "controls/Skins.h"

QKDelButton::QKDelButton(QWidget* parent)
    : QKPictureButton(parent, "picBack", Skins::DelButton(), 3, LookState::PictureMoved, true, "Delete this snippet")
{
    SetBackColor(Skins::White());
}

void QKDelButton::SetEnable(bool value)
{
    enable = value;
    // A disabled button is passed over by Tab, as it would do nothing.
    setFocusPolicy(value ? Qt::TabFocus : Qt::NoFocus);
    emit PropertyChanged("Enable");
    ShowLook(RestingLook());
    RefreshNow();
}

void QKDelButton::OnInitProperties()
{
    SetEnable(true);
}

void QKDelButton::OnReadProperties(const PropertyBag& bag)
{
    // An instance saved by another tool may lack the key: it loads enabled,
    // as a new one would.
    SetEnable(bag.ReadBool("Enable", true));
}

void QKDelButton::OnWriteProperties(PropertyBag& bag) const
{
    bag.WriteProperty("Enable", enable);
}
