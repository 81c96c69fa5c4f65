#pragma once

class QWidget;

// Starts moving a top-level window with the mouse, as if its title bar had
// been grabbed; call it from a mouse press on the window's background. The
// window manager moves it where there is one; otherwise the window follows
// the pointer until the button is released.
void DragWindow(QWidget* window);
