#include "app/ShellCommands.h"
#include "app/ShellTestSupport.h"
#include "store/SnippetBackups.h"
#include "store/SnippetDR.h"
#include "ui/ImportReportDialog.h"
#include "ui/SnippetFileActions.h"

#include <QAction>
#include <QFile>
#include <gtest/gtest.h>

namespace {

struct ReloadCounter : ShellCommands
{
    int reloads = 0;
    void ReloadAllSnippets() override { ++reloads; }
};

} // namespace

// The snippets menu of a loaded main window, wired as the tray program does.
TEST(SnippetsMenu, ExportImportAndPrintRunFromTheMainWindowsMenu)
{
    Shell shell;
    ReloadCounter settings;
    shell.form->SetShellCommands(&settings);
    FormMain& form = *shell.form;
    SnippetFileActions actions([] { return nullptr; }, form.snippetMgr, shell.notifier, shell.folder.Path(), [&form] {
        if (ShellCommands* commands = form.Shell())
            commands->ReloadAllSnippets();
    });
    QTemporaryDir dir;
    QString answer = dir.filePath("menu.snippets");
    actions.SetFileChooser([&](QWidget*, int, const QString&, const QString&, const QString&, const QString&,
                               const QString&) { return answer; });
    int printedRows = -1;
    actions.SetReportShower([&](const SnippetDR& report, QWidget*) { printedRows = report.RowCount(); });
    actions.SetDuplicatesAsker([](const QStringList&, QWidget*) { return SnippetManager::Duplicates::Keep; });
    actions.SetImportReportShower([](const ImportReport&, QWidget*) {});
    form.SetSnippetFileCommands(&actions);

    const qsizetype before = form.snippetMgr.GetSnippetCollection().size();
    form.menu_export->trigger();
    EXPECT_TRUE(QFile::exists(answer));
    form.menu_import->trigger();
    EXPECT_EQ(form.snippetMgr.GetSnippetCollection().size(), 2 * before);
    EXPECT_EQ(settings.reloads, 1);
    // The imported copies expand like the originals.
    EXPECT_EQ(form.snippetMgr.GetMatchedCol("sig").size(), 2);
    form.menu_print->trigger();
    EXPECT_EQ(printedRows, 2 * before);

    answer.clear(); // the user cancels
    form.menu_import->trigger();
    EXPECT_EQ(settings.reloads, 2);
    EXPECT_EQ(form.snippetMgr.GetSnippetCollection().size(), 2 * before);
    EXPECT_TRUE(shell.notifier.shown.isEmpty()) << shell.notifier.shown.join('\n').toStdString();
    form.SetSnippetFileCommands(nullptr);
    form.SetShellCommands(nullptr);
}

// The day's backup comes with start-up, once, with the kept number from the options.
TEST(SnippetsMenu, StartUpMakesTheDaysBackupOnce)
{
    Shell shell(false);
    {
        QFile settings(shell.folder.SettingsPath());
        ASSERT_TRUE(settings.open(QIODevice::Append));
        settings.write("\n[Backups]\nKeep=2\n");
    }
    ASSERT_TRUE(shell.Load());
    SnippetBackups backups(shell.form->snippetMgr.DatabasePath());
    ASSERT_EQ(backups.List().size(), 1);
    EXPECT_EQ(backups.List()[0].reason, "daily");
    EXPECT_EQ(shell.form->optMgr.BackupsKeep(), 2);
    EXPECT_FALSE(backups.MakeDailyIfDue()); // made already today
}
