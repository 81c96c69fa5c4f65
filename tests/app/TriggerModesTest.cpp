#include "ShellTestSupport.h"
#include "core/QuilloError.h"
#include "settings/IniFile.h"

#include <QClipboard>
#include <QGuiApplication>
#include <gtest/gtest.h>

namespace {

constexpr int kSpace = 32, kEnter = 13, kShift = 16, kPeriod = 190, kOne = '1';

// The keys of an expansion that erases only the abbreviation: nothing
// followed it (Immediately) or it was the end of a longer word.
QStringList ExpansionKeysWithoutTrigger(int erased)
{
    QStringList lines = ExpansionKeys(erased);
    lines.remove(0, 2);
    return lines;
}

struct ModesShell : Shell
{
    SnippetPtr Add(const QString& abbreviation, Snippet::TriggerMode mode, const QStringList& onlyIn = {})
    {
        Snippet snippet;
        snippet.snippetString = abbreviation;
        snippet.contentString = abbreviation.toUpper();
        snippet.triggerMode = mode;
        snippet.onlyIn = onlyIn;
        return form->snippetMgr.CommitSnippet(snippet);
    }
    QString Pasted() const { return QGuiApplication::clipboard()->text(); }
    // Types text and clears what was sent, so a test sees only what follows.
    void TypeQuietly(const QString& text)
    {
        Type(text);
        keys.Clear();
    }
};

} // namespace

TEST(TriggerModes, ImmediatelyExpandsOnTheLastCharacterOfAWholeWord)
{
    ModesShell s;
    s.Add("now", Snippet::TriggerMode::Immediately);
    s.Type("no");
    EXPECT_TRUE(s.Sent().isEmpty());
    s.Type("w");
    EXPECT_EQ(s.Sent(), ExpansionKeysWithoutTrigger(3));
    EXPECT_EQ(s.Pasted(), "NOW");
    EXPECT_EQ(s.engine().typedText, "");

    s.keys.Clear();
    s.Type("know");
    s.Tap(kSpace);
    EXPECT_TRUE(s.Sent().isEmpty()) << "not inside a longer word, and not at a delimiter";

    s.form->optMgr.SetExpandWhen("hand");
    s.Type("now");
    EXPECT_EQ(s.Sent(), ExpansionKeysWithoutTrigger(3)) << "nor does it wait for the hot key";
}

TEST(TriggerModes, InsideWordsMatchesWordEndsAndTheLongestAbbreviationWins)
{
    ModesShell s;
    s.Add("ing", Snippet::TriggerMode::InsideWords);
    s.Add("sing", Snippet::TriggerMode::AfterDelimiter);
    s.Type("bring");
    EXPECT_TRUE(s.Sent().isEmpty()) << "it waits for the delimiter";
    s.Tap(kSpace);
    // The end of the word goes; "br" stays.
    EXPECT_EQ(s.Sent(), ExpansionKeys(3));
    EXPECT_EQ(s.Pasted(), "ING");

    s.TypeQuietly("sing");
    s.Tap(kSpace);
    EXPECT_EQ(s.Sent(), ExpansionKeys(4));
    EXPECT_EQ(s.Pasted(), "SING");

    // Matching keeps the letter case.
    s.TypeQuietly("brING");
    s.Tap(kSpace);
    EXPECT_TRUE(s.Sent().isEmpty());

    // A snippet stored twice: the older one expands.
    s.Add("dup", Snippet::TriggerMode::AfterDelimiter);
    SnippetPtr newer = s.Add("dup", Snippet::TriggerMode::InsideWords);
    newer->contentString = "newer";
    s.form->snippetMgr.CommitSnippet(*newer);
    s.TypeQuietly("dup");
    s.Tap(kSpace);
    EXPECT_EQ(s.Pasted(), "DUP");
}

TEST(TriggerModes, DelimitersEndWordsAndStayAfterTheContentAsCanTheTriggerKeys)
{
    ModesShell s;
    // Without the option a period is part of the word.
    s.Type("sig");
    s.Tap(kPeriod);
    EXPECT_TRUE(s.Sent().isEmpty());
    EXPECT_EQ(s.engine().typedText, "sig.");
    s.Tap(kSpace);

    s.form->optMgr.SetDelimiters(".!");
    s.TypeQuietly("sig");
    s.Tap(kPeriod);
    EXPECT_EQ(s.Sent(), ExpansionKeys(3));
    EXPECT_EQ(s.Pasted(), "Best regards.");
    s.TypeQuietly("sig");
    s.Press(kShift);
    s.Tap(kOne);
    s.Release(kShift);
    EXPECT_EQ(s.Pasted(), "Best regards!");
    EXPECT_EQ(s.Sent().mid(0, 2), QStringList({"down 8", "up 8"}));

    // A word that expands to nothing still ends there: the next one starts afresh.
    s.TypeQuietly("xy");
    s.Tap(kPeriod);
    s.Type("sig");
    s.Tap(kSpace);
    EXPECT_EQ(s.Sent(), ExpansionKeys(3));
    EXPECT_EQ(s.Pasted(), "Best regards") << "Space is erased unless the option keeps it";

    s.form->optMgr.SetKeepTrigger(true);
    s.TypeQuietly("sig");
    s.Tap(kSpace);
    EXPECT_EQ(s.Sent(), ExpansionKeys(3));
    EXPECT_EQ(s.Pasted(), "Best regards ");
    s.TypeQuietly("sig");
    s.Tap(kEnter);
    EXPECT_EQ(s.Pasted(), "Best regards\n");

    // In hot-key mode a delimiter only ends the word.
    s.form->optMgr.SetExpandWhen("hand");
    s.TypeQuietly("sig");
    s.Tap(kPeriod);
    EXPECT_TRUE(s.Sent().isEmpty());
    EXPECT_EQ(s.engine().typedText, "");
}

TEST(TriggerModes, ASnippetKeptToApplicationsExpandsOnlyInThem)
{
    ModesShell s;
    s.Add("tx", Snippet::TriggerMode::AfterDelimiter, {"title:*Mail*"});
    s.Add("tx", Snippet::TriggerMode::AfterDelimiter, {"GEDIT"});
    s.desktop.windowClass = {"mousepad", "Mousepad"};
    s.desktop.title = "notes.txt";
    s.Type("tx");
    s.Tap(kSpace);
    EXPECT_TRUE(s.Sent().isEmpty());

    s.desktop.windowClass = {"gedit", "Gedit"};
    s.Type("tx");
    s.Tap(kSpace);
    EXPECT_EQ(s.Sent(), ExpansionKeys(2)) << "the first allowed candidate expands";

    s.desktop.title = "Inbox - Mail";
    s.keys.Clear();
    s.Type("tx");
    s.Tap(kSpace);
    EXPECT_EQ(s.Sent(), ExpansionKeys(2));
}

TEST(TriggerModes, ARowWithoutAnAbbreviationNeverExpands)
{
    // Another program's file may bring one (a null becomes ""): it must not
    // turn every Space after an empty buffer into an expansion.
    ModesShell s;
    s.Add("", Snippet::TriggerMode::AfterDelimiter);
    s.Add("", Snippet::TriggerMode::Immediately);
    s.Tap(kSpace);
    s.Type("sig");
    s.Tap(kSpace);
    s.keys.Clear();
    s.Tap(kSpace);
    EXPECT_TRUE(s.Sent().isEmpty());
}

TEST(TriggerModes, DelimiterOptionsLoadFromTheFileAndBadValuesAreIgnoredWithAWarning)
{
    Shell s(false);
    SetIniValue(s.folder.SettingsPath(), "qk", "Delimiters", ".,;:!?)");
    SetIniValue(s.folder.SettingsPath(), "qk", "KeepTrigger", "True");
    ASSERT_TRUE(s.Load());
    EXPECT_EQ(s.form->optMgr.Delimiters(), ".,;:!?)");
    EXPECT_TRUE(s.form->optMgr.KeepTrigger());

    OptionMgr bad;
    SetIniValue(s.folder.SettingsPath(), "qk", "Delimiters", "a.");
    SetIniValue(s.folder.SettingsPath(), "qk", "KeepTrigger", "sometimes");
    bad.LoadVars(s.folder.SettingsPath());
    EXPECT_EQ(bad.Delimiters(), "");
    EXPECT_FALSE(bad.KeepTrigger());
    EXPECT_EQ(bad.LoadProblems().filter("Delimiters").size(), 1);
    EXPECT_EQ(bad.LoadProblems().filter("KeepTrigger").size(), 1);
    EXPECT_THROW(bad.SetDelimiters(". "), QuilloError);
    EXPECT_EQ(bad.Delimiters(), "");
}
