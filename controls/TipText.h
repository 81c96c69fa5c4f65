#pragma once

#include "controls/QKUIExport.h"

#include <QString>

// Hover texts that stay readable whatever they show: a snippet's content can
// run to thousands of lines, and a tooltip as tall as the text would cover
// the screen. The first lines are kept, each cut to a readable width, and an
// ellipsis marks whatever was left out.
class QKUI_EXPORT TipText
{
public:
    static constexpr int kMaxLines = 20;
    static constexpr int kMaxLineCharacters = 100;
    static constexpr QChar kEllipsis = QChar(u'\u2026');

    static QString Capped(const QString& text);
};
