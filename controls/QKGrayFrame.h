#pragma once

#include "controls/QKPanelFrame.h"

// The light grey page panel of the settings window.
class QKUI_EXPORT QKGrayFrame : public QKPanelFrame
{
    Q_OBJECT
    Q_CLASSINFO("ProgId", "QKUIControls.QKGrayFrame")
public:
    static constexpr double kMaxWidth = 7100;
    static constexpr double kMaxHeight = 7800;

    explicit QKGrayFrame(QWidget* parent = nullptr);
};
