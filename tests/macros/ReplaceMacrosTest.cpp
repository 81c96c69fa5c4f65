#include "app/DatePattern.h"
#include "app/MacroTable.h"
#include "app/ReplaceMacros.h"

#include <gtest/gtest.h>

#include <QSet>

namespace {

const QLocale kC = QLocale::c();
const QLocale kUs(QLocale::English, QLocale::UnitedStates);

QDateTime At(int year, int month, int day, int hour = 0, int minute = 0, int second = 0)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second));
}

const QDateTime kExample = At(2027, 3, 7, 21, 5, 9); // a Sunday

QString Expand(const QString& content, const QDateTime& when, const QLocale& locale = kC)
{
    return ReplaceMacros(content, [when] { return when; }, locale);
}

// Every placeholder of the table, each on its own line, expanded at `when`.
QStringList ExpandAll(const QDateTime& when, const QLocale& locale = kC)
{
    QStringList placeholders;
    for (const MacroEntry& entry : MacroTable::Entries())
        placeholders << entry.placeholder;
    return Expand(placeholders.join(u'\n'), when, locale).split(u'\n');
}

TEST(MacroTableTest, HoldsTheVocabularyWithItsTexts)
{
    const QList<MacroEntry>& entries = MacroTable::Entries();
    ASSERT_EQ(entries.size(), 27);
    EXPECT_EQ(entries.first().placeholder, "[date]");
    EXPECT_EQ(entries.last().placeholder, "[date time]");
    QSet<QString> seen;
    for (const MacroEntry& entry : entries) {
        EXPECT_TRUE(entry.placeholder.startsWith(u'[') && entry.placeholder.endsWith(u']')) << qPrintable(entry.placeholder);
        EXPECT_FALSE(seen.contains(entry.placeholder)) << qPrintable(entry.placeholder);
        seen.insert(entry.placeholder);
    }
    EXPECT_EQ(entries[15].explanation, "(year as a 4-digit number:100 - 9666)");
    EXPECT_EQ(entries[2].explanation, "(day number without a leading zero:1 - 31)");
    EXPECT_EQ(entries[16].explanation, "");
}

TEST(ReplaceMacrosTest, EveryPlaceholderAtTheExampleInstant)
{
    const QStringList expected = {
        "3/7/2027", "9:05:09 PM", "7",  "07",   "Sun",  "Sunday", "1",  "66",   "11",
        "3",        "03",         "Mar", "March", "1",  "27",     "2027", "09:05 PM", "9:05:09 p",
        "21",       "21",         "5",  "05",   "9",    "09",     "3/7/27", "Sunday, March 07, 2027", "3/7/27 21:05",
    };
    EXPECT_EQ(ExpandAll(kExample, kC), expected);
    EXPECT_EQ(ExpandAll(kExample, kUs), expected);
}

TEST(ReplaceMacrosTest, EveryPlaceholderAtTheEdgesOfALeapYear)
{
    // Midnight starting a Monday, 1 January 2024.
    EXPECT_EQ(ExpandAll(At(2024, 1, 1, 0, 0, 0)),
              QStringList({"1/1/2024", "12:00:00 AM", "1", "01", "Mon", "Monday", "2", "1", "1",
                           "1", "01", "Jan", "January", "1", "24", "2024", "12:00 AM", "12:00:00 a",
                           "0", "00", "0", "00", "0", "00", "1/1/24", "Monday, January 01, 2024", "1/1/24 0:00"}));
    // Noon on its last day, a Tuesday in week 53.
    EXPECT_EQ(ExpandAll(At(2024, 12, 31, 12, 0, 0)),
              QStringList({"12/31/2024", "12:00:00 PM", "31", "31", "Tue", "Tuesday", "3", "366", "53",
                           "12", "12", "Dec", "December", "4", "24", "2024", "12:00 PM", "12:00:00 p",
                           "12", "12", "0", "00", "0", "00", "12/31/24", "Tuesday, December 31, 2024",
                           "12/31/24 12:00"}));
}

TEST(ReplaceMacrosTest, HoursAroundTheClock)
{
    const QString content = "[time]|[time hh:mm AM/PM]|[time h:mm:ss a/p]|[hour]|[hour hh]|[date time]";
    EXPECT_EQ(Expand(content, At(2027, 3, 7, 0, 0, 0)), "12:00:00 AM|12:00 AM|12:00:00 a|0|00|3/7/27 0:00");
    EXPECT_EQ(Expand(content, At(2027, 3, 7, 12, 0, 0)), "12:00:00 PM|12:00 PM|12:00:00 p|12|12|3/7/27 12:00");
    EXPECT_EQ(Expand(content, At(2027, 3, 7, 9, 5, 0)), "9:05:00 AM|09:05 AM|9:05:00 a|9|09|3/7/27 9:05");
    EXPECT_EQ(Expand(content, At(2027, 3, 7, 23, 59, 59)), "11:59:59 PM|11:59 PM|11:59:59 p|23|23|3/7/27 23:59");
}

TEST(ReplaceMacrosTest, CalendarEdgesOfALeapYear)
{
    const QString content = "[day y] [week ww] [day w] [quarter] [year] [day ddd] [month MMM]";
    EXPECT_EQ(Expand(content, At(2024, 1, 1)), "1 1 2 1 24 Mon Jan");
    EXPECT_EQ(Expand(content, At(2024, 2, 29)), "60 9 5 1 24 Thu Feb");
    EXPECT_EQ(Expand(content, At(2024, 12, 31, 23, 59, 59)), "366 53 3 4 24 Tue Dec");
    // Weeks start on Sunday: a Saturday 1 January is a week by itself.
    EXPECT_EQ(Expand(content, At(2028, 1, 1)), "1 1 7 1 28 Sat Jan");
    EXPECT_EQ(Expand(content, At(2028, 1, 2)), "2 2 1 1 28 Sun Jan");
    // ... so the year's last Sunday begins a 54th week.
    EXPECT_EQ(Expand(content, At(2028, 12, 31)), "366 54 1 4 28 Sun Dec");
    EXPECT_EQ(Expand("[week ww] [year yyyy]", At(2027, 12, 31)), "53 2027");
    EXPECT_EQ(Expand("[year] [year yyyy]", At(2009, 6, 1)), "09 2009");
}

TEST(ReplaceMacrosTest, OnlyExactPlaceholdersAreReplaced)
{
    EXPECT_EQ(Expand("no brackets here", kExample), "no brackets here");
    EXPECT_EQ(Expand("[day dddd", kExample), "[day dddd");
    EXPECT_EQ(Expand("day dddd]", kExample), "day dddd]");
    EXPECT_EQ(Expand("[Date] [day  D] [day d] [DAY D] [hour ] [x]", kExample), "[Date] [day  D] [day d] [DAY D] [hour ] [x]");
    EXPECT_EQ(Expand("", kExample), "");
}

TEST(ReplaceMacrosTest, ReplacesEveryOccurrenceInPlace)
{
    EXPECT_EQ(Expand("Today is [day dddd], [date dddd, mmmm dd, yyyy]", kExample),
              "Today is Sunday, Sunday, March 07, 2027");
    EXPECT_EQ(Expand("[hour][hour]-[hour]x[[hour]]", kExample), "2121-21x[21]");
    EXPECT_EQ(Expand("[date][time]", kExample), "3/7/20279:05:09 PM");
}

TEST(ReplaceMacrosTest, EachPlaceholderReadsTheClockInTableOrder)
{
    // A clock that moves one second per reading: [hour] comes before
    // [second] in the table, so it reads first.
    int readings = 0;
    const auto ticking = [&readings] { return kExample.addSecs(readings++); };
    EXPECT_EQ(ReplaceMacros("[second] [second] [hour] plain", ticking, kC), "10 10 21 plain");
    EXPECT_EQ(readings, 2);
}

TEST(ReplaceMacrosTest, NamesAndFormsFollowTheLocale)
{
    const QLocale german(QLocale::German, QLocale::Germany);
    EXPECT_EQ(Expand("[date]|[time]|[day dddd]|[month MMMM]|[date m/d/yy]|[date time]", kExample, german),
              "07.03.2027|21:05:09|Sonntag|März|3.7.27|3.7.27 21:05");
    const QLocale british(QLocale::English, QLocale::UnitedKingdom);
    EXPECT_EQ(Expand("[date]|[time]|[time hh:mm AM/PM]", kExample, british), "07/03/2027|21:05:09|09:05 PM");
}

TEST(ReplaceMacrosTest, NamesStandingAloneAndSeparatorsInOtherLanguages)
{
    // A name on its own is in its standalone form; inside a date the
    // grammatical form stays.
    const QLocale russian(QLocale::Russian, QLocale::Russia);
    EXPECT_EQ(Expand("[month MMMM]|[date dddd, mmmm dd, yyyy]", kExample, russian),
              QString::fromUtf8("март|воскресенье, марта 07, 2027"));
    const QLocale finnish(QLocale::Finnish, QLocale::Finland);
    EXPECT_EQ(Expand("[day dddd]|[month MMMM]", kExample, finnish), QString::fromUtf8("sunnuntai|maaliskuu"));
    EXPECT_EQ(DatePattern::Format("d mmmm", kExample, finnish), QString::fromUtf8("7 maaliskuuta"));

    // Arabic formats put a right-to-left mark before each separator: the
    // separator is the "/" after it, never the mark.
    const QLocale arabic(QLocale::Arabic, QLocale::Egypt);
    const QString dateForm = Expand("[date m/d/yy]", kExample, arabic);
    EXPECT_EQ(dateForm, "3/7/27");
    for (const QChar c : Expand("[date m/d/yy]|[date time]", kExample, arabic))
        EXPECT_NE(c.category(), QChar::Other_Format) << dateForm.toStdString();
}

TEST(DatePatternTest, MinutesOnlyRightAfterAnHour)
{
    EXPECT_EQ(DatePattern::Format("mm", kExample, kC), "03");
    EXPECT_EQ(DatePattern::Format("hh mm", kExample, kC), "21 05");
    EXPECT_EQ(DatePattern::Format("h:m", kExample, kC), "21:5");
    EXPECT_EQ(DatePattern::Format("h:mmm", kExample, kC), "21:Mar");
    EXPECT_EQ(DatePattern::Format("h d mm", kExample, kC), "21 7 03");
    EXPECT_EQ(DatePattern::Format("nn:ss mm", kExample, kC), "05:09 03");
}

TEST(DatePatternTest, LiteralsAndMarkers)
{
    EXPECT_EQ(DatePattern::Format("\"day\" d \\h", kExample, kC), "day 7 h");
    EXPECT_EQ(DatePattern::Format("h am/pm", kExample, kC), "9 pm");
    EXPECT_EQ(DatePattern::Format("h A/P", kExample, kC), "9 P");
    EXPECT_EQ(DatePattern::Format("h AMPM", kExample, kC), "9 PM");
    EXPECT_EQ(DatePattern::Format("yyy", kExample, kC), "2766");
    EXPECT_EQ(DatePattern::Format("ddddd", kExample, kC), "3/7/2027");
}

} // namespace
