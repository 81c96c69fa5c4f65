#pragma once

#include "app/cli/CliCommand.h"

#include <QList>

// The send-keys command of the command-line interface:
// keys --dry-run STRING prints the key events STRING would send.
class KeysCommands
{
public:
    static QList<CliCommand> Commands();

private:
    static int Keys(const CliContext& context);
};
