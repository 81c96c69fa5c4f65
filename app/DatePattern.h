#pragma once

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QString>

// Renders a date pattern of the kind snippet placeholders use:
//   d dd ddd dddd   day, with zero, abbreviated name, full name
//   ddddd dddddd    the locale's short / long date
//   w ww            weekday (Sunday = 1) / week of the year (week 1 holds 1 January)
//   m mm mmm mmmm   month, with zero, abbreviated name, full name; m and mm
//                   right after an hour are minutes
//   q               quarter
//   y yy yyyy       day of the year / 2-digit year / 4-digit year
//   h hh n nn s ss  hour, minute, second (hours on the 12-hour clock when the
//                   pattern holds AM/PM, a/p or AMPM)
//   AM/PM a/p       the marker in the letter case written; AMPM the locale's
//   / :             the locale's date and time separators
//   "text" \c       literal text
// Letters are matched in either case; anything else is copied. The whole
// pattern kShortDate or kLongTime names the locale's short date or time form.
class DatePattern
{
public:
    static constexpr const char* kShortDate = "Short Date";
    static constexpr const char* kLongTime = "Long Time";

    static QString Format(const QString& pattern, const QDateTime& when, const QLocale& locale);

    // The locale's short date (with a 4-digit year) and its time with seconds;
    // the "C" locale gives the United States forms.
    static QString ShortDate(const QDate& date, const QLocale& locale);
    static QString LongTime(const QTime& time, const QLocale& locale);

    // 1 for Sunday to 7 for Saturday.
    static int Weekday(const QDate& date);
    // Weeks start on Sunday and week 1 holds 1 January, so a year that starts
    // late in the week can reach week 54 on 31 December.
    static int WeekOfYear(const QDate& date);
};
