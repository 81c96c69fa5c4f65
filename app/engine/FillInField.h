#pragma once

#include <QString>
#include <QStringList>

// A value the user is asked for before a snippet expands: one per distinct
// label, however often the label is used.
struct FillInField
{
    enum class Kind { Input, Choice };

    QString label;
    Kind kind = Kind::Input;
    QString defaultValue; // Input: what it holds before the user types
    QStringList choices;  // Choice: the values offered, the first preselected

    bool operator==(const FillInField&) const = default;
};
