#include "ui/ShowFileDialog.h"

#include <QDir>
#include <QFileDialog>

QString ShowFileDialog(QWidget* owner, int mode, const QString& title, const QString& defaultName,
                       const QString& filter, const QString& initialFolder, const QString& defaultExtension)
{
    QFileDialog dialog(owner, title, initialFolder);
    dialog.setObjectName(QStringLiteral("ShowFileDialog"));
    dialog.setWindowModality(Qt::ApplicationModal);
    if (mode == kFileDialogOpen) {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    } else {
        // AcceptSave asks before replacing an existing file.
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
    }
    dialog.setOption(QFileDialog::ReadOnly, false);
    dialog.setNameFilter(filter);
    dialog.setDefaultSuffix(defaultExtension);
    if (!defaultName.isEmpty())
        dialog.selectFile(defaultName);
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    return QDir::toNativeSeparators(dialog.selectedFiles().value(0));
}
