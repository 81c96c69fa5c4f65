#pragma once

#include <QString>

// The tray program on the X11 desktop: the real keyboard monitor, key
// output, desktop, sound and message boxes around the main window, and an
// orderly shutdown on Exit, SIGTERM/SIGINT/SIGHUP and the end of the session.
class TrayProgram
{
public:
    static constexpr int kExitNoDesktop = 2;
    static constexpr int kExitNotStarted = 1;
    // A panel started with the session may come up a moment after Quillo:
    // whether there is a notification area is asked this long after start.
    static constexpr int kTrayCheckDelayMs = 2000;

    // Returns the process's exit code.
    static int Run(int argc, char** argv, const QString& homeOption);
};
