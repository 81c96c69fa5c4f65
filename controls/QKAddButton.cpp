#include "controls/QKAddButton.h"

#include "controls/Skins.h"

QKAddButton::QKAddButton(QWidget* parent)
    : QKPictureButton(parent, "picBack", Skins::AddButton(), 2, LookState::PictureMoved, true, "New Snippet")
{
}
