#pragma once

#include "core/QuilloError.h"
#include "store/SnippetManager.h"
#include "support/TempProgramFolder.h"

#include <SQLiteCpp/Database.h>
#include <functional>
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

// The number of the error the call throws; 0 when it throws none.
inline int ErrorNumber(const std::function<void()>& call)
{
    try {
        call();
    } catch (const QuilloError& e) {
        return e.Number();
    }
    return 0;
}
