#include "app/cli/FolderCommands.h"

#include "core/ProgramFolder.h"
#include "core/ProgramLog.h"

QList<CliCommand> FolderCommands::Commands()
{
    return {
        {QStringLiteral("init"), QString(),
         QStringLiteral("fill the folder with the default options and sample snippets it lacks"), &Init},
        {QStringLiteral("path"), QStringLiteral("[folder|database|options|log]"),
         QStringLiteral("show where the snippets, options and log are (one of them: its path alone)"), &Path},
    };
}

int FolderCommands::Init(const CliContext& context)
{
    if (!context.args.isEmpty())
        throw CliUsageError("init takes no arguments");
    const QStringList created = ProgramFolder::FillFromDefaults(context.home);
    for (const QString& path : created)
        context.out << "created " << path << Qt::endl;
    if (created.isEmpty())
        context.out << context.home << " already holds " << ProgramFolder::kSettingsName << " and "
                    << ProgramFolder::kDatabaseName << "; nothing was replaced" << Qt::endl;
    return 0;
}

int FolderCommands::Path(const CliContext& context)
{
    const QList<std::pair<QString, QString>> paths{
        {QStringLiteral("folder"), context.home},
        {QStringLiteral("database"), ProgramFolder::DatabasePath(context.home)},
        {QStringLiteral("options"), ProgramFolder::SettingsPath(context.home)},
        {QStringLiteral("log"), ProgramLog::DefaultPath()},
    };
    if (context.args.size() > 1)
        throw CliUsageError("too many arguments");
    if (context.args.isEmpty()) {
        for (const auto& [name, path] : paths)
            context.out << (name.at(0).toUpper() + name.mid(1) + QLatin1Char(':')).leftJustified(10) << path << '\n';
        context.out.flush();
        return 0;
    }
    for (const auto& [name, path] : paths) {
        if (name == context.args.first()) {
            context.out << path << Qt::endl;
            return 0;
        }
    }
    throw CliUsageError("unknown path \"" + context.args.first().toStdString() + "\"");
}
