#pragma once

#include "app/cli/CliCommand.h"
#include "store/Snippet.h"

#include <QList>

// The snippet commands of the command-line interface: list, add, delete.
class StoreCommands
{
public:
    static constexpr int kMaxAbbreviationLength = 10;

    static QList<CliCommand> Commands();

    // One line per snippet: the abbreviation, a tab, the content with
    // backslashes, tabs and line breaks written as \\, \t and \n.
    static QString ListLine(const QString& abbreviation, const QString& content);
    // The same, followed by "<tab>mode=MODE" when the snippet does not wait
    // for a delimiter and "<tab>only-in=APP,APP" when it is kept to some
    // applications.
    static QString ListLine(const Snippet& snippet);

private:
    static int List(const CliContext& context);
    static int Add(const CliContext& context);
    static int Delete(const CliContext& context);
};
