#pragma once

#include <QString>

class QApplication;

// The tray program on the desktop: the real keyboard monitor, key output,
// desktop, sound and message boxes around the main window, and an orderly
// shutdown on Exit, SIGTERM/SIGINT/SIGHUP and the end of the session. The
// keyboard, key output and desktop come from X11 or, in a Wayland session,
// from the keyboard devices and the compositor.
class TrayProgram
{
public:
    static constexpr int kExitNoDesktop = 2;
    static constexpr int kExitOk = 0;
    static constexpr int kExitNotStarted = 1;
    // A panel started with the session may come up a moment after Quillo:
    // whether there is a notification area is asked this long after start.
    static constexpr int kTrayCheckDelayMs = 2000;

    // Returns the process's exit code.
    // backendOption: "x11", "wayland" or "" (the session's).
    // verbose: the log on stderr too.
    static int Run(int argc, char** argv, const QString& homeOption, const QString& backendOption = QString(),
                   bool verbose = false);

private:
    // Everything that runs on the application object; every part of the
    // program is gone when it returns.
    static int RunOn(QApplication& app, bool wayland, QString sessionNotice, const QString& home,
                     const QString& homeOption);
    // Another program serves this user or folder: says so in a terminal,
    // else opens that program's settings window. Returns the exit code.
    static int AnswerSecondStart(int argc, char** argv, const QString& channelFolder);
    // The folder a request to the running program names: the home folder
    // when the user named it (--home, QUILLO_HOME), else "".
    static QString ChannelFolder(const QString& home, const QString& homeOption);
};
