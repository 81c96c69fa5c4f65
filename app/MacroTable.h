#pragma once

#include <QList>
#include <QString>

// One content placeholder: what the user writes, the date pattern that gives
// its value (see DatePattern) and the explanation the snippet editor's insert
// list shows after its example ("" for those that have none).
struct MacroEntry
{
    QString placeholder;
    QString pattern;
    QString explanation;
};

// The fixed placeholder vocabulary, in the order they are replaced. The
// expansion fills them in; the snippet editor's insert list offers them.
class MacroTable
{
public:
    static const QList<MacroEntry>& Entries();
    // The placeholders beyond date and time (the caret, the clipboard, other
    // snippets, fill-in fields), as the insert list offers them: written
    // with sample names, no pattern.
    static const QList<MacroEntry>& ContentEntries();
};
