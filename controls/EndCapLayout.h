#pragma once

#include "controls/QKUIExport.h"

class QKUserControl;
class QWidget;

// The layout of the bar-shaped controls (buttons, text fields, tips, the
// drop-down list): a body picture open to the right and an end cap that
// stays flush with the right edge. Apply() runs on every resize:
//   1. a height above the cap's height becomes the cap's height (a smaller
//      one stays, the control is then cut at the bottom);
//   2. the width is limited to maxWidth, then raised to minWidth;
//   3. the cap goes to top 0, left = width - cap width.
// The control places its other pieces afterwards.
class QKUI_EXPORT EndCapLayout
{
public:
    static void Apply(QKUserControl& control, QWidget& cap, double minWidth, double maxWidth);
    // Step 3 alone, as Show does it.
    static void PlaceCap(const QKUserControl& control, QWidget& cap);
};
