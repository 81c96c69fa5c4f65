#include "app/ReplaceMacros.h"

#include "app/DatePattern.h"
#include "app/MacroTable.h"

QString ReplaceMacros(const QString& content)
{
    return ReplaceMacros(content, &QDateTime::currentDateTime, QLocale::system());
}

QString ReplaceMacros(const QString& content, const MacroClock& clock, const QLocale& locale)
{
    if (!content.contains(u'[') || !content.contains(u']'))
        return content;
    QString result = content;
    for (const MacroEntry& entry : MacroTable::Entries()) {
        // Only placeholders that occur cost a clock reading and a rendering.
        if (!result.contains(entry.placeholder))
            continue;
        result.replace(entry.placeholder, DatePattern::Format(entry.pattern, clock(), locale));
    }
    return result;
}
