#include "store/AbbreviationIndex.h"

#include <algorithm>

AbbreviationIndex::AbbreviationIndex(const SnippetCollection& snippets)
{
    for (const SnippetPtr& snippet : snippets) {
        const QString& abbreviation = snippet->snippetString;
        if (abbreviation.isEmpty())
            continue;
        switch (snippet->triggerMode) {
        case Snippet::TriggerMode::Immediately:
            immediate[abbreviation].append(snippet);
            break;
        case Snippet::TriggerMode::InsideWords:
            ending[abbreviation].append(snippet);
            whole[abbreviation].append(snippet);
            break;
        case Snippet::TriggerMode::AfterDelimiter:
            whole[abbreviation].append(snippet);
            break;
        }
    }
    const auto oldestFirst = [](const SnippetPtr& a, const SnippetPtr& b) { return a->snippetID < b->snippetID; };
    for (auto* table : {&whole, &ending, &immediate})
        for (SnippetCollection& same : *table)
            std::stable_sort(same.begin(), same.end(), oldestFirst);
    for (auto it = ending.cbegin(); it != ending.cend(); ++it)
        if (!endingLengths.contains(it.key().size()))
            endingLengths.append(it.key().size());
    std::sort(endingLengths.begin(), endingLengths.end(), std::greater<>());
}

SnippetCollection AbbreviationIndex::AtWordEnd(const QString& word) const
{
    SnippetCollection found = whole.value(word);
    for (qsizetype length : endingLengths)
        if (length < word.size())
            found += ending.value(word.right(length));
    return found;
}

const SnippetCollection* AbbreviationIndex::Immediate(const QString& word) const
{
    const auto it = immediate.constFind(word);
    return it == immediate.cend() ? nullptr : &*it;
}
