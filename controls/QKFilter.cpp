#include "controls/QKFilter.h"

#include "controls/Skins.h"

QKFilter::QKFilter(QWidget* parent)
    : QKTextBox(parent, Shape{Skins::SearchField(), Skins::SearchFieldCap(), 600, 3000, 300, 75, 230})
{
}
