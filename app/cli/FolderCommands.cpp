#include "app/cli/FolderCommands.h"

#include "core/ProgramFolder.h"

QList<CliCommand> FolderCommands::Commands()
{
    return {
        {QStringLiteral("init"), QString(),
         QStringLiteral("fill the folder with the default options and sample snippets it lacks"), &Init},
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
