#include "app/cli/ChannelCommands.h"

#include "app/cli/ControlChannel.h"
#include "app/cli/ControlClient.h"

#include <QJsonDocument>

namespace {

// Sends the command and says what went wrong; returns the exit code, and
// the reply through *reply when the program answered without an error.
int Exchange(const CliContext& context, const QString& command, QJsonObject* reply)
{
    const ControlClient::Result result = ChannelCommands::Send(context, command);
    if (result.outcome == ControlClient::Outcome::NotRunning) {
        context.err << "quillo: Quillo is not running" << Qt::endl;
        return ChannelCommands::kExitNotRunning;
    }
    if (result.outcome == ControlClient::Outcome::OtherFolder) {
        context.err << "quillo: " << ChannelCommands::OtherFolderText(context, result) << Qt::endl;
        return ChannelCommands::kExitNotRunning;
    }
    if (!result.error.isEmpty()) {
        context.err << "quillo: " << result.error << Qt::endl;
        return 1;
    }
    *reply = result.reply;
    return 0;
}

CliCommand Simple(const char* name, const char* summary, std::function<void(const CliContext&, const QJsonObject&)> done = {})
{
    const QString command = QString::fromLatin1(name);
    return {command, QString(), QString::fromLatin1(summary), [command, done](const CliContext& context) {
                if (!context.args.isEmpty())
                    throw CliUsageError("too many arguments");
                QJsonObject reply;
                const int code = Exchange(context, command, &reply);
                if (code == 0 && done)
                    done(context, reply);
                return code;
            }};
}

int Status(const CliContext& context)
{
    const bool json = context.args == QStringList{QStringLiteral("--json")};
    if (!json && !context.args.isEmpty())
        throw CliUsageError("unknown argument \"" + context.args.first().toStdString() + "\"");
    const ControlClient::Result result = ChannelCommands::Send(context, QStringLiteral("status"));
    if (result.outcome == ControlClient::Outcome::NotRunning ||
        result.outcome == ControlClient::Outcome::OtherFolder) {
        const bool other = result.outcome == ControlClient::Outcome::OtherFolder;
        if (json) {
            QJsonObject status{{QStringLiteral("running"), false}};
            if (other)
                status.insert(QStringLiteral("servedFolder"), result.servedFolder);
            context.out << QJsonDocument(status).toJson(QJsonDocument::Compact) << '\n';
        } else {
            context.out << (other ? ChannelCommands::OtherFolderText(context, result) + QLatin1Char('.')
                                  : QStringLiteral("Quillo is not running."))
                        << '\n';
        }
        context.out.flush();
        return ChannelCommands::kExitNotRunning;
    }
    if (!result.error.isEmpty()) {
        context.err << "quillo: " << result.error << Qt::endl;
        return 1;
    }
    QJsonObject status = result.reply;
    status.remove(QStringLiteral("ok"));
    if (json)
        context.out << QJsonDocument(status).toJson(QJsonDocument::Compact) << '\n';
    else
        context.out << ChannelCommands::StatusText(status);
    context.out.flush();
    return 0;
}

} // namespace

ControlClient::Result ChannelCommands::Send(const CliContext& context, const QString& command)
{
    return ControlClient(ControlChannel::DefaultSocketPath(), context.channelFolder)
        .Send(command, ControlChannel::kReplyTimeoutMs);
}

QString ChannelCommands::OtherFolderText(const CliContext& context, const ControlClient::Result& result)
{
    return QStringLiteral("Quillo is not running for the folder \"%1\"; the running Quillo serves \"%2\"")
        .arg(context.channelFolder, result.servedFolder);
}

QString ChannelCommands::StatusText(const QJsonObject& status)
{
    const auto number = [&status](const char* key) { return QString::number(status.value(QLatin1String(key)).toInteger()); };
    QString text = QStringLiteral("Quillo is running (process %1).\n").arg(number("pid"));
    text += QStringLiteral("Expansion: %1\n")
                .arg(status.value(QStringLiteral("expansion")).toBool() ? QStringLiteral("on") : QStringLiteral("off"));
    text += QStringLiteral("Program folder: %1\n").arg(status.value(QStringLiteral("folder")).toString());
    text += QStringLiteral("Backend: %1\n").arg(status.value(QStringLiteral("backend")).toString());
    text += QStringLiteral("Icon shown by: %1\n").arg(status.value(QStringLiteral("trayHost")).toString());
    text += QStringLiteral("Snippets: %1 (%2, %3 bytes)\n")
                .arg(number("snippets"), status.value(QStringLiteral("database")).toString(), number("databaseBytes"));
    text += QStringLiteral("Snippets expanded: %1\n").arg(number("snippetsExpanded"));
    text += QStringLiteral("Characters saved: %1\n").arg(number("charactersSaved"));
    return text;
}

QList<CliCommand> ChannelCommands::Commands()
{
    return {
        Simple("settings", "open the running Quillo's settings window"),
        Simple("options", "open the running Quillo's settings window on its options"),
        Simple("toggle", "switch expansion on or off in the running Quillo, as the hot key does",
               [](const CliContext& context, const QJsonObject& reply) {
                   context.out << "Expansion is now "
                               << (reply.value(QStringLiteral("expansion")).toBool() ? "on" : "off") << ".\n";
                   context.out.flush();
               }),
        Simple("pick", "open the running Quillo's snippet picker over the window in front"),
        {QStringLiteral("status"), QStringLiteral("[--json]"),
         QStringLiteral("say whether Quillo runs, and its state (--json: for programs)"), &Status},
        Simple("reload", "make the running Quillo read the snippets and options again"),
        Simple("exit", "end the running Quillo in order (its counters are written)"),
    };
}
