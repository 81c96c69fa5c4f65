#pragma once

#include "controls/QKPictureButton.h"

// The button that opens the snippets menu: two looks, redrawn at once.
class QKUI_EXPORT QKFunctionButton : public QKPictureButton
{
    Q_OBJECT
    Q_CLASSINFO("ProgId", "QKUIControls.QKFunctionButton")
public:
    explicit QKFunctionButton(QWidget* parent = nullptr);
};
