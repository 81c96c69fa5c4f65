#pragma once

#include "controls/QKPictureButton.h"

// The "new snippet" button: two looks, redrawn at once on press and release.
class QKUI_EXPORT QKAddButton : public QKPictureButton
{
    Q_OBJECT
    Q_CLASSINFO("ProgId", "QKUIControls.QKAddButton")
public:
    explicit QKAddButton(QWidget* parent = nullptr);
};
