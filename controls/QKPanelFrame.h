#pragma once

#include "controls/QKUserControl.h"

class QKPicture;

// A panel with a finished right and bottom border at any size up to its
// picture's: the panel picture is the background, and three edge pieces
// (right strip picTopRight, bottom strip picBotLeft, corner picBotRight) follow
// the right and bottom edges. Width and height are limited to a maximum; there
// is no minimum. Frames take no input and publish nothing.
class QKUI_EXPORT QKPanelFrame : public QKUserControl
{
    Q_OBJECT
public:
    double MaxWidth() const { return maxWidth; }
    double MaxHeight() const { return maxHeight; }

protected:
    QKPanelFrame(QWidget* parent, const QPixmap& panel, const QPixmap& right, const QPixmap& bottom,
                 const QPixmap& corner, double maxWidth, double maxHeight);

    void OnResize() override;

private:
    QKPicture* picTopRight;
    QKPicture* picBotLeft;
    QKPicture* picBotRight;
    double maxWidth;
    double maxHeight;
};
