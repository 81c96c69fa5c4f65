#include "UiTestSupport.h"

#include "app/ReplaceMacros.h"
#include "controls/QKCommonButton.h"
#include "controls/QKDelButton.h"
#include "controls/QKEditButton.h"
#include "controls/QKContentEditWin.h"
#include "controls/QKContentTip.h"
#include "controls/QKLineEdit.h"
#include "controls/QKSnippetEditWin.h"
#include "controls/QKSnippetTip.h"
#include "ui/SnippetDel.h"
#include "ui/SnippetEdit.h"
#include "ui/SnippetPreview.h"

#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTextCursor>

namespace {

class SnippetPanels : public ::testing::Test
{
protected:
    StoreFixture fixture;
    QWidget host;

    void SetUp() override
    {
        host.resize(400, 200);
        host.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    }
    SnippetPtr Stored(const QString& abbreviation)
    {
        SnippetPtr found = fixture.store.GetMatchedSnippet(abbreviation);
        EXPECT_NE(found, nullptr) << abbreviation.toStdString();
        return found ? found->Clone() : std::make_shared<Snippet>();
    }
    SnippetEdit* Edit(const SnippetPtr& snippet)
    {
        auto* edit = new SnippetEdit(fixture.store, fixture.notifier, &host);
        edit->SetSnippet(snippet);
        edit->show();
        Pump();
        return edit;
    }
};

TEST_F(SnippetPanels, PreviewShowsTheSnippetAsItWasWhenBound)
{
    auto* preview = new SnippetPreview(&host);
    SnippetPtr snippet = Stored("sig");
    preview->SetSnippet(snippet);
    preview->show();
    snippet->snippetString = "changed";
    EXPECT_EQ(preview->txtSnippet->Text(), "sig");
    EXPECT_EQ(preview->txtContent->Text(), Stored("sig")->contentString);

    QSignalSpy edits(preview, &SnippetPreview::EditClick);
    QSignalSpy deletes(preview, &SnippetPreview::DelClick);
    ClickOn(preview->cmdEdit);
    ClickOn(preview->cmdDel);
    ASSERT_EQ(edits.size(), 1);
    ASSERT_EQ(deletes.size(), 1);
    EXPECT_EQ(edits[0][0].value<SnippetPtr>(), snippet);
    EXPECT_EQ(deletes[0][0].value<SnippetPtr>(), snippet);
}

TEST_F(SnippetPanels, SaveRefusesAnEmptyAbbreviationAndKeepsTheInput)
{
    SnippetPtr snippet = std::make_shared<Snippet>();
    SnippetEdit* edit = Edit(snippet);
    edit->txtContent->SetText("typed content");
    QSignalSpy oks(edit, &SnippetEdit::OkClick);
    ClickOn(edit->cmdOk);
    EXPECT_EQ(oks.size(), 0);
    EXPECT_EQ(fixture.notifier.shown,
              QStringList{"plain: Did you forget to input the abbreviation?\r\nPlease input the abbreviation."});
    EXPECT_EQ(edit->txtContent->Text(), "typed content");
    EXPECT_EQ(snippet->contentString, "");
}

TEST_F(SnippetPanels, SaveRefusesAnotherStoredSnippetsAbbreviationButNotItsOwn)
{
    SnippetPtr today = Stored("today");
    SnippetEdit* edit = Edit(today);
    QSignalSpy oks(edit, &SnippetEdit::OkClick);

    edit->txtSnippet->SetText("sig");
    ClickOn(edit->cmdOk);
    EXPECT_EQ(oks.size(), 0);
    EXPECT_EQ(fixture.notifier.shown,
              QStringList{"plain: The abbreviation is already existent.\r\nPlease use another abbreviation."});
    EXPECT_EQ(today->snippetString, "today");

    // Its own abbreviation is no conflict, and an empty content is allowed.
    edit->txtSnippet->SetText("today");
    edit->txtContent->SetText("");
    ClickOn(edit->cmdOk);
    ASSERT_EQ(oks.size(), 1);
    EXPECT_EQ(oks[0][0].value<SnippetPtr>(), today);
    EXPECT_EQ(today->contentString, "");
    EXPECT_EQ(fixture.notifier.shown.size(), 1);
}

TEST_F(SnippetPanels, SaveRefusesSnippetsThatBringEachOtherInAndWarnsOfMissingOnes)
{
    SnippetPtr today = Stored("today");
    SnippetPtr sig = Stored("sig");
    sig->contentString = "Best, [snippet today]";
    fixture.store.CommitSnippet(*sig);
    SnippetEdit* edit = Edit(today);
    QSignalSpy oks(edit, &SnippetEdit::OkClick);

    edit->txtContent->SetText("[date] [snippet sig]");
    ClickOn(edit->cmdOk);
    EXPECT_EQ(oks.size(), 0);
    ASSERT_EQ(fixture.notifier.shown.size(), 1);
    EXPECT_TRUE(fixture.notifier.shown[0].contains("today → sig → today")) << qPrintable(fixture.notifier.shown[0]);
    EXPECT_NE(today->contentString, "[date] [snippet sig]");

    // One not made yet: said, and saved all the same.
    edit->txtContent->SetText("[date] [snippet later]");
    ClickOn(edit->cmdOk);
    ASSERT_EQ(oks.size(), 1);
    EXPECT_EQ(today->contentString, "[date] [snippet later]");
    ASSERT_EQ(fixture.notifier.shown.size(), 2);
    EXPECT_TRUE(fixture.notifier.shown[1].contains("no snippet \"later\"")) << qPrintable(fixture.notifier.shown[1]);
}

TEST_F(SnippetPanels, CancelCopiesNothingIntoTheSnippet)
{
    SnippetPtr sig = Stored("sig");
    const QString content = sig->contentString;
    SnippetEdit* edit = Edit(sig);
    QSignalSpy cancels(edit, &SnippetEdit::CancelClick);
    edit->txtSnippet->TextBox()->setFocus();
    QTest::keyClicks(edit->txtSnippet->TextBox(), "xyz");
    edit->txtContent->SetText("something else");
    ClickOn(edit->cmdCancel);
    ASSERT_EQ(cancels.size(), 1);
    EXPECT_EQ(sig->snippetString, "sig");
    EXPECT_EQ(sig->contentString, content);
}

TEST_F(SnippetPanels, InsertListHoldsTheTwentyEightEntriesInOrder)
{
    const QDateTime moment(QDate(2024, 2, 29), QTime(13, 5, 9));
    const QStringList entries = SnippetEdit::InsertEntries([moment] { return moment; }, QLocale::c());
    ASSERT_EQ(entries.size(), 28);
    EXPECT_TRUE(entries[0].startsWith("[time]   example:"));
    EXPECT_EQ(entries[5], "[date dddd, mmmm dd, yyyy]   example:Thursday, February 29, 2024");
    EXPECT_EQ(entries[7], "-");
    EXPECT_EQ(entries[8], "[second]   example:9   (second as a number without a leading zero:0 - 59)");
    EXPECT_EQ(entries[14], "[day D]   example:29   (day number without a leading zero:1 - 31)");
    EXPECT_TRUE(entries[27].startsWith("[year yyyy]   example:2024   "));
    // Each example is exactly what the expansion gives.
    for (const QString& entry : entries.mid(0, 7)) {
        const QString placeholder = entry.left(entry.indexOf(']') + 1);
        EXPECT_EQ(entry, placeholder + "   example:" + ReplaceMacros(placeholder, [moment] { return moment; },
                                                                       QLocale::c()));
    }
}

TEST_F(SnippetPanels, PickingAnEntryInsertsItsPlaceholderAtTheCaret)
{
    SnippetEdit* edit = Edit(std::make_shared<Snippet>());
    // The date and time entries, then the other placeholders below a second line.
    ASSERT_EQ(edit->cmbInsert->Items().size(), 28 + 1 + SnippetEdit::ContentEntries().size());
    EXPECT_EQ(edit->cmbInsert->Items().constLast(),
              "[choice Label=one|two|three]   (a fill-in field with a choice of values, the first by default)");
    // The separator is a line, not an entry.
    QMenu* menu = edit->cmbInsert->PopupMenu();
    int separators = 0;
    for (QAction* action : menu->actions())
        separators += action->isVisible() && action->isSeparator() && action->text() == "-";
    EXPECT_EQ(separators, 2);

    edit->txtContent->SetText("Dear ,");
    QTextCursor cursor = edit->txtContent->TextBox()->textCursor();
    cursor.setPosition(5);
    edit->txtContent->TextBox()->setTextCursor(cursor);
    PickEntry(edit->cmbInsert, "[date dddd, mmmm dd, yyyy]");
    EXPECT_EQ(edit->txtContent->Text(), "Dear [date dddd, mmmm dd, yyyy],");
    EXPECT_EQ(edit->cmbInsert->Text(), "Insert");

    // A selection is replaced.
    cursor = edit->txtContent->TextBox()->textCursor();
    cursor.setPosition(0);
    cursor.setPosition(4, QTextCursor::KeepAnchor);
    edit->txtContent->TextBox()->setTextCursor(cursor);
    PickEntry(edit->cmbInsert, "[day D]");
    EXPECT_EQ(edit->txtContent->Text(), "[day D] [date dddd, mmmm dd, yyyy],");
}

TEST_F(SnippetPanels, DeletePanelReportsItsChoice)
{
    auto* del = new SnippetDel(&host);
    SnippetPtr snippet = Stored("ty");
    del->SetSnippet(snippet);
    del->show();
    Pump();
    QSignalSpy deletes(del, &SnippetDel::DeleteClick);
    QSignalSpy cancels(del, &SnippetDel::CancelClick);
    ClickOn(del->cmdDel);
    ClickOn(del->cmdCancel);
    ASSERT_EQ(deletes.size(), 1);
    ASSERT_EQ(cancels.size(), 1);
    EXPECT_EQ(deletes[0][0].value<SnippetPtr>(), snippet);
}

} // namespace
