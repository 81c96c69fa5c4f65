#include "app/cli/CommandLine.h"

#include "app/cli/ChannelCommands.h"
#include "app/cli/ControlChannel.h"
#include "app/cli/ControlClient.h"
#include "app/cli/FolderCommands.h"
#include "app/cli/KeysCommands.h"
#include "app/cli/LaunchCommands.h"
#include "app/cli/MacroCommands.h"
#include "app/cli/RulesCommands.h"
#include "app/cli/StoreCommands.h"
#include "app/cli/TransferCommands.h"
#include "core/ProgramFolder.h"
#include "core/ProgramLog.h"
#include "core/QuilloError.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QMap>
#include <algorithm>

static_assert(CommandLine::kExitNotRunning == ChannelCommands::kExitNotRunning);

namespace {

struct ParsedArgs
{
    QString home;
    QString backend;
    bool help = false;
    bool version = false;
    bool verbose = false;
    QString error;
    QStringList rest; // command name and its words
};

ParsedArgs Parse(const QStringList& args)
{
    ParsedArgs parsed;
    QCommandLineParser parser;
    // Everything after the command's name is the command's own.
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    const QCommandLineOption home(QStringLiteral("home"), QString(), QStringLiteral("DIR"));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringList{QStringLiteral("V"), QStringLiteral("version")});
    const QCommandLineOption verbose(QLatin1String(CommandLine::kVerboseOption).mid(2));
    const QCommandLineOption activate(QLatin1String(CommandLine::kActivateOption).mid(2));
    const QCommandLineOption backend(QStringLiteral("backend"), QString(), QStringLiteral("NAME"));
    parser.addOptions({home, help, version, activate, backend, verbose});
    if (!parser.parse(QStringList{QStringLiteral("quillo")} + args)) {
        QString text = parser.errorText().remove(QLatin1Char('.')).replace(QLatin1Char('\''), QLatin1Char('"'));
        if (!text.isEmpty())
            text[0] = text[0].toLower();
        parsed.error = text + QStringLiteral("; see quillo --help");
        return parsed;
    }
    parsed.home = parser.value(home);
    parsed.backend = parser.value(backend).toLower();
    if (parser.isSet(backend) && parsed.backend != QLatin1String(CommandLine::kBackendX11) &&
        parsed.backend != QLatin1String(CommandLine::kBackendWayland)) {
        parsed.error = QStringLiteral("unknown backend \"%1\"; it is x11 or wayland; see quillo --help")
                           .arg(parser.value(backend));
        return parsed;
    }
    parsed.help = parser.isSet(help);
    parsed.version = parser.isSet(version);
    parsed.verbose = parser.isSet(verbose);
    parsed.rest = parser.positionalArguments();
    return parsed;
}

// The options a command knows, read from its usage line: "--force" is a
// switch, "--pdf FILE" and "--mode a|b" take the next word as their value.
QMap<QString, bool> CommandOptions(const CliCommand& command)
{
    QMap<QString, bool> options;
    const QStringList words = command.usage.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (qsizetype i = 0; i < words.size(); ++i) {
        QString word = words[i];
        word.remove(QLatin1Char('[')).remove(QLatin1Char('|'));
        if (!word.startsWith(QLatin1String("--")))
            continue;
        const bool closes = word.endsWith(QLatin1Char(']'));
        word.remove(QLatin1Char(']'));
        // The value is a placeholder (FILE) or a choice of words (a|b).
        const bool takesValue = !closes && i + 1 < words.size() && !words[i + 1].startsWith(QLatin1Char('[')) &&
                                (words[i + 1].at(0).isUpper() || words[i + 1].contains(QLatin1Char('|')));
        options.insert(word, takesValue);
    }
    return options;
}

// Checks the command's words for options: --help (or -h) asks for the
// command's help, an option it does not know is refused, and after "--"
// every word is plain text (an abbreviation may start with a dash). Returns
// the words to hand to the command.
QStringList CommandWords(const CliCommand& command, const QStringList& words, bool* help)
{
    const QMap<QString, bool> options = CommandOptions(command);
    QStringList kept;
    for (qsizetype i = 0; i < words.size(); ++i) {
        const QString& word = words[i];
        if (word == QLatin1String("--")) {
            kept += words.mid(i + 1);
            break;
        }
        if (word == QLatin1String("--help") || word == QLatin1String("-h")) {
            *help = true;
            return {};
        }
        if (word.size() > 1 && word.startsWith(QLatin1Char('-'))) {
            const QString name = word.section(QLatin1Char('='), 0, 0);
            if (!options.contains(name))
                throw CliUsageError(QStringLiteral("unknown option \"%1\"; %2see quillo %3 --help")
                                        .arg(word,
                                             CommandLine::TakesText(command)
                                                 ? QStringLiteral("a text that starts with a dash goes after \"--\"; ")
                                                 : QString(),
                                             command.name)
                                        .toStdString());
            kept << word;
            if (options.value(name) && !word.contains(QLatin1Char('=')) && i + 1 < words.size())
                kept << words[++i];
            continue;
        }
        kept << word;
    }
    return kept;
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

QString CommandLine::BackendOption() const
{
    return Parse(args).backend;
}

bool CommandLine::VerboseOption() const
{
    return Parse(args).verbose;
}

bool CommandLine::TakesText(const CliCommand& command)
{
    // Words in capitals are texts the user gives (TEXT, FILE, ABBREVIATION).
    const QStringList words = command.usage.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    return std::any_of(words.begin(), words.end(), [](QString word) {
        word.remove(QLatin1Char('[')).remove(QLatin1Char(']')).remove(QLatin1Char('.'));
        return !word.isEmpty() && !word.startsWith(QLatin1Char('-')) && word == word.toUpper() &&
               word.at(0).isLetter();
    });
}

QList<CliCommand> CommandLine::Commands()
{
    return StoreCommands::Commands() + RulesCommands::Commands() + MacroCommands::Commands() + KeysCommands::Commands() +
           TransferCommands::Commands() + FolderCommands::Commands() + ChannelCommands::Commands() +
           LaunchCommands::Commands();
}

QString CommandLine::HelpText()
{
    QString text = QStringLiteral(
        "Usage: quillo [--home DIR] [--backend x11|wayland] [--verbose] [COMMAND [ARGS...]]\n"
        "\n"
        "Quillo expands abbreviations into snippets while you type.\n"
        "Without a command it starts the tray program.\n"
        "\n"
        "Options:\n"
        "  --home DIR   use the folder DIR for the snippets and options (default:\n"
        "               $QUILLO_HOME, else the executable's folder when it holds\n"
        "               settings.ini, else $XDG_CONFIG_HOME/quillo)\n"
        "  --activate   start the tray program, or open the settings window of\n"
        "               the one that runs (the desktop entry's command)\n"
        "  --backend x11|wayland\n"
        "               how the tray program reaches other applications (default:\n"
        "               wayland in a Wayland session, else x11)\n"
        "  --verbose    the tray program also prints its log on stderr\n"
        "  -h, --help   show this help; quillo COMMAND --help shows a command's\n"
        "  -V, --version\n"
        "               show the version\n"
        "\n"
        "Commands:\n");
    for (const CliCommand& command : Commands()) {
        const QString head = command.name + (command.usage.isEmpty() ? QString() : QLatin1Char(' ') + command.usage);
        text += QStringLiteral("  %1  %2\n").arg(head.leftJustified(26), command.summary);
    }
    text += QStringLiteral(
        "\n"
        "Exit codes: 0 done, 1 failed, 2 wrong usage, 3 Quillo is not running\n"
        "(the commands that reach the running Quillo).\n"
        "\n"
        "The tray program keeps a log for bug reports (no typed text, no snippet\n"
        "content) in %1\n"
        "(quillo path log).\n");
    text = text.arg(ProgramLog::DefaultPath());
    return text;
}

QString CommandLine::CommandHelp(const CliCommand& command)
{
    QString text = QStringLiteral("Usage: quillo [--home DIR] %1%2\n\n%3.\n")
                       .arg(command.name, command.usage.isEmpty() ? QString() : QLatin1Char(' ') + command.usage,
                            command.summary.at(0).toUpper() + command.summary.mid(1));
    if (TakesText(command))
        text += QStringLiteral("Words that start with a dash go after \"--\", e.g. quillo %1 -- -x.\n").arg(command.name);
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
        try {
            bool help = false;
            const QStringList words = CommandWords(command, parsed.rest.mid(1), &help);
            if (help) {
                out << CommandHelp(command);
                out.flush();
                return kExitOk;
            }
            const QString home = ProgramFolder::Resolve(parsed.home);
            const bool named = !parsed.home.isEmpty() || !qEnvironmentVariableIsEmpty(ProgramFolder::kHomeVariable);
            QStringList trayOptions;
            if (!parsed.home.isEmpty())
                trayOptions << QStringLiteral("--home") << home;
            if (!parsed.backend.isEmpty())
                trayOptions << QStringLiteral("--backend") << parsed.backend;
            if (parsed.verbose)
                trayOptions << QLatin1String(kVerboseOption);
            const CliContext context{home, words, out, err, named ? home : QString(), trayOptions};
            const int code = command.run(context);
            // A running program reads the store again at once.
            if (code == kExitOk && ChangesStore(command.name))
                ControlClient(ControlChannel::DefaultSocketPath(), context.channelFolder).NotifyStoreChanged();
            return code;
        } catch (const CliUsageError& e) {
            err << "quillo: " << e.what() << " (usage: quillo " << command.name
                << (command.usage.isEmpty() ? QString() : QLatin1Char(' ') + command.usage) << ')' << Qt::endl;
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
