#pragma once

#include "harness/ProvellaExport.h"

#include <QColor>
#include <QFont>

class QWidget;

// The look every harness control shares: its face and the two verdict colours.
class PROVELLA_EXPORT HarnessLook
{
public:
    static constexpr double kFontPointSize = 8.25;

    static QColor Green() { return QColor(0, 200, 0); }
    static QColor Red() { return QColor(200, 0, 0); }

    // The design face, falling back to the closest metric match installed.
    static QFont ControlFont();

    static void SetTextColour(QWidget* widget, const QColor& colour);
    static void SetBackground(QWidget* widget, const QColor& colour);
};
