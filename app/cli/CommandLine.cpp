#include "app/cli/CommandLine.h"

#include "app/cli/ChannelCommands.h"
#include "app/cli/ControlChannel.h"
#include "app/cli/ControlClient.h"
#include "app/cli/FolderCommands.h"
#include "app/cli/KeysCommands.h"
#include "app/cli/MacroCommands.h"
#include "app/cli/StoreCommands.h"
#include "app/cli/TransferCommands.h"
#include "core/ProgramFolder.h"
#include "core/QuilloError.h"

#include <QCoreApplication>

static_assert(CommandLine::kExitNotRunning == ChannelCommands::kExitNotRunning);

namespace {

struct ParsedArgs
{
    QString home;
    bool help = false;
    bool version = false;
    QString error;
    QStringList rest; // command name and its words
};

ParsedArgs Parse(const QStringList& args)
{
    ParsedArgs parsed;
    for (int i = 0; i < args.size(); ++i) {
        const QString& word = args[i];
        if (!parsed.rest.isEmpty()) {
            parsed.rest << word;
        } else if (word == QLatin1String("--home")) {
            if (i + 1 >= args.size()) {
                parsed.error = QStringLiteral("--home needs a folder");
                return parsed;
            }
            parsed.home = args[++i];
        } else if (word.startsWith(QLatin1String("--home="))) {
            parsed.home = word.mid(7);
        } else if (word == QLatin1String("--help") || word == QLatin1String("-h")) {
            parsed.help = true;
        } else if (word == QLatin1String("--version")) {
            parsed.version = true;
        } else if (word.startsWith(QLatin1Char('-'))) {
            // Options of the tray program itself (a later --minimized, say)
            // are not ours to refuse; commands start with a plain word.
            continue;
        } else {
            parsed.rest << word;
        }
    }
    return parsed;
}

} // namespace

CommandLine::CommandLine(QStringList args) : args(std::move(args)) {}

bool CommandLine::WantsCommand() const
{
    const ParsedArgs parsed = Parse(args);
    return parsed.help || parsed.version || !parsed.rest.isEmpty() || !parsed.error.isEmpty();
}

bool CommandLine::NeedsGui() const
{
    const ParsedArgs parsed = Parse(args);
    return parsed.error.isEmpty() && !parsed.help && !parsed.version && !parsed.rest.isEmpty() &&
           TransferCommands::NeedsGui(parsed.rest.first());
}

QString CommandLine::HomeOption() const
{
    return Parse(args).home;
}

QList<CliCommand> CommandLine::Commands()
{
    return StoreCommands::Commands() + MacroCommands::Commands() + KeysCommands::Commands() +
           TransferCommands::Commands() + FolderCommands::Commands() + ChannelCommands::Commands();
}

QString CommandLine::HelpText()
{
    QString text = QStringLiteral(
        "Usage: quillo [--home DIR] [COMMAND [ARGS...]]\n"
        "\n"
        "Quillo expands abbreviations into snippets while you type.\n"
        "Without a command it starts the tray program.\n"
        "\n"
        "Options:\n"
        "  --home DIR   use the folder DIR for the snippets and options (default:\n"
        "               $QUILLO_HOME, else the executable's folder when it holds\n"
        "               settings.ini, else $XDG_CONFIG_HOME/quillo)\n"
        "  --help       show this help\n"
        "  --version    show the version\n"
        "\n"
        "Commands:\n");
    for (const CliCommand& command : Commands()) {
        const QString head = command.name + (command.usage.isEmpty() ? QString() : QLatin1Char(' ') + command.usage);
        text += QStringLiteral("  %1  %2\n").arg(head.leftJustified(26), command.summary);
    }
    text += QStringLiteral(
        "\n"
        "Exit codes: 0 done, 1 failed, 2 wrong usage, 3 Quillo is not running\n"
        "(the commands that reach the running Quillo).\n");
    return text;
}

bool CommandLine::ChangesStore(const QString& commandName)
{
    return commandName == QLatin1String("add") || commandName == QLatin1String("delete") ||
           commandName == QLatin1String("import");
}

int CommandLine::Run(QTextStream& out, QTextStream& err) const
{
    const ParsedArgs parsed = Parse(args);
    if (!parsed.error.isEmpty()) {
        err << "quillo: " << parsed.error << Qt::endl;
        return kExitUsage;
    }
    if (parsed.help) {
        out << HelpText();
        return kExitOk;
    }
    if (parsed.version) {
        out << "quillo " << QCoreApplication::applicationVersion() << Qt::endl;
        return kExitOk;
    }
    if (parsed.rest.isEmpty()) {
        err << "quillo: no command given; see quillo --help" << Qt::endl;
        return kExitUsage;
    }
    const QString name = parsed.rest.first();
    for (const CliCommand& command : Commands()) {
        if (command.name != name)
            continue;
        const CliContext context{ProgramFolder::Resolve(parsed.home), parsed.rest.mid(1), out, err};
        try {
            const int code = command.run(context);
            // A running program reads the store again at once.
            if (code == kExitOk && ChangesStore(command.name))
                ControlClient(ControlChannel::DefaultSocketPath()).NotifyStoreChanged();
            return code;
        } catch (const CliUsageError& e) {
            err << "quillo: " << e.what() << " (usage: quillo " << command.name << ' ' << command.usage
                << ')' << Qt::endl;
            return kExitUsage;
        } catch (const QuilloError& e) {
            err << "quillo: " << e.Message() << Qt::endl;
            return kExitFailure;
        } catch (const std::exception& e) {
            err << "quillo: " << e.what() << Qt::endl;
            return kExitFailure;
        }
    }
    err << "quillo: unknown command \"" << name << "\"; see quillo --help" << Qt::endl;
    return kExitUsage;
}
