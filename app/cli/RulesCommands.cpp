#include "app/cli/RulesCommands.h"

#include "app/cli/ChannelCommands.h"
#include "core/AppRule.h"
#include "core/ProgramFolder.h"
#include "core/QuilloError.h"
#include "settings/OptionMgr.h"

#include <QFileInfo>

QList<CliCommand> RulesCommands::Commands()
{
    return {
        {QStringLiteral("rules"), QStringLiteral("list|exclude APP|include APP"),
         QStringLiteral("list the applications where nothing expands, or exclude or include one "
                        "(APP: a window class, Wayland app id or title:PATTERN)"),
         &Rules},
    };
}

int RulesCommands::Rules(const CliContext& context)
{
    const QString action = context.args.value(0);
    const bool list = action == QLatin1String("list");
    const bool exclude = action == QLatin1String("exclude");
    const bool include = action == QLatin1String("include");
    if (!list && !exclude && !include)
        throw CliUsageError(context.args.isEmpty() ? "rules takes list, exclude or include"
                                                   : "unknown action \"" + action.toStdString() +
                                                         "\"; it is list, exclude or include");
    if (context.args.size() != (list ? 1 : 2))
        throw CliUsageError(list ? "rules list takes nothing more" : "rules " + action.toStdString() + " takes one APP");

    const QString path = ProgramFolder::SettingsPath(context.home);
    // Rules alone would make a file the program then finds without its options.
    if (!QFileInfo(path).isFile())
        throw QuilloError(0, QStringLiteral("quillo"),
                          QStringLiteral("the options file \"%1\" does not exist; quillo init makes it").arg(path));
    OptionMgr options;
    options.LoadVars(path);
    for (const QString& problem : options.LoadProblems())
        if (problem.startsWith(QLatin1String(OptionMgr::kExcludeKey)))
            context.err << "quillo: settings.ini: " << problem << " (left out)" << Qt::endl;
    if (list) {
        for (const AppRule& rule : options.ExcludeRules())
            context.out << rule.Text() << '\n';
        context.out.flush();
        return 0;
    }

    const QString app = context.args[1];
    const QString problem = AppRule::Problem(app);
    if (!problem.isEmpty())
        throw CliUsageError(problem.toStdString());
    const QString text = AppRule::Parse(app)->Text();
    if (exclude) {
        if (!options.AddExcludeRule(text)) {
            context.out << text << " is excluded already" << Qt::endl;
            return 0;
        }
    } else if (!options.RemoveExcludeRule(text)) {
        throw QuilloError(0, QStringLiteral("quillo"), QStringLiteral("no rule excludes \"%1\"").arg(text));
    }
    // The running program takes the rule at once (it would also notice the
    // file a moment later).
    const ControlClient::Result result =
        ChannelCommands::Send(context, QLatin1String(kReloadOptionsCommand));
    if (result.outcome == ControlClient::Outcome::Replied && !result.error.isEmpty())
        context.err << "quillo: the running Quillo did not read the options again: " << result.error << Qt::endl;
    context.out << (exclude ? "excluded " : "included ") << text << Qt::endl;
    return 0;
}
