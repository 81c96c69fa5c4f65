#pragma once

#include "store/SnippetManager.h"
#include "support/TempProgramFolder.h"

#include "core/QuilloError.h"

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>

// Every row of a snippets table, all columns, in id order: two dumps are equal
// only when nothing at all changed.
inline QStringList TableDump(const QString& databasePath)
{
    SQLite::Database db(databasePath.toStdString(), SQLite::OPEN_READONLY);
    SQLite::Statement rows(db, R"(select id, snippet, content, description, usecount, "group", enable, guid
                                  from snippets order by id)");
    QStringList dump;
    while (rows.executeStep()) {
        QStringList fields;
        for (int i = 0; i < rows.getColumnCount(); ++i)
            fields << (rows.getColumn(i).isNull() ? QStringLiteral("<null>")
                                                  : QString::fromStdString(rows.getColumn(i).getString()));
        dump << fields.join(QLatin1Char('|'));
    }
    return dump;
}

// An open store on a private program folder.
struct OpenStore
{
    TempProgramFolder folder;
    SnippetManager store;

    explicit OpenStore(bool withSamples = true) : folder(withSamples) { store.OpenSetFile(folder.DatabasePath()); }

    SnippetPtr Add(const QString& abbreviation, const QString& content = QStringLiteral("content"))
    {
        Snippet snippet;
        snippet.snippetString = abbreviation;
        snippet.contentString = content;
        return store.CommitSnippet(snippet);
    }
    QStringList Dump() const { return TableDump(folder.DatabasePath()); }
};

// Expects ImportSnippets(file) to be refused with a message naming the file
// and the reason, leaving the user's table and the cache exactly as they were.
inline void ExpectRefused(OpenStore& s, const QString& file, const QString& reason)
{
    const QStringList before = s.Dump();
    const qsizetype cached = s.store.GetSnippetCollection().size();
    try {
        s.store.ImportSnippets(file);
        ADD_FAILURE() << "imported " << file.toStdString();
    } catch (const QuilloError& e) {
        EXPECT_EQ(e.Source(), "SnippetManager");
        EXPECT_TRUE(e.Message().contains(file)) << e.Message().toStdString();
        EXPECT_TRUE(e.Message().contains(reason, Qt::CaseInsensitive)) << e.Message().toStdString();
    }
    EXPECT_EQ(s.Dump(), before);
    EXPECT_EQ(s.store.GetSnippetCollection().size(), cached);
}

inline QString WriteFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    QFile file(dir.filePath(name));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return file.fileName();
}
