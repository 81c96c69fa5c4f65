#pragma once

#include "app/engine/ContentPart.h"

#include <QList>
#include <QString>

// Splits content into literal text and placeholders. A placeholder is one
// pair of square brackets with no bracket inside: the date and time entries
// of MacroTable, "[cursor]", "[clipboard]", "[snippet ABBR]", "[input Label]",
// "[input Label=default]" and "[choice Label=one|two]". Anything else in
// brackets stays literal text, so stored contents that happen to hold
// brackets keep them.
class ContentParser
{
public:
    static constexpr QChar kOpen = u'[';
    static constexpr QChar kClose = u']';

    // The parts in order; adjacent literal text is one part.
    static QList<ContentPart> Parse(const QString& content);

    // False when the content cannot hold a placeholder beyond date and
    // time: a quick look that spares most contents a parse.
    static bool MayHoldExtendedPlaceholders(const QString& content);
    // Whether any part is one of the placeholders beyond date and time.
    // Content without them is filled exactly as it always was.
    static bool HasExtendedPlaceholders(const QList<ContentPart>& parts);

private:
    // The part the bracketed text names, or a Literal part when it names none.
    static ContentPart Classify(const QString& bracketed);
};
