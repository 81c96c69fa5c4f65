#include "core/AppPattern.h"

AppPattern::AppPattern(const QString& text) : text(text.trimmed())
{
    const QLatin1String prefix(kTitlePrefix);
    byTitle = this->text.startsWith(prefix, Qt::CaseInsensitive);
    wanted = (byTitle ? this->text.mid(prefix.size()) : this->text).toCaseFolded();
}

bool AppPattern::IsValid(const QString& text)
{
    const QString trimmed = text.trimmed();
    return !trimmed.isEmpty() && trimmed.compare(QLatin1String(kTitlePrefix), Qt::CaseInsensitive) != 0;
}

bool AppPattern::Matches(const QStringList& classes, const QString& title) const
{
    if (byTitle)
        return !wanted.isEmpty() && Wildcard(wanted, title.toCaseFolded());
    if (wanted.isEmpty())
        return false;
    for (const QString& name : classes)
        if (name.toCaseFolded() == wanted)
            return true;
    return false;
}

bool AppPattern::AnyMatches(const QStringList& patterns, const QStringList& classes, const QString& title)
{
    for (const QString& pattern : patterns)
        if (AppPattern(pattern).Matches(classes, title))
            return true;
    return false;
}

// Greedy matching with one point to go back to (the last "*"): linear for
// the usual patterns, never exponential, whatever a title holds.
bool AppPattern::Wildcard(const QString& pattern, const QString& subject)
{
    qsizetype p = 0, s = 0, star = -1, resume = 0;
    while (s < subject.size()) {
        if (p < pattern.size() && (pattern[p] == QLatin1Char('?') || pattern[p] == subject[s])) {
            ++p;
            ++s;
        } else if (p < pattern.size() && pattern[p] == QLatin1Char('*')) {
            star = p++;
            resume = s;
        } else if (star >= 0) {
            p = star + 1;
            s = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == QLatin1Char('*'))
        ++p;
    return p == pattern.size();
}
