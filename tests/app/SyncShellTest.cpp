#include "ShellTestSupport.h"
#include "store/SnippetSync.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <gtest/gtest.h>

TEST(SyncShell, ARunningProgramTakesInASnippetThatArrivesInTheSyncFolder)
{
    QTemporaryDir shared;
    Shell s(false);
    QFile settings(s.folder.SettingsPath());
    ASSERT_TRUE(settings.open(QIODevice::Append));
    settings.write(QStringLiteral("\n[Sync]\nFolder=%1\n").arg(shared.path()).toUtf8());
    settings.close();
    ASSERT_TRUE(s.Load());
    const QString machine = s.form->optMgr.SyncMachine();
    ASSERT_FALSE(machine.isEmpty()) << "an id is made and kept for this installation";
    EXPECT_TRUE(QFile::exists(QDir(shared.path()).filePath(SnippetSync::FileName(machine))))
        << "its own file is written at start";

    TempProgramFolder other(false);
    SnippetManager store;
    store.OpenSetFile(other.DatabasePath());
    Snippet arriving;
    arriving.snippetString = QStringLiteral("zqx");
    arriving.contentString = QStringLiteral("from the other machine");
    store.CommitSnippet(arriving);
    SnippetSync(store, shared.path(), QStringLiteral("other"), 10).WriteOwn();

    QTRY_VERIFY_WITH_TIMEOUT(s.form->snippetMgr.GetMatchedSnippet(QStringLiteral("zqx")), 10000);
}
