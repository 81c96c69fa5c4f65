#pragma once

#include "app/CliCommand.h"

#include <QList>

// The snippet file commands of the command-line interface: import and export
// a snippet file, write the printed list as PDF.
class TransferCommands
{
public:
    // The PDF writer run when there is no GUI application object to draw with.
    static constexpr const char* kReportWriter = "quillo-report";
    static constexpr int kReportWriterTimeoutMs = 120000;

    static QList<CliCommand> Commands();

private:
    static int Import(const CliContext& context);
    static int Export(const CliContext& context);
    static int Print(const CliContext& context);
};
