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
    if (rule.text.startsWith(QLatin1String(kTitlePrefix))) {
        const QString pattern = rule.text.mid(qsizetype(qstrlen(kTitlePrefix)));
        // Only * and ? are wildcards: brackets and the like in a title are
        // the characters themselves.
        QString expression, literal;
        for (const QChar c : pattern) {
            if (c != QLatin1Char('*') && c != QLatin1Char('?')) {
                literal += c;
                continue;
            }
            expression += QRegularExpression::escape(literal) +
                          (c == QLatin1Char('*') ? QStringLiteral(".*") : QStringLiteral("."));
            literal.clear();
        }
        expression += QRegularExpression::escape(literal);
        rule.titlePattern = QRegularExpression(QRegularExpression::anchoredPattern(expression),
                                               QRegularExpression::CaseInsensitiveOption |
                                                   QRegularExpression::DotMatchesEverythingOption);
    } else {
        rule.className = rule.text;
    }
    return rule;
}

bool AppRule::Matches(const QStringList& classes, const QString& title) const
{
    if (titlePattern)
        return titlePattern->match(title).hasMatch();
    return std::any_of(classes.begin(), classes.end(),
                       [this](const QString& name) { return name.compare(className, Qt::CaseInsensitive) == 0; });
}

bool AppRule::SameRule(const QString& a, const QString& b)
{
    return Normalized(a).compare(Normalized(b), Qt::CaseInsensitive) == 0;
}
