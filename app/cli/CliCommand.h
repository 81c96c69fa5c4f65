#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>
#include <functional>
#include <stdexcept>

// What a command of the command-line interface gets to work with.
struct CliContext
{
    QString home;     // the program folder
    QStringList args; // the words after the command's name
    QTextStream& out;
    QTextStream& err;
    // The folder a command for the running program names: the program
    // folder when --home or QUILLO_HOME named it, else "" (whichever folder
    // the running program serves).
    QString channelFolder = QString();
    // The options a tray program started by a command gets: --home,
    // --backend and --verbose as this command line gave them.
    QStringList trayOptions = QStringList();
};

// One command of the command-line interface, e.g. "list [TEXT]".
struct CliCommand
{
    QString name;
    QString usage;   // arguments as shown in --help, after the name
    QString summary; // one line for --help
    std::function<int(const CliContext&)> run; // returns the exit code
};

// Thrown by a command whose arguments are wrong; the interface prints the
// command's usage line with the message.
class CliUsageError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};
