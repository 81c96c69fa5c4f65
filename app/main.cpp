#include "app/CommandLine.h"

#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quillo"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUILLO_VERSION));

    const CommandLine commandLine(QCoreApplication::arguments().mid(1));
    QTextStream out(stdout);
    QTextStream err(stderr);
    if (!commandLine.WantsCommand()) {
        // The tray program comes with the application shell; until then the
        // command-line interface is what the executable offers.
        err << "quillo: the tray program is not part of this build yet; see quillo --help" << Qt::endl;
        return CommandLine::kExitUsage;
    }
    return commandLine.Run(out, err);
}
