#include "controls/QKWhiteFrame.h"

#include "controls/Skins.h"

QKWhiteFrame::QKWhiteFrame(QWidget* parent)
    : QKPanelFrame(parent, Skins::WhiteFramePanel(), Skins::WhiteFrameRight(), Skins::WhiteFrameBottom(), Skins::WhiteFrameCorner(),
                   kMaxWidth, kMaxHeight)
{
}
