#include "controls/QKEditButton.h"

#include "controls/Skins.h"

QKEditButton::QKEditButton(QWidget* parent)
    : QKPictureButton(parent, "picMark", Skins::EditButton(), 2, LookState::PressedFlag, true, "Edit this snippet")
{
    SetBackColor(Skins::White());
}
