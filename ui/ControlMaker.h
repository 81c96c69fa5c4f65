#pragma once

#include "controls/QKUserControl.h"

#include <QLabel>

// Creates a library control as a child of a panel or window: constructed,
// named, set up as a new instance, placed in twips and shown with its parent.
// The control may correct the size it was given (fixed-size buttons do).
template <class T>
T* MakeControl(QWidget* parent, const QString& name, double left, double top, double width, double height)
{
    auto* control = new T(parent);
    control->SetName(name);
    control->InitNew();
    control->Move(left, top, width, height);
    control->show();
    return control;
}

// A plain caption in the skins' font and dark grey, sized to its text.
QLabel* MakePlainLabel(QWidget* parent, const QString& text, double left, double top);
