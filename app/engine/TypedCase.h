#pragma once

#include <QString>

// How a snippet whose case follows the typing changes its content, from the
// letter case the abbreviation was typed in.
class TypedCase
{
public:
    enum class Rule {
        AsStored,     // typed in small letters, or mixed: the content is left as it is
        FirstCapital, // the first letter typed as a capital: so is the content's first letter
        AllCapitals,  // two letters or more, all typed as capitals: the whole content in capitals
    };

    static Rule Of(const QString& typed);
    // The expanded content (placeholders already filled) in the case the
    // abbreviation was typed in.
    static QString Apply(const QString& content, const QString& typed);
};
