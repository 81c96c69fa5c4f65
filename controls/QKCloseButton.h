#pragma once

#include "controls/QKPictureButton.h"

// The small close button; its look follows a pressed flag and waits for the
// next ordinary paint.
class QKUI_EXPORT QKCloseButton : public QKPictureButton
{
    Q_OBJECT
    Q_CLASSINFO("ProgId", "QKUIControls.QKCloseButton")
public:
    explicit QKCloseButton(QWidget* parent = nullptr);
};
