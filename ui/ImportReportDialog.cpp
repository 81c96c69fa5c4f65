#include "ui/ImportReportDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString Count(int n, const char* one, const char* many)
{
    return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
}

} // namespace

ImportReportDialog::ImportReportDialog(const ImportReport& report, QWidget* owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("ImportReportDialog"));
    setWindowTitle(QString::fromLatin1(kTitle));
    setWindowModality(Qt::ApplicationModal);
    auto* summary = new QLabel(Summary(report), this);
    summary->setObjectName(QStringLiteral("summary"));
    summary->setWordWrap(true);
    summary->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(summary);
    const QString details = Details(report);
    if (!details.isEmpty()) {
        auto* list = new QPlainTextEdit(details, this);
        list->setObjectName(QStringLiteral("details"));
        list->setReadOnly(true);
        list->setLineWrapMode(QPlainTextEdit::NoWrap);
        list->setAccessibleName(QStringLiteral("What the import left out or changed"));
        layout->addWidget(list);
        resize(640, 400);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
    setAccessibleName(QStringLiteral("Import finished"));
    setAccessibleDescription(summary->text());
    buttons->button(QDialogButtonBox::Ok)->setFocus();
}

QString ImportReportDialog::Summary(const ImportReport& report)
{
    QStringList parts;
    parts << Count(report.outcome.added, "snippet added", "snippets added");
    if (report.outcome.replaced > 0)
        parts << Count(report.outcome.replaced, "stored snippet replaced", "stored snippets replaced");
    if (!report.outcome.duplicates.isEmpty() && report.duplicates == SnippetManager::Duplicates::Skip)
        parts << Count(int(report.outcome.duplicates.size()), "stored already and left alone",
                       "stored already and left alone");
    if (!report.skipped.isEmpty())
        parts << Count(int(report.skipped.size()), "entry left out", "entries left out");
    if (!report.changed.isEmpty())
        parts << Count(int(report.changed.size()), "entry changed", "entries changed");
    QString text = QStringLiteral("Imported from \"%1\" (%2): %3.").arg(report.source, report.format, parts.join(QStringLiteral(", ")));
    if (!report.backup.isEmpty())
        text += QStringLiteral("\nThe snippets as they were before are the backup %1.").arg(report.backup);
    return text;
}

QString ImportReportDialog::Details(const ImportReport& report)
{
    QStringList lines;
    if (!report.outcome.duplicates.isEmpty()) {
        const char* heading = report.duplicates == SnippetManager::Duplicates::Skip      ? "Stored already, left alone:"
                              : report.duplicates == SnippetManager::Duplicates::Replace ? "Stored already, replaced:"
                                                                                         : "Stored already, added again:";
        lines << QLatin1String(heading) << report.outcome.duplicates.join(QStringLiteral(", ")) << QString();
    }
    if (!report.skipped.isEmpty())
        lines << QStringLiteral("Left out:") << report.skipped << QString();
    if (!report.changed.isEmpty())
        lines << QStringLiteral("Changed:") << report.changed << QString();
    while (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines.join(QLatin1Char('\n'));
}

void ImportReportDialog::Show(const ImportReport& report, QWidget* owner)
{
    ImportReportDialog dialog(report, owner);
    dialog.exec();
}
