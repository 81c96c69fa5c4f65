#pragma once

#include "store/Snippet.h"

#include <QHash>
#include <QList>
#include <QString>

// Which snippets a typed word expands to, answered from hash tables so that
// the cost of a key does not grow with the number of snippets. Candidates come
// in order of preference: the longest abbreviation first; equal lengths can
// only be the same abbreviation stored more than once, or abbreviations that
// differ in letter case where a snippet lets the case follow the typing (it
// matches in any case), and then the oldest row (lowest id) comes first.
class AbbreviationIndex
{
public:
    AbbreviationIndex() = default;
    explicit AbbreviationIndex(const SnippetCollection& snippets);

    // A word ended by a delimiter or the expand hot key: the snippets whose
    // abbreviation is the whole word (AfterDelimiter and InsideWords) and the
    // InsideWords ones whose abbreviation ends it.
    SnippetCollection AtWordEnd(const QString& word) const;
    // The Immediately snippets whose abbreviation is the whole word, or null;
    // valid until the next call.
    const SnippetCollection* Immediate(const QString& word) const;
    bool HasImmediate() const { return !immediate.isEmpty() || !immediateAnyCase.isEmpty(); }

    // The key the snippets matching in any case are filed under: each UTF-16
    // unit case-folded alone, so the length stays that of the word.
    static QString Folded(const QString& word);

private:
    static void OldestFirst(SnippetCollection& same);


    QHash<QString, SnippetCollection> whole;     // AfterDelimiter and InsideWords
    QHash<QString, SnippetCollection> ending;    // InsideWords
    QHash<QString, SnippetCollection> immediate; // Immediately
    QList<qsizetype> endingLengths;              // of the keys of both ending tables, longest first
    // The snippets whose case follows the typing, under Folded(abbreviation);
    // the tables above never hold them.
    QHash<QString, SnippetCollection> wholeAnyCase;
    QHash<QString, SnippetCollection> endingAnyCase;
    QHash<QString, SnippetCollection> immediateAnyCase;
    bool anyCase = false;
    mutable SnippetCollection immediateFound; // what Immediate returns when both kinds match
};
