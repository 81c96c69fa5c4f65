#pragma once

#include "controls/QKUIExport.h"

class QWidget;

// A picture holding several looks of equal height stacked vertically. The
// piece showing it is as tall as the whole picture; the control around it is
// one look high and clips the rest, so look k shows when the piece sits at
// top -k x lookHeight.
class QKUI_EXPORT StatePicture
{
public:
    // pictureHeight / looks in whole twips, ties to even.
    static double LookHeight(double pictureHeight, int looks);
    static void ShowLook(QWidget& piece, int look, double lookHeight);
    // The look a piece shows now (nearest whole look).
    static int CurrentLook(const QWidget& piece, double lookHeight);
};
