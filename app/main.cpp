#include "app/CommandLine.h"
#include "app/TrayProgram.h"
#include "ui/SettingsShot.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char* argv[])
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    // --shot-settings OUT: pictures of the settings window, without a display.
    const qsizetype shot = args.indexOf(QStringLiteral("--shot-settings"));
    if (shot >= 0) {
        if (shot + 1 >= args.size()) {
            QTextStream(stderr) << "quillo: --shot-settings needs a folder\n";
            return CommandLine::kExitUsage;
        }
        const QString outDir = args[shot + 1];
        args.remove(shot, 2);
        return SettingsShot::Run(argc, argv, CommandLine(args).HomeOption(), outDir);
    }
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
