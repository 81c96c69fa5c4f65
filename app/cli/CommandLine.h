#pragma once

#include "app/cli/CliCommand.h"

#include <QList>

// The program's command-line interface: quillo [--home DIR] COMMAND ARGS...
// It needs no display. Every failure prints one line and gives a non-zero
// exit code.
class CommandLine
{
public:
    static constexpr int kExitOk = 0;
    static constexpr int kExitFailure = 1;
    static constexpr int kExitUsage = 2;
    static constexpr int kExitNotRunning = 3; // a command for the running program found none
    // Starts the tray program, or opens the settings of the one that runs.
    static constexpr const char* kActivateOption = "--activate";
    // The tray program's log on stderr too.
    static constexpr const char* kVerboseOption = "--verbose";
    // --backend NAME: how the tray program reaches other applications.
    static constexpr const char* kBackendX11 = "x11";
    static constexpr const char* kBackendWayland = "wayland";

    // The words after the program name.
    explicit CommandLine(QStringList args);

    // True when the words ask for a command, --help or --version rather than
    // the tray program.
    bool WantsCommand() const;
    // True when the command draws (the printed list) and so needs a GUI
    // application object; it gets one on the offscreen platform.
    bool NeedsGui() const;
    // The program folder named by --home, or "" when not given.
    QString HomeOption() const;
    // "x11" or "wayland" as --backend names it (any letter case), "" when not given.
    QString BackendOption() const;
    bool VerboseOption() const;

    int Run(QTextStream& out, QTextStream& err) const;

    static QList<CliCommand> Commands();
    static QString HelpText();
    // quillo COMMAND --help.
    static QString CommandHelp(const CliCommand& command);
    // Commands after which a running program is told to read the store again.
    static bool ChangesStore(const QString& commandName);
    // Whether the command takes a text of the user's (which may start with
    // a dash and then goes after "--").
    static bool TakesText(const CliCommand& command);

private:
    QStringList args;
};
