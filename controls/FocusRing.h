#pragma once

#include "controls/QKUIExport.h"

#include <QWidget>

class QKeyEvent;

// The keyboard focus shown on a skinned control: a thin ring in the skin's
// accent colour drawn over the control's edge while it has the focus.
//
// The ring shows only when the user works with the keyboard: focus that
// arrives by Tab, Shift+Tab, a shortcut or the program shows it, and so does
// any key pressed on the control; focus from a mouse click does not, so the
// windows look exactly as before to someone using the mouse. When the window
// loses and regains activation, the ring comes back as it was.
//
// Attach() makes a control reachable by Tab (not by clicking, which keeps
// the focus where a mouse user left it), and puts the ring on it as a child
// that lets the mouse through and paints nothing else.
class QKUI_EXPORT FocusRing : public QWidget
{
    Q_OBJECT
public:
    // The ring's width in pixels.
    static constexpr int kPenPixels = 1;

    // The ring of `control`, made on first use.
    static FocusRing* Attach(QWidget* control);
    static FocusRing* Of(const QWidget* control);
    // Whether the control shows its ring now.
    static bool Showing(const QWidget* control);
    // Space or Enter pressed once (not held), without Ctrl or Alt: the keys
    // that act on a focused control.
    static bool Activates(const QKeyEvent* event);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    explicit FocusRing(QWidget* control);
    void Display(bool on);

    QWidget* control;
    // Keyboard use shown when the window last lost the focus.
    bool wanted = false;
};
