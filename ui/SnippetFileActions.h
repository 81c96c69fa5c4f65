#pragma once

#include "app/SnippetFileCommands.h"
#include "store/SnippetBackups.h"
#include "store/SnippetManager.h"
#include "store/import/ImportBatch.h"

#include <QString>
#include <functional>
#include <optional>

class QWidget;
class SnippetDR;
class UserNotifier;
struct ImportReport;

// The snippets menu's Export, Import, Print and Restore: the file dialogs,
// the store, the printed list and the backups, with every failure shown to
// the user in a box titled "Quillo" instead of escaping into the menu.
//
// Import reads Quillo's snippet and text files and other expanders' files
// and folders, the kind told from the content. When some abbreviations are
// stored already the user is asked once what to do with all of them; a
// backup is made before anything is stored, and a report ends the import.
class SnippetFileActions : public SnippetFileCommands
{
public:
    static constexpr const char* kExtension = "snippets";
    static constexpr const char* kFilter = "*.snippets";
    static constexpr const char* kExportFilter =
        "Quillo snippet files (*.snippets);;Quillo YAML files (*.yaml *.yml);;Quillo JSON files (*.json)";
    static constexpr const char* kImportFilter =
        "Snippet files Quillo reads (*.snippets *.yaml *.yml *.json *.csv *.ahk);;Quillo snippet files (*.snippets);;"
        "Quillo YAML or JSON files (*.yaml *.yml *.json);;Espanso match files (*.yml *.yaml);;"
        "Beeftext files (*.json *.csv);;TextExpander files (*.csv);;AutoHotkey files (*.ahk);;All files (*)";
    static constexpr const char* kDefaultExportName = "export.snippets";
    static constexpr const char* kExportTitle = "Export";
    static constexpr const char* kImportTitle = "Import";
    static constexpr const char* kImportFolderTitle = "Import a Folder";

    // The file chooser, with ShowFileDialog's arguments; tests answer it.
    using FileChooser = std::function<QString(QWidget* owner, int mode, const QString& title,
                                              const QString& defaultName, const QString& filter,
                                              const QString& initialFolder, const QString& defaultExtension)>;
    // Shows the printed list; by default its modal preview over the owner.
    using ReportShower = std::function<void(const SnippetDR& report, QWidget* owner)>;
    // What to do with abbreviations stored already; nothing cancels the import.
    using DuplicatesAsker =
        std::function<std::optional<SnippetManager::Duplicates>(const QStringList& abbreviations, QWidget* owner)>;
    using ImportReportShower = std::function<void(const ImportReport& report, QWidget* owner)>;
    // The id of the backup to restore; "" cancels.
    using BackupChooser = std::function<QString(const QList<SnippetBackups::Backup>& backups, QWidget* owner)>;

    // The window the dialogs belong to, asked each time: the main window is
    // never shown, so the shell answers with the settings window the menu was
    // opened from (null centres the dialogs on the screen).
    using OwnerWindow = std::function<QWidget*()>;

    // reloadList makes the settings window list every snippet anew, if it is loaded.
    SnippetFileActions(OwnerWindow owner, SnippetManager& store, UserNotifier& notifier, QString programFolder,
                       std::function<void()> reloadList);

    void SetFileChooser(FileChooser chooser) { chooseFile = std::move(chooser); }
    void SetReportShower(ReportShower shower) { showReport = std::move(shower); }
    void SetDuplicatesAsker(DuplicatesAsker asker) { askDuplicates = std::move(asker); }
    void SetImportReportShower(ImportReportShower shower) { showImportReport = std::move(shower); }
    void SetBackupChooser(BackupChooser chooser) { chooseBackup = std::move(chooser); }
    // How many backups are kept, asked each time a backup is made (the
    // options may change while the program runs).
    void SetBackupsKeep(std::function<int()> keep) { backupsKeep = std::move(keep); }

    void ExportSnippets() override;
    void ImportSnippets() override;
    void ImportFolder() override;
    void PrintSnippets() override;
    void RestoreBackup() override;

private:
    QString Choose(int mode, const QString& title, const QString& defaultName, const QString& filter) const;
    QWidget* Owner() const { return owner ? owner() : nullptr; }
    SnippetBackups Backups() const;
    void ImportFrom(const QString& source);
    template <typename Action> void Guarded(Action action);

    OwnerWindow owner;
    SnippetManager& store;
    UserNotifier& notifier;
    QString programFolder;
    std::function<void()> reloadList;
    FileChooser chooseFile;
    ReportShower showReport;
    DuplicatesAsker askDuplicates;
    ImportReportShower showImportReport;
    BackupChooser chooseBackup;
    std::function<int()> backupsKeep;
};
