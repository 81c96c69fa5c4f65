#pragma once

#include "app/ReplaceMacros.h"
#include "controls/QKUserControl.h"
#include "store/Snippet.h"

#include <QStringList>

class QKCheck;
class QKCombo;
class QKCommonButton;
class QKContentEditWin;
class QKSnippetEditWin;
class QKText;
class SnippetManager;
class UserNotifier;

// The editor row of the snippet list: abbreviation, content, "Save",
// "Cancel", an "Insert" list of date and time placeholders, when the snippet
// expands (its trigger mode) and the applications it is kept to. Save checks
// the abbreviation against the stored snippets and copies the fields into
// the bound snippet only when it is accepted; Cancel copies nothing.
class SnippetEdit : public QKUserControl
{
    Q_OBJECT
    Q_CLASSINFO("ProgId", "Quillo.SnippetEdit")
public:
    static constexpr double kDesignWidth = 4005;
    static constexpr double kDesignHeight = 1455;
    static constexpr const char* kInsertCaption = "Insert";
    static constexpr const char* kSeparatorEntry = "-";
    static constexpr const char* kNoAbbreviation =
        "Did you forget to input the abbreviation?\r\nPlease input the abbreviation.";
    static constexpr const char* kAbbreviationTaken =
        "The abbreviation is already existent.\r\nPlease use another abbreviation.";

    // The store is asked whether an abbreviation is taken; the notifier
    // shows the refusals.
    SnippetEdit(const SnippetManager& snippetMgr, UserNotifier& notifier, QWidget* parent = nullptr);

    int SetSnippet(const SnippetPtr& aSnippet);
    int SetContentText(const QString& txtString);
    int SetSnippetFocus();
    SnippetPtr CurrentSnippet() const { return currentSnippet; }
    // A row of the list to a screen reader, named after its abbreviation.
    QAccessible::Role AccessibleRole() const override { return QAccessible::ListItem; }
    QString AccessibleName() const override;
    // What the fields hold now.
    QString AbbreviationText() const;
    QString ContentText() const;
    // The bound snippet's abbreviation and content when SetSnippet ran.
    QString OriginalAbbreviation() const { return originalAbbreviation; }
    QString OriginalContent() const { return originalContent; }
    // Puts text into both fields without touching the bound snippet.
    void SetFields(const QString& abbreviation, const QString& content);
    // The fields differ from what the bound snippet held when SetSnippet ran.
    bool HasChanges() const;
    // Saves as the Save button does: true when the row was accepted (and
    // OkClick raised), false when a message refused it.
    bool TrySave();
    // As the Cancel button does.
    void Cancel();

    // The insert list's 28 entries for the moment the clock gives.
    static QStringList InsertEntries(const MacroClock& clock, const QLocale& locale);
    // The entries after them, below a second separator: the placeholders
    // beyond date and time, each with its explanation.
    static QStringList ContentEntries();

    QKSnippetEditWin* txtSnippet = nullptr;
    QKCommonButton* cmdCancel = nullptr;
    QKContentEditWin* txtContent = nullptr;
    QKCommonButton* cmdOk = nullptr;
    QKCombo* cmbInsert = nullptr;
    QKCombo* cmbMode = nullptr;
    QKText* txtOnlyIn = nullptr; // application patterns, separated by commas
    QKCheck* chkCaseFollows = nullptr;

    // The mode list's caption for a trigger mode, and back (the default for
    // a caption that is none of them).
    static QString ModeCaption(Snippet::TriggerMode mode);
    static Snippet::TriggerMode ModeOfCaption(const QString& caption);
    // The application field's text as a list, and a list as its text.
    static QStringList OnlyInList(const QString& text);
    static QString OnlyInText(const QStringList& patterns);

signals:
    void OkClick(const SnippetPtr& aSnippet);
    void CancelClick(const SnippetPtr& aSnippet);

protected:
    void OnShow() override;
    void focusInEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void InsertPicked();

    const SnippetManager& snippetMgr;
    UserNotifier& notifier;
    SnippetPtr currentSnippet;
    QString originalAbbreviation;
    QString originalContent;
    Snippet::TriggerMode originalMode = Snippet::TriggerMode::AfterDelimiter;
    QStringList originalOnlyIn;
    bool originalCaseFollows = false;
    bool insertListFilled = false;
};
