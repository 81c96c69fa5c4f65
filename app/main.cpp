#include "app/CommandLine.h"
#include "app/TrayProgram.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char* argv[])
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    const CommandLine commandLine(args);
    if (!commandLine.WantsCommand())
        return TrayProgram::Run(argc, argv, commandLine.HomeOption());

    // The command line needs no display.
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quillo"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUILLO_VERSION));
    QTextStream out(stdout);
    QTextStream err(stderr);
    return commandLine.Run(out, err);
}
