#include "TransferTestSupport.h"
#include "app/UserNotifier.h"
#include "store/SnippetDR.h"
#include "store/SnippetExport.h"
#include "ui/ShowFileDialog.h"
#include "ui/ImportReportDialog.h"
#include "ui/SnippetFileActions.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

struct RecordingNotifier : UserNotifier
{
    QStringList shown;
    void Plain(const QString& text) override { shown << "plain: " + text; }
    void Critical(const QString& text) override { shown << "critical: " + text; }
    void Warning(const QString& text) override { shown << "warning: " + text; }
};

struct ChooserCall
{
    int mode;
    QString title, defaultName, filter, folder, extension;
};

// The menu's commands on a private store, with a file chooser that answers
// from a script and a report shower that only counts.
struct Actions
{
    OpenStore s;
    RecordingNotifier notifier;
    int reloads = 0;
    QString answer; // what the chooser returns; "" is a cancel
    QList<ChooserCall> calls;
    int reportRows = -1;
    SnippetFileActions actions{nullptr, s.store, notifier, s.folder.Path(), [this] { ++reloads; }};

    Actions()
    {
        actions.SetFileChooser([this](QWidget*, int mode, const QString& title, const QString& name,
                                      const QString& filter, const QString& folder, const QString& extension) {
            calls << ChooserCall{mode, title, name, filter, folder, extension};
            return answer;
        });
        actions.SetReportShower([this](const SnippetDR& report, QWidget*) { reportRows = report.RowCount(); });
        // Importing our own export: every abbreviation is stored already.
        actions.SetDuplicatesAsker([](const QStringList&, QWidget*) { return SnippetManager::Duplicates::Keep; });
        actions.SetImportReportShower([](const ImportReport&, QWidget*) {});
    }
};

} // namespace

TEST(SnippetFileActions, ExportAsksWhereWithTheExportSettingsAndCopies)
{
    Actions a;
    QTemporaryDir dir;
    a.answer = dir.filePath("mine.snippets");
    a.actions.ExportSnippets();
    ASSERT_EQ(a.calls.size(), 1);
    EXPECT_NE(a.calls[0].mode, kFileDialogOpen);
    EXPECT_EQ(a.calls[0].title, "Export");
    EXPECT_EQ(a.calls[0].defaultName, "export.snippets");
    EXPECT_EQ(a.calls[0].filter, SnippetFileActions::kExportFilter);
    EXPECT_EQ(a.calls[0].folder, a.s.folder.Path());
    EXPECT_EQ(a.calls[0].extension, "snippets");
    EXPECT_EQ(TableDump(a.answer), a.s.Dump());
    EXPECT_TRUE(a.notifier.shown.isEmpty());
    EXPECT_EQ(a.reloads, 0);
}

TEST(SnippetFileActions, ImportAsksWithTheImportSettingsAddsAndReloads)
{
    Actions a;
    QTemporaryDir dir;
    a.answer = dir.filePath("mine.snippets");
    SnippetExport::Export(a.s.folder.DatabasePath(), a.answer);
    const int before = a.s.Dump().size();
    a.actions.ImportSnippets();
    ASSERT_EQ(a.calls.size(), 1);
    EXPECT_EQ(a.calls[0].mode, kFileDialogOpen);
    EXPECT_EQ(a.calls[0].title, "Import");
    EXPECT_EQ(a.calls[0].defaultName, "");
    EXPECT_EQ(a.calls[0].filter, SnippetFileActions::kImportFilter);
    EXPECT_EQ(a.calls[0].extension, "snippets");
    EXPECT_EQ(a.s.Dump().size(), 2 * before);
    EXPECT_EQ(a.reloads, 1);
    EXPECT_TRUE(a.notifier.shown.isEmpty());
}

TEST(SnippetFileActions, CancelledDialogsChangeNothingButTheListStillReloads)
{
    Actions a;
    const QStringList before = a.s.Dump();
    const QStringList files = QDir(a.s.folder.Path()).entryList(QDir::Files | QDir::Hidden);
    a.actions.ExportSnippets();
    a.actions.ImportSnippets();
    EXPECT_EQ(a.calls.size(), 2);
    EXPECT_EQ(a.s.Dump(), before);
    EXPECT_EQ(QDir(a.s.folder.Path()).entryList(QDir::Files | QDir::Hidden), files);
    EXPECT_EQ(a.reloads, 1);
    EXPECT_TRUE(a.notifier.shown.isEmpty());
}

TEST(SnippetFileActions, FailuresAreShownWithTheFileAndTheReason)
{
    Actions a;
    QTemporaryDir dir;
    const QStringList before = a.s.Dump();
    a.answer = dir.filePath("text.snippets");
    {
        QFile text(a.answer);
        ASSERT_TRUE(text.open(QIODevice::WriteOnly));
        text.write("hello, I am text\n");
    }
    a.actions.ImportSnippets();
    ASSERT_EQ(a.notifier.shown.size(), 1);
    EXPECT_TRUE(a.notifier.shown[0].startsWith("warning: "));
    EXPECT_TRUE(a.notifier.shown[0].contains(a.answer));
    EXPECT_TRUE(a.notifier.shown[0].contains("not a database"));
    EXPECT_EQ(a.reloads, 1);
    EXPECT_EQ(a.s.Dump(), before);

    a.answer = dir.filePath("missing/folder/out.snippets");
    a.actions.ExportSnippets();
    ASSERT_EQ(a.notifier.shown.size(), 2);
    EXPECT_TRUE(a.notifier.shown[1].contains(a.answer));
}

TEST(SnippetFileActions, PrintShowsEveryRow)
{
    Actions a;
    a.actions.PrintSnippets();
    EXPECT_EQ(a.reportRows, a.s.Dump().size());
    EXPECT_TRUE(a.calls.isEmpty());
}

TEST(ShowFileDialog, SaveModeProposesTheNameAndAsksBeforeReplacing)
{
    QTemporaryDir dir;
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_TRUE(dialog);
        seen = true;
        EXPECT_EQ(dialog->windowTitle(), "Export");
        EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
        EXPECT_FALSE(dialog->testOption(QFileDialog::DontConfirmOverwrite));
        EXPECT_EQ(dialog->nameFilters(), QStringList({"*.snippets"}));
        EXPECT_EQ(dialog->defaultSuffix(), "snippets");
        EXPECT_EQ(QDir(dialog->directory()).canonicalPath(), QDir(dir.path()).canonicalPath());
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_TRUE(name);
        EXPECT_EQ(name->text(), "export.snippets");
        name->setText(QStringLiteral("chosen")); // the extension is added
        QMetaObject::invokeMethod(dialog, "accept"); // runs the dialog's own checks
    });
    const QString path = ShowFileDialog(nullptr, 0, "Export", "export.snippets", "*.snippets", dir.path(), "snippets");
    EXPECT_TRUE(seen);
    EXPECT_EQ(QFileInfo(path).fileName(), "chosen.snippets");
    EXPECT_EQ(QFileInfo(path).dir().canonicalPath(), QDir(dir.path()).canonicalPath());
}

TEST(ShowFileDialog, OpenModeWantsAnExistingFileAndACancelGivesNothing)
{
    QTemporaryDir dir;
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_TRUE(dialog);
        seen = true;
        EXPECT_EQ(dialog->windowTitle(), "Import");
        EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptOpen);
        EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFile);
        EXPECT_FALSE(dialog->testOption(QFileDialog::ReadOnly));
        dialog->reject();
    });
    EXPECT_EQ(ShowFileDialog(nullptr, kFileDialogOpen, "Import", "", "*.snippets", dir.path(), "snippets"), "");
    EXPECT_TRUE(seen);
}
