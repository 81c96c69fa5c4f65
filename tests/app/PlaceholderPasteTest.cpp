#include "FakeClipboardAccess.h"
#include "ShellTestSupport.h"

#include <gtest/gtest.h>

namespace {

constexpr int kSpace = 32;

void AddSnippet(Shell& s, const QString& abbreviation, const QString& content)
{
    Snippet snippet;
    snippet.snippetString = abbreviation;
    snippet.contentString = content;
    s.form->snippetMgr.CommitSnippet(snippet);
}

QStringList LeftPresses(int count)
{
    QStringList lines;
    for (int i = 0; i < count; ++i)
        lines << "down 37" << "up 37";
    return lines;
}

} // namespace

TEST(PlaceholderPaste, CursorMovesTheCaretBackOnceThePasteIsTakenButNotInTerminals)
{
    const QString content = "Dear [cursor],\r\n👍🏽";
    const QString pasted = "Dear ,\r\n👍🏽";
    // The comma, the line break and the emoji: three Left presses.
    {
        Shell s;
        FakeClipboardAccess editor(true);
        s.engine().UseClipboard(&editor);
        AddSnippet(s, "dr", content);
        s.Type("dr");
        s.Tap(kSpace);
        EXPECT_EQ(s.Sent(), ExpansionKeys(2)) << "no move before the program has the text";
        EXPECT_EQ(editor.Request(), pasted);
        s.Pump();
        EXPECT_EQ(s.Sent(), ExpansionKeys(2) + LeftPresses(3));
    }
    {
        Shell s;
        FakeClipboardAccess focusBound(false);
        s.engine().UseClipboard(&focusBound);
        AddSnippet(s, "dr", content);
        s.Type("dr");
        s.Tap(kSpace);
        EXPECT_EQ(s.Sent(), ExpansionKeys(2).mid(0, 6) + QStringList{"type " + pasted} + LeftPresses(3))
            << "typed text is in place at once";
    }
    {
        Shell s;
        FakeClipboardAccess terminal(true);
        s.engine().UseClipboard(&terminal);
        s.desktop.windowClass = QStringList{"gnome-terminal-server", "Gnome-terminal"};
        AddSnippet(s, "dr", content);
        s.Type("dr");
        s.Tap(kSpace);
        EXPECT_EQ(terminal.Request(), pasted);
        s.Pump();
        EXPECT_FALSE(s.Sent().contains("down 37")) << qPrintable(s.Sent().join(' '));
        EXPECT_TRUE(s.Sent().contains("down 16")) << "pasted with the terminal's keys";
    }
}

TEST(PlaceholderPaste, ClipboardIsTheUsersEvenWhileAnEarlierPasteWaitsToGiveItBack)
{
    Shell s;
    FakeClipboardAccess editor(true);
    s.engine().UseClipboard(&editor);
    s.form->optMgr.SetRestoreClipboard(true);
    editor.CopyElsewhere("the user's [date]");
    AddSnippet(s, "cb", "<[clipboard]>");
    for (int expansion = 0; expansion < 2; ++expansion) {
        s.Type("cb");
        s.Tap(kSpace);
        EXPECT_EQ(editor.Request(), "<the user's [date]>") << expansion;
    }
}

namespace {

// Asks for fields as the settings shell does, and lets the test answer.
struct AskingShell : ShellCommands
{
    QString asked;
    QList<FillInField> fields;
    FieldsFilled filled;
    bool AskFields(const QString& snippetName, const QList<FillInField>& f, FieldsFilled done) override
    {
        asked = snippetName;
        fields = f;
        filled = std::move(done);
        return true;
    }
};

} // namespace

TEST(PlaceholderPaste, FillInFieldsAreAskedBeforeAnythingIsErasedAndTheAnswersExpand)
{
    Shell s;
    AskingShell shell;
    s.form->SetShellCommands(&shell);
    FakeClipboardAccess editor(true);
    s.engine().UseClipboard(&editor);
    AddSnippet(s, "fi", "Dear [input Name], size [choice Size=S|M]. [input Name]!");
    s.Type("fi");
    s.Tap(kSpace);
    s.Pump();
    EXPECT_EQ(shell.asked, "fi");
    EXPECT_EQ(shell.fields, (QList<FillInField>{{"Name", "", {}}, {"Size", "S", {"S", "M"}}}));
    EXPECT_TRUE(s.Sent().isEmpty()) << "nothing erased while the user answers";

    shell.filled({{"Name", "Ann"}, {"Size", "M"}});
    EXPECT_EQ(s.Sent(), ExpansionKeys(2)) << "the abbreviation and its Space erased, then the paste";
    EXPECT_EQ(editor.Request(), "Dear Ann, size M. Ann!");

    // Cancelled (never answered): nothing is erased, and the engine is free
    // for the next word.
    s.keys.Clear();
    s.Type("fi");
    s.Tap(kSpace);
    s.Pump();
    EXPECT_TRUE(s.Sent().isEmpty());
    s.Type("sig");
    s.Tap(kSpace);
    EXPECT_EQ(s.Sent(), ExpansionKeys(3));
    s.form->SetShellCommands(nullptr);
}
