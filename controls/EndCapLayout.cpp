#include "controls/EndCapLayout.h"

#include "controls/QKUserControl.h"
#include "controls/Twips.h"

void EndCapLayout::Apply(QKUserControl& control, QWidget& cap, double minWidth, double maxWidth)
{
    const QRectF capRect = Twips::Geometry(&cap);
    if (control.Height() > capRect.height())
        control.SetHeight(capRect.height());
    if (control.Width() > maxWidth)
        control.SetWidth(maxWidth);
    if (control.Width() < minWidth)
        control.SetWidth(minWidth);
    PlaceCap(control, cap);
}

void EndCapLayout::PlaceCap(const QKUserControl& control, QWidget& cap)
{
    Twips::Move(&cap, control.Width() - Twips::Geometry(&cap).width(), 0);
}
