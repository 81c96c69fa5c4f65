#include "settings/HotKey.h"

#include "settings/KeyNames.h"

#include <QStringList>

std::optional<HotKey> HotKey::Parse(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char('+'));
    HotKey key;
    key.keyCode = KeyNameToCode(parts.last().trimmed());
    if (key.keyCode == 0)
        return std::nullopt;
    for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
        const QString modifier = parts[i].trimmed();
        if (modifier.compare(QLatin1String("Shift"), Qt::CaseInsensitive) == 0)
            key.shift = true;
        else if (modifier.compare(QLatin1String("Ctrl"), Qt::CaseInsensitive) == 0 ||
                 modifier.compare(QLatin1String("Control"), Qt::CaseInsensitive) == 0)
            key.ctrl = true;
        else if (modifier.compare(QLatin1String("Alt"), Qt::CaseInsensitive) == 0)
            key.alt = true;
        else
            return std::nullopt;
    }
    return key;
}
