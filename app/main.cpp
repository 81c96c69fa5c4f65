#include "app/cli/CommandLine.h"
#include "app/cli/ControlChannel.h"
#include "app/cli/ControlClient.h"
#include "app/TrayProgram.h"
#include "platform/HostSystem.h"
#include "ui/SettingsShot.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTextStream>
#include <cstdio>
#include <memory>

namespace {


void QuietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtFatalMsg || qEnvironmentVariableIsSet("QUILLO_QT_MESSAGES"))
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

// Asks a running Quillo to open its settings window; false when none answered.
bool OpenedRunningSettings(int argc, char* argv[])
{
    // Gone again before the tray program makes its own application object.
    QCoreApplication probe(argc, argv);
    const ControlClient::Result result = ControlClient(ControlChannel::DefaultSocketPath())
                                             .Send(QStringLiteral("settings"), ControlChannel::kReplyTimeoutMs);
    return result.outcome == ControlClient::Outcome::Replied && result.error.isEmpty();
}

} // namespace

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
    if (!commandLine.WantsCommand()) {
        // --activate (the desktop entry's): a Quillo that runs already opens
        // its settings window, which is the only way to reach it on a desktop
        // without a notification area; otherwise Quillo starts.
        if (args.contains(QLatin1String(CommandLine::kActivateOption)) && OpenedRunningSettings(argc, argv))
            return CommandLine::kExitOk;
        return TrayProgram::Run(argc, argv, commandLine.HomeOption(), commandLine.BackendOption(),
                                commandLine.VerboseOption());
    }

    HostSystem::UseStartingConsole();
    // The command line needs no display; drawing the printed list needs a GUI
    // application object, which the offscreen platform gives without one.
    // Its messages are for us, not for the user: each command says in its own
    // words what failed.
    qInstallMessageHandler(QuietQtMessages);
    std::unique_ptr<QCoreApplication> app;
    if (commandLine.NeedsGui()) {
#ifdef Q_OS_WIN
        // Windows' own fonts come with the minimal platform there; the
        // offscreen one would draw text as boxes.
        qputenv("QT_QPA_PLATFORM", "minimal");
#else
        qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication::setApplicationName(QStringLiteral("quillo"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUILLO_VERSION));
    QTextStream out(stdout);
    QTextStream err(stderr);
    return commandLine.Run(out, err);
}
