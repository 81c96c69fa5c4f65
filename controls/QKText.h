#pragma once

#include "controls/QKTextBox.h"

// The plain one-line text field: width 600 to 3000, height at most 285.
class QKUI_EXPORT QKText : public QKTextBox
{
    Q_OBJECT
    Q_CLASSINFO("ProgId", "QKUIControls.QKText")
public:
    explicit QKText(QWidget* parent = nullptr);
};
