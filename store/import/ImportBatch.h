#pragma once

#include "store/Snippet.h"

#include <QList>
#include <QString>
#include <QStringList>

// What one reader made of another expander's files, before anything is
// stored: the snippets, each with where it came from, and what the user must
// hear about — entries left out and entries changed on the way in.
struct ImportBatch
{
    struct Entry
    {
        Snippet snippet;
        QString origin; // "file:line" or "file", for the report
    };
    QList<Entry> snippets;
    QStringList skipped; // "origin: what and why"
    QStringList changed; // "origin: what became of it"

    void Skip(const QString& origin, const QString& why) { skipped << origin + QStringLiteral(": ") + why; }
    void Change(const QString& origin, const QString& what) { changed << origin + QStringLiteral(": ") + what; }
    // Appends another batch (a file brought in by another).
    void Append(const ImportBatch& other)
    {
        snippets += other.snippets;
        skipped += other.skipped;
        changed += other.changed;
    }
};
