#include "controls/QKFunctionButton.h"

#include "controls/Skins.h"

QKFunctionButton::QKFunctionButton(QWidget* parent)
    : QKPictureButton(parent, "picBack", Skins::FunctionButton(), 2, LookState::PictureMoved, true, QString())
{
}
