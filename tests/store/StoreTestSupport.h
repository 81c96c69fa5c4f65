#pragma once

#include "store/SnippetManager.h"
#include "support/TempProgramFolder.h"

#include <SQLiteCpp/Database.h>
#include <initializer_list>

// An open store on a private copy of the empty database.
struct EmptyStore
{
    TempProgramFolder folder{false};
    SnippetManager store;

    EmptyStore() { store.OpenSetFile(folder.DatabasePath()); }

    SnippetPtr Add(const QString& abbreviation, const QString& content = QStringLiteral("content"))
    {
        Snippet snippet;
        snippet.snippetString = abbreviation;
        snippet.contentString = content;
        return store.CommitSnippet(snippet);
    }

    void AddAll(std::initializer_list<const char*> abbreviations)
    {
        for (const char* abbreviation : abbreviations)
            Add(QString::fromUtf8(abbreviation));
    }

    // A second connection, as another program would have.
    SQLite::Database Direct() const
    {
        return SQLite::Database(folder.DatabasePath().toStdString(), SQLite::OPEN_READWRITE);
    }
};

inline QStringList Abbreviations(const SnippetCollection& snippets)
{
    QStringList result;
    for (const SnippetPtr& snippet : snippets)
        result << snippet->snippetString;
    return result;
}
