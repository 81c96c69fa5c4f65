#include "core/AppRule.h"

#include <algorithm>

namespace {

QString Normalized(const QString& text)
{
    QString rule = text.trimmed();
    const qsizetype prefix = qsizetype(qstrlen(AppRule::kTitlePrefix));
    if (rule.startsWith(QLatin1String(AppRule::kTitlePrefix), Qt::CaseInsensitive))
        rule = QLatin1String(AppRule::kTitlePrefix) + rule.mid(prefix);
    return rule;
}

} // namespace

QString AppRule::Problem(const QString& raw)
{
    const QString rule = Normalized(raw);
    if (rule.isEmpty())
        return QStringLiteral("an empty rule names no application");
    if (std::any_of(rule.begin(), rule.end(), [](QChar c) { return c.category() == QChar::Other_Control; }))
        return QStringLiteral("\"%1\" holds a control character").arg(rule);
    if (rule.startsWith(QLatin1String(kTitlePrefix))) {
        if (rule.mid(qsizetype(qstrlen(kTitlePrefix))).trimmed().isEmpty())
            return QStringLiteral("\"%1\" gives no title pattern").arg(rule);
        return QString();
    }
    if (std::any_of(rule.begin(), rule.end(), [](QChar c) {
            return c == QLatin1Char('*') || c == QLatin1Char('?');
        }))
        return QStringLiteral("\"%1\" is no window class or application id (wildcards are for titles: "
                              "title:PATTERN)")
            .arg(rule);
    return QString();
}

std::optional<AppRule> AppRule::Parse(const QString& raw)
{
    if (!Problem(raw).isEmpty())
        return std::nullopt;
    AppRule rule;
    rule.text = Normalized(raw);
    rule.byTitle = rule.text.startsWith(QLatin1String(kTitlePrefix));
    rule.wanted = rule.byTitle ? rule.text.mid(qsizetype(qstrlen(kTitlePrefix))).toCaseFolded() : rule.text;
    return rule;
}

bool AppRule::Matches(const QStringList& classes, const QString& title) const
{
    if (byTitle)
        return Wildcard(wanted, title.toCaseFolded());
    return std::any_of(classes.begin(), classes.end(),
                       [this](const QString& name) { return name.compare(wanted, Qt::CaseInsensitive) == 0; });
}

bool AppRule::AnyMatches(const QStringList& texts, const QStringList& classes, const QString& title)
{
    return std::any_of(texts.begin(), texts.end(), [&](const QString& text) {
        const auto rule = Parse(text);
        return rule && rule->Matches(classes, title);
    });
}

// Only * and ? are wildcards: brackets and the like in a title are the
// characters themselves. Greedy matching with one point to go back to (the
// last "*"): linear for the usual patterns, never exponential, whatever a
// title holds.
bool AppRule::Wildcard(const QString& pattern, const QString& subject)
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

bool AppRule::SameRule(const QString& a, const QString& b)
{
    return Normalized(a).compare(Normalized(b), Qt::CaseInsensitive) == 0;
}

QStringList AppRule::SplitList(const QString& text)
{
    QStringList entries;
    QString entry;
    const auto finish = [&] {
        if (!entry.trimmed().isEmpty())
            entries << entry.trimmed();
        entry.clear();
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        const QChar next = i + 1 < text.size() ? text[i + 1] : QChar();
        if (c == QLatin1Char('\\') && (next == QLatin1Char(',') || next == QLatin1Char('\\'))) {
            entry += next;
            ++i;
        } else if (c == QLatin1Char(',')) {
            finish();
        } else {
            entry += c;
        }
    }
    finish();
    return entries;
}

QString AppRule::JoinList(const QStringList& texts, const QString& separator)
{
    QStringList escaped;
    for (const QString& text : texts) {
        QString out;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const QChar c = text[i];
            const QChar next = i + 1 < text.size() ? text[i + 1] : QChar();
            if (c == QLatin1Char(','))
                out += QLatin1String("\\,");
            // Doubled only where it would otherwise escape what follows
            // (the separator's comma included).
            else if (c == QLatin1Char('\\') && (next.isNull() || next == QLatin1Char(',') || next == QLatin1Char('\\')))
                out += QLatin1String("\\\\");
            else
                out += c;
        }
        escaped << out;
    }
    return escaped.join(separator);
}
