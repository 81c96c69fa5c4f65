#include "controls/QKPicture.h"

#include "controls/Skins.h"
#include "controls/Twips.h"

#include <QMouseEvent>
#include <QPainter>
#include <QtMath>

QKPicture::QKPicture(const QString& name, QWidget* parent) : QWidget(parent)
{
    setObjectName(name);
}

void QKPicture::SetPicture(const QPixmap& value)
{
    picture = value;
    const QRectF at = Twips::Geometry(this);
    Twips::SetGeometry(this, QRectF(at.left(), at.top(), PictureWidth(), PictureHeight()));
    update();
}

double QKPicture::PictureWidth() const
{
    return Twips::FromPixels(qCeil(picture.deviceIndependentSize().width()));
}

double QKPicture::PictureHeight() const
{
    return Twips::FromPixels(qCeil(picture.deviceIndependentSize().height()));
}

void QKPicture::SetFillColor(const QColor& color)
{
    fill = color;
    update();
}

void QKPicture::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (fill.isValid())
        p.fillRect(rect(), fill);
    if (!picture.isNull())
        Skins::DrawPicture(p, QPointF(0, 0), picture);
}

void QKPicture::mousePressEvent(QMouseEvent* event)
{
    const QPointF at = event->position();
    emit MouseDown(event->button(), at.x() * Twips::kPerPixel, at.y() * Twips::kPerPixel);
}

void QKPicture::mouseMoveEvent(QMouseEvent* event)
{
    const QPointF at = event->position();
    emit MouseMove(event->buttons(), at.x() * Twips::kPerPixel, at.y() * Twips::kPerPixel);
}

void QKPicture::mouseReleaseEvent(QMouseEvent* event)
{
    const QPointF at = event->position();
    const bool inside = rect().contains(at.toPoint());
    emit MouseUp(event->button(), at.x() * Twips::kPerPixel, at.y() * Twips::kPerPixel);
    if (inside && event->button() == Qt::LeftButton)
        emit Click();
}
