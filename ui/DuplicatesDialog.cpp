#include "ui/DuplicatesDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

DuplicatesDialog::DuplicatesDialog(const QStringList& abbreviations, QWidget* owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("DuplicatesDialog"));
    setWindowTitle(QString::fromLatin1(kTitle));
    setWindowModality(Qt::ApplicationModal);
    QStringList named = abbreviations.mid(0, kNamedAbbreviations);
    if (abbreviations.size() > kNamedAbbreviations)
        named << QStringLiteral("and %1 more").arg(abbreviations.size() - kNamedAbbreviations);
    auto* question = new QLabel(
        QStringLiteral("%1 of the abbreviations in this file %2 stored already: %3.\nWhat should the import do with %4?")
            .arg(abbreviations.size())
            .arg(abbreviations.size() == 1 ? QStringLiteral("is") : QStringLiteral("are"))
            .arg(named.join(QStringLiteral(", ")))
            .arg(abbreviations.size() == 1 ? QStringLiteral("it") : QStringLiteral("them")),
        this);
    question->setWordWrap(true);
    question->setTextInteractionFlags(Qt::TextSelectableByMouse);
    skip = new QRadioButton(QStringLiteral("&Skip them: keep the stored snippets as they are"), this);
    replace = new QRadioButton(QStringLiteral("&Replace the stored snippets with the imported ones"), this);
    keep = new QRadioButton(QStringLiteral("&Keep both: add the imported snippets beside the stored ones"), this);
    skip->setObjectName(QStringLiteral("skip"));
    replace->setObjectName(QStringLiteral("replace"));
    keep->setObjectName(QStringLiteral("keep"));
    skip->setAccessibleName(QStringLiteral("Skip"));
    replace->setAccessibleName(QStringLiteral("Replace"));
    keep->setAccessibleName(QStringLiteral("Keep both"));
    skip->setChecked(true);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Import"));
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(question);
    layout->addWidget(skip);
    layout->addWidget(replace);
    layout->addWidget(keep);
    layout->addWidget(buttons);
    setAccessibleName(QStringLiteral("Abbreviations stored already"));
    setAccessibleDescription(question->text());
    skip->setFocus();
}

SnippetManager::Duplicates DuplicatesDialog::Choice() const
{
    if (replace->isChecked())
        return SnippetManager::Duplicates::Replace;
    if (keep->isChecked())
        return SnippetManager::Duplicates::Keep;
    return SnippetManager::Duplicates::Skip;
}

std::optional<SnippetManager::Duplicates> DuplicatesDialog::Ask(const QStringList& abbreviations, QWidget* owner)
{
    DuplicatesDialog dialog(abbreviations, owner);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.Choice();
}
