// The settings window without a mouse: Tab order, the keys of an edit row,
// scrolling the list by keyboard and wheel, and the question before edits
// with changes are dropped.
#include "UiTestSupport.h"

#include "controls/FocusRing.h"
#include "controls/QKAddButton.h"
#include "controls/QKCheck.h"
#include "controls/QKCloseButton.h"
#include "controls/QKCombo.h"
#include "controls/QKCommonButton.h"
#include "controls/QKContentEditWin.h"
#include "controls/QKContentTip.h"
#include "controls/QKDelButton.h"
#include "controls/QKEditButton.h"
#include "controls/QKFunctionButton.h"
#include "controls/QKGrayFrame.h"
#include "controls/QKLabel.h"
#include "controls/QKRatio.h"
#include "controls/QKSnippetEditWin.h"
#include "controls/QKTab.h"
#include "controls/QKText.h"
#include "controls/QKVScroll.h"
#include "support/FileBytes.h"
#include "ui/SnippetDel.h"
#include "ui/SnippetEdit.h"
#include "ui/SnippetPreview.h"

#include <QApplication>
#include <QFile>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QWheelEvent>

namespace {

class KeyboardPath : public SettingsWindow
{
protected:
    FormSetting* OpenActive(int tab)
    {
        FormSetting* window = Open(tab);
        if (window) {
            EXPECT_TRUE(QTest::qWaitForWindowActive(window));
        }
        return window;
    }
    static QWidget* Focus() { return QApplication::focusWidget(); }
    static void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = {})
    {
        QWidget* target = Focus();
        ASSERT_NE(target, nullptr);
        QTest::keyClick(target, key, modifiers);
        Pump();
    }
    static void Type(const char* text)
    {
        ASSERT_NE(Focus(), nullptr);
        QTest::keyClicks(Focus(), text);
        Pump();
    }
    void AddSnippets(int count)
    {
        for (int i = 0; i < count; ++i) {
            Snippet snippet;
            snippet.snippetString = QString("n%1").arg(i);
            snippet.contentString = QString("content %1").arg(i);
            shell.form->snippetMgr.CommitSnippet(snippet);
        }
    }
    // How the row's panel lies in the visible part of the list.
    bool ShowsWhole(QWidget* panel)
    {
        const double top = Pad()->Top() + Twips::Geometry(panel).top();
        const double bottom = top + Twips::Geometry(panel).height();
        return top >= 0 && bottom <= Twips::Geometry(settings.Window()->oPictureContainer).height();
    }
    QStringList Questions() const
    {
        QStringList asked;
        for (const QString& shown : shell.notifier.shown)
            if (shown.startsWith("ask"))
                asked << shown;
        return asked;
    }
};

const QString kAsk = QString("ask: ") + FormSetting::kUnsavedQuestion;

} // namespace

TEST_F(KeyboardPath, AKeyboardAloneAddsSavesEditsAndDeletesASnippet)
{
    FormSetting* window = OpenActive(1);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(Focus(), window->txtSearch->TextBox());
    Key(Qt::Key_Tab);
    ASSERT_EQ(Focus(), window->cmdAdd);
    EXPECT_TRUE(FocusRing::Showing(window->cmdAdd));
    Key(Qt::Key_Space);
    ASSERT_EQ(Pad()->Mode(1), SnippetsPad::RowMode::Edit);
    auto* edit = Panel<SnippetEdit>(1);
    ASSERT_EQ(Focus(), edit->txtSnippet->TextBox());

    // Abbreviation, content, Save, Cancel, Insert; a tab only by Ctrl+Tab.
    Type("kb");
    Key(Qt::Key_Tab);
    ASSERT_EQ(Focus(), edit->txtContent->TextBox());
    Type("by keys");
    Key(Qt::Key_Tab, Qt::ControlModifier);
    Type("only");
    Key(Qt::Key_Tab);
    EXPECT_EQ(Focus(), edit->cmdOk);
    Key(Qt::Key_Tab);
    EXPECT_EQ(Focus(), edit->cmdCancel);
    Key(Qt::Key_Tab);
    EXPECT_EQ(Focus(), edit->cmbInsert);
    Key(Qt::Key_Backtab);
    Key(Qt::Key_Backtab);
    ASSERT_EQ(Focus(), edit->cmdOk);
    Key(Qt::Key_Space);
    SnippetPtr stored = shell.form->snippetMgr.GetMatchedSnippet("kb");
    ASSERT_NE(stored, nullptr);
    EXPECT_EQ(stored->contentString, "by keys\tonly");
    ASSERT_EQ(Pad()->Mode(1), SnippetsPad::RowMode::Preview);
    // The keyboard stays on the row.
    EXPECT_EQ(Focus(), Panel<SnippetPreview>(1)->cmdEdit);

    // Edit it again; Enter in the abbreviation saves.
    Key(Qt::Key_Space);
    edit = Panel<SnippetEdit>(1);
    ASSERT_EQ(Focus(), edit->txtSnippet->TextBox());
    edit->txtSnippet->TextBox()->end(false);
    Type("x");
    Key(Qt::Key_Return);
    EXPECT_EQ(shell.form->snippetMgr.GetMatchedSnippet("kb"), nullptr);
    ASSERT_NE(shell.form->snippetMgr.GetMatchedSnippet("kbx"), nullptr);
    EXPECT_EQ(Focus(), Panel<SnippetPreview>(1)->cmdEdit);

    // Escape cancels a delete row, and an edit row.
    Key(Qt::Key_Tab);
    ASSERT_EQ(Focus(), Panel<SnippetPreview>(1)->cmdDel);
    Key(Qt::Key_Space);
    ASSERT_EQ(Pad()->Mode(1), SnippetsPad::RowMode::Delete);
    EXPECT_EQ(Focus(), Panel<SnippetDel>(1)->cmdDel);
    Key(Qt::Key_Escape);
    EXPECT_EQ(Pad()->Mode(1), SnippetsPad::RowMode::Preview);
    EXPECT_EQ(Focus(), Panel<SnippetPreview>(1)->cmdDel);
    Key(Qt::Key_Backtab);
    Key(Qt::Key_Space);
    Type("zz");
    Key(Qt::Key_Escape);
    EXPECT_EQ(Pad()->Mode(1), SnippetsPad::RowMode::Preview);
    ASSERT_NE(shell.form->snippetMgr.GetMatchedSnippet("kbx"), nullptr);
    // From the content field too.
    ASSERT_EQ(Focus(), Panel<SnippetPreview>(1)->cmdEdit);
    Key(Qt::Key_Space);
    Key(Qt::Key_Tab);
    ASSERT_EQ(Focus(), Panel<SnippetEdit>(1)->txtContent->TextBox());
    Type("more");
    Key(Qt::Key_Escape);
    EXPECT_EQ(Pad()->Mode(1), SnippetsPad::RowMode::Preview);
    EXPECT_EQ(shell.form->snippetMgr.GetMatchedSnippet("kbx")->contentString, "by keys\tonly");

    // Delete, confirmed with the keyboard; it then goes on to the next row.
    Key(Qt::Key_Tab);
    Key(Qt::Key_Space);
    Key(Qt::Key_Space);
    EXPECT_EQ(shell.form->snippetMgr.GetMatchedSnippet("kbx"), nullptr);
    EXPECT_EQ(Rows(), (QStringList{"ty", "addr", "today", "sig"}));
    EXPECT_EQ(Focus(), Panel<SnippetPreview>(1)->cmdEdit);

    // With no row open, Escape closes the window.
    Key(Qt::Key_Escape);
    EXPECT_EQ(settings.Window(), nullptr);
    EXPECT_TRUE(Questions().isEmpty());
}

TEST_F(KeyboardPath, TabVisitsEveryControlOfThePageInOrderAndWrapsRound)
{
    FormSetting* window = OpenActive(2);
    ASSERT_NE(window, nullptr);
    window->QKTab1->setFocus(Qt::TabFocusReason);
    const QList<QWidget*> expected = {window->chkEnable,      window->cmbEnableHotKey, window->chkStartWithWin,
                                      window->chkPlaySound,   window->cmbSound,        window->optAutoExpand,
                                      window->txtDelimiters->TextBox(), window->chkKeepTrigger,
                                      window->optHandExpand,  window->cmbExpandHotKey, window->cmbPickerKey,
                                      window->chkUndoBackspace, window->chkStartNotice,
                                      window->txtSyncFolder->TextBox(), window->cmdSyncFolder,
                                      window->btnClose,       window->QKTab1};
    for (QWidget* stop : expected) {
        Key(Qt::Key_Tab);
        EXPECT_EQ(Focus(), stop) << stop->objectName().toStdString();
        EXPECT_TRUE(FocusRing::Showing(stop)) << stop->objectName().toStdString();
    }
    Key(Qt::Key_Backtab);
    EXPECT_EQ(Focus(), window->btnClose);

    // Space works the options.
    window->chkPlaySound->setFocus(Qt::TabFocusReason);
    const bool playing = shell.form->optMgr.EnablePlaySound();
    Key(Qt::Key_Space);
    EXPECT_EQ(shell.form->optMgr.EnablePlaySound(), !playing);
    window->optHandExpand->setFocus(Qt::TabFocusReason);
    Key(Qt::Key_Space);
    EXPECT_EQ(Ini("ExpandWhen"), "hand");
    EXPECT_FALSE(window->optAutoExpand->Value());

    // The tab strip and Ctrl+Page Down change pages; the information page
    // has its link.
    window->QKTab1->setFocus(Qt::TabFocusReason);
    Key(Qt::Key_Right);
    EXPECT_TRUE(window->frameInfo->isVisible());
    Key(Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_TRUE(window->frameSnippets->isVisible());
    Key(Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_TRUE(window->frameInfo->isVisible());
    window->QKTab1->setFocus(Qt::TabFocusReason);
    Key(Qt::Key_Tab);
    ASSERT_EQ(Focus(), window->Label14);
    Key(Qt::Key_Return);
    EXPECT_EQ(shell.urls.opened.size(), 1);
}

TEST_F(KeyboardPath, TabThroughALongListBringsEachRowIntoView)
{
    AddSnippets(40);
    FormSetting* window = OpenActive(1);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(window->oVScroll->isVisible());
    window->cmdSet->setFocus(Qt::TabFocusReason);
    // Two stops a row: edit and delete.
    for (int i = 0; i < 2 * 14 + 1; ++i)
        Key(Qt::Key_Tab);
    auto* row15 = Panel<SnippetPreview>(15);
    ASSERT_EQ(Focus(), row15->cmdEdit);
    EXPECT_GT(window->oVScroll->Value(), 1);
    EXPECT_TRUE(ShowsWhole(row15));

    // Backwards from the close button: the scroll bar, then the last row.
    window->btnClose->setFocus(Qt::TabFocusReason);
    Key(Qt::Key_Backtab);
    EXPECT_EQ(Focus(), window->oVScroll);
    Key(Qt::Key_Backtab);
    const int last = Pad()->RowCount();
    ASSERT_EQ(Focus(), Panel<SnippetPreview>(last)->cmdDel);
    EXPECT_TRUE(ShowsWhole(Panel<SnippetPreview>(last)));
    EXPECT_EQ(Pad()->RowSnippet(last)->snippetString, "sig");
    // And forwards past the last row to the bar again.
    Key(Qt::Key_Tab);
    EXPECT_EQ(Focus(), window->oVScroll);
}

TEST_F(KeyboardPath, TheWheelAndThePagingKeysScrollTheListByRowsAndPages)
{
    AddSnippets(40);
    FormSetting* window = OpenActive(1);
    ASSERT_NE(window, nullptr);
    QKVScroll* bar = window->oVScroll;
    ASSERT_TRUE(bar->isVisible());
    EXPECT_EQ(bar->SmallChange(), 450);
    EXPECT_EQ(bar->LargeChange(), 5100);
    ASSERT_EQ(bar->Value(), 1);

    // A notch over the list moves it by the desktop's wheel lines. (A real
    // notch over a row goes up to the list by itself; one made here does
    // not, so it is given to the list.)
    QWidget* list = window->oPictureContainer;
    QWheelEvent notch(QPointF(5, 5), list->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(list, &notch);
    Pump();
    const qint32 afterNotch = 1 + QApplication::wheelScrollLines() * 450;
    EXPECT_EQ(bar->Value(), afterNotch);
    EXPECT_EQ(Pad()->Top(), 15 - afterNotch);

    // Page Down on a row's button pages by what the list shows.
    auto* row = Panel<SnippetPreview>(4);
    row->cmdEdit->setFocus(Qt::TabFocusReason);
    Pump();
    const qint32 before = bar->Value();
    Key(Qt::Key_PageDown);
    EXPECT_EQ(bar->Value(), before + 5100);
    Key(Qt::Key_PageUp);
    EXPECT_EQ(bar->Value(), before);

    // The bar itself: arrows by a row, Home and End to the ends.
    bar->setFocus(Qt::TabFocusReason);
    Key(Qt::Key_End);
    EXPECT_EQ(bar->Value(), bar->Max());
    EXPECT_EQ(Pad()->Top() + Pad()->Height(), 15 + Twips::Geometry(window->oPictureContainer).height());
    Key(Qt::Key_Up);
    EXPECT_EQ(bar->Value(), bar->Max() - 450);
    Key(Qt::Key_Home);
    EXPECT_EQ(bar->Value(), 1);
    EXPECT_EQ(Pad()->Top(), 14);
}

TEST_F(KeyboardPath, EditsWithChangesAreNotDroppedWithoutAsking)
{
    FormSetting* window = OpenActive(1);
    ASSERT_NE(window, nullptr);
    // An edit row opened but unchanged goes without a question.
    ClickOn(Panel<SnippetPreview>(1)->cmdEdit); // ty
    SearchFor("");
    EXPECT_TRUE(Questions().isEmpty());
    EXPECT_EQ(Pad()->Mode(1), SnippetsPad::RowMode::Preview);

    // Changed: Cancel keeps the row and skips the search.
    ClickOn(Panel<SnippetPreview>(1)->cmdEdit);
    Panel<SnippetEdit>(1)->txtContent->SetText("kept");
    shell.notifier.answers = {UserNotifier::Answer::Cancel};
    SearchFor("sig");
    EXPECT_EQ(Questions(), QStringList{kAsk});
    ASSERT_EQ(Pad()->Mode(1), SnippetsPad::RowMode::Edit);
    EXPECT_EQ(Panel<SnippetEdit>(1)->txtContent->Text(), "kept");
    EXPECT_EQ(Pad()->RowCount(), 4);

    // Save stores it, then the search runs.
    shell.notifier.answers = {UserNotifier::Answer::Save};
    SearchFor("sig");
    EXPECT_EQ(shell.form->snippetMgr.GetMatchedSnippet("ty")->contentString, "kept");
    EXPECT_EQ(Rows(), QStringList{"sig"});

    // A reload after an import asks too; Discard drops the change.
    ClickOn(window->lblBackToList);
    ClickOn(Panel<SnippetPreview>(1)->cmdEdit);
    Panel<SnippetEdit>(1)->txtContent->SetText("dropped");
    shell.notifier.answers = {UserNotifier::Answer::Discard};
    settings.ReloadAllSnippets();
    Pump();
    EXPECT_EQ(Questions().size(), 3);
    EXPECT_EQ(shell.form->snippetMgr.GetMatchedSnippet("ty")->contentString, "kept");
    EXPECT_EQ(Pad()->Mode(1), SnippetsPad::RowMode::Preview);

    // Saving what the check refuses keeps the row and the window open.
    ClickOn(window->cmdAdd->findChild<QWidget*>());
    Panel<SnippetEdit>(1)->txtContent->SetText("no abbreviation yet");
    shell.notifier.answers = {UserNotifier::Answer::Save};
    window->close();
    Pump();
    ASSERT_EQ(settings.Window(), window);
    EXPECT_TRUE(shell.notifier.shown.last().startsWith("plain: Did you forget"));
    EXPECT_EQ(Pad()->Mode(1), SnippetsPad::RowMode::Edit);
    // Cancel keeps it open too; Discard lets it close.
    shell.notifier.answers = {UserNotifier::Answer::Cancel};
    window->close();
    Pump();
    ASSERT_EQ(settings.Window(), window);
    shell.notifier.answers = {UserNotifier::Answer::Discard};
    window->close();
    Pump();
    EXPECT_EQ(settings.Window(), nullptr);
    EXPECT_EQ(shell.form->snippetMgr.GetSnippetCollection().size(), 4);

    // Saved on closing, the window goes too.
    window = OpenActive(1);
    ASSERT_NE(window, nullptr);
    ClickOn(window->cmdAdd->findChild<QWidget*>());
    Panel<SnippetEdit>(1)->txtSnippet->SetText("onclose");
    Panel<SnippetEdit>(1)->txtContent->SetText("saved on closing");
    window->txtSearch->TextBox()->setFocus(Qt::TabFocusReason);
    shell.notifier.answers = {UserNotifier::Answer::Save};
    QTest::keyClick(window->txtSearch->TextBox(), Qt::Key_Escape);
    Pump();
    EXPECT_EQ(settings.Window(), nullptr);
    ASSERT_NE(shell.form->snippetMgr.GetMatchedSnippet("onclose"), nullptr);
}

TEST_F(KeyboardPath, AtTheProgramsEndEditsCanBeSavedButTheEndNotCalledOff)
{
    FormSetting* window = OpenActive(1);
    ASSERT_NE(window, nullptr);
    ClickOn(Panel<SnippetPreview>(1)->cmdEdit);
    Panel<SnippetEdit>(1)->txtContent->SetText("saved at exit");
    shell.notifier.answers = {UserNotifier::Answer::Save};
    settings.CloseWindows();
    Pump();
    EXPECT_EQ(settings.Window(), nullptr);
    EXPECT_EQ(Questions(), QStringList{QString("ask without cancel: ") + FormSetting::kUnsavedQuestion});
    EXPECT_EQ(shell.form->snippetMgr.GetMatchedSnippet("ty")->contentString, "saved at exit");
}

// The applications where nothing expands: the one in front before the window
// opened is added with one key, and a rule removed with another.
TEST_F(KeyboardPath, TheRulesSectionAddsTheApplicationInFrontAndRemovesRules)
{
    constexpr Desktop::WindowId kEditor = 0x400001; // not one of the offscreen ids of our windows
    shell.desktop.foreground = kEditor;
    shell.desktop.windowClass = {"mousepad", "Mousepad"};
    ASSERT_TRUE(shell.form->optMgr.AddExcludeRule("xterm"));
    FormSetting* window = OpenActive(2);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->lstRules->count(), 1);
    EXPECT_EQ(window->lstRules->accessibleName(), "Never expand in");
    EXPECT_TRUE(window->cmdExcludeFront->accessibleName().contains("Mousepad"));

    window->cmdSyncFolder->setFocus(Qt::TabFocusReason);
    Key(Qt::Key_Tab);
    ASSERT_EQ(Focus(), window->lstRules);
    Key(Qt::Key_Tab);
    ASSERT_EQ(Focus(), window->cmdExcludeFront);
    Key(Qt::Key_Space);
    const auto rules = [&] {
        QStringList texts;
        for (const AppRule& rule : shell.form->optMgr.ExcludeRules())
            texts << rule.Text();
        return texts;
    };
    EXPECT_EQ(rules(), QStringList({"xterm", "Mousepad"}));
    EXPECT_EQ(window->lstRules->currentItem()->text(), "Mousepad");
    EXPECT_TRUE(ReadBytes(shell.folder.SettingsPath()).contains("[Rules]\nExclude=xterm\nExclude=Mousepad\n"));

    // In the list: Up chooses, Delete removes, Insert adds; the button
    // removes what is chosen.
    Key(Qt::Key_Backtab);
    ASSERT_EQ(Focus(), window->lstRules);
    Key(Qt::Key_Up);
    Key(Qt::Key_Delete);
    EXPECT_EQ(rules(), QStringList({"Mousepad"}));
    ASSERT_TRUE(shell.form->optMgr.AddExcludeRule("xterm"));
    window->OptionsReloaded();
    Key(Qt::Key_Down);
    Key(Qt::Key_Insert);
    EXPECT_EQ(rules(), QStringList({"Mousepad", "xterm"})) << "no rule twice";
    window->cmdRemoveRule->setFocus(Qt::TabFocusReason);
    Key(Qt::Key_Space);
    Key(Qt::Key_Space);
    EXPECT_TRUE(rules().isEmpty());
    EXPECT_FALSE(window->cmdRemoveRule->isEnabled());
    EXPECT_EQ(Focus(), window->cmdExcludeFront) << "the keyboard stays in the section";
    Key(Qt::Key_Return);
    EXPECT_EQ(rules(), QStringList({"Mousepad"}));

    // A change made elsewhere (the command line) shows when the options are read again.
    QByteArray file = ReadBytes(shell.folder.SettingsPath());
    QFile out(shell.folder.SettingsPath());
    ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
    out.write(file.replace("Exclude=Mousepad\n", "Exclude=Mousepad\nExclude=title:*Bank*\n"));
    out.close();
    const QJsonObject reply = shell.form->ControlCommand("reload-options");
    EXPECT_FALSE(reply.contains("error")) << reply["error"].toString().toStdString();
    EXPECT_EQ(shell.form->optMgr.ExcludeRules().size(), 2);
    EXPECT_EQ(window->lstRules->count(), 2);
}

TEST_F(KeyboardPath, ASnippetsModeAndApplicationsAndTheDelimitersAreSetByKeys)
{
    FormSetting* window = OpenActive(1);
    ASSERT_NE(window, nullptr);
    Key(Qt::Key_Tab);
    ASSERT_EQ(Focus(), window->cmdAdd);
    Key(Qt::Key_Space);
    auto* edit = Panel<SnippetEdit>(1);
    ASSERT_EQ(Focus(), edit->txtSnippet->TextBox());
    Type("brb");
    Key(Qt::Key_Tab);
    Type("be right back");
    // Content, Save, Cancel, Insert, then the mode.
    for (int i = 0; i < 4; ++i)
        Key(Qt::Key_Tab);
    ASSERT_EQ(Focus(), edit->cmbMode);
    EXPECT_EQ(edit->cmbMode->Text(), SnippetEdit::ModeCaption(Snippet::TriggerMode::AfterDelimiter));
    Key(Qt::Key_Space);
    QMenu* menu = edit->cmbMode->PopupMenu();
    ASSERT_TRUE(menu->isVisible());
    QTest::keyClick(menu, Qt::Key_Down);
    QTest::keyClick(menu, Qt::Key_Return);
    Pump();
    EXPECT_EQ(edit->cmbMode->Text(), SnippetEdit::ModeCaption(Snippet::TriggerMode::Immediately));
    edit->cmbMode->setFocus(Qt::TabFocusReason);
    Key(Qt::Key_Tab);
    ASSERT_EQ(Focus(), edit->txtOnlyIn->TextBox());
    Type("xterm, title:*Mail*");
    edit->txtSnippet->TextBox()->setFocus(Qt::TabFocusReason);
    Key(Qt::Key_Return);
    const SnippetPtr stored = shell.form->snippetMgr.GetMatchedSnippet("brb");
    ASSERT_NE(stored, nullptr);
    EXPECT_EQ(stored->triggerMode, Snippet::TriggerMode::Immediately);
    EXPECT_EQ(stored->onlyIn, QStringList({"xterm", "title:*Mail*"}));
    // The list row tells a screen reader how the snippet expands.
    Pump();
    EXPECT_EQ(Panel<SnippetPreview>(1)->AccessibleName(), "brb (Expands immediately; only in: xterm, title:*Mail*)");

    // The options: letters cannot be delimiters, other characters are saved as typed.
    window->QKTab1->setFocus(Qt::TabFocusReason);
    Key(Qt::Key_Right);
    ASSERT_TRUE(window->frameOptions->isVisible());
    window->optAutoExpand->setFocus(Qt::TabFocusReason);
    Key(Qt::Key_Tab);
    ASSERT_EQ(Focus(), window->txtDelimiters->TextBox());
    Type(".a,!");
    EXPECT_EQ(window->txtDelimiters->Text(), ".,!");
    EXPECT_EQ(Ini("Delimiters"), ".,!");
    Key(Qt::Key_Tab);
    ASSERT_EQ(Focus(), window->chkKeepTrigger);
    Key(Qt::Key_Space);
    EXPECT_EQ(Ini("KeepTrigger"), "True");
    EXPECT_TRUE(shell.form->optMgr.KeepTrigger());
}

// The picker's key: shown as the file holds it, changed from the keyboard
// (switched off too), saved and in use at once.
TEST_F(KeyboardPath, ThePickerKeyIsShownAndChangedByKeys)
{
    FormSetting* window = OpenActive(2);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->cmbPickerKey->Text(), OptionMgr::kDefaultPickerKey);
    window->cmbExpandHotKey->setFocus(Qt::TabFocusReason);
    Key(Qt::Key_Tab);
    ASSERT_EQ(Focus(), window->cmbPickerKey);
    const auto pick = [&](int downs) {
        Key(Qt::Key_Space);
        QMenu* menu = window->cmbPickerKey->PopupMenu();
        ASSERT_TRUE(menu->isVisible());
        for (int i = 0; i < downs; ++i)
            QTest::keyClick(menu, Qt::Key_Down);
        QTest::keyClick(menu, Qt::Key_Return);
        Pump();
    };
    pick(1); // the menu starts on the current key
    EXPECT_EQ(window->cmbPickerKey->Text(), "Ctrl+Shift+Space");
    EXPECT_EQ(Ini("PickerKey"), "Ctrl+Shift+Space");
    EXPECT_TRUE(shell.form->optMgr.PickerKey().Matches(32, true, true, false));
    pick(2);
    EXPECT_EQ(window->cmbPickerKey->Text(), "None");
    EXPECT_EQ(Ini("PickerKey"), "None");
    EXPECT_EQ(shell.form->optMgr.PickerKey().keyCode, 0);
}

TEST_F(KeyboardPath, TheCaseOfASnippetAndUndoWithBackspaceAreSetByKeys)
{
    FormSetting* window = OpenActive(1);
    ASSERT_NE(window, nullptr);
    Key(Qt::Key_Tab);
    ASSERT_EQ(Focus(), window->cmdAdd);
    Key(Qt::Key_Space);
    auto* edit = Panel<SnippetEdit>(1);
    Type("brb");
    Key(Qt::Key_Tab);
    Type("be right back");
    edit->txtOnlyIn->TextBox()->setFocus(Qt::TabFocusReason);
    Key(Qt::Key_Tab);
    ASSERT_EQ(Focus(), edit->chkCaseFollows);
    EXPECT_TRUE(edit->chkCaseFollows->accessibleDescription().contains("any case"));
    Key(Qt::Key_Space);
    EXPECT_TRUE(edit->HasChanges());
    edit->txtSnippet->TextBox()->setFocus(Qt::TabFocusReason);
    Key(Qt::Key_Return);
    const SnippetPtr stored = shell.form->snippetMgr.GetMatchedSnippet("brb");
    ASSERT_NE(stored, nullptr);
    EXPECT_TRUE(stored->caseFollows);
    Pump();
    EXPECT_EQ(Panel<SnippetPreview>(1)->AccessibleName(), "brb (Case follows the typing)");

    window->QKTab1->setFocus(Qt::TabFocusReason);
    Key(Qt::Key_Right);
    ASSERT_TRUE(window->frameOptions->isVisible());
    EXPECT_EQ(window->chkUndoBackspace->Value(), 1) << "on by default";
    window->cmbPickerKey->setFocus(Qt::TabFocusReason);
    Key(Qt::Key_Tab);
    ASSERT_EQ(Focus(), window->chkUndoBackspace);
    Key(Qt::Key_Space);
    EXPECT_EQ(Ini("UndoWithBackspace"), "False");
    EXPECT_FALSE(shell.form->optMgr.UndoWithBackspace());
}

// The sync folder: typed and taken with Enter, the running program starts
// writing its file there; a name that is no folder is refused and the field
// shows what holds.
TEST_F(KeyboardPath, TheSyncFolderIsTypedAndTakenAtOnce)
{
    QTemporaryDir shared;
    FormSetting* window = OpenActive(2);
    ASSERT_NE(window, nullptr);
    window->chkStartNotice->setFocus(Qt::TabFocusReason);
    Key(Qt::Key_Tab);
    ASSERT_EQ(Focus(), window->txtSyncFolder->TextBox());
    Type(shared.filePath("missing").toUtf8().constData());
    Key(Qt::Key_Return);
    EXPECT_EQ(shell.notifier.shown.filter("is not a folder").size(), 1);
    EXPECT_TRUE(window->txtSyncFolder->Text().isEmpty());
    window->txtSyncFolder->TextBox()->selectAll();
    Type(shared.path().toUtf8().constData());
    Key(Qt::Key_Return);
    EXPECT_EQ(GetIniValue(shell.folder.SettingsPath(), "Sync", "Folder"), shared.path());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !QDir(shared.path()).entryList({"quillo-*.json"}, QDir::Files).isEmpty(); },
                                5000))
        << "the running program writes its file to the folder";
}
