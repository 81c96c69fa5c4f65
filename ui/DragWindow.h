#pragma once

class QPointF;
class QWidget;

// Starts moving a top-level window with the mouse, as if its title bar had
// been grabbed; call it from a mouse press on the window's background with
// the press's screen position. The window follows the pointer exactly, the
// grabbed point staying under it, until the button is released, however
// soon that is.
//
// The window is moved by the program itself, with or without a window
// manager: asking the window manager to do the move made the first drag jump
// by the window's own screen position on some starts, and a quick click left
// the window glued to the pointer until the next click.
void DragWindow(QWidget* window, const QPointF& pressedAt);
