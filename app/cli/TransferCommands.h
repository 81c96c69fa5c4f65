#pragma once

#include "app/cli/CliCommand.h"

#include <QList>

// The snippet file commands of the command-line interface: import and export
// a snippet file, write the printed list as PDF. Neither export nor print
// replaces an existing file unless told to with --force, and neither ever
// writes the snippet database, a folder, a device or through a link.
class TransferCommands
{
public:
    static QList<CliCommand> Commands();
    // Whether the command needs a GUI application object (to draw text).
    static bool NeedsGui(const QString& command);

private:
    static int Import(const CliContext& context);
    static int Export(const CliContext& context);
    static int Print(const CliContext& context);
    static int Backups(const CliContext& context);
    static int Sync(const CliContext& context);
};
