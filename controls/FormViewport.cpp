#include "controls/FormViewport.h"

#include "controls/Twips.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QScrollBar>
#include <QStyle>

namespace {
// Room kept around a control scrolled into view, in pixels, so that its
// focus ring shows too.
constexpr int kFocusMargin = 4;
}

FormViewport::FormViewport(QWidget* window, const QSizeF& contentTwips)
    : QScrollArea(window), window(window), surface(new QWidget)
{
    setObjectName(QStringLiteral("formViewport"));
    surface->setObjectName(QStringLiteral("formSurface"));
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::NoFocus);
    setWidgetResizable(false);
    Twips::SetGeometry(surface, QRectF(QPointF(0, 0), contentTwips));
    setWidget(surface);
    setGeometry(window->rect());
    window->installEventFilter(this);
    // After the window's own handlers, which may first scroll a list inside
    // the content to the focused row.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        QPointer<QWidget> target(now);
        QMetaObject::invokeMethod(
            this, [this, target] { FollowFocus(target); }, Qt::QueuedConnection);
    });
}

void FormViewport::FitInto(const QRect& area)
{
    const QSize content = surface->size();
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    // A scroll bar in one direction takes room from the other.
    bool tall = content.height() > area.height();
    bool wide = content.width() + (tall ? bar : 0) > area.width();
    tall = tall || content.height() + (wide ? bar : 0) > area.height();
    wide = wide || content.width() + (tall ? bar : 0) > area.width();
    const QSize size = QSize(content.width() + (tall ? bar : 0), content.height() + (wide ? bar : 0)).boundedTo(area.size());

    // Centred as the window always was, then pushed inside the area.
    const double width = Twips::FromPixels(size.width());
    const double height = Twips::FromPixels(size.height());
    double left = Twips::FromPixels(area.center().x()) - width / 2;
    double top = Twips::FromPixels(area.center().y()) - height / 2;
    left = qBound(Twips::FromPixels(area.left()), left, Twips::FromPixels(area.left() + area.width()) - width);
    top = qBound(Twips::FromPixels(area.top()), top, Twips::FromPixels(area.top() + area.height()) - height);
    Twips::SetGeometry(window, QRectF(left, top, width, height));
}

bool FormViewport::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == window && event->type() == QEvent::Resize)
        setGeometry(window->rect());
    return QScrollArea::eventFilter(watched, event);
}

void FormViewport::keyPressEvent(QKeyEvent* event)
{
    event->ignore();
}

void FormViewport::FollowFocus(QWidget* now)
{
    if (!now || !surface->isAncestorOf(now))
        return;
    if (horizontalScrollBar()->maximum() > 0 || verticalScrollBar()->maximum() > 0)
        ensureWidgetVisible(now, kFocusMargin, kFocusMargin);
}
