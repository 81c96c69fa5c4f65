#include "ui/SnippetFileActions.h"

#include "app/UserNotifier.h"
#include "core/QuilloError.h"
#include "store/SnippetDR.h"
#include "store/SnippetExport.h"
#include "store/SnippetManager.h"
#include "ui/ShowFileDialog.h"

#include <exception>

SnippetFileActions::SnippetFileActions(OwnerWindow owner, SnippetManager& store, UserNotifier& notifier,
                                       QString programFolder, std::function<void()> reloadList)
    : owner(std::move(owner)), store(store), notifier(notifier), programFolder(std::move(programFolder)),
      reloadList(std::move(reloadList)), chooseFile(&ShowFileDialog),
      showReport([this](const SnippetDR& report, QWidget* owner) {
          report.ShowPreview(owner, SnippetExport::DatabaseFiles(this->store.DatabasePath()));
      })
{
}

void SnippetFileActions::ExportSnippets()
{
    const QString target = Choose(0, QString::fromLatin1(kExportTitle), QString::fromLatin1(kDefaultExportName));
    if (target.isEmpty())
        return;
    Guarded([&] { SnippetExport::Export(store.DatabasePath(), target); });
}

void SnippetFileActions::ImportSnippets()
{
    const QString source = Choose(kFileDialogOpen, QString::fromLatin1(kImportTitle), QString());
    if (!source.isEmpty())
        Guarded([&] { store.ImportSnippets(source); });
    // Also after a cancel or a failure: the list shows what the store holds.
    if (reloadList)
        reloadList();
}

void SnippetFileActions::PrintSnippets()
{
    Guarded([&] {
        store.PrintSnippets([&](const SnippetCollection& rows) {
            SnippetDR report;
            report.InitDataSource(rows);
            showReport(report, owner ? owner() : nullptr);
        });
    });
}

QString SnippetFileActions::Choose(int mode, const QString& title, const QString& defaultName) const
{
    return chooseFile(owner ? owner() : nullptr, mode, title, defaultName, QString::fromLatin1(kFilter), programFolder,
                      QString::fromLatin1(kExtension));
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
