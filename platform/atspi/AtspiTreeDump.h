#pragma once

#include <QStringList>

// A readable picture of what the accessibility bus shows of one running
// program: one line per object, depth first, indented by two spaces a level,
//   "role | name | state, state, ..."
// with AT-SPI's own role and state names ("push button", "check box",
// "focusable", "checked", ...). Hidden objects (not "showing") are left out
// together with everything inside them. Tests use it to check what a screen
// reader is told.
class AtspiTreeDump
{
public:
    // The program with this process id; an empty list, with the reason in
    // *error, when the bus or the program cannot be reached.
    static QStringList OfProcess(qint64 pid, QString* error = nullptr);
};
