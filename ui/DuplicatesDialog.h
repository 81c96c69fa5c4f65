#pragma once

#include "store/SnippetManager.h"

#include <QDialog>
#include <QStringList>
#include <optional>

class QRadioButton;

// Asked once per import when some of its abbreviations are stored already:
// leave the stored snippets alone, overwrite them, or add the imported ones
// beside them. Leaving them alone is chosen first: it changes nothing the
// user has, and importing the same file again then adds nothing. The arrow
// keys move between the answers, Enter takes one, Escape cancels the import.
class DuplicatesDialog : public QDialog
{
public:
    static constexpr const char* kTitle = "Import";
    // The abbreviations shown before "and N more".
    static constexpr int kNamedAbbreviations = 10;

    DuplicatesDialog(const QStringList& abbreviations, QWidget* owner);

    SnippetManager::Duplicates Choice() const;

    // The answer, or nothing when the user cancelled.
    static std::optional<SnippetManager::Duplicates> Ask(const QStringList& abbreviations, QWidget* owner);

private:
    QRadioButton* skip;
    QRadioButton* replace;
    QRadioButton* keep;
};
