#include "core/AppPattern.h"

#include <gtest/gtest.h>

TEST(AppPattern, ClassesAndAppIdsMatchWholeWithoutRegardToCase)
{
    const QStringList xterm = {"xterm", "XTerm"};
    EXPECT_TRUE(AppPattern("XTERM").Matches(xterm, "bash"));
    EXPECT_TRUE(AppPattern(" org.gnome.Nautilus ").Matches({"org.gnome.nautilus"}, QString()));
    EXPECT_FALSE(AppPattern("term").Matches(xterm, "xterm")) << "no part of a name, and never the title";
    EXPECT_FALSE(AppPattern("x*").Matches(xterm, QString())) << "wildcards are for titles only";
    EXPECT_FALSE(AppPattern("").Matches({""}, QString()));
}

TEST(AppPattern, TitlePatternsMatchTheWholeTitleWithStarAndQuestionMark)
{
    const QStringList none;
    EXPECT_TRUE(AppPattern("title:*Mail*").Matches(none, "Inbox - mail - Browser"));
    EXPECT_TRUE(AppPattern("TITLE:notes.t?t").Matches(none, "Notes.TXT"));
    EXPECT_TRUE(AppPattern("title:*").Matches(none, ""));
    EXPECT_FALSE(AppPattern("title:Mail").Matches(none, "Mail - Inbox")) << "the whole title";
    EXPECT_FALSE(AppPattern("title:a?c").Matches(none, "ac"));
    EXPECT_FALSE(AppPattern("title:").Matches(none, ""));
    EXPECT_FALSE(AppPattern("title:*Mail*").Matches({"title:*Mail*"}, "Editor"));
    // Backtracking stays linear: a long title against many stars ends at once.
    EXPECT_FALSE(AppPattern("title:*a*a*a*a*a*b").Matches(none, QString(5000, QLatin1Char('a'))));

    EXPECT_TRUE(AppPattern::AnyMatches({"firefox", "title:*Mail*"}, {"thunderbird"}, "Mail"));
    EXPECT_FALSE(AppPattern::AnyMatches({}, {"firefox"}, "x"));
    EXPECT_FALSE(AppPattern::IsValid(" title: "));
    EXPECT_TRUE(AppPattern::IsValid("title:x"));
}
