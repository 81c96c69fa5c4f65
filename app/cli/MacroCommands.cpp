#include "app/cli/MacroCommands.h"

#include "app/ReplaceMacros.h"
#include "app/engine/TypedCase.h"

#include <QLocale>
#include <QRegularExpression>

namespace {

const QString kAtOption = QStringLiteral("--at");
const QString kTypedOption = QStringLiteral("--typed");

// Takes "--typed ABBR" or "--typed=ABBR" out of args; a null string when absent.
QString TakeTyped(QStringList& args)
{
    for (qsizetype i = 0; i + 1 < args.size(); ++i) {
        if (args[i] == kTypedOption) {
            const QString typed = args[i + 1];
            args.remove(i, 2);
            return typed.isNull() ? QLatin1String("") : typed;
        }
        if (args[i].startsWith(kTypedOption + QLatin1Char('='))) {
            const QString typed = args[i].mid(kTypedOption.size() + 1);
            args.remove(i, 1);
            return typed;
        }
    }
    return QString();
}

} // namespace

QList<CliCommand> MacroCommands::Commands()
{
    return {
        {QStringLiteral("expand"), QStringLiteral("[--at YYYY-MM-DDTHH:MM:SS] [--typed ABBR-AS-TYPED] TEXT"),
         QStringLiteral("print TEXT with its date and time placeholders filled in; --typed: in the case the "
                        "abbreviation was typed in, as a snippet whose case follows the typing"),
         &Expand},
    };
}

QDateTime MacroCommands::ParseInstant(const QString& text)
{
    static const QRegularExpression form(QStringLiteral(R"(^(\d{4})-(\d{2})-(\d{2})T(\d{2}):(\d{2}):(\d{2})$)"));
    const QRegularExpressionMatch match = form.match(text);
    if (!match.hasMatch())
        return {};
    const QDate date(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt());
    const QTime time(match.captured(4).toInt(), match.captured(5).toInt(), match.captured(6).toInt());
    if (!date.isValid() || !time.isValid())
        return {};
    return QDateTime(date, time);
}

int MacroCommands::Expand(const CliContext& context)
{
    QStringList args = context.args;
    const QString typed = TakeTyped(args);
    MacroClock clock = &QDateTime::currentDateTime;
    if (!args.isEmpty() && (args.first() == kAtOption || args.first().startsWith(kAtOption + QLatin1Char('=')))) {
        QString value;
        if (args.first() == kAtOption) {
            if (args.size() < 2)
                throw CliUsageError("--at needs a date and time");
            value = args[1];
            args.remove(0, 2);
        } else {
            value = args.first().mid(kAtOption.size() + 1);
            args.remove(0, 1);
        }
        const QDateTime at = ParseInstant(value);
        if (!at.isValid())
            throw CliUsageError(
                QStringLiteral("\"%1\" is not a date and time of the form YYYY-MM-DDTHH:MM:SS").arg(value).toStdString());
        clock = [at] { return at; };
    }
    if (args.size() != 1)
        throw CliUsageError("expand takes one text");
    const QString expanded = ReplaceMacros(args.first(), clock, QLocale::system());
    context.out << (typed.isNull() ? expanded : TypedCase::Apply(expanded, typed)) << Qt::endl;
    return 0;
}
