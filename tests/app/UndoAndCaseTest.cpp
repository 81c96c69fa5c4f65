#include "FakeClipboardAccess.h"
#include "ShellTestSupport.h"

#include <functional>
#include <gtest/gtest.h>

namespace {

constexpr int kSpace = 32, kBackspace = 8, kLeftButton = 1, kCtrl = 17;

// A desktop that holds the user's keys during an expansion and an editor
// that takes each paste at once, as on X11.
struct UndoShell : Shell
{
    FakeClipboardAccess editor{true};

    UndoShell()
    {
        engine().UseClipboard(&editor);
        keys.hook = &hook;
        keys.holdable = true;
    }
    SnippetPtr Add(const QString& abbreviation, const QString& content, bool caseFollows)
    {
        Snippet snippet;
        snippet.snippetString = abbreviation;
        snippet.contentString = content;
        snippet.caseFollows = caseFollows;
        return form->snippetMgr.CommitSnippet(snippet);
    }
    // Types a word and the trigger; the editor takes what is pasted.
    QString Expand(const QString& typed)
    {
        Type(typed);
        Tap(kSpace);
        const QString pasted = editor.Request();
        Pump();
        keys.Clear();
        return pasted;
    }
};

// The keys of an undo: Backspaces for all but the character the user's
// own Backspace erased, then the paste.
QStringList UndoKeys(int contentCharacters)
{
    return ExpansionKeys(contentCharacters - 2);
}

} // namespace

TEST(UndoAndCase, BackspaceRightAfterAnExpansionPutsBackWhatWasTyped)
{
    UndoShell s;
    s.Add("brb", "be right back", true);
    s.Add("crlf", "x\r\ny", false);
    const struct
    {
        const char* typed;
        const char* pasted;
        int characters; // as the user sees them: a line break is one
    } cases[] = {{"sig", "Best regards", 12}, {"BRB", "BE RIGHT BACK", 13}, {"crlf", "x\r\ny", 3}};
    for (const auto& c : cases) {
        EXPECT_EQ(s.Expand(c.typed), c.pasted);
        ASSERT_TRUE(s.engine().UndoOffered()) << c.typed;
        s.Tap(kBackspace);
        EXPECT_EQ(s.Sent(), UndoKeys(c.characters)) << c.typed;
        EXPECT_EQ(s.editor.Request(), QString(c.typed) + " ");
        EXPECT_FALSE(s.engine().UndoOffered());
        EXPECT_TRUE(s.engine().typedText.isEmpty());
        s.Pump();
        s.keys.Clear();
        // What was put back is not expanded again, and a second Backspace is only a Backspace.
        s.Tap(kBackspace);
        s.Tap(kSpace);
        EXPECT_TRUE(s.Sent().isEmpty()) << c.typed;
    }
    EXPECT_EQ(s.form->optMgr.SniExp(), 3) << "an undo is no expansion";
}

TEST(UndoAndCase, AnythingElseFirstEndsTheChance)
{
    using Step = std::function<void(UndoShell&)>;
    const Step nothing = [](UndoShell&) {};
    const struct
    {
        const char* what;
        Step before;  // before the expansion
        Step between; // after it, before the Backspace
        QString content;
        bool offered; // right after the expansion
    } cases[] = {
        {"a letter", nothing, [](UndoShell& s) { s.Tap('X'); }, "Best regards", true},
        {"a click", nothing, [](UndoShell& s) { s.Tap(kLeftButton); }, "Best regards", true},
        {"Ctrl+Backspace", nothing, [](UndoShell& s) { s.Press(kCtrl); }, "Best regards", true},
        {"another window", nothing, [](UndoShell& s) { s.desktop.foreground += 1; }, "Best regards", true},
        {"the option off", [](UndoShell& s) { s.form->optMgr.SetUndoWithBackspace(false); }, nothing, "Best regards",
         false},
        {"a caret placed in the content", nothing, nothing, "Dear [cursor],", false},
        {"a fill-in window", nothing, nothing, "Dear [input Name],", false},
        {"keys that were not held", [](UndoShell& s) { s.keys.holdable = false; }, nothing, "Best regards", false},
    };
    for (const auto& c : cases) {
        UndoShell s;
        s.Add("dr", c.content, false);
        c.before(s);
        s.Expand("dr");
        EXPECT_EQ(s.engine().UndoOffered(), c.offered) << c.what;
        c.between(s);
        s.Pump();
        s.keys.Clear();
        s.Tap(kBackspace);
        EXPECT_TRUE(s.Sent().isEmpty()) << c.what;
        EXPECT_FALSE(s.engine().UndoOffered()) << c.what;
    }
}

TEST(UndoAndCase, TheContentFollowsTheCaseTypedWhereTheSnippetSaysSo)
{
    UndoShell s;
    s.Add("brb", "be right back", true);
    s.Add("tyv", "thank you", false);
    EXPECT_EQ(s.Expand("brb"), "be right back");
    EXPECT_EQ(s.Expand("Brb"), "Be right back");
    EXPECT_EQ(s.Expand("BRB"), "BE RIGHT BACK");
    EXPECT_EQ(s.Expand("bRB"), "be right back");
    EXPECT_EQ(s.Expand("tyv"), "thank you");
    s.editor.CopyElsewhere("unchanged");
    EXPECT_EQ(s.Expand("Tyv"), "unchanged") << "without the option an abbreviation matches in its own case only";
}
