#include "harness/HarnessLook.h"

#include <QPalette>
#include <QStringList>
#include <QWidget>

QFont HarnessLook::ControlFont()
{
    QFont font;
    // Listed families are tried in order, so the design face wins wherever it
    // is installed and a sans face of similar metrics stands in elsewhere.
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                      QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                      QStringLiteral("DejaVu Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(kFontPointSize);
    return font;
}

void HarnessLook::SetTextColour(QWidget* widget, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    widget->setPalette(palette);
}

void HarnessLook::SetBackground(QWidget* widget, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}
