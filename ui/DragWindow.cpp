#include "ui/DragWindow.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPointer>
#include <QWidget>

namespace {

// Moves the window with the pointer until a button is released; watches the
// whole application, since the pointer may leave the window.
class PointerDrag : public QObject
{
public:
    PointerDrag(QWidget* window, const QPointF& pressedAt)
        : window(window), offset(pressedAt - QPointF(window->frameGeometry().topLeft()))
    {
        qApp->installEventFilter(this);
    }

    bool eventFilter(QObject*, QEvent* event) override
    {
        if (!window || window->isHidden()) {
            Finish();
            return false;
        }
        switch (event->type()) {
        case QEvent::MouseMove: {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            // The release went somewhere we never saw (a grab elsewhere):
            // a move with no button held ends the drag.
            if (mouse->buttons() == Qt::NoButton) {
                Finish();
                return false;
            }
            window->move((mouse->globalPosition() - offset).toPoint());
            return true;
        }
        case QEvent::MouseButtonRelease:
            Finish();
            return false;
        default:
            return false;
        }
    }

private:
    void Finish()
    {
        qApp->removeEventFilter(this);
        deleteLater();
    }

    QPointer<QWidget> window;
    QPointF offset;
};

} // namespace

void DragWindow(QWidget* window, const QPointF& pressedAt)
{
    if (!window)
        return;
    new PointerDrag(window->window(), pressedAt);
}
