#pragma once

#include "controls/QKUIExport.h"

#include <QRect>
#include <QScrollArea>
#include <QSizeF>

// The client area of a top-level window whose content may be larger than
// the screen it opens on (a 478-pixel window on a screen scaled 200 %, 384
// pixels high). The content lives on Surface(), a widget of the content's
// size placed at the top-left of a scroll area that fills the window; the
// controls keep their twip geometry on it, whatever part of it shows.
//
// Where the screen holds the whole content, the window is exactly the
// content's size, no scroll bar shows and nothing looks or behaves
// differently. Where it does not, the window takes what the screen's free
// area holds and scroll bars reach the rest; the control the keyboard moves
// to is scrolled into view. Keys are left to the window: the arrows and
// paging keys mean what the window's controls make of them.
class QKUI_EXPORT FormViewport : public QScrollArea
{
    Q_OBJECT
public:
    FormViewport(QWidget* window, const QSizeF& contentTwips);

    QWidget* Surface() const { return surface; }

    // Sizes the window to its content, or as far as `area` (a screen's
    // available geometry, in pixels) holds it, and places it centred in
    // `area`, wholly inside it.
    void FitInto(const QRect& area);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void FollowFocus(QWidget* now);

    QWidget* window;
    QWidget* surface;
};
