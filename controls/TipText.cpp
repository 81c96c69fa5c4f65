#include "controls/TipText.h"

#include <QStringList>

QString TipText::Capped(const QString& text)
{
    QString unified = text;
    unified.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    unified.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QStringList lines = unified.split(QLatin1Char('\n'));
    const bool moreLines = lines.size() > kMaxLines;
    if (moreLines)
        lines = lines.mid(0, kMaxLines);
    for (QString& line : lines) {
        // Tabs would widen a line past any count of characters.
        line.replace(QLatin1Char('\t'), QLatin1String("    "));
        if (line.size() > kMaxLineCharacters)
            line = line.left(kMaxLineCharacters - 1) + kEllipsis;
    }
    if (moreLines)
        lines << QString(kEllipsis);
    return lines.join(QLatin1Char('\n'));
}
