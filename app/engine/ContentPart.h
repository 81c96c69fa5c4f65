#pragma once

#include <QString>
#include <QStringList>

// One piece of a snippet's content as ContentParser splits it.
struct ContentPart
{
    enum class Kind {
        Literal,   // text inserted as it is
        Macro,     // a date or time placeholder; text is its date pattern
        Cursor,    // where the caret goes after the paste
        Clipboard, // the user's clipboard text
        Snippet,   // another snippet's content; text is its abbreviation
        Input,     // a fill-in field; text is its label
        Choice,    // a fill-in field with fixed values; text is its label
    };

    Kind kind = Kind::Literal;
    QString text;
    // The placeholder as written (for parts other than Literal), put back
    // whole where it cannot be filled.
    QString source;
    QString defaultValue; // Input only
    QStringList choices;  // Choice only, in the order written

    bool operator==(const ContentPart&) const = default;
};
