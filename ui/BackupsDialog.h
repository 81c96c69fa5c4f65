#pragma once

#include "store/SnippetBackups.h"

#include <QDialog>
#include <QList>
#include <QString>

class QListWidget;

// The backups of the snippets, newest first and chosen, each with when and
// why it was made; Enter or Restore takes the chosen one, Escape nothing.
class BackupsDialog : public QDialog
{
public:
    static constexpr const char* kTitle = "Restore a Backup";

    BackupsDialog(const QList<SnippetBackups::Backup>& backups, QWidget* owner);

    // The id of the chosen backup; "" when none is.
    QString ChosenId() const;

    // The id of the backup to restore, or "" when the user cancelled.
    static QString Choose(const QList<SnippetBackups::Backup>& backups, QWidget* owner);

private:
    QListWidget* list;
};
