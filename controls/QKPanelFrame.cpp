#include "controls/QKPanelFrame.h"

#include "controls/QKPicture.h"
#include "controls/Twips.h"

QKPanelFrame::QKPanelFrame(QWidget* parent, const QPixmap& panel, const QPixmap& right, const QPixmap& bottom,
                           const QPixmap& corner, double maxWidth, double maxHeight)
    : QKUserControl(parent), picTopRight(new QKPicture("picTopRight", this)),
      picBotLeft(new QKPicture("picBotLeft", this)), picBotRight(new QKPicture("picBotRight", this)),
      maxWidth(maxWidth), maxHeight(maxHeight)
{
    SetBackPicture(panel);
    picTopRight->SetPicture(right);
    picBotLeft->SetPicture(bottom);
    picBotRight->SetPicture(corner);
    for (QKPicture* piece : {picTopRight, picBotLeft, picBotRight})
        piece->setAttribute(Qt::WA_TransparentForMouseEvents);
    InitGeometry(QRectF(0, 0, Twips::FromPixels(panel.width()) / 2, Twips::FromPixels(panel.height()) / 2));
    Relayout();
}

void QKPanelFrame::OnResize()
{
    if (Width() > maxWidth)
        SetWidth(maxWidth);
    if (Height() > maxHeight)
        SetHeight(maxHeight);
    const double w = Width();
    const double h = Height();
    Twips::Move(picTopRight, w - Twips::Geometry(picTopRight).width(), 0);
    Twips::Move(picBotLeft, 0, h - Twips::Geometry(picBotLeft).height());
    Twips::Move(picBotRight, w - Twips::Geometry(picBotRight).width(), h - Twips::Geometry(picBotRight).height());
    picTopRight->raise();
    picBotLeft->raise();
    picBotRight->raise();
}
