#include "controls/QKUserControl.h"

#include "controls/PropertyBag.h"
#include "controls/QKAccessible.h"
#include "controls/QKPicture.h"
#include "controls/Skins.h"
#include "controls/Twips.h"

#include <QMetaClassInfo>
#include <QPainter>
#include <QResizeEvent>
#include <QShowEvent>

QKUserControl::QKUserControl(QWidget* parent) : QWidget(parent)
{
    QKAccessible::Install();
}

QList<QWidget*> QKUserControl::AccessibleChildren() const
{
    QList<QWidget*> children;
    for (QObject* child : this->children())
        if (auto* w = qobject_cast<QWidget*>(child); w && !qobject_cast<QKPicture*>(w))
            children << w;
    return children;
}

QString QKUserControl::ProgId() const
{
    const QMetaObject* meta = metaObject();
    const int i = meta->indexOfClassInfo("ProgId");
    return i >= 0 ? QString::fromLatin1(meta->classInfo(i).value()) : QString::fromLatin1(meta->className());
}

void QKUserControl::InitNew()
{
    OnInitProperties();
}

void QKUserControl::ReadProperties(const PropertyBag& bag)
{
    OnReadProperties(bag);
}

void QKUserControl::WriteProperties(PropertyBag& bag) const
{
    OnWriteProperties(bag);
}

double QKUserControl::Left() const { return Twips::Geometry(this).left(); }
double QKUserControl::Top() const { return Twips::Geometry(this).top(); }
double QKUserControl::Width() const { return Twips::Geometry(this).width(); }
double QKUserControl::Height() const { return Twips::Geometry(this).height(); }

void QKUserControl::SetLeft(double left) { Move(left, Top()); }
void QKUserControl::SetTop(double top) { Move(Left(), top); }
void QKUserControl::SetWidth(double width) { Move(Left(), Top(), width, Height()); }
void QKUserControl::SetHeight(double height) { Move(Left(), Top(), Width(), height); }

void QKUserControl::Move(double left, double top)
{
    Move(left, top, Width(), Height());
}

void QKUserControl::Move(double left, double top, double width, double height)
{
    ApplyGeometry(QRectF(left, top, width, height));
}

void QKUserControl::ApplyGeometry(const QRectF& twips, bool forceResize)
{
    const QRectF before = Twips::Geometry(this);
    const bool sizeChanged = forceResize || !placed || before.size() != twips.size();
    const bool outer = !inResize;
    inResize = true;
    applied = twips;
    Twips::SetGeometry(this, twips);
    // Only the host's request runs the hook; the control's own corrections
    // inside OnResize do not re-enter it.
    if (outer && sizeChanged) {
        placed = true;
        OnResize();
    }
    if (outer)
        inResize = false;
}

void QKUserControl::InitGeometry(const QRectF& twips)
{
    applied = twips;
    Twips::SetGeometry(this, twips);
}

void QKUserControl::Relayout()
{
    const bool outer = !inResize;
    inResize = true;
    OnResize();
    if (outer)
        inResize = false;
}

void QKUserControl::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (inResize)
        return;
    // Someone (a Qt layout, the window system) resized us by pixels: take
    // the pixel size as the new twip size and lay out again.
    if (Twips::ToPixels(applied).size() == event->size())
        return; // ours, delivered late (a hidden widget gets it on show)
    const QRectF twips = Twips::Geometry(this);
    ApplyGeometry(QRectF(twips.topLeft(), QSizeF(Twips::FromPixels(event->size().width()),
                                                 Twips::FromPixels(event->size().height()))),
                  true);
}

void QKUserControl::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        OnShow();
}

QList<QWidget*> QKUserControl::TabStops() const
{
    QList<QWidget*> stops;
    QWidget* first = nextInFocusChain();
    for (QWidget* w = first; w && w != this; w = w->nextInFocusChain()) {
        if (isAncestorOf(w) && (w->focusPolicy() & Qt::TabFocus) && w->isEnabled() && w->isVisibleTo(this))
            stops << w;
        if (w->nextInFocusChain() == first)
            break;
    }
    return stops;
}

void QKUserControl::SetUserMode(bool runMode)
{
    userMode = runMode;
    setAttribute(Qt::WA_TransparentForMouseEvents, !runMode);
    QList<QWidget*> pieces = findChildren<QWidget*>();
    pieces.prepend(this);
    for (QWidget* child : pieces) {
        if (!runMode) {
            if (!child->property("_qk_focus").isValid())
                child->setProperty("_qk_focus", int(child->focusPolicy()));
            child->setFocusPolicy(Qt::NoFocus);
        } else if (child->property("_qk_focus").isValid()) {
            child->setFocusPolicy(Qt::FocusPolicy(child->property("_qk_focus").toInt()));
            child->setProperty("_qk_focus", QVariant());
        }
    }
}

void QKUserControl::SetBackPicture(const QPixmap& picture)
{
    backPicture = picture;
    update();
}

void QKUserControl::SetBackPictureEnd(QWidget* cap)
{
    backPictureEnd = cap;
    update();
}

void QKUserControl::SetBackColor(const QColor& color)
{
    backColor = color;
    update();
}

void QKUserControl::RefreshNow()
{
    repaint();
}

void QKUserControl::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (backColor.isValid())
        p.fillRect(rect(), backColor);
    if (backPicture.isNull())
        return;
    if (backPictureEnd)
        p.setClipRect(QRect(0, 0, qMax(0, backPictureEnd->x()), height()));
    Skins::DrawPicture(p, QPointF(0, 0), backPicture);
}
