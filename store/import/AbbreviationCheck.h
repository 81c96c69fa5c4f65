#pragma once

#include <QString>

// What an abbreviation brought from another expander must be to work here.
class AbbreviationCheck
{
public:
    // The keyboard buffer keeps this many characters: a longer abbreviation
    // could never be typed whole.
    static constexpr int kMaxAbbreviationLength = 10;

    // Why the text cannot be an abbreviation here, or "" when it can. Never
    // shortened: a cut abbreviation would expand on something else.
    static QString Problem(const QString& abbreviation);
};
