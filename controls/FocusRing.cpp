#include "controls/FocusRing.h"

#include "controls/Skins.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QPainter>

namespace {
constexpr const char* kRingName = "_qk_focusring";

bool ShowsRing(Qt::FocusReason reason)
{
    switch (reason) {
    case Qt::TabFocusReason:
    case Qt::BacktabFocusReason:
    case Qt::ShortcutFocusReason:
    case Qt::OtherFocusReason:
        return true;
    default:
        return false;
    }
}

// The window going inactive or a menu opening takes the focus only for a
// while; the ring comes back as it was.
bool Passing(Qt::FocusReason reason)
{
    return reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason;
}
} // namespace

FocusRing::FocusRing(QWidget* control) : QWidget(control), control(control)
{
    setObjectName(QLatin1String(kRingName));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    setGeometry(control->rect());
    hide();
    control->installEventFilter(this);
}

FocusRing* FocusRing::Attach(QWidget* control)
{
    if (FocusRing* ring = Of(control))
        return ring;
    control->setFocusPolicy(Qt::TabFocus);
    return new FocusRing(control);
}

FocusRing* FocusRing::Of(const QWidget* control)
{
    return control ? control->findChild<FocusRing*>(QLatin1String(kRingName), Qt::FindDirectChildrenOnly) : nullptr;
}

bool FocusRing::Showing(const QWidget* control)
{
    const FocusRing* ring = Of(control);
    return ring && !ring->isHidden();
}

bool FocusRing::Activates(const QKeyEvent* event)
{
    if (event->isAutoRepeat() || (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
        return false;
    const int key = event->key();
    return key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter;
}

void FocusRing::Display(bool on)
{
    if (on) {
        setGeometry(control->rect());
        raise();
    }
    setVisible(on);
}

bool FocusRing::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != control)
        return false;
    switch (event->type()) {
    case QEvent::FocusIn: {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        Display(ShowsRing(reason) || (Passing(reason) && wanted));
        wanted = false;
        break;
    }
    case QEvent::FocusOut:
        wanted = Passing(static_cast<QFocusEvent*>(event)->reason()) && !isHidden();
        Display(false);
        break;
    case QEvent::KeyPress:
        if (control->hasFocus())
            Display(true);
        break;
    case QEvent::Resize:
        setGeometry(control->rect());
        break;
    case QEvent::ChildAdded:
        // A piece added later must not cover the ring.
        if (!isHidden())
            raise();
        break;
    default:
        break;
    }
    return false;
}

void FocusRing::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QPen pen(Skins::AccentColor());
    pen.setWidth(kPenPixels);
    pen.setStyle(Qt::DotLine);
    painter.setPen(pen);
    painter.drawRect(rect().adjusted(0, 0, -kPenPixels, -kPenPixels));
}
