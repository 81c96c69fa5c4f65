#include "store/AbbreviationIndex.h"

#include <algorithm>

QString AbbreviationIndex::Folded(const QString& word)
{
    QString folded = word;
    for (QChar& c : folded)
        c = c.toCaseFolded();
    return folded;
}

void AbbreviationIndex::OldestFirst(SnippetCollection& same)
{
    std::stable_sort(same.begin(), same.end(),
                     [](const SnippetPtr& a, const SnippetPtr& b) { return a->snippetID < b->snippetID; });
}

AbbreviationIndex::AbbreviationIndex(const SnippetCollection& snippets)
{
    for (const SnippetPtr& snippet : snippets) {
        if (snippet->snippetString.isEmpty())
            continue;
        const bool followsCase = snippet->caseFollows;
        const QString abbreviation = followsCase ? Folded(snippet->snippetString) : snippet->snippetString;
        anyCase = anyCase || followsCase;
        switch (snippet->triggerMode) {
        case Snippet::TriggerMode::Immediately:
            (followsCase ? immediateAnyCase : immediate)[abbreviation].append(snippet);
            break;
        case Snippet::TriggerMode::InsideWords:
            (followsCase ? endingAnyCase : ending)[abbreviation].append(snippet);
            (followsCase ? wholeAnyCase : whole)[abbreviation].append(snippet);
            break;
        case Snippet::TriggerMode::AfterDelimiter:
            (followsCase ? wholeAnyCase : whole)[abbreviation].append(snippet);
            break;
        }
    }
    for (auto* table : {&whole, &ending, &immediate, &wholeAnyCase, &endingAnyCase, &immediateAnyCase})
        for (SnippetCollection& same : *table)
            OldestFirst(same);
    for (const auto* table : {&ending, &endingAnyCase})
        for (auto it = table->cbegin(); it != table->cend(); ++it)
            if (!endingLengths.contains(it.key().size()))
                endingLengths.append(it.key().size());
    std::sort(endingLengths.begin(), endingLengths.end(), std::greater<>());
}

SnippetCollection AbbreviationIndex::AtWordEnd(const QString& word) const
{
    SnippetCollection found = whole.value(word);
    if (!anyCase) {
        for (qsizetype length : endingLengths)
            if (length < word.size())
                found += ending.value(word.right(length));
        return found;
    }
    // Both kinds for one length are the same length of the word: merged,
    // the oldest first.
    const QString folded = Folded(word);
    const auto addSameLength = [&found](const SnippetCollection& exact, const SnippetCollection& anyCase) {
        if (anyCase.isEmpty()) {
            found += exact;
            return;
        }
        SnippetCollection same = exact + anyCase;
        OldestFirst(same);
        found += same;
    };
    found.clear();
    addSameLength(whole.value(word), wholeAnyCase.value(folded));
    for (qsizetype length : endingLengths)
        if (length < word.size())
            addSameLength(ending.value(word.right(length)), endingAnyCase.value(folded.right(length)));
    return found;
}

const SnippetCollection* AbbreviationIndex::Immediate(const QString& word) const
{
    const auto it = immediate.constFind(word);
    const SnippetCollection* exact = it == immediate.cend() ? nullptr : &*it;
    if (immediateAnyCase.isEmpty())
        return exact;
    const auto other = immediateAnyCase.constFind(Folded(word));
    if (other == immediateAnyCase.cend())
        return exact;
    if (!exact)
        return &*other;
    immediateFound = *exact + *other;
    OldestFirst(immediateFound);
    return &immediateFound;
}
