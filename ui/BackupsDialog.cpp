#include "ui/BackupsDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

BackupsDialog::BackupsDialog(const QList<SnippetBackups::Backup>& backups, QWidget* owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("BackupsDialog"));
    setWindowTitle(QString::fromLatin1(kTitle));
    setWindowModality(Qt::ApplicationModal);
    auto* lead = new QLabel(QStringLiteral("&Backups, newest first. The snippets as they are now are backed up "
                                           "before the chosen backup is put back."),
                            this);
    lead->setWordWrap(true);
    list = new QListWidget(this);
    list->setObjectName(QStringLiteral("backups"));
    list->setAccessibleName(QStringLiteral("Backups"));
    lead->setBuddy(list);
    for (const SnippetBackups::Backup& backup : backups) {
        auto* item = new QListWidgetItem(
            QStringLiteral("%1   %2").arg(backup.made.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), backup.reason),
            list);
        item->setData(Qt::UserRole, backup.id);
    }
    if (list->count() > 0)
        list->setCurrentRow(0);
    // A double click takes the backup as Enter does.
    connect(list, &QListWidget::itemDoubleClicked, this, &QDialog::accept);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    QPushButton* restore = buttons->button(QDialogButtonBox::Ok);
    restore->setText(QStringLiteral("&Restore"));
    restore->setDefault(true);
    restore->setEnabled(list->count() > 0);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lead);
    if (list->count() == 0)
        layout->addWidget(new QLabel(QStringLiteral("There are no backups yet."), this));
    layout->addWidget(list);
    layout->addWidget(buttons);
    setAccessibleName(QString::fromLatin1(kTitle));
    list->setFocus();
}

QString BackupsDialog::ChosenId() const
{
    const QListWidgetItem* item = list->currentItem();
    return item ? item->data(Qt::UserRole).toString() : QString();
}

QString BackupsDialog::Choose(const QList<SnippetBackups::Backup>& backups, QWidget* owner)
{
    BackupsDialog dialog(backups, owner);
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    return dialog.ChosenId();
}
