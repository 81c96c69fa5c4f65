#pragma once

#include "controls/QKUIExport.h"

#include <QRectF>
#include <QtGlobal>

class QWidget;

// Twips are the unit of every position and size in the windows and controls:
// 1440 per inch, 15 per pixel at 96 dpi (the resolution the skins are drawn
// for). A widget's twip rectangle is the source of truth: a value that is not
// a multiple of 15 keeps its exact twip value (fractions included) and is only
// rounded when turned into pixels for Qt. Any QWidget can be placed this way;
// the twip rectangle is remembered on the widget and handed back as long as
// nobody moved the widget by pixels behind our back, in which case the pixel
// geometry wins and is converted.
//
// Coordinates of a child are relative to its parent's client area; those of a
// top-level window are its client area on the screen.
class QKUI_EXPORT Twips
{
public:
    static constexpr int kPerPixel = 15;

    // Rounds half away from zero: a piece at -7.5 px draws at -8 like one at
    // +7.5 draws at +8, so symmetric layouts stay symmetric.
    static int ToPixels(double twips);
    static double FromPixels(int pixels) { return double(pixels) * kPerPixel; }
    static QRect ToPixels(const QRectF& twips);

    static QRectF Geometry(const QWidget* widget);
    static void SetGeometry(QWidget* widget, const QRectF& twips);
    static void Move(QWidget* widget, double left, double top);
    static void Resize(QWidget* widget, double width, double height);
    static void SetLeft(QWidget* widget, double left);
    static void SetTop(QWidget* widget, double top);
    static void SetWidth(QWidget* widget, double width);
    static void SetHeight(QWidget* widget, double height);

    // The conversion of a computed value into a 32-bit integer property:
    // nearest integer, ties to the even neighbour; saturates at the limits
    // instead of overflowing.
    static qint32 RoundHalfEven(double value);
    static qint16 RoundHalfEven16(double value);
};
