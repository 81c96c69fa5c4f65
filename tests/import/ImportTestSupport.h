#pragma once

#include "store/import/ImportBatch.h"

#include <QString>
#include <gtest/gtest.h>

inline QString Corpus(const QString& relative)
{
    return QStringLiteral(QUILLO_IMPORT_CORPUS "/") + relative;
}

// The entry for an abbreviation, or null (with a failure) when there is none.
inline const ImportBatch::Entry* Find(const ImportBatch& batch, const QString& abbreviation)
{
    for (const ImportBatch::Entry& entry : batch.snippets)
        if (entry.snippet.snippetString == abbreviation)
            return &entry;
    ADD_FAILURE() << "no snippet " << abbreviation.toStdString();
    return nullptr;
}

inline QString ContentOf(const ImportBatch& batch, const QString& abbreviation)
{
    const ImportBatch::Entry* entry = Find(batch, abbreviation);
    return entry ? entry->snippet.contentString : QString();
}

// True when some line of the list holds all the words.
inline bool Mentions(const QStringList& lines, std::initializer_list<QString> words)
{
    for (const QString& line : lines) {
        bool all = true;
        for (const QString& word : words)
            all = all && line.contains(word);
        if (all)
            return true;
    }
    return false;
}
