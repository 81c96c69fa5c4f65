#pragma once

#include <QRect>
#include <QSize>
#include <QtGlobal>

// Layouts are written in twips, the unit the controls were designed in, and
// turned into pixels only when placed: 15 twips are one pixel at 96 dpi.
class Twips
{
public:
    static constexpr int kTwipsPerPixel = 15;

    static int ToPixels(int twips) { return qRound(double(twips) / kTwipsPerPixel); }
    static QSize Size(int width, int height) { return {ToPixels(width), ToPixels(height)}; }
    static QRect Rect(int left, int top, int width, int height)
    {
        return {ToPixels(left), ToPixels(top), ToPixels(width), ToPixels(height)};
    }
};
