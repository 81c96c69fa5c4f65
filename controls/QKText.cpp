#include "controls/QKText.h"

#include "controls/Skins.h"

QKText::QKText(QWidget* parent)
    : QKTextBox(parent, Shape{Skins::TextField(), Skins::TextFieldCap(), 600, 3000, 45, 30, 50})
{
}
