#include "ui/ShowFileDialog.h"

#include <QDir>
#include <QFileDialog>
#include <QRegularExpression>

QString ShowFileDialog(QWidget* owner, int mode, const QString& title, const QString& defaultName,
                       const QString& filter, const QString& initialFolder, const QString& defaultExtension)
{
    QFileDialog dialog(owner, title, initialFolder);
    dialog.setObjectName(QStringLiteral("ShowFileDialog"));
    dialog.setWindowModality(Qt::ApplicationModal);
    if (mode == kFileDialogOpen) {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    } else if (mode == kFileDialogFolder) {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly, true);
    } else {
        // AcceptSave asks before replacing an existing file.
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
    }
    dialog.setOption(QFileDialog::ReadOnly, false);
    if (!filter.isEmpty())
        dialog.setNameFilters(filter.split(QStringLiteral(";;")));
    dialog.setDefaultSuffix(defaultExtension);
    // A name typed without an extension gets the one of the kind chosen.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& chosen) {
        static const QRegularExpression firstExtension(QStringLiteral(R"(\*\.([A-Za-z0-9]+))"));
        const QRegularExpressionMatch match = firstExtension.match(chosen);
        if (match.hasMatch())
            dialog.setDefaultSuffix(match.captured(1));
    });
    if (!defaultName.isEmpty())
        dialog.selectFile(defaultName);
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    return QDir::toNativeSeparators(dialog.selectedFiles().value(0));
}
