#include "ui/SnippetFileActions.h"

#include "app/UserNotifier.h"
#include "core/AtomicFileWriter.h"
#include "core/QuilloError.h"
#include "store/SnippetDR.h"
#include "store/SnippetExport.h"
#include "store/import/ImportFormat.h"
#include "store/import/PlainSnippetFile.h"
#include "ui/BackupsDialog.h"
#include "ui/DuplicatesDialog.h"
#include "ui/ImportReportDialog.h"
#include "ui/ShowFileDialog.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <exception>

namespace {

QuilloError ImportError(const QString& message)
{
    return QuilloError(0, QStringLiteral("Import"), message);
}


} // namespace

SnippetFileActions::SnippetFileActions(OwnerWindow owner, SnippetManager& store, UserNotifier& notifier,
                                       QString programFolder, std::function<void()> reloadList)
    : owner(std::move(owner)), store(store), notifier(notifier), programFolder(std::move(programFolder)),
      reloadList(std::move(reloadList)), chooseFile(&ShowFileDialog),
      showReport([this](const SnippetDR& report, QWidget* owner) {
          report.ShowPreview(owner, SnippetExport::DatabaseFiles(this->store.DatabasePath()));
      }),
      askDuplicates(&DuplicatesDialog::Ask), showImportReport(&ImportReportDialog::Show),
      chooseBackup(&BackupsDialog::Choose), backupsKeep([] { return SnippetBackups::kDefaultKeep; })
{
}

void SnippetFileActions::ExportSnippets()
{
    const QString target = Choose(0, QString::fromLatin1(kExportTitle), QString::fromLatin1(kDefaultExportName),
                                  QString::fromLatin1(kExportFilter));
    if (target.isEmpty())
        return;
    Guarded([&] {
        // The kind follows the extension, which the chosen filter gives a
        // name typed without one.
        const QString suffix = QFileInfo(target).suffix().toLower();
        const bool yaml = suffix == QLatin1String("yaml") || suffix == QLatin1String("yml");
        if (!yaml && suffix != QLatin1String("json")) {
            SnippetExport::Export(store.DatabasePath(), target);
            return;
        }
        AtomicFileWriter::Rules rules;
        rules.protectedFiles = SnippetExport::DatabaseFiles(store.DatabasePath());
        rules.replaceExisting = true; // the file dialog asked
        QList<ImportBatch::Entry> entries;
        for (const SnippetPtr& snippet : store.GetMatchedCol(QString()))
            entries.push_back({*snippet, QString()});
        AtomicFileWriter writer(target, rules, QString::fromLatin1(SnippetExport::kErrorSource),
                                QStringLiteral("Cannot export the snippets to \"%1\""));
        writer.Write(PlainSnippetFile::Write(entries, yaml ? PlainSnippetFile::Syntax::Yaml
                                                           : PlainSnippetFile::Syntax::Json));
        writer.Commit();
    });
}

void SnippetFileActions::ImportSnippets()
{
    const QString source =
        Choose(kFileDialogOpen, QString::fromLatin1(kImportTitle), QString(), QString::fromLatin1(kImportFilter));
    if (!source.isEmpty())
        Guarded([&] { ImportFrom(source); });
    // Also after a cancel or a failure: the list shows what the store holds.
    if (reloadList)
        reloadList();
}

void SnippetFileActions::ImportFolder()
{
    const QString source = Choose(kFileDialogFolder, QString::fromLatin1(kImportFolderTitle), QString(), QString());
    if (!source.isEmpty())
        Guarded([&] { ImportFrom(source); });
    if (reloadList)
        reloadList();
}

void SnippetFileActions::ImportFrom(const QString& source)
{
    // Guessing reads the file: a pipe or a device would never end.
    const QFileInfo sourceInfo(source);
    if (!sourceInfo.isDir() && !sourceInfo.isFile())
        throw ImportError(QStringLiteral("\"%1\" is not a regular file; nothing was imported.").arg(source));
    const ImportFormat::Kind kind = ImportFormat::Guess(source);
    if (kind == ImportFormat::Kind::Unknown && sourceInfo.isDir())
        throw ImportError(QStringLiteral("\"%1\" is a folder that holds no AutoKey phrases nor Espanso "
                                         "matches; nothing was imported.")
                              .arg(source));
    if (kind == ImportFormat::Kind::Unknown)
        throw ImportError(QStringLiteral("Cannot tell what kind of file \"%1\" is. Quillo imports its own snippet, "
                                         "YAML and JSON files, Espanso match files, Beeftext, TextExpander and "
                                         "AutoHotkey files, and AutoKey folders.")
                              .arg(source));
    const ImportBatch batch = kind == ImportFormat::Kind::Snippets ? ImportFormat::ReadSnippetFile(store.DatabasePath(), source)
                                                                   : ImportFormat::Read(kind, source);

    // Asked once for the whole file, before anything is stored.
    QSet<QString> stored;
    for (const SnippetPtr& snippet : store.GetMatchedCol(QString()))
        stored.insert(snippet->snippetString);
    QStringList duplicates;
    for (const ImportBatch::Entry& entry : batch.snippets)
        if (stored.contains(entry.snippet.snippetString) && !duplicates.contains(entry.snippet.snippetString))
            duplicates << entry.snippet.snippetString;
    ImportReport report;
    report.source = source;
    report.format = ImportFormat::Name(kind);
    report.skipped = batch.skipped;
    report.changed = batch.changed;
    if (!duplicates.isEmpty()) {
        const std::optional<SnippetManager::Duplicates> answer = askDuplicates(duplicates, Owner());
        if (!answer)
            return;
        report.duplicates = *answer;
    }

    report.backup = Backups().Make(QStringLiteral("import")).id;
    if (kind == ImportFormat::Kind::Snippets && report.duplicates == SnippetManager::Duplicates::Keep) {
        // Every row added as the snippet file import always did.
        const qsizetype before = store.GetMatchedCol(QString()).size();
        store.ImportSnippets(source);
        report.outcome.added = int(store.GetMatchedCol(QString()).size() - before);
        report.outcome.duplicates = duplicates;
    } else {
        QList<Snippet> snippets;
        for (const ImportBatch::Entry& entry : batch.snippets)
            snippets << entry.snippet;
        report.outcome = store.AddImported(snippets, report.duplicates);
    }
    showImportReport(report, Owner());
}

void SnippetFileActions::PrintSnippets()
{
    Guarded([&] {
        store.PrintSnippets([&](const SnippetCollection& rows) {
            SnippetDR report;
            report.InitDataSource(rows);
            showReport(report, Owner());
        });
    });
}

void SnippetFileActions::RestoreBackup()
{
    Guarded([&] {
        SnippetBackups backups = Backups();
        const QString id = chooseBackup(backups.List(), Owner());
        if (id.isEmpty())
            return;
        backups.Restore(id);
        // The restore wrote through its own connection.
        store.RefreshIfChanged();
        if (reloadList)
            reloadList();
    });
}

SnippetBackups SnippetFileActions::Backups() const
{
    return SnippetBackups(store.DatabasePath(), backupsKeep ? backupsKeep() : SnippetBackups::kDefaultKeep);
}

QString SnippetFileActions::Choose(int mode, const QString& title, const QString& defaultName,
                                   const QString& filter) const
{
    return chooseFile(Owner(), mode, title, defaultName, filter, programFolder, QString::fromLatin1(kExtension));
}

template <typename Action> void SnippetFileActions::Guarded(Action action)
{
    try {
        action();
    } catch (const QuilloError& e) {
        notifier.Warning(e.Message());
    } catch (const std::exception& e) {
        notifier.Warning(QString::fromUtf8(e.what()));
    }
}
