#include "harness/PropertyBag.h"

qsizetype PropertyBag::IndexOf(const QString& name) const
{
    // Property names are not case-sensitive, as in the forms they come from.
    for (qsizetype i = 0; i < entries.size(); ++i) {
        if (entries[i].first.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QVariant PropertyBag::ReadProperty(const QString& name, const QVariant& defaultValue) const
{
    const qsizetype i = IndexOf(name);
    return i < 0 ? defaultValue : entries[i].second;
}

void PropertyBag::WriteProperty(const QString& name, const QVariant& value,
                                const QVariant& defaultValue)
{
    const qsizetype i = IndexOf(name);
    if (defaultValue.isValid() && value == defaultValue) {
        if (i >= 0)
            entries.removeAt(i);
        return;
    }
    if (i >= 0)
        entries[i].second = value;
    else
        entries.append({name, value});
}

bool PropertyBag::Contains(const QString& name) const
{
    return IndexOf(name) >= 0;
}

QStringList PropertyBag::Keys() const
{
    QStringList keys;
    for (const auto& entry : entries)
        keys.append(entry.first);
    return keys;
}
