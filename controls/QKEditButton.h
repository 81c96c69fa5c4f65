#pragma once

#include "controls/QKPictureButton.h"

// The edit button of a snippet row, on white; its look follows a pressed flag.
class QKUI_EXPORT QKEditButton : public QKPictureButton
{
    Q_OBJECT
    Q_CLASSINFO("ProgId", "QKUIControls.QKEditButton")
public:
    explicit QKEditButton(QWidget* parent = nullptr);
};
