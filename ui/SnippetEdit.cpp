#include "ui/SnippetEdit.h"

#include "app/MacroTable.h"
#include "app/UserNotifier.h"
#include "app/engine/ContentExpansion.h"
#include "controls/DoEvents.h"
#include "controls/QKCheck.h"
#include "controls/QKCombo.h"
#include "controls/QKCommonButton.h"
#include "controls/QKContentEditWin.h"
#include "controls/QKLineEdit.h"
#include "controls/QKSnippetEditWin.h"
#include "controls/QKText.h"
#include "controls/Skins.h"
#include "core/AppRule.h"
#include "store/SnippetManager.h"
#include "ui/ControlMaker.h"

#include <QAction>
#include <QKeyEvent>
#include <QMenu>
#include <QPlainTextEdit>

namespace {

constexpr const char* kAbbreviationTip = "Abbreviation";
constexpr const char* kContentTip = "Content Text";
constexpr const char* kModeTip = "When the snippet expands";
constexpr const char* kCaseFollowsTip =
    "Case follows the typing: the abbreviation matches in any case; typed Capitalised or in CAPITALS, "
    "the content follows";
constexpr const char* kOnlyInTip =
    "Only in these applications (window classes or app ids, or title:PATTERN), separated by commas; \\, is a "
    "comma in a title";
constexpr const char* kExampleLead = "   example:";
constexpr const char* kExplanationLead = "   ";
constexpr qint16 kKeyEnter = 13;

// The list's order, which is not the order the placeholders are replaced in.
const QStringList& TimeAndDateEntries()
{
    static const QStringList entries = {"[time]", "[time hh:mm AM/PM]", "[time h:mm:ss a/p]", "[date]",
                                        "[date m/d/yy]", "[date dddd, mmmm dd, yyyy]", "[date time]"};
    return entries;
}
const QStringList& PartEntries()
{
    static const QStringList entries = {"[second]",    "[second ss]", "[minute]",   "[minute nn]",
                                        "[hour]",      "[hour hh]",   "[day D]",    "[day dd]",
                                        "[day ddd]",   "[day dddd]",  "[day w]",    "[day y]",
                                        "[week ww]",   "[month m]",   "[month MM]", "[month MMM]",
                                        "[month MMMM]", "[quarter]",  "[year]",     "[year yyyy]"};
    return entries;
}

QString Entry(const QString& placeholder, const MacroClock& clock, const QLocale& locale, bool withExplanation)
{
    QString entry = placeholder + QLatin1String(kExampleLead) + ReplaceMacros(placeholder, clock, locale);
    if (withExplanation) {
        for (const MacroEntry& macro : MacroTable::Entries())
            if (macro.placeholder == placeholder && !macro.explanation.isEmpty())
                entry += QLatin1String(kExplanationLead) + macro.explanation;
    }
    return entry;
}

} // namespace

SnippetEdit::SnippetEdit(const SnippetManager& snippetMgr, UserNotifier& notifier, QWidget* parent)
    : QKUserControl(parent), snippetMgr(snippetMgr), notifier(notifier)
{
    InitGeometry(QRectF(0, 0, kDesignWidth, kDesignHeight));
    SetBackColor(Skins::White());
    txtSnippet = MakeControl<QKSnippetEditWin>(this, "txtSnippet", 105, 105, 795, 285);
    txtSnippet->setToolTip(QLatin1String(kAbbreviationTip));
    txtSnippet->TextBox()->setToolTip(QLatin1String(kAbbreviationTip));
    txtSnippet->TextBox()->setAccessibleName(QLatin1String(kAbbreviationTip));
    cmdCancel = MakeControl<QKCommonButton>(this, "cmdCancel", 1987, 120, 930, 270);
    cmdCancel->SetText(QStringLiteral("Cancel"));
    txtContent = MakeControl<QKContentEditWin>(this, "txtContent", 120, 465, 3780, 615);
    txtContent->setToolTip(QLatin1String(kContentTip));
    txtContent->TextBox()->setToolTip(QLatin1String(kContentTip));
    txtContent->TextBox()->setAccessibleName(QLatin1String(kContentTip));
    cmdOk = MakeControl<QKCommonButton>(this, "cmdOk", 960, 120, 930, 270);
    cmdOk->SetText(QStringLiteral("Save"));
    cmbInsert = MakeControl<QKCombo>(this, "cmbInsert", 3015, 120, 930, 270);
    cmbInsert->SetText(QLatin1String(kInsertCaption));
    cmbInsert->setAccessibleName(QLatin1String(kInsertCaption));
    cmbMode = MakeControl<QKCombo>(this, "cmbMode", 120, 1125, 1950, 270);
    for (Snippet::TriggerMode mode : {Snippet::TriggerMode::AfterDelimiter, Snippet::TriggerMode::Immediately,
                                      Snippet::TriggerMode::InsideWords})
        cmbMode->AddItem(ModeCaption(mode));
    cmbMode->SetText(ModeCaption(Snippet::TriggerMode::AfterDelimiter));
    cmbMode->setToolTip(QLatin1String(kModeTip));
    cmbMode->setAccessibleName(QLatin1String(kModeTip));
    txtOnlyIn = MakeControl<QKText>(this, "txtOnlyIn", 2145, 1125, 1155, 270);
    txtOnlyIn->setToolTip(QLatin1String(kOnlyInTip));
    txtOnlyIn->TextBox()->setToolTip(QLatin1String(kOnlyInTip));
    txtOnlyIn->TextBox()->setAccessibleName(QLatin1String(kOnlyInTip));
    txtOnlyIn->TextBox()->setPlaceholderText(QStringLiteral("in every application"));
    chkCaseFollows = MakeControl<QKCheck>(this, "chkCaseFollows", 3360, 1148, 600, 225);
    chkCaseFollows->SetCaption(QStringLiteral("Aa"));
    chkCaseFollows->setToolTip(QLatin1String(kCaseFollowsTip));
    chkCaseFollows->setAccessibleName(QStringLiteral("Case follows the typing"));
    chkCaseFollows->setAccessibleDescription(QLatin1String(kCaseFollowsTip));
    // The way a keyboard user works a row: type the abbreviation, then the
    // content, then save; Cancel and the placeholders after that.
    setTabOrder(txtSnippet->TextBox(), txtContent->TextBox());
    setTabOrder(txtContent->TextBox(), cmdOk);
    setTabOrder(cmdOk, cmdCancel);
    setTabOrder(cmdCancel, cmbInsert);
    setTabOrder(cmbInsert, cmbMode);
    setTabOrder(cmbMode, txtOnlyIn->TextBox());
    setTabOrder(txtOnlyIn->TextBox(), chkCaseFollows);
    // Focus given to the row goes to the abbreviation.
    setFocusProxy(txtSnippet->TextBox());

    connect(cmdOk, &QKCommonButton::Click, this, &SnippetEdit::TrySave);
    connect(cmdCancel, &QKCommonButton::Click, this, &SnippetEdit::Cancel);
    connect(txtSnippet, &QKSnippetEditWin::KeyPress, this, [this](qint16& keyAscii) {
        if (keyAscii != kKeyEnter)
            return;
        keyAscii = 0;
        TrySave();
    });
    connect(cmbInsert, &QKCombo::Click, this, &SnippetEdit::InsertPicked);
}

int SnippetEdit::SetSnippet(const SnippetPtr& aSnippet)
{
    currentSnippet = aSnippet;
    originalAbbreviation = aSnippet ? aSnippet->snippetString : QString();
    originalContent = aSnippet ? aSnippet->contentString : QString();
    originalMode = aSnippet ? aSnippet->triggerMode : Snippet::TriggerMode::AfterDelimiter;
    originalOnlyIn = aSnippet ? aSnippet->onlyIn : QStringList();
    originalCaseFollows = aSnippet && aSnippet->caseFollows;
    SetFields(aSnippet ? aSnippet->snippetString : QString(), aSnippet ? aSnippet->contentString : QString());
    cmbMode->SetText(ModeCaption(originalMode));
    txtOnlyIn->SetText(OnlyInText(originalOnlyIn));
    chkCaseFollows->SetValue(originalCaseFollows ? 1 : 0);
    return 0;
}

QString SnippetEdit::ModeCaption(Snippet::TriggerMode mode)
{
    switch (mode) {
    case Snippet::TriggerMode::Immediately:
        return QStringLiteral("Immediately");
    case Snippet::TriggerMode::InsideWords:
        return QStringLiteral("Inside words");
    case Snippet::TriggerMode::AfterDelimiter:
        break;
    }
    return QStringLiteral("After delimiter");
}

Snippet::TriggerMode SnippetEdit::ModeOfCaption(const QString& caption)
{
    for (Snippet::TriggerMode mode : {Snippet::TriggerMode::Immediately, Snippet::TriggerMode::InsideWords})
        if (caption == ModeCaption(mode))
            return mode;
    return Snippet::TriggerMode::AfterDelimiter;
}

QStringList SnippetEdit::OnlyInList(const QString& text)
{
    return AppRule::SplitList(text);
}

QString SnippetEdit::OnlyInText(const QStringList& patterns)
{
    return AppRule::JoinList(patterns, QStringLiteral(", "));
}

void SnippetEdit::SetFields(const QString& abbreviation, const QString& content)
{
    txtSnippet->SetText(abbreviation);
    txtContent->SetText(content);
}

int SnippetEdit::SetContentText(const QString& txtString)
{
    txtContent->SetText(txtString);
    return 0;
}

int SnippetEdit::SetSnippetFocus()
{
    txtSnippet->TextBox()->setFocus(Qt::OtherFocusReason);
    return 0;
}

QString SnippetEdit::AbbreviationText() const
{
    return txtSnippet->Text();
}

QString SnippetEdit::ContentText() const
{
    return txtContent->Text();
}

void SnippetEdit::focusInEvent(QFocusEvent* event)
{
    QKUserControl::focusInEvent(event);
    SetSnippetFocus();
}

void SnippetEdit::keyPressEvent(QKeyEvent* event)
{
    // Escape anywhere in the row that nothing inside used: the row is
    // cancelled, as by its Cancel button.
    if (event->key() == Qt::Key_Escape && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        event->accept();
        Cancel();
        return;
    }
    QKUserControl::keyPressEvent(event);
}

QString SnippetEdit::AccessibleName() const
{
    return originalAbbreviation.isEmpty() ? QStringLiteral("New snippet") : originalAbbreviation;
}

bool SnippetEdit::HasChanges() const
{
    return txtSnippet->Text() != originalAbbreviation || txtContent->Text() != originalContent ||
           ModeOfCaption(cmbMode->Text()) != originalMode || OnlyInList(txtOnlyIn->Text()) != originalOnlyIn ||
           (chkCaseFollows->Value() == 1) != originalCaseFollows;
}

void SnippetEdit::Cancel()
{
    const SnippetPtr snippet = currentSnippet;
    emit CancelClick(snippet);
}

QStringList SnippetEdit::InsertEntries(const MacroClock& clock, const QLocale& locale)
{
    QStringList entries;
    for (const QString& placeholder : TimeAndDateEntries())
        entries << Entry(placeholder, clock, locale, false);
    entries << QLatin1String(kSeparatorEntry);
    for (const QString& placeholder : PartEntries())
        entries << Entry(placeholder, clock, locale, true);
    return entries;
}

QStringList SnippetEdit::ContentEntries()
{
    QStringList entries;
    for (const MacroEntry& entry : MacroTable::ContentEntries())
        entries << entry.placeholder + QLatin1String(kExplanationLead) + entry.explanation;
    return entries;
}

void SnippetEdit::OnShow()
{
    if (insertListFilled || !UserMode())
        return;
    insertListFilled = true;
    // One moment for every example, so the list never mixes two seconds.
    const QDateTime now = QDateTime::currentDateTime();
    const QStringList entries = InsertEntries([now] { return now; }, QLocale::system()) +
                                QStringList{QLatin1String(kSeparatorEntry)} + ContentEntries();
    for (const QString& entry : entries) {
        cmbInsert->AddItem(entry);
        // A separator line is not an entry anybody can pick.
        if (entry == QLatin1String(kSeparatorEntry))
            cmbInsert->PopupMenu()->actions().constLast()->setSeparator(true);
    }
}

bool SnippetEdit::TrySave()
{
    const QString abbreviation = txtSnippet->Text();
    if (abbreviation.isEmpty()) {
        notifier.Plain(QLatin1String(kNoAbbreviation));
        return false;
    }
    const SnippetPtr stored = snippetMgr.GetMatchedSnippet(abbreviation);
    if (stored && currentSnippet && stored->guidString != currentSnippet->guidString) {
        notifier.Plain(QLatin1String(kAbbreviationTaken));
        return false;
    }
    if (!currentSnippet)
        return false;
    // An entry that names no application would keep the snippet from
    // expanding anywhere without a word: the row stays open to mend it.
    const QStringList onlyIn = OnlyInList(txtOnlyIn->Text());
    for (const QString& entry : onlyIn) {
        const QString problem = AppRule::Problem(entry);
        if (!problem.isEmpty()) {
            notifier.Plain(QStringLiteral("The snippet cannot be kept to these applications: %1.").arg(problem));
            return false;
        }
    }
    // Snippets that bring each other in without end can never expand as
    // meant: refused. One not made yet may well be made next: said, and saved.
    const ContentExpansion::ReferenceCheck references = ContentExpansion::CheckReferences(
        abbreviation, txtContent->Text(), [this](const QString& other) -> std::optional<QString> {
            const SnippetPtr found = snippetMgr.GetMatchedSnippet(other);
            return found ? std::optional<QString>(found->contentString) : std::nullopt;
        });
    if (!references.Ok())
        notifier.Plain(references.Message());
    if (!references.cycle.isEmpty())
        return false;
    currentSnippet->snippetString = abbreviation;
    currentSnippet->contentString = txtContent->Text();
    currentSnippet->triggerMode = ModeOfCaption(cmbMode->Text());
    currentSnippet->onlyIn = onlyIn;
    currentSnippet->caseFollows = chkCaseFollows->Value() == 1;
    const SnippetPtr snippet = currentSnippet;
    emit OkClick(snippet);
    return true;
}

void SnippetEdit::InsertPicked()
{
    const QString picked = cmbInsert->Text();
    const int close = picked.indexOf(QLatin1Char(']'));
    if (close >= 0)
        txtContent->InsertText(picked.left(close + 1));
    DoEvents();
    cmbInsert->SetText(QLatin1String(kInsertCaption));
}
