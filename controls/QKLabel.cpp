#include "controls/QKLabel.h"

#include "controls/FocusRing.h"
#include "controls/Skins.h"
#include "controls/Twips.h"

#include <QKeyEvent>
#include <QMouseEvent>

QKLabel::QKLabel(const QString& name, QWidget* parent) : QLabel(parent)
{
    setObjectName(name);
    setTextFormat(Qt::PlainText);
    setFont(Skins::TextFont());
    setAutoFillBackground(false);
    setAttribute(Qt::WA_TranslucentBackground);
    setMargin(0);
    setIndent(0);
    SetTextColor(Skins::TextColor());
    FitToText();
}

void QKLabel::SetCaption(const QString& value)
{
    setText(value);
    FitToText();
}

void QKLabel::SetTextColor(const QColor& color)
{
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, color);
    setPalette(pal);
}

double QKLabel::Width() const
{
    return Twips::Geometry(this).width();
}

void QKLabel::FitToText()
{
    const QSize size = sizeHint();
    const QRectF at = Twips::Geometry(this);
    Twips::SetGeometry(this, QRectF(at.left(), at.top(), Twips::FromPixels(size.width()),
                                    Twips::FromPixels(size.height())));
}

void QKLabel::SetTakesFocus(bool takes)
{
    if (takes)
        FocusRing::Attach(this);
    else
        setFocusPolicy(Qt::NoFocus);
}

void QKLabel::keyPressEvent(QKeyEvent* event)
{
    if (focusPolicy() == Qt::NoFocus || !FocusRing::Activates(event)) {
        QLabel::keyPressEvent(event);
        return;
    }
    event->accept();
    emit Click();
}

void QKLabel::mousePressEvent(QMouseEvent* event)
{
    emit MouseDown(event->button());
}

void QKLabel::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit Click();
}
