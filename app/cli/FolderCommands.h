#pragma once

#include "app/cli/CliCommand.h"

#include <QList>

// The command that sets up a user's folder: init.
class FolderCommands
{
public:
    static QList<CliCommand> Commands();
    // Fills the folder with the default options and sample snippets it
    // lacks, making it if needed; never replaces a file.
    static int Init(const CliContext& context);
};
