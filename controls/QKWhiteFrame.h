#pragma once

#include "controls/QKPanelFrame.h"

// A white panel with a light shadow on its right and bottom edges.
class QKUI_EXPORT QKWhiteFrame : public QKPanelFrame
{
    Q_OBJECT
    Q_CLASSINFO("ProgId", "QKUIControls.QKWhiteFrame")
public:
    static constexpr double kMaxWidth = 5200;
    static constexpr double kMaxHeight = 5200;

    explicit QKWhiteFrame(QWidget* parent = nullptr);
};
