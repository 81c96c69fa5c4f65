#include "app/FormMsg.h"

#include "app/Twips.h"

FormMsg::FormMsg(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                          Qt::WindowDoesNotAcceptFocus | Qt::X11BypassWindowManagerHint)
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    setWindowTitle(QStringLiteral("Quillo"));
}

void FormMsg::Park()
{
    move(Twips::ToPixels(kParkedTwips), Twips::ToPixels(kParkedTwips));
}

bool FormMsg::IsParked() const
{
    return pos() == QPoint(Twips::ToPixels(kParkedTwips), Twips::ToPixels(kParkedTwips));
}
