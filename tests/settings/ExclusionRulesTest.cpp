#include "SettingsTestSupport.h"
#include "core/AppRule.h"
#include "core/QuilloError.h"
#include "settings/OptionMgr.h"
#include "support/TempProgramFolder.h"

namespace {

bool Matches(const QString& rule, const QStringList& classes, const QString& title = QString())
{
    const auto parsed = AppRule::Parse(rule);
    return parsed && parsed->Matches(classes, title);
}

QStringList RuleTexts(const OptionMgr& options)
{
    QStringList texts;
    for (const AppRule& rule : options.ExcludeRules())
        texts << rule.Text();
    return texts;
}

} // namespace

TEST(AppRule, ClassesAndAppIdsMatchWholeInAnyCase)
{
    // X11 gives both words of WM_CLASS, Wayland the application id twice.
    EXPECT_TRUE(Matches("xterm", {"xterm", "XTerm"}));
    EXPECT_TRUE(Matches("XTERM", {"xterm", "XTerm"}));
    EXPECT_TRUE(Matches("  Mousepad ", {"mousepad", "Mousepad"}));
    EXPECT_TRUE(Matches("org.gnome.TextEditor", {"org.gnome.texteditor", "org.gnome.texteditor"}));
    EXPECT_FALSE(Matches("term", {"xterm", "XTerm"})) << "a class matches whole";
    EXPECT_FALSE(Matches("xterm", {}, "xterm")) << "a class rule never looks at the title";
    EXPECT_FALSE(Matches("xterm", {"xterm-256"}));
}

TEST(AppRule, TitlePatternsMatchWholeWithStarAndQuestionMark)
{
    EXPECT_TRUE(Matches("title:*Password*", {}, "KeePass - password safe"));
    EXPECT_TRUE(Matches("TITLE:*password*", {"x"}, "Enter PASSWORD"));
    EXPECT_TRUE(Matches("title:Vim ?", {}, "vim 9"));
    EXPECT_FALSE(Matches("title:Vim ?", {}, "vim 10"));
    EXPECT_FALSE(Matches("title:Terminal", {}, "My Terminal")) << "a pattern matches the whole title";
    // Other characters of a pattern are themselves, not expression syntax.
    EXPECT_TRUE(Matches("title:[draft] (1).txt", {}, "[draft] (1).txt"));
    EXPECT_FALSE(Matches("title:[draft]", {}, "d"));
    EXPECT_TRUE(Matches("title:Документ*", {}, "документ 𝄞"));
    EXPECT_TRUE(Matches("title:*", {}, ""));
    EXPECT_FALSE(Matches("title:a?c", {}, "ac"));
    EXPECT_FALSE(Matches("title:*Mail*", {"title:*Mail*"}, "Editor")) << "a pattern is never a class";
    // Going back stays linear: a long title against many stars ends at once.
    EXPECT_FALSE(Matches("title:*a*a*a*a*a*b", {}, QString(5000, QLatin1Char('a'))));

    // A snippet's list: any rule it states; texts that state none match nothing.
    EXPECT_TRUE(AppRule::AnyMatches({"firefox", "title:*Mail*"}, {"thunderbird"}, "Mail"));
    EXPECT_FALSE(AppRule::AnyMatches({"x*", " title: "}, {"xterm"}, "x"));
    EXPECT_FALSE(AppRule::AnyMatches({}, {"firefox"}, "x"));
}

// A list typed on one line: "\," keeps a comma in a title pattern, and the
// line shown back reads as the same list; lists typed before keep reading
// as they did, backslashes of Windows-like titles included.
TEST(AppRule, AListOnOneLineKeepsCommasThatAreEscaped)
{
    EXPECT_EQ(AppRule::SplitList(" xterm, ,title:*Mail* ,"), QStringList({"xterm", "title:*Mail*"}));
    EXPECT_EQ(AppRule::SplitList(R"(title:Report\, final*, mousepad)"),
              QStringList({"title:Report, final*", "mousepad"}));
    EXPECT_EQ(AppRule::SplitList(R"(title:C:\Temp\*)"), QStringList({R"(title:C:\Temp\*)"}));
    EXPECT_EQ(AppRule::SplitList(R"(title:ends in\\, xterm)"), QStringList({R"(title:ends in\)", "xterm"}));

    for (const QStringList& list : {QStringList{"title:Report, final*", "xterm"}, QStringList{R"(title:a\)", "b"},
                                    QStringList{R"(title:\,\\x\)"}, QStringList{R"(title:C:\Temp\*)"}}) {
        EXPECT_EQ(AppRule::SplitList(AppRule::JoinList(list, ", ")), list) << list.join('|').toStdString();
        EXPECT_EQ(AppRule::SplitList(AppRule::JoinList(list, ",")), list) << list.join('|').toStdString();
    }
    EXPECT_EQ(AppRule::JoinList({"title:Report, final*", R"(title:C:\Temp\*)"}, ", "),
              R"(title:Report\, final*, title:C:\Temp\*)");
}

TEST(AppRule, TextsThatStateNoRuleAreRefusedWithAReason)
{
    for (const QString& bad : {QString(), QString("   "), QString("title:"), QString("title:  "), QString("fire*"),
                               QString("x?"), QString("a\tb"), QString("ok\x01")}) {
        EXPECT_FALSE(AppRule::Parse(bad).has_value()) << bad.toStdString();
        EXPECT_FALSE(AppRule::Problem(bad).isEmpty()) << bad.toStdString();
    }
    EXPECT_EQ(AppRule::Parse("Title:a b*")->Text(), "title:a b*");
    EXPECT_TRUE(Matches("Some App", {"some app"})) << "a few classes hold blanks";
    EXPECT_TRUE(AppRule::SameRule("XTerm", " xterm"));
    EXPECT_FALSE(AppRule::SameRule("xterm", "title:xterm"));
}

class Rules : public ::testing::Test
{
protected:
    TempProgramFolder folder;
    QString path = folder.SettingsPath();
    OptionMgr options;
};

TEST_F(Rules, TheShippedFileHasNoneAndTheyLoadFromTheirOwnSection)
{
    options.LoadVars(path);
    EXPECT_TRUE(options.ExcludeRules().isEmpty());
    EXPECT_TRUE(options.LoadProblems().isEmpty());

    WriteBytes(path, ReadBytes(path) + "\n[Rules]\nExclude=xterm\n; a comment\nexclude = title:*Secret*\n"
                                       "Exclude=bad*class\nExclude=\nOther=kept\n");
    options.LoadVars(path);
    EXPECT_EQ(RuleTexts(options), QStringList({"xterm", "title:*Secret*"}));
    // Lines that state no rule are left out with a start-up warning each.
    ASSERT_EQ(options.LoadProblems().size(), 2);
    EXPECT_TRUE(options.LoadProblems().first().contains("bad*class"));
}

TEST_F(Rules, AddingAndRemovingKeepEveryOtherLineAndHandEdits)
{
    WriteBytes(path, ReadBytes(path) + "\n[Rules]\nExclude=xterm\nOther=kept\n");
    options.LoadVars(path);
    const quint64 before = options.RulesGeneration();

    // An edit by hand (or by the command line) the program has not read yet.
    WriteBytes(path, ReadBytes(path).replace("Exclude=xterm\n", "Exclude=xterm\nExclude=mousepad\n"));
    EXPECT_TRUE(options.AddExcludeRule("title:*Bank*"));
    EXPECT_EQ(RuleTexts(options), QStringList({"xterm", "mousepad", "title:*Bank*"}));
    EXPECT_GT(options.RulesGeneration(), before);
    EXPECT_FALSE(options.AddExcludeRule("XTERM")) << "the same rule is not added twice";
    EXPECT_TRUE(options.RemoveExcludeRule("Xterm"));
    EXPECT_FALSE(options.RemoveExcludeRule("xterm"));

    const QByteArray file = ReadBytes(path);
    EXPECT_TRUE(file.contains("[Rules]\nExclude=mousepad\nExclude=title:*Bank*\nOther=kept\n")) << file.constData();
    EXPECT_TRUE(file.contains("EnableQK=True")) << "the options stay";
    OptionMgr fresh;
    fresh.LoadVars(path);
    EXPECT_EQ(RuleTexts(fresh), RuleTexts(options));

    IniDocument bare(QByteArray("[qk]\r\nA=1\r\n"));
    bare.SetValues("Rules", "Exclude", {"a", "b"});
    EXPECT_EQ(bare.Contents(), "[qk]\r\nA=1\r\n\r\n[Rules]\r\nExclude=a\r\nExclude=b\r\n");
    EXPECT_EQ(bare.Values("rules", "exclude"), QStringList({"a", "b"}));

    EXPECT_THROW(options.AddExcludeRule("fire*"), QuilloError);
    EXPECT_EQ(ReadBytes(path), file) << "a refused rule writes nothing";
}
