#pragma once

#include "controls/QKUIExport.h"

#include <QColor>
#include <QFont>
#include <QPixmap>

class QPainter;

// The artwork of the controls, drawn by code the first time it is asked for
// and kept for the life of the process. Every picture has the pixel size the
// control's layout counts on; state pictures hold their looks stacked
// vertically (look k starts at k x lookHeight).
//
// The pictures handed out are drawn at 96 dpi and stay the measure of every
// layout. On a scaled screen (device pixel ratio 2 at 200 %) the controls
// paint through DrawPicture, which draws the same artwork again for that
// ratio, so edges and letters stay sharp instead of being enlarged bitmaps.
//
// The style: white and light grey panels with soft grey borders, dark grey
// Arial text, one blue accent for ticks, selections and pressed faces.
class QKUI_EXPORT Skins
{
public:
    // Arial 9 pt at the 96 dpi the twips assume (12 pixels), regular.
    static QFont TextFont();
    static QColor TextColor();     // RGB(64,64,64)
    static QColor White();         // RGB(255,255,255)
    static QColor TipGrey();       // RGB(224,224,224)
    static QColor BorderColor();   // soft grey of borders
    static QColor AccentColor();   // the one blue of ticks and selections

    static QPixmap WhiteFramePanel();   // 356 x 500
    static QPixmap WhiteFrameRight();   // 2 x 500
    static QPixmap WhiteFrameBottom();  // 356 x 2
    static QPixmap WhiteFrameCorner();  // 3 x 3
    static QPixmap GrayFramePanel();    // 486 x 529
    static QPixmap GrayFrameRight();    // 7 x 529
    static QPixmap GrayFrameBottom();   // 485 x 7
    static QPixmap GrayFrameCorner();   // 7 x 7

    static QPixmap CommonButtonBody();  // 300 x 18
    static QPixmap CommonButtonCap();   // 9 x 18
    static QPixmap AddButton();         // 23 x 40, 2 looks
    static QPixmap FunctionButton();    // 31 x 40, 2 looks
    static QPixmap EditButton();        // 27 x 36, 2 looks
    static QPixmap DelButton();         // 16 x 48, 3 looks (normal, pressed, disabled)
    static QPixmap CloseButton();       // 11 x 22, 2 looks

    static QPixmap TextField();         // 300 x 19
    static QPixmap TextFieldCap();      // 4 x 19
    static QPixmap SearchField();       // 200 x 22
    static QPixmap SearchFieldCap();    // 12 x 22
    static QPixmap EditPanel();         // 356 x 237
    static QPixmap EditPanelRight();    // 2 x 239
    static QPixmap EditPanelBottom();   // 356 x 2
    static QPixmap EditPanelCorner();   // 3 x 3
    static QPixmap TipBody();           // 100 x 17
    static QPixmap TipCap();            // 8 x 17
    static QPixmap CheckMark();         // 14 x 30, 2 looks (clear, ticked)
    static QPixmap RadioMark();         // 14 x 28, 2 looks (clear, selected)
    static QPixmap ListField();         // 300 x 18
    static QPixmap ListArrow();         // 18 x 18
    static QPixmap ScrollTrack();       // 16 x 600
    static QPixmap ScrollThumb();       // 16 x 209
    static QPixmap ScrollThumbCap();    // 16 x 10
    static QPixmap TabStrip();          // 201 x 66, 3 looks (tab 1, 2, 3 selected)

    // `picture` drawn for `ratio` device pixels per pixel, with the same size
    // in pixels; a picture that did not come from here is returned as it is.
    static QPixmap ForRatio(const QPixmap& picture, qreal ratio);
    // Draws `picture` with its top-left corner at `at`, for the ratio of the
    // device `painter` paints on.
    static void DrawPicture(QPainter& painter, const QPointF& at, const QPixmap& picture);

    // 16 x 15 toolbox icon of a control, for a form designer.
    static QPixmap ToolboxIcon(const QString& controlName);
};
