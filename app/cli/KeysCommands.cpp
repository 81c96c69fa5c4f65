#include "app/cli/KeysCommands.h"

#include "core/QuilloError.h"
#include "keys/cSendKeys.h"
#include "platform/RecordingKeyOutput.h"

namespace {

const QString kDryRunOption = QStringLiteral("--dry-run");

void PrintEvents(const CliContext& context, const RecordingKeyOutput& output)
{
    for (const QString& line : output.Lines())
        context.out << line << '\n';
    context.out.flush();
}

} // namespace

QList<CliCommand> KeysCommands::Commands()
{
    return {
        {QStringLiteral("keys"), QStringLiteral("--dry-run STRING"),
         QStringLiteral("print the key events (down 16, up 16, ...) a send-keys string would send"), &Keys},
    };
}

int KeysCommands::Keys(const CliContext& context)
{
    // Sending for real needs a desktop's key output; the dry run is what the
    // command line can offer everywhere.
    if (context.args.size() != 2 || context.args.first() != kDryRunOption)
        throw CliUsageError("keys takes --dry-run and one send-keys string");
    RecordingKeyOutput output;
    cSendKeys sender(output);
    try {
        sender.SendKeys(context.args[1]);
    } catch (const QuilloError&) {
        // The events sent before the failure are part of the answer.
        PrintEvents(context, output);
        throw;
    }
    PrintEvents(context, output);
    return 0;
}
