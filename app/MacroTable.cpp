#include "app/MacroTable.h"

#include "app/DatePattern.h"

const QList<MacroEntry>& MacroTable::Entries()
{
    // "[date]" is tried before the longer "[date ...]" forms; that is safe
    // because each needs its closing bracket right after the name.
    static const QList<MacroEntry> entries = {
        {"[date]", DatePattern::kShortDate, ""},
        {"[time]", DatePattern::kLongTime, ""},
        {"[day D]", "D", "(day number without a leading zero:1 - 31)"},
        {"[day dd]", "dd", "(day number with a leading zero:01 - 31)"},
        {"[day ddd]", "ddd", "(day as an abbreviation:Sun - Sat)"},
        {"[day dddd]", "dddd", "(day as a full name:Sunday - Saturday)"},
        {"[day w]", "w", "(day of the week as a number:1 - 7)"},
        {"[day y]", "y", "(day of the year as a number:1 - 366)"},
        {"[week ww]", "ww", "(week of the year as a number:1 - 53)"},
        {"[month m]", "m", "(month as a number without a leading zero:1 - 12)"},
        {"[month MM]", "MM", "(month as a number with a leading zero:01 - 12)"},
        {"[month MMM]", "MMM", "(month as an abbreviation:Jan - Dec)"},
        {"[month MMMM]", "MMMM", "(month as a full month name:January - December)"},
        {"[quarter]", "q", "(quarter of the year as a number:1 - 4)"},
        {"[year]", "yy", "(year as a 2-digit number:00 - 99)"},
        {"[year yyyy]", "yyyy", "(year as a 4-digit number:100 - 9666)"},
        {"[time hh:mm AM/PM]", "hh:mm AM/PM", ""},
        {"[time h:mm:ss a/p]", "h:mm:ss a/p", ""},
        {"[hour]", "h", "(hour as a number without a leading zero:0 - 23)"},
        {"[hour hh]", "hh", "(hour as a number with a leading zero:00 - 23)"},
        {"[minute]", "n", "(minute as a number without a leading zero:0 - 59)"},
        {"[minute nn]", "nn", "(minute as a number with a leading zero:00 - 59)"},
        {"[second]", "s", "(second as a number without a leading zero:0 - 59)"},
        {"[second ss]", "ss", "(second as a number with a leading zero:00 - 59)"},
        {"[date m/d/yy]", "m/d/yy", ""},
        {"[date dddd, mmmm dd, yyyy]", "dddd, mmmm dd, yyyy", ""},
        {"[date time]", "m/d/yy h:mm", ""},
    };
    return entries;
}

const QList<MacroEntry>& MacroTable::ContentEntries()
{
    static const QList<MacroEntry> entries = {
        {"[cursor]", "", "(where the caret stands after the expansion)"},
        {"[clipboard]", "", "(the text on the clipboard when the abbreviation was typed)"},
        {"[snippet ABBR]", "", "(the content of the snippet ABBR, its placeholders filled)"},
        {"[input Label]", "", "(a fill-in field; a label used twice has one value)"},
        {"[input Label=default]", "", "(a fill-in field with a default value)"},
        {"[choice Label=one|two|three]", "", "(a fill-in field with a choice of values, the first by default)"},
    };
    return entries;
}
