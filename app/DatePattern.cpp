#include "app/DatePattern.h"

#include <vector>

namespace {

// The United States forms, used for the "C" locale, which has no regional
// conventions of its own.
constexpr const char* kUsShortDate = "M/d/yyyy";
constexpr const char* kUsLongTime = "h:mm:ss AP";
constexpr QChar kUsDateSeparator = u'/';
constexpr QChar kUsTimeSeparator = u':';

constexpr int kDaysPerWeek = 7;
constexpr int kMonthsPerQuarter = 3;
constexpr int kCenturyYears = 100;
constexpr int kHalfDayHours = 12;
constexpr int kNoonHour = 12;

enum class Kind { Literal, Day, Weekday, Month, Minute, Quarter, Year, Hour, Second, Marker, DateSeparator, TimeSeparator };

struct Token
{
    Kind kind;
    int width = 0;  // letters in the run, e.g. 2 for "dd"
    QString text;   // literal text, or the marker as written
};

bool IsC(const QLocale& locale) { return locale.language() == QLocale::C; }

// The first character of a Qt format that is not a field, a quote, a blank
// or a directional mark (right-to-left locales put a mark before each
// separator; the mark alone would vanish from the pasted text): the
// separator the locale puts between the fields.
QChar FirstSeparator(const QString& format, QChar fallback)
{
    for (const QChar c : format)
        if (!c.isLetter() && c != u'\'' && !c.isSpace() && c.category() != QChar::Other_Format)
            return c;
    return fallback;
}

bool IsField(const Token& token)
{
    return token.kind != Kind::Literal && token.kind != Kind::DateSeparator && token.kind != Kind::TimeSeparator;
}

QChar DateSeparator(const QLocale& locale)
{
    if (IsC(locale))
        return kUsDateSeparator;
    return FirstSeparator(locale.dateFormat(QLocale::ShortFormat), kUsDateSeparator);
}

QChar TimeSeparator(const QLocale& locale)
{
    if (IsC(locale))
        return kUsTimeSeparator;
    return FirstSeparator(locale.timeFormat(QLocale::ShortFormat), kUsTimeSeparator);
}

// The longest run of `letter` (either case) at i, at most maxWidth long.
int RunAt(const QString& pattern, qsizetype i, QChar letter, int maxWidth)
{
    int width = 0;
    while (i + width < pattern.size() && width < maxWidth && pattern[i + width].toLower() == letter)
        ++width;
    return width;
}

bool StartsWithAt(const QString& pattern, qsizetype i, QLatin1String word)
{
    return QStringView(pattern).mid(i, word.size()).compare(word, Qt::CaseInsensitive) == 0;
}

std::vector<Token> Tokenize(const QString& pattern)
{
    std::vector<Token> tokens;
    auto literal = [&tokens](const QString& text) {
        if (!tokens.empty() && tokens.back().kind == Kind::Literal)
            tokens.back().text += text;
        else
            tokens.push_back({Kind::Literal, 0, text});
    };
    qsizetype i = 0;
    while (i < pattern.size()) {
        const QChar c = pattern[i];
        const QChar lower = c.toLower();
        if (StartsWithAt(pattern, i, QLatin1String("am/pm")) || StartsWithAt(pattern, i, QLatin1String("ampm"))) {
            const int width = pattern[i + 2] == u'/' ? 5 : 4;
            tokens.push_back({Kind::Marker, width, pattern.mid(i, width)});
            i += width;
        } else if (StartsWithAt(pattern, i, QLatin1String("a/p"))) {
            tokens.push_back({Kind::Marker, 3, pattern.mid(i, 3)});
            i += 3;
        } else if (c == u'"') {
            const qsizetype end = pattern.indexOf(u'"', i + 1);
            const qsizetype stop = end < 0 ? pattern.size() : end;
            literal(pattern.mid(i + 1, stop - i - 1));
            i = stop + 1;
        } else if (c == u'\\') {
            if (i + 1 < pattern.size())
                literal(QString(pattern[i + 1]));
            i += 2;
        } else if (c == u'/') {
            tokens.push_back({Kind::DateSeparator, 0, {}});
            ++i;
        } else if (c == u':') {
            tokens.push_back({Kind::TimeSeparator, 0, {}});
            ++i;
        } else if (lower == u'y') {
            // "yyy" is "yy" then "y", as for any run that is not 1, 2 or 4.
            const int run = RunAt(pattern, i, lower, 4);
            const int width = run == 4 ? 4 : (run >= 2 ? 2 : 1);
            tokens.push_back({Kind::Year, width, {}});
            i += width;
        } else {
            struct Field
            {
                char letter;
                Kind kind;
                int maxWidth;
            };
            static constexpr Field fields[] = {
                {'d', Kind::Day, 6},    {'w', Kind::Weekday, 2}, {'m', Kind::Month, 4}, {'q', Kind::Quarter, 1},
                {'h', Kind::Hour, 2},   {'n', Kind::Minute, 2},  {'s', Kind::Second, 2},
            };
            bool matched = false;
            for (const Field& field : fields) {
                if (lower != QLatin1Char(field.letter))
                    continue;
                const int width = RunAt(pattern, i, lower, field.maxWidth);
                tokens.push_back({field.kind, width, {}});
                i += width;
                matched = true;
                break;
            }
            if (!matched) {
                literal(QString(c));
                ++i;
            }
        }
    }
    // "m" and "mm" straight after an hour (separators and text between them
    // allowed) are minutes.
    Kind previous = Kind::Literal;
    for (Token& token : tokens) {
        if (token.kind == Kind::Month && token.width <= 2 && previous == Kind::Hour)
            token.kind = Kind::Minute;
        if (token.kind != Kind::Literal && token.kind != Kind::DateSeparator && token.kind != Kind::TimeSeparator)
            previous = token.kind;
    }
    return tokens;
}

QString Number(int value, int width)
{
    return QStringLiteral("%1").arg(value, width, 10, QLatin1Char('0'));
}

QString Marker(const QString& written, bool pm, const QLocale& locale)
{
    if (written.size() == 4) // AMPM
        return pm ? locale.pmText() : locale.amText();
    if (written.size() == 5) // AM/PM, in the case written
        return pm ? written.mid(3, 2) : written.left(2);
    return pm ? written.mid(2, 1) : written.left(1); // a/p
}

// Qt's long time form carries the time zone; the placeholder shows the clock
// time alone.
QString WithoutTimeZone(const QString& format)
{
    QString result;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format[i];
        if (c == u'\'')
            quoted = !quoted;
        if (!quoted && c == u't') {
            while (!result.isEmpty() && result.back().isSpace())
                result.chop(1);
            while (i + 1 < format.size() && (format[i + 1] == u't' || format[i + 1].isSpace()))
                ++i;
            if (!result.isEmpty() && i + 1 < format.size())
                result += u' ';
            continue;
        }
        result += c;
    }
    return result.trimmed();
}

} // namespace

int DatePattern::Weekday(const QDate& date)
{
    return date.dayOfWeek() % kDaysPerWeek + 1;
}

int DatePattern::WeekOfYear(const QDate& date)
{
    const int firstWeekday = Weekday(QDate(date.year(), 1, 1));
    return (date.dayOfYear() - 1 + firstWeekday - 1) / kDaysPerWeek + 1;
}

QString DatePattern::ShortDate(const QDate& date, const QLocale& locale)
{
    if (IsC(locale))
        return locale.toString(date, QString::fromLatin1(kUsShortDate));
    QString format = locale.dateFormat(QLocale::ShortFormat);
    // Two-digit years are ambiguous in a pasted text; widen them.
    if (!format.contains(QLatin1String("yyyy")))
        format.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    return locale.toString(date, format);
}

QString DatePattern::LongTime(const QTime& time, const QLocale& locale)
{
    if (IsC(locale))
        return locale.toString(time, QString::fromLatin1(kUsLongTime));
    return locale.toString(time, WithoutTimeZone(locale.timeFormat(QLocale::LongFormat)));
}

QString DatePattern::Format(const QString& pattern, const QDateTime& when, const QLocale& locale)
{
    const QDate date = when.date();
    const QTime time = when.time();
    if (pattern.compare(QLatin1String(kShortDate), Qt::CaseInsensitive) == 0)
        return ShortDate(date, locale);
    if (pattern.compare(QLatin1String(kLongTime), Qt::CaseInsensitive) == 0)
        return LongTime(time, locale);

    const std::vector<Token> tokens = Tokenize(pattern);
    bool twelveHour = false;
    for (const Token& token : tokens)
        twelveHour = twelveHour || token.kind == Kind::Marker;
    const bool pm = time.hour() >= kNoonHour;
    // A day or month name with no other field beside it is named on its own
    // (nominative "март"), not as part of a date (genitive "марта").
    int fields = 0;
    for (const Token& token : tokens)
        fields += IsField(token) ? 1 : 0;
    const bool alone = fields == 1;

    QString out;
    for (const Token& token : tokens) {
        switch (token.kind) {
        case Kind::Literal:
            out += token.text;
            break;
        case Kind::DateSeparator:
            out += DateSeparator(locale);
            break;
        case Kind::TimeSeparator:
            out += TimeSeparator(locale);
            break;
        case Kind::Day:
            if (token.width <= 2)
                out += Number(date.day(), token.width);
            else if (token.width <= 4)
                out += alone ? locale.standaloneDayName(date.dayOfWeek(), token.width == 3 ? QLocale::ShortFormat
                                                                                           : QLocale::LongFormat)
                             : locale.dayName(date.dayOfWeek(), token.width == 3 ? QLocale::ShortFormat
                                                                                 : QLocale::LongFormat);
            else if (token.width == 5)
                out += ShortDate(date, locale);
            else
                out += locale.toString(date, QLocale::LongFormat);
            break;
        case Kind::Weekday:
            out += QString::number(token.width == 1 ? Weekday(date) : WeekOfYear(date));
            break;
        case Kind::Month:
            if (token.width <= 2)
                out += Number(date.month(), token.width);
            else
                out += alone ? locale.standaloneMonthName(date.month(), token.width == 3 ? QLocale::ShortFormat
                                                                                         : QLocale::LongFormat)
                             : locale.monthName(date.month(), token.width == 3 ? QLocale::ShortFormat
                                                                               : QLocale::LongFormat);
            break;
        case Kind::Minute:
            out += Number(time.minute(), token.width);
            break;
        case Kind::Second:
            out += Number(time.second(), token.width);
            break;
        case Kind::Quarter:
            out += QString::number((date.month() - 1) / kMonthsPerQuarter + 1);
            break;
        case Kind::Year:
            if (token.width == 1)
                out += QString::number(date.dayOfYear());
            else if (token.width == 2)
                out += Number(date.year() % kCenturyYears, 2);
            else
                out += QString::number(date.year());
            break;
        case Kind::Hour: {
            int hour = time.hour();
            if (twelveHour) {
                hour %= kHalfDayHours;
                if (hour == 0)
                    hour = kHalfDayHours;
            }
            out += Number(hour, token.width);
            break;
        }
        case Kind::Marker:
            out += Marker(token.text, pm, locale);
            break;
        }
    }
    return out;
}
