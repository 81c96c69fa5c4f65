#pragma once

#include "controls/QKUIExport.h"

#include <QColor>
#include <QPixmap>
#include <QWidget>

// A picture piece of a control (picBack, picMark, picRight, ...). It draws
// its picture unscaled from its top-left corner, clipped by its own size, over
// an optional fill colour. Setting a picture sizes the piece to it, in
// pixels: a picture made for a scaled screen (two device pixels per pixel)
// counts by the size it shows at. A skin picture is drawn for the ratio of
// the screen the piece is on (see Skins).
//
// Mouse signals carry positions in twips relative to the piece. As with any
// widget, the piece that received a press keeps receiving the moves and the
// release until the button goes up, wherever the pointer is. Click is a left
// press and release both inside the piece.
class QKUI_EXPORT QKPicture : public QWidget
{
    Q_OBJECT
public:
    explicit QKPicture(const QString& name, QWidget* parent);

    void SetPicture(const QPixmap& picture);
    const QPixmap& Picture() const { return picture; }
    double PictureWidth() const;
    double PictureHeight() const;
    void SetFillColor(const QColor& color);

signals:
    void MouseDown(Qt::MouseButton button, double x, double y);
    void MouseMove(Qt::MouseButtons buttons, double x, double y);
    void MouseUp(Qt::MouseButton button, double x, double y);
    void Click();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QPixmap picture;
    QColor fill;
};
