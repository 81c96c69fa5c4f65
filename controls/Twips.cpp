#include "controls/Twips.h"

#include <QVariant>
#include <QWidget>
#include <cmath>
#include <limits>

namespace {
// Where the twip rectangle of a widget is remembered.
constexpr const char* kTwipsProperty = "_qk_twips";
}

int Twips::ToPixels(double twips)
{
    const double px = twips / kPerPixel;
    return int(px < 0 ? -std::floor(-px + 0.5) : std::floor(px + 0.5));
}

QRect Twips::ToPixels(const QRectF& twips)
{
    return QRect(ToPixels(twips.left()), ToPixels(twips.top()),
                 qMax(0, ToPixels(twips.width())), qMax(0, ToPixels(twips.height())));
}

QRectF Twips::Geometry(const QWidget* widget)
{
    const QVariant stored = widget->property(kTwipsProperty);
    if (stored.isValid()) {
        const QRectF twips = stored.toRectF();
        if (ToPixels(twips) == widget->geometry())
            return twips;
    }
    const QRect px = widget->geometry();
    return QRectF(FromPixels(px.x()), FromPixels(px.y()), FromPixels(px.width()), FromPixels(px.height()));
}

void Twips::SetGeometry(QWidget* widget, const QRectF& twips)
{
    // Remember first: a resize event raised by setGeometry may already ask.
    widget->setProperty(kTwipsProperty, twips);
    widget->setGeometry(ToPixels(twips));
}

void Twips::Move(QWidget* widget, double left, double top)
{
    QRectF r = Geometry(widget);
    SetGeometry(widget, QRectF(left, top, r.width(), r.height()));
}

void Twips::Resize(QWidget* widget, double width, double height)
{
    QRectF r = Geometry(widget);
    SetGeometry(widget, QRectF(r.left(), r.top(), width, height));
}

void Twips::SetLeft(QWidget* widget, double left)
{
    Move(widget, left, Geometry(widget).top());
}

void Twips::SetTop(QWidget* widget, double top)
{
    Move(widget, Geometry(widget).left(), top);
}

void Twips::SetWidth(QWidget* widget, double width)
{
    Resize(widget, width, Geometry(widget).height());
}

void Twips::SetHeight(QWidget* widget, double height)
{
    Resize(widget, Geometry(widget).width(), height);
}

qint32 Twips::RoundHalfEven(double value)
{
    if (std::isnan(value))
        return 0;
    const double r = std::nearbyint(value); // default rounding mode: ties to even
    if (r >= double(std::numeric_limits<qint32>::max()))
        return std::numeric_limits<qint32>::max();
    if (r <= double(std::numeric_limits<qint32>::min()))
        return std::numeric_limits<qint32>::min();
    return qint32(r);
}

qint16 Twips::RoundHalfEven16(double value)
{
    const qint32 v = RoundHalfEven(value);
    return qint16(qBound(qint32(std::numeric_limits<qint16>::min()), v, qint32(std::numeric_limits<qint16>::max())));
}
