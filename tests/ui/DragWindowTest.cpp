// Dragging a borderless window by its background: the grabbed point stays
// under the pointer from the first move, and the release ends the drag
// however soon it comes.
#include "UiTestSupport.h"

#include "ui/DragWindow.h"

#include <QApplication>
#include <QMouseEvent>

namespace {

class DragTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        window.setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
        window.setGeometry(300, 200, 240, 120);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        start = window.frameGeometry().topLeft();
    }
    void Send(QEvent::Type type, QPointF global, Qt::MouseButtons held)
    {
        const QPointF local = global - QPointF(window.frameGeometry().topLeft());
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, local, global, button, held, Qt::NoModifier);
        QApplication::sendEvent(&window, &event);
        Pump();
    }
    QPoint Moved() { return window.frameGeometry().topLeft() - start; }

    QWidget window;
    QPoint start;
};

} // namespace

TEST_F(DragTest, TheWindowFollowsThePointerExactlyFromTheFirstMove)
{
    const QPointF pressed = QPointF(start) + QPointF(40, 30);
    DragWindow(&window, pressed);
    Send(QEvent::MouseMove, pressed + QPointF(100, 100), Qt::LeftButton);
    EXPECT_EQ(Moved(), QPoint(100, 100));
    Send(QEvent::MouseMove, pressed + QPointF(-50, 7), Qt::LeftButton);
    EXPECT_EQ(Moved(), QPoint(-50, 7));
    Send(QEvent::MouseButtonRelease, pressed + QPointF(-50, 7), Qt::NoButton);
    // Over: later moves, even with a button held, leave it where it is.
    Send(QEvent::MouseMove, pressed + QPointF(200, 200), Qt::LeftButton);
    EXPECT_EQ(Moved(), QPoint(-50, 7));
}

TEST_F(DragTest, AQuickClickLeavesNothingGluedToThePointer)
{
    const QPointF pressed = QPointF(start) + QPointF(10, 10);
    DragWindow(&window, pressed);
    Send(QEvent::MouseButtonRelease, pressed, Qt::NoButton);
    Send(QEvent::MouseMove, pressed + QPointF(60, 60), Qt::LeftButton);
    EXPECT_EQ(Moved(), QPoint(0, 0));
    // A release the drag never saw: the first move with no button ends it.
    DragWindow(&window, pressed);
    Send(QEvent::MouseMove, pressed + QPointF(60, 60), Qt::NoButton);
    Send(QEvent::MouseMove, pressed + QPointF(90, 90), Qt::LeftButton);
    EXPECT_EQ(Moved(), QPoint(0, 0));
}

TEST_F(SettingsWindow, PressingTheBackgroundDragsTheWindowAndReleasingDrops)
{
    FormSetting* window = Open(1);
    ASSERT_NE(window, nullptr);
    const QPoint start = window->frameGeometry().topLeft();
    const QPoint inside(10, 10); // the top band, outside every control
    QTest::mousePress(window->windowHandle(), Qt::LeftButton, {}, inside);
    const QPointF global = QPointF(start + inside + QPoint(33, 44));
    QMouseEvent move(QEvent::MouseMove, QPointF(inside), global, Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &move);
    Pump();
    EXPECT_EQ(window->frameGeometry().topLeft() - start, QPoint(33, 44));
    QTest::mouseRelease(window->windowHandle(), Qt::LeftButton, {}, inside);
    Pump();
    const QPoint after = window->frameGeometry().topLeft();
    QMouseEvent later(QEvent::MouseMove, QPointF(inside), global + QPointF(50, 50), Qt::NoButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(window, &later);
    Pump();
    EXPECT_EQ(window->frameGeometry().topLeft(), after);
}
