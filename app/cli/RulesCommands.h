#pragma once

#include "app/cli/CliCommand.h"

#include <QList>

// The command that lists and changes the applications where nothing is
// expanded: rules list | exclude APP | include APP. The options file is
// changed here, and a running program is told to read it again at once.
class RulesCommands
{
public:
    // The channel word that makes the running program read its options
    // again, and no more (the settings window's snippets stay as they are).
    static constexpr const char* kReloadOptionsCommand = "reload-options";

    static QList<CliCommand> Commands();

private:
    static int Rules(const CliContext& context);
};
