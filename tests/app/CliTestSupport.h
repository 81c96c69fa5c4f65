#pragma once

#include "app/cli/CommandLine.h"

#include <QStringList>
#include <QTextStream>

// One run of the command-line interface in this process, with what it said.
struct CliResult
{
    int code;
    QString out;
    QString err;
};

inline CliResult RunCli(const QStringList& args)
{
    QString out, err;
    QTextStream outStream(&out), errStream(&err);
    const int code = CommandLine(args).Run(outStream, errStream);
    outStream.flush();
    errStream.flush();
    return {code, out, err};
}
