#include "ui/DragWindow.h"

#include <QApplication>
#include <QCursor>
#include <QMouseEvent>
#include <QPointer>
#include <QWidget>
#include <QWindow>

namespace {

// Moves the window with the pointer until any button is released; watches
// the whole application, since the pointer may leave the window.
class PointerDrag : public QObject
{
public:
    explicit PointerDrag(QWidget* window)
        : window(window), offset(QCursor::pos() - window->frameGeometry().topLeft())
    {
        qApp->installEventFilter(this);
    }

    bool eventFilter(QObject*, QEvent* event) override
    {
        if (!window) {
            deleteLater();
            return false;
        }
        if (event->type() == QEvent::MouseMove) {
            window->move(static_cast<QMouseEvent*>(event)->globalPosition().toPoint() - offset);
            return true;
        }
        if (event->type() == QEvent::MouseButtonRelease) {
            qApp->removeEventFilter(this);
            deleteLater();
        }
        return false;
    }

private:
    QPointer<QWidget> window;
    QPoint offset;
};

} // namespace

void DragWindow(QWidget* window)
{
    if (!window)
        return;
    window = window->window();
    QWindow* handle = window->windowHandle();
    if (handle && handle->startSystemMove())
        return;
    new PointerDrag(window);
}
