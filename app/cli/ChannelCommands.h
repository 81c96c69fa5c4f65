#pragma once

#include "app/cli/CliCommand.h"
#include "app/cli/ControlClient.h"

#include <QJsonObject>
#include <QList>

// The commands that reach the running tray program through the control
// channel: settings, options, toggle, pick, status, reload, exit.
class ChannelCommands
{
public:
    // Exit code when no tray program runs.
    static constexpr int kExitNotRunning = 3;

    static QList<CliCommand> Commands();
    // The status reply as lines for a person.
    static QString StatusText(const QJsonObject& status);
    // One command to the running program, naming the context's folder.
    static ControlClient::Result Send(const CliContext& context, const QString& command);
    // Why a program that serves another folder did not answer.
    static QString OtherFolderText(const CliContext& context, const ControlClient::Result& result);
};
