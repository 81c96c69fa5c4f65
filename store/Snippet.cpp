#include "store/Snippet.h"

#include "store/NewGuidString.h"

Snippet::Snippet() : groupName(QStringLiteral("default")), guidString(NewGuidString()) {}

SnippetPtr Snippet::Clone() const
{
    return std::make_shared<Snippet>(*this);
}

Snippet::TriggerMode Snippet::TriggerModeFromNumber(long long number)
{
    switch (number) {
    case int(TriggerMode::Immediately):
        return TriggerMode::Immediately;
    case int(TriggerMode::InsideWords):
        return TriggerMode::InsideWords;
    default:
        return TriggerMode::AfterDelimiter;
    }
}

Snippet::TriggerMode Snippet::TriggerModeFromName(const QString& name, bool* ok)
{
    for (TriggerMode mode : {TriggerMode::AfterDelimiter, TriggerMode::Immediately, TriggerMode::InsideWords})
        if (name.compare(TriggerModeName(mode), Qt::CaseInsensitive) == 0) {
            if (ok)
                *ok = true;
            return mode;
        }
    if (ok)
        *ok = false;
    return TriggerMode::AfterDelimiter;
}

QString Snippet::TriggerModeName(TriggerMode mode)
{
    switch (mode) {
    case TriggerMode::Immediately:
        return QStringLiteral("immediate");
    case TriggerMode::InsideWords:
        return QStringLiteral("inword");
    case TriggerMode::AfterDelimiter:
        break;
    }
    return QStringLiteral("delimiter");
}
