#pragma once

#include "app/cli/CliCommand.h"

#include <QList>

// The commands about the user's folder: init (sets it up) and path.
class FolderCommands
{
public:
    static QList<CliCommand> Commands();
    // Fills the folder with the default options and sample snippets it
    // lacks, making it if needed; never replaces a file.
    static int Init(const CliContext& context);
    static int Path(const CliContext& context);
};
