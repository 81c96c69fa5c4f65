#pragma once

#include "controls/ControlRegistry.h"
#include "controls/QKUserControl.h"

#include <QApplication>
#include <QMouseEvent>
#include <QStringList>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>

// A shown top-level window to put controls on, so that mouse and key events
// take the same path as on screen (including the press grab).
class QKControlTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        host = std::make_unique<QWidget>();
        host->resize(900, 700);
        host->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(host.get()));
    }

    // A new instance by programmatic identifier, set up as new, placed and
    // shown.
    template <class T> T* Make(const QString& control, const QString& name = "ctl")
    {
        QKUserControl* made = ControlRegistry::Create("QKUIControls." + control, host.get(), name);
        made->InitNew();
        made->Move(150, 150, made->Width(), made->Height());
        made->show();
        QCoreApplication::processEvents();
        T* typed = qobject_cast<T*>(made);
        EXPECT_NE(typed, nullptr);
        return typed;
    }

    // Records the keys a control announces as changed.
    static std::shared_ptr<QStringList> RecordChanges(QKUserControl* control)
    {
        auto keys = std::make_shared<QStringList>();
        QObject::connect(control, &QKUserControl::PropertyChanged, [keys](const QString& key) { *keys << key; });
        return keys;
    }

    // Delivers one mouse event straight to a widget (position in pixels).
    static void Send(QWidget* target, QEvent::Type type, QPointF at, Qt::MouseButton button = Qt::LeftButton)
    {
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
        QMouseEvent event(type, at, target->mapToGlobal(at), type == QEvent::MouseMove ? Qt::NoButton : button, held,
                          Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    }

    // Mouse input through the window, as the pointer delivers it: the widget
    // under the point gets the press, and the one that got the press gets the
    // release wherever it happens. Points are relative to `on`.
    void PressAt(QWidget* on, QPoint at, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mousePress(host->windowHandle(), button, {}, on->mapTo(host.get(), at));
    }
    void ReleaseAt(QWidget* on, QPoint at, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mouseRelease(host->windowHandle(), button, {}, on->mapTo(host.get(), at));
    }
    void ClickAt(QWidget* on, QPoint at, Qt::MouseButton button = Qt::LeftButton)
    {
        PressAt(on, at, button);
        ReleaseAt(on, at, button);
    }

    std::unique_ptr<QWidget> host;
};
