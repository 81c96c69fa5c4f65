#pragma once

#include "app/cli/CliCommand.h"

#include <QDateTime>
#include <QList>

// The placeholder command of the command-line interface:
// expand [--at ...] [--clipboard TEXT] [--field LABEL=VALUE]... [--json] TEXT.
class MacroCommands
{
public:
    static QList<CliCommand> Commands();

    // The local time named by "YYYY-MM-DDTHH:MM:SS"; invalid for any other text.
    static QDateTime ParseInstant(const QString& text);

private:
    static int Expand(const CliContext& context);
};
