#include "store/import/PeerDateFormat.h"

#include <QHash>

namespace {

// strftime code → the same value in Quillo's placeholders. Codes whose
// values Quillo cannot give (12-hour clock alone, weekday numbers counted
// from Monday, padded day of the year) are left out on purpose.
const QHash<QString, QString>& StrftimeCodes()
{
    static const QHash<QString, QString> codes = {
        {"Y", "[year yyyy]"},   {"y", "[year]"},        {"m", "[month MM]"},     {"-m", "[month m]"},
        {"B", "[month MMMM]"},  {"b", "[month MMM]"},   {"h", "[month MMM]"},    {"d", "[day dd]"},
        {"-d", "[day D]"},      {"A", "[day dddd]"},    {"a", "[day ddd]"},      {"H", "[hour hh]"},
        {"-H", "[hour]"},       {"k", "[hour]"},        {"M", "[minute nn]"},    {"-M", "[minute]"},
        {"S", "[second ss]"},   {"-S", "[second]"},     {"-j", "[day y]"},
        {"D", "[month MM]/[day dd]/[year]"},            {"F", "[year yyyy]-[month MM]-[day dd]"},
        {"T", "[hour hh]:[minute nn]:[second ss]"},     {"R", "[hour hh]:[minute nn]"},
        {"%", "%"},             {"n", "\n"},            {"t", "\t"},
    };
    return codes;
}

} // namespace

PeerDateFormat::Translation PeerDateFormat::FromStrftime(const QString& format)
{
    Translation out;
    const auto& codes = StrftimeCodes();
    for (qsizetype i = 0; i < format.size(); ++i) {
        if (format[i] != u'%' || i + 1 >= format.size()) {
            out.text += format[i];
            continue;
        }
        // "%-d" and "%e" mean the day without padding; other flags are rare.
        QString code = format.mid(i + 1, 1);
        qsizetype length = 2;
        if (code == u"-" && i + 2 < format.size()) {
            code = format.mid(i + 1, 2);
            length = 3;
        } else if (code == u"e") {
            code = QStringLiteral("-d");
        }
        const auto found = codes.constFind(code);
        if (found != codes.constEnd()) {
            out.text += *found;
        } else {
            const QString original = format.mid(i, length);
            out.text += original;
            if (!out.unsupported.contains(original))
                out.unsupported << original;
        }
        i += length - 1;
    }
    return out;
}

PeerDateFormat::Translation PeerDateFormat::FromQt(const QString& format)
{
    // Longest token first: "MMMM" before "MMM" before "MM" before "M".
    static const QList<std::pair<QString, QString>> tokens = {
        {"yyyy", "[year yyyy]"}, {"yy", "[year]"},       {"MMMM", "[month MMMM]"}, {"MMM", "[month MMM]"},
        {"MM", "[month MM]"},    {"M", "[month m]"},     {"dddd", "[day dddd]"},   {"ddd", "[day ddd]"},
        {"dd", "[day dd]"},      {"d", "[day D]"},       {"HH", "[hour hh]"},      {"H", "[hour]"},
        {"mm", "[minute nn]"},   {"m", "[minute]"},      {"ss", "[second ss]"},    {"s", "[second]"},
    };
    // A 12-hour clock (h with AP) has no placeholder of its own.
    const bool twelveHour = format.contains(QLatin1String("AP"), Qt::CaseInsensitive);
    Translation out;
    for (qsizetype i = 0; i < format.size();) {
        if (format[i] == u'\'') {
            // 'literal': a doubled quote is one quote, inside or out.
            if (i + 1 < format.size() && format[i + 1] == u'\'') {
                out.text += u'\'';
                i += 2;
                continue;
            }
            for (++i; i < format.size(); ++i) {
                if (format[i] != u'\'')
                    out.text += format[i];
                else if (i + 1 < format.size() && format[i + 1] == u'\'')
                    out.text += format[i++];
                else
                    break;
            }
            ++i;
            continue;
        }
        if (twelveHour && format.mid(i, 2).compare(QLatin1String("ap"), Qt::CaseInsensitive) == 0) {
            const QString original = format.mid(i, 2);
            out.text += original;
            if (!out.unsupported.contains(original))
                out.unsupported << original;
            i += 2;
            continue;
        }
        bool matched = false;
        for (const auto& [token, placeholder] : tokens) {
            if (format.mid(i, token.size()) == token) {
                out.text += placeholder;
                i += token.size();
                matched = true;
                break;
            }
        }
        if (matched)
            continue;
        const QChar c = format[i];
        if (c == u'h') {
            qsizetype length = 1;
            while (i + length < format.size() && format[i + length] == c)
                ++length;
            const QString original = format.mid(i, length);
            // "hh" with no AP is Qt's 24-hour clock.
            if (!twelveHour)
                out.text += length >= 2 ? QStringLiteral("[hour hh]") : QStringLiteral("[hour]");
            else {
                out.text += original;
                if (!out.unsupported.contains(original))
                    out.unsupported << original;
            }
            i += length;
            continue;
        }
        out.text += c;
        ++i;
    }
    return out;
}
