#include "TransferTestSupport.h"
#include "app/UserNotifier.h"
#include "store/SnippetBackups.h"
#include "store/import/PlainSnippetFile.h"
#include "ui/BackupsDialog.h"
#include "ui/DuplicatesDialog.h"
#include "ui/ImportReportDialog.h"
#include "ui/ShowFileDialog.h"
#include "ui/SnippetFileActions.h"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTimer>
#include <optional>
#include <sys/stat.h>

namespace {

struct Warnings : UserNotifier
{
    QStringList shown;
    void Plain(const QString& text) override { shown << text; }
    void Critical(const QString& text) override { shown << text; }
    void Warning(const QString& text) override { shown << text; }
};

// Presses keys, one after another, in the next modal dialog, each sent to
// whatever has the dialog's keyboard focus, as a user without a mouse would.
void AnswerWithKeys(QList<Qt::Key> keys, QString* seenClass = nullptr)
{
    QTimer::singleShot(0, [keys, seenClass] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_TRUE(dialog);
        if (seenClass)
            *seenClass = dialog->objectName();
        // Arrow keys move between answers only in the window that has the keyboard.
        dialog->activateWindow();
        QApplication::processEvents();
        for (Qt::Key key : keys) {
            QWidget* target = dialog->focusWidget() ? dialog->focusWidget() : dialog;
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
            QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
            QApplication::sendEvent(target, &press);
            QApplication::sendEvent(target, &release);
        }
    });
}

Snippet Made(const QString& abbreviation, const QString& content)
{
    Snippet snippet;
    snippet.snippetString = abbreviation;
    snippet.contentString = content;
    return snippet;
}

// The import of a text file holding one abbreviation stored already ("sig",
// new content) and one new ("addr"), into a store without samples; the
// duplicate question is the real dialog, answered by keys.
struct DuplicateImport
{
    OpenStore s{false};
    Warnings notifier;
    QTemporaryDir dir;
    QString file;
    int reloads = 0;
    int asked = 0;
    QStringList askedAbout;
    std::optional<ImportReport> report;
    SnippetFileActions actions{nullptr, s.store, notifier, s.folder.Path(), [this] { ++reloads; }};

    DuplicateImport()
    {
        s.Add("sig", "stored signature");
        file = WriteFile(dir, "mine.yaml",
                         PlainSnippetFile::Write({{Made("sig", "imported signature"), {}},
                                                  {Made("addr", "1 Main Street"), {}}},
                                                 PlainSnippetFile::Syntax::Yaml));
        actions.SetFileChooser([this](QWidget*, int, const QString&, const QString&, const QString&, const QString&,
                                      const QString&) { return file; });
        actions.SetDuplicatesAsker([this](const QStringList& abbreviations, QWidget* owner) {
            ++asked;
            askedAbout = abbreviations;
            return DuplicatesDialog::Ask(abbreviations, owner);
        });
        actions.SetImportReportShower([this](const ImportReport& shown, QWidget*) { report = shown; });
    }
    QStringList Contents(const QString& abbreviation)
    {
        QStringList contents;
        for (const SnippetPtr& snippet : s.store.GetSnippetCollection())
            if (snippet->snippetString == abbreviation)
                contents << snippet->contentString;
        return contents;
    }
    qsizetype Backups() const { return SnippetBackups(s.folder.DatabasePath()).List().size(); }
};

} // namespace

TEST(ImportDialogs, DuplicatesAreAskedAboutOnceAndEachAnswerDoesWhatItSays)
{
    struct Case
    {
        QList<Qt::Key> keys;
        SnippetManager::Duplicates policy;
        QStringList sig;
        int added, replaced;
    };
    const QList<Case> cases = {
        {{Qt::Key_Return}, SnippetManager::Duplicates::Skip, {"stored signature"}, 1, 0}, // the default
        {{Qt::Key_Down, Qt::Key_Return}, SnippetManager::Duplicates::Replace, {"imported signature"}, 1, 1},
        {{Qt::Key_Down, Qt::Key_Down, Qt::Key_Return},
         SnippetManager::Duplicates::Keep,
         {"stored signature", "imported signature"},
         2,
         0},
    };
    for (const Case& c : cases) {
        DuplicateImport i;
        QString dialogName;
        AnswerWithKeys(c.keys, &dialogName);
        i.actions.ImportSnippets();
        EXPECT_EQ(dialogName, "DuplicatesDialog");
        EXPECT_EQ(i.asked, 1);
        EXPECT_EQ(i.askedAbout, QStringList({"sig"}));
        EXPECT_EQ(i.Contents("sig"), c.sig);
        EXPECT_EQ(i.Contents("addr"), QStringList({"1 Main Street"}));
        ASSERT_TRUE(i.report);
        EXPECT_EQ(i.report->duplicates, c.policy);
        EXPECT_EQ(i.report->outcome.added, c.added);
        EXPECT_EQ(i.report->outcome.replaced, c.replaced);
        EXPECT_EQ(i.report->outcome.duplicates, QStringList({"sig"}));
        EXPECT_EQ(i.report->format, "yaml");
        // A backup of the state before, named in the report.
        const QList<SnippetBackups::Backup> backups = SnippetBackups(i.s.folder.DatabasePath()).List();
        ASSERT_EQ(backups.size(), 1);
        EXPECT_EQ(backups[0].id, i.report->backup);
        EXPECT_EQ(backups[0].reason, "import");
        EXPECT_EQ(i.reloads, 1);
        EXPECT_TRUE(i.notifier.shown.isEmpty()) << i.notifier.shown.join('\n').toStdString();
    }
}

TEST(ImportDialogs, EscapeAtTheQuestionStoresNothingAndBacksNothingUp)
{
    DuplicateImport i;
    const QStringList before = i.s.Dump();
    AnswerWithKeys({Qt::Key_Down, Qt::Key_Escape});
    i.actions.ImportSnippets();
    EXPECT_EQ(i.asked, 1);
    EXPECT_EQ(i.s.Dump(), before);
    EXPECT_EQ(i.Backups(), 0);
    EXPECT_FALSE(i.report);
    EXPECT_EQ(i.reloads, 1);
    EXPECT_TRUE(i.notifier.shown.isEmpty());
}

TEST(ImportDialogs, AFileWithNoDuplicateIsNotAskedAbout)
{
    DuplicateImport i;
    i.s.store.DelSnippet(*i.s.store.GetSnippetCollection().first());
    i.actions.ImportSnippets();
    EXPECT_EQ(i.asked, 0);
    EXPECT_EQ(i.Contents("sig"), QStringList({"imported signature"}));
    ASSERT_TRUE(i.report);
    EXPECT_EQ(i.report->outcome.added, 2);
}

TEST(ImportDialogs, AnUnknownKindAFolderOfNothingAndAPipeAreRefusedWithTheirNames)
{
    DuplicateImport i;
    const QStringList before = i.s.Dump();
    const QString unknown = WriteFile(i.dir, "notes.bin", QByteArray("\x01\x02\x03 nothing Quillo reads", 24));
    QTemporaryDir emptyFolder;
    const QString pipe = i.dir.filePath("pipe.yml");
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0); // reading it would never end
    for (const QString& source : {unknown, emptyFolder.path(), pipe}) {
        i.file = source;
        i.notifier.shown.clear();
        if (QFileInfo(source).isDir())
            i.actions.ImportFolder();
        else
            i.actions.ImportSnippets();
        ASSERT_EQ(i.notifier.shown.size(), 1);
        EXPECT_TRUE(i.notifier.shown[0].contains(source)) << i.notifier.shown[0].toStdString();
    }
    EXPECT_EQ(i.s.Dump(), before);
    EXPECT_EQ(i.Backups(), 0);
}

TEST(ImportDialogs, TheReportCountsAndListsEveryLineInAScrollingBox)
{
    ImportReport report;
    report.source = "/home/me/match";
    report.format = "espanso";
    report.outcome.added = 3;
    report.outcome.duplicates = {"sig", "addr"};
    report.duplicates = SnippetManager::Duplicates::Skip;
    for (int n = 1; n <= 200; ++n)
        report.skipped << QStringLiteral("base.yml:%1: a shell command, never run").arg(n);
    report.changed = {"base.yml:7: {{date}} became the date placeholder"};
    report.backup = "20261208-094512-import";

    ImportReportDialog dialog(report, nullptr);
    dialog.show();
    const QString summary = dialog.findChild<QLabel*>("summary")->text();
    for (const char* part : {"3 snippets added", "2 stored already and left alone", "200 entries left out",
                             "1 entry changed", "20261208-094512-import", "/home/me/match"})
        EXPECT_TRUE(summary.contains(part)) << part << " in " << summary.toStdString();
    auto* details = dialog.findChild<QPlainTextEdit*>("details");
    ASSERT_TRUE(details);
    EXPECT_TRUE(details->isReadOnly());
    const QString text = details->toPlainText();
    EXPECT_TRUE(text.contains("Stored already, left alone:\nsig, addr"));
    EXPECT_TRUE(text.contains("base.yml:200: a shell command, never run"));
    EXPECT_TRUE(text.contains("Changed:\nbase.yml:7: {{date}} became the date placeholder"));
    EXPECT_GT(details->verticalScrollBar()->maximum(), 0);
    EXPECT_FALSE(dialog.accessibleName().isEmpty());
    EXPECT_FALSE(details->accessibleName().isEmpty());
}

TEST(ImportDialogs, ABackupIsChosenAndRestoredByKeyboard)
{
    OpenStore s(false);
    Warnings notifier;
    int reloads = 0;
    SnippetFileActions actions(nullptr, s.store, notifier, s.folder.Path(), [&] { ++reloads; });
    SnippetBackups backups(s.folder.DatabasePath());
    s.Add("one");
    backups.Make("import"); // older: holds "one"
    s.Add("two");
    backups.Make("daily"); // newest: "one" and "two"
    s.store.DelSnippet(*s.store.GetMatchedSnippet("one"));
    s.store.DelSnippet(*s.store.GetMatchedSnippet("two"));

    QString dialogName;
    AnswerWithKeys({Qt::Key_Down, Qt::Key_Return}, &dialogName); // the second newest
    actions.RestoreBackup();
    EXPECT_EQ(dialogName, "BackupsDialog");
    EXPECT_TRUE(notifier.shown.isEmpty()) << notifier.shown.join('\n').toStdString();
    EXPECT_EQ(reloads, 1);
    ASSERT_EQ(s.store.GetMatchedCol(QString()).size(), 1); // the cache follows
    EXPECT_EQ(s.store.GetMatchedCol(QString())[0]->snippetString, "one");
    const QList<SnippetBackups::Backup> after = backups.List();
    ASSERT_EQ(after.size(), 3);
    EXPECT_EQ(after[0].reason, "restore"); // the empty state before, kept

    AnswerWithKeys({Qt::Key_Escape});
    actions.RestoreBackup();
    EXPECT_EQ(backups.List().size(), 3);
    EXPECT_EQ(reloads, 1);
}

TEST(ImportDialogs, TheBackupsAreListedNewestFirstWithTimeAndReason)
{
    QList<SnippetBackups::Backup> list = {
        {"20261208-101500-daily", "", QDateTime(QDate(2026, 12, 8), QTime(10, 15)), "daily"},
        {"20261207-090000-import", "", QDateTime(QDate(2026, 12, 7), QTime(9, 0)), "import"}};
    BackupsDialog dialog(list, nullptr);
    auto* view = dialog.findChild<QWidget*>("backups");
    ASSERT_TRUE(view);
    EXPECT_EQ(view->accessibleName(), "Backups");
    EXPECT_EQ(dialog.ChosenId(), "20261208-101500-daily");
    BackupsDialog empty({}, nullptr);
    EXPECT_EQ(empty.ChosenId(), "");
}

TEST(ImportDialogs, ExportWritesTheTextFormatTheSuffixNames)
{
    OpenStore s;
    Warnings notifier;
    QTemporaryDir dir;
    QString answer;
    QString filter;
    SnippetFileActions actions(nullptr, s.store, notifier, s.folder.Path(), {});
    actions.SetFileChooser([&](QWidget*, int, const QString&, const QString&, const QString& offered, const QString&,
                               const QString&) {
        filter = offered;
        return answer;
    });
    for (const char* name : {"mine.yaml", "mine.yml", "mine.json"}) {
        answer = dir.filePath(name);
        actions.ExportSnippets();
        EXPECT_TRUE(filter.contains("(*.snippets)") && filter.contains("(*.yaml *.yml)") &&
                    filter.contains("(*.json)"));
        const ImportBatch read = PlainSnippetFile::Read(answer);
        EXPECT_TRUE(read.skipped.isEmpty()) << name;
        ASSERT_EQ(read.snippets.size(), s.store.GetMatchedCol(QString()).size()) << name;
        EXPECT_EQ(read.snippets[0].snippet.guidString, s.store.GetMatchedCol(QString())[0]->guidString);
        EXPECT_EQ(QFile(answer).open(QIODevice::ReadOnly), true);
    }
    QFile json(dir.filePath("mine.json"));
    ASSERT_TRUE(json.open(QIODevice::ReadOnly));
    EXPECT_EQ(json.read(1), "{");
    EXPECT_TRUE(notifier.shown.isEmpty()) << notifier.shown.join('\n').toStdString();
}

TEST(ShowFileDialog, ChoosingAFilterGivesATypedNameItsExtension)
{
    QTemporaryDir dir;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_TRUE(dialog);
        EXPECT_EQ(dialog->nameFilters().size(), 3);
        auto* kinds = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        ASSERT_TRUE(kinds);
        kinds->setCurrentIndex(1); // as the user picks it
        emit kinds->textActivated(kinds->currentText());
        dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(QStringLiteral("chosen"));
        QMetaObject::invokeMethod(dialog, "accept");
    });
    const QString path = ShowFileDialog(nullptr, 0, "Export", "export.snippets",
                                        SnippetFileActions::kExportFilter, dir.path(), "snippets");
    EXPECT_EQ(QFileInfo(path).fileName(), "chosen.yaml");
}
