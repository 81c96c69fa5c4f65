#include "ui/ControlMaker.h"

#include "controls/Skins.h"
#include "controls/Twips.h"

QLabel* MakePlainLabel(QWidget* parent, const QString& text, double left, double top)
{
    auto* label = new QLabel(text, parent);
    label->setFont(Skins::TextFont());
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Skins::TextColor());
    label->setPalette(palette);
    label->setAttribute(Qt::WA_TranslucentBackground);
    label->adjustSize();
    Twips::Move(label, left, top);
    label->show();
    return label;
}
