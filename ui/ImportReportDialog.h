#pragma once

#include "store/SnippetManager.h"

#include <QDialog>
#include <QString>
#include <QStringList>

// What one import did, for the window that ends it.
struct ImportReport
{
    QString source;
    QString format; // ImportFormat's name of the kind read
    SnippetManager::ImportOutcome outcome;
    SnippetManager::Duplicates duplicates = SnippetManager::Duplicates::Keep;
    QStringList skipped; // entries left out, each with where and why
    QStringList changed; // entries changed on the way in
    QString backup;      // the id of the backup made before
};

// The end of an import: a line of counts, then every abbreviation stored
// already and every entry left out or changed, in a read-only text box that
// scrolls however long the list is and can be copied from.
class ImportReportDialog : public QDialog
{
public:
    static constexpr const char* kTitle = "Import";

    ImportReportDialog(const ImportReport& report, QWidget* owner);

    static QString Summary(const ImportReport& report);
    static QString Details(const ImportReport& report);
    static void Show(const ImportReport& report, QWidget* owner);
};
