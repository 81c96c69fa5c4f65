#include "controls/QKGrayFrame.h"

#include "controls/Skins.h"

QKGrayFrame::QKGrayFrame(QWidget* parent)
    : QKPanelFrame(parent, Skins::GrayFramePanel(), Skins::GrayFrameRight(), Skins::GrayFrameBottom(), Skins::GrayFrameCorner(),
                   kMaxWidth, kMaxHeight)
{
}
