#include "controls/QKVScroll.h"

#include "controls/DoEvents.h"
#include "controls/FocusRing.h"
#include "controls/PropertyBag.h"
#include "controls/QKPicture.h"
#include "controls/Skins.h"
#include "controls/Twips.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

namespace {
constexpr qint32 kNewValue = 1;
constexpr qint32 kNewMax = 100;
constexpr qint32 kNewMin = 1;
constexpr double kDefaultHeight = 4000;
// The thumb never touches the track's ends while dragged.
constexpr double kDragMargin = 1;
// What one notch of a wheel reports.
constexpr int kWheelNotch = QWheelEvent::DefaultDeltasPerStep;
}

QKVScroll::QKVScroll(QWidget* parent)
    : QKUserControl(parent), picTop(new QKPicture("picTop", this)), picBtm(new QKPicture("picBtm", picTop))
{
    SetBackPicture(Skins::ScrollTrack());
    picTop->SetPicture(Skins::ScrollThumb());
    picBtm->SetPicture(Skins::ScrollThumbCap());
    // The thumb shows the top of its tall picture; the cap finishes its
    // lower edge and lets presses through to the thumb.
    Twips::SetGeometry(picTop, QRectF(0, 0, picTop->PictureWidth(), kThumbHeight));
    Twips::Move(picBtm, 0, kThumbHeight - picBtm->PictureHeight());
    picBtm->setAttribute(Qt::WA_TransparentForMouseEvents);
    InitGeometry(QRectF(0, 0, picTop->PictureWidth(), kDefaultHeight));

    connect(picTop, &QKPicture::MouseDown, this, [this](Qt::MouseButton, double, double y) { ThumbDown(y); });
    connect(picTop, &QKPicture::MouseMove, this, [this](Qt::MouseButtons, double, double y) { ThumbMove(y); });
    connect(picTop, &QKPicture::MouseUp, this, [this] { ThumbUp(); });
    FocusRing::Attach(this);
}

void QKVScroll::SetSmallChange(qint32 newValue)
{
    smallChange = qMax<qint32>(1, newValue);
}

void QKVScroll::SetLargeChange(qint32 newValue)
{
    largeChange = qMax<qint32>(0, newValue);
}

qint32 QKVScroll::PageStep() const
{
    if (largeChange > 0)
        return largeChange;
    return Twips::RoundHalfEven((double(max) - double(min)) / kPageDivisor);
}

qint32 QKVScroll::Clamped(qint64 candidate) const
{
    const qint64 low = qMin(min, max);
    const qint64 high = qMax(min, max);
    return qint32(qBound(low, candidate, high));
}

void QKVScroll::ScrollBy(qint64 delta)
{
    const qint32 next = Clamped(qint64(value) + delta);
    if (next == value)
        return;
    value = next;
    PlaceThumbForValue();
    RaiseScroll();
}

void QKVScroll::wheelEvent(QWheelEvent* event)
{
    event->accept();
    wheelRemainder += event->angleDelta().y();
    const int notches = wheelRemainder / kWheelNotch;
    if (notches == 0)
        return;
    wheelRemainder -= notches * kWheelNotch;
    // Turning the wheel away from the user (a positive delta) goes up.
    ScrollBy(-qint64(notches) * QApplication::wheelScrollLines() * smallChange);
}

void QKVScroll::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Up:
        ScrollBy(-qint64(smallChange));
        break;
    case Qt::Key_Down:
        ScrollBy(smallChange);
        break;
    case Qt::Key_PageUp:
        ScrollBy(-qint64(PageStep()));
        break;
    case Qt::Key_PageDown:
        ScrollBy(PageStep());
        break;
    case Qt::Key_Home:
        ScrollBy(qint64(qMin(min, max)) - value);
        break;
    case Qt::Key_End:
        ScrollBy(qint64(qMax(min, max)) - value);
        break;
    default:
        QKUserControl::keyPressEvent(event);
        return;
    }
    event->accept();
}

void QKVScroll::SetValue(qint32 newValue)
{
    value = newValue;
    emit PropertyChanged("Value");
}

void QKVScroll::SetMax(qint32 newValue)
{
    max = newValue;
    emit PropertyChanged("Max");
}

void QKVScroll::SetMin(qint32 newValue)
{
    min = newValue;
    emit PropertyChanged("Min");
}

double QKVScroll::ThumbTop() const
{
    return Twips::Geometry(picTop).top();
}

double QKVScroll::Travel() const
{
    return Height() - kThumbHeight;
}

void QKVScroll::PlaceThumbForValue()
{
    const double range = double(max) - double(min);
    const double travel = Travel();
    const double top = (range == 0 || travel <= 0) ? 0 : travel * (double(value) - double(min)) / range;
    Twips::Move(picTop, 0, top);
}

void QKVScroll::RaiseScroll()
{
    RefreshNow();
    emit Scroll(value);
    DoEvents();
}

qint32 QKVScroll::ScrollTo(qint32 newValue)
{
    value = newValue;
    PlaceThumbForValue();
    RaiseScroll();
    return 0;
}

void QKVScroll::ThumbDown(double y)
{
    dragging = true;
    dragStartY = y;
}

void QKVScroll::ThumbUp()
{
    dragging = false;
}

void QKVScroll::ThumbMove(double y)
{
    if (!dragging)
        return;
    const double travel = Travel();
    if (travel <= 0) {
        // No room to move: the thumb stays at the top.
        Twips::Move(picTop, 0, 0);
        value = min;
        RaiseScroll();
        return;
    }
    double top = ThumbTop() + (y - dragStartY);
    if (top < 0)
        top = kDragMargin;
    if (top + kThumbHeight > Height())
        top = Height() - kThumbHeight - kDragMargin;
    Twips::Move(picTop, 0, top);
    // The thumb stops one twip short of each end; there it stands for the
    // end of the range itself, which a long list would otherwise never show.
    if (top <= kDragMargin)
        value = min;
    else if (top >= travel - kDragMargin)
        value = max;
    else
        value = Twips::RoundHalfEven(top / travel * (double(max) - double(min)) + double(min));
    RaiseScroll();
}

void QKVScroll::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    const double y = event->position().y() * Twips::kPerPixel;
    qint32 next = 0;
    if (largeChange > 0) {
        next = Clamped(y >= ThumbTop() ? qint64(value) + largeChange : qint64(value) - largeChange);
    } else {
        const double page = (double(max) - double(min)) / kPageDivisor;
        next = Clamped(Twips::RoundHalfEven(y >= ThumbTop() ? double(value) + page : double(value) - page));
    }
    value = next;
    PlaceThumbForValue();
    RefreshNow();
    emit Scroll(value);
    DoEvents();
}

void QKVScroll::OnInitProperties()
{
    SetValue(kNewValue);
    SetMax(kNewMax);
    SetMin(kNewMin);
}

void QKVScroll::OnReadProperties(const PropertyBag& bag)
{
    // Saved bars always carry all three; one that lacks a key gets the value
    // a new bar starts with rather than an undefined one.
    SetValue(bag.ReadInt32("Value", kNewValue));
    SetMax(bag.ReadInt32("Max", kNewMax));
    SetMin(bag.ReadInt32("Min", kNewMin));
}

void QKVScroll::OnWriteProperties(PropertyBag& bag) const
{
    bag.WriteProperty("Value", value);
    bag.WriteProperty("Max", max);
    bag.WriteProperty("Min", min);
}

void QKVScroll::OnResize()
{
    SetWidth(picTop->PictureWidth());
}
