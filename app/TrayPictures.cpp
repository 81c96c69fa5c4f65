#include "app/TrayPictures.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

constexpr int kSizes[] = {16, 22, 24, 32, 48, 64};

const QColor kEnabledTile(38, 110, 196);
const QColor kEnabledInk(255, 255, 255);
const QColor kDisabledTile(150, 150, 150);
const QColor kDisabledInk(235, 235, 235);

QImage Paint(int size, const QColor& tile, const QColor& ink)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 32.0, size / 32.0);

    painter.setPen(Qt::NoPen);
    painter.setBrush(tile);
    painter.drawRoundedRect(QRectF(1, 1, 30, 30), 7, 7);

    // A quill: a leaf-shaped vane with its shaft ending in a nib.
    QPainterPath vane;
    vane.moveTo(25, 5);
    vane.cubicTo(15, 6, 9, 14, 9, 23);
    vane.cubicTo(17, 22, 24, 15, 25, 5);
    painter.setBrush(ink);
    painter.drawPath(vane);
    painter.setPen(QPen(ink, 2.2, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(13, 19), QPointF(6, 27));
    // The line it writes.
    painter.setPen(QPen(ink, 1.6, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(15, 27), QPointF(26, 27));
    return image;
}

QIcon Build(const QColor& tile, const QColor& ink)
{
    QIcon icon;
    for (int size : kSizes)
        icon.addPixmap(QPixmap::fromImage(Paint(size, tile, ink)));
    return icon;
}

} // namespace

QIcon TrayPictures::Enabled()
{
    return Build(kEnabledTile, kEnabledInk);
}

QIcon TrayPictures::Disabled()
{
    return Build(kDisabledTile, kDisabledInk);
}

QImage TrayPictures::Draw(int size, bool enabled)
{
    return enabled ? Paint(size, kEnabledTile, kEnabledInk) : Paint(size, kDisabledTile, kDisabledInk);
}
