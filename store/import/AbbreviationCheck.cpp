#include "store/import/AbbreviationCheck.h"

QString AbbreviationCheck::Problem(const QString& abbreviation)
{
    if (abbreviation.isEmpty())
        return QStringLiteral("an empty trigger");
    if (abbreviation.size() > kMaxAbbreviationLength)
        return QStringLiteral("\"%1\" is longer than the %2 characters an abbreviation may have")
            .arg(abbreviation)
            .arg(kMaxAbbreviationLength);
    for (const QChar c : abbreviation)
        if (c.isSpace() || c.category() == QChar::Other_Control)
            return QStringLiteral("\"%1\" holds a space or a control character; an abbreviation is typed as one word")
                .arg(abbreviation);
    return QString();
}
