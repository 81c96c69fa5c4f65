#pragma once

#include "app/SnippetFileCommands.h"

#include <QString>
#include <functional>

class QWidget;
class SnippetDR;
class SnippetManager;
class UserNotifier;

// The snippets menu's Export, Import and Print: the file dialogs, the store
// and the printed list, with every failure shown to the user in a box
// titled "Quillo" instead of escaping into the menu.
class SnippetFileActions : public SnippetFileCommands
{
public:
    static constexpr const char* kExtension = "snippets";
    static constexpr const char* kFilter = "*.snippets";
    static constexpr const char* kDefaultExportName = "export.snippets";
    static constexpr const char* kExportTitle = "Export";
    static constexpr const char* kImportTitle = "Import";

    // The file chooser, with ShowFileDialog's arguments; tests answer it.
    using FileChooser = std::function<QString(QWidget* owner, int mode, const QString& title,
                                              const QString& defaultName, const QString& filter,
                                              const QString& initialFolder, const QString& defaultExtension)>;
    // Shows the printed list; by default its modal preview over the owner.
    using ReportShower = std::function<void(const SnippetDR& report, QWidget* owner)>;

    // The window the dialogs belong to, asked each time: the main window is
    // never shown, so the shell answers with the settings window the menu was
    // opened from (null centres the dialogs on the screen).
    using OwnerWindow = std::function<QWidget*()>;

    // reloadList makes the settings window list every snippet anew, if it is loaded.
    SnippetFileActions(OwnerWindow owner, SnippetManager& store, UserNotifier& notifier, QString programFolder,
                       std::function<void()> reloadList);

    void SetFileChooser(FileChooser chooser) { chooseFile = std::move(chooser); }
    void SetReportShower(ReportShower shower) { showReport = std::move(shower); }

    void ExportSnippets() override;
    void ImportSnippets() override;
    void PrintSnippets() override;

private:
    QString Choose(int mode, const QString& title, const QString& defaultName) const;
    template <typename Action> void Guarded(Action action);

    OwnerWindow owner;
    SnippetManager& store;
    UserNotifier& notifier;
    QString programFolder;
    std::function<void()> reloadList;
    FileChooser chooseFile;
    ReportShower showReport;
};
