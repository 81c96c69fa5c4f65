#pragma once

#include "store/Snippet.h"

#include <QHash>
#include <QList>
#include <QString>

// Which snippets a typed word expands to, answered from hash tables so that
// the cost of a key does not grow with the number of snippets. Candidates come
// in order of preference: the longest abbreviation first; equal lengths can
// only be the same abbreviation stored more than once (matching is
// case-sensitive), and then the oldest row (lowest id) comes first.
class AbbreviationIndex
{
public:
    AbbreviationIndex() = default;
    explicit AbbreviationIndex(const SnippetCollection& snippets);

    // A word ended by a delimiter or the expand hot key: the snippets whose
    // abbreviation is the whole word (AfterDelimiter and InsideWords) and the
    // InsideWords ones whose abbreviation ends it.
    SnippetCollection AtWordEnd(const QString& word) const;
    // The Immediately snippets whose abbreviation is the whole word, or null.
    const SnippetCollection* Immediate(const QString& word) const;
    bool HasImmediate() const { return !immediate.isEmpty(); }

private:
    QHash<QString, SnippetCollection> whole;     // AfterDelimiter and InsideWords
    QHash<QString, SnippetCollection> ending;    // InsideWords
    QHash<QString, SnippetCollection> immediate; // Immediately
    QList<qsizetype> endingLengths;              // of the keys of `ending`, longest first
};
