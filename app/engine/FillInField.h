#pragma once

#include <QString>
#include <QStringList>

// One value a snippet asks for before it is inserted: free text with an
// optional default, or one of a fixed list of choices (the first is the
// default). One per distinct label, however often the label is used.
struct FillInField
{
    QString label;
    QString defaultValue;
    QStringList choices; // empty for free text

    bool IsChoice() const { return !choices.isEmpty(); }
    bool operator==(const FillInField&) const = default;
};
