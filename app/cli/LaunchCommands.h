#pragma once

#include "app/cli/CliCommand.h"

#include <QList>

// The commands that start the tray program apart from the terminal: start
// and restart. Each returns once the program answers on the control
// channel, or says why it did not start.
class LaunchCommands
{
public:
    // How long a started program may take to answer; a first start on a
    // loaded machine loads fonts, the store and the keyboard monitor.
    static constexpr int kStartTimeoutMs = 30000;
    // How long an ending program may take to be gone (it finishes an
    // expansion and writes its counters first).
    static constexpr int kStopTimeoutMs = 15000;
    static constexpr int kPollMs = 100;

    static QList<CliCommand> Commands();

private:
    static int Start(const CliContext& context);
    static int Restart(const CliContext& context);
};
