#include "controls/QKCloseButton.h"

#include "controls/Skins.h"

QKCloseButton::QKCloseButton(QWidget* parent)
    : QKPictureButton(parent, "picMark", Skins::CloseButton(), 2, LookState::PressedFlag, false, "Close")
{
}
