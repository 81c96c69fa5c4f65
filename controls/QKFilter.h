#pragma once

#include "controls/QKTextBox.h"

// The search field above the snippet list, with a magnifier left of the text:
// width 600 to 3000, height at most 330.
class QKUI_EXPORT QKFilter : public QKTextBox
{
    Q_OBJECT
    Q_CLASSINFO("ProgId", "QKUIControls.QKFilter")
public:
    explicit QKFilter(QWidget* parent = nullptr);
};
