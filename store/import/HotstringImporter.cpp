#include "store/import/HotstringImporter.h"

#include "store/import/AbbreviationCheck.h"
#include "store/import/PeerText.h"

#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>

namespace {

struct Options
{
    bool immediate = false;
    bool inside = false;
    bool caseSensitive = false;
    bool noConform = false;
    bool raw = false;
    bool execute = false;
    bool noBackspace = false;
};

void Apply(const QString& letters, Options& options)
{
    const QString upper = letters.toUpper();
    for (qsizetype i = 0; i < upper.size(); ++i) {
        const QChar c = upper[i];
        const bool off = i + 1 < upper.size() && upper[i + 1] == u'0';
        if (c == u'*')
            options.immediate = !off;
        else if (c == u'?')
            options.inside = !off;
        else if (c == u'C' && i + 1 < upper.size() && upper[i + 1] == u'1')
            options.noConform = true, options.caseSensitive = false;
        else if (c == u'C')
            options.caseSensitive = !off;
        else if (c == u'R' || c == u'T')
            options.raw = !off;
        else if (c == u'X')
            options.execute = true;
        else if (c == u'B')
            options.noBackspace = off;
    }
}

// " ;" starts a comment after a hotstring's text, unless escaped as `;.
QString WithoutComment(const QString& text)
{
    for (qsizetype i = 1; i < text.size(); ++i)
        if (text[i] == u';' && text[i - 1].isSpace() && (i < 2 || text[i - 2] != u'`'))
            return text.left(i).trimmed().isEmpty() ? QString() : text.left(i - 1).trimmed();
    return text;
}

} // namespace

QString HotstringImporter::Unescape(const QString& text, QStringList* unsupported)
{
    static const QHash<QString, QString> keys = {
        {"enter", "\n"}, {"return", "\n"}, {"tab", "\t"}, {"space", " "}, {"!", "!"}, {"+", "+"},
        {"^", "^"},      {"#", "#"},       {"{", "{"},    {"}", "}"},     {"`", "`"},
    };
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'`' && i + 1 < text.size()) {
            const QChar next = text[++i];
            out += next == u'n' ? QStringLiteral("\n") : next == u't' ? QStringLiteral("\t")
                 : next == u'r' ? QString() : QString(next);
            continue;
        }
        if (c == u'{') {
            // "{}}" and "{{}" name the braces themselves.
            const qsizetype end = text.indexOf(u'}', i + 2);
            if (end > i) {
                const QString name = text.mid(i + 1, end - i - 1).trimmed();
                const auto found = keys.constFind(name.toLower());
                if (found != keys.constEnd()) {
                    out += *found;
                } else {
                    out += text.mid(i, end - i + 1);
                    *unsupported << text.mid(i, end - i + 1);
                }
                i = end;
                continue;
            }
        }
        if (c == u'!' || c == u'+' || c == u'^' || c == u'#') {
            // In send mode these press Alt, Shift, Ctrl, Win: Quillo types them.
            if (!unsupported->contains(QStringLiteral("modifier keys !+^#")))
                *unsupported << QStringLiteral("modifier keys !+^#");
        }
        out += c;
    }
    return out;
}

ImportBatch HotstringImporter::Read(const QString& path)
{
    ImportBatch batch;
    const QString name = QFileInfo(path).fileName();
    QString text;
    if (!PeerText::ReadFor(batch, path, &text))
        return batch;
    static const QRegularExpression hotstring(QStringLiteral(R"(^\s*:([^:\s]*):(.+?)::(.*)$)"));
    static const QRegularExpression defaults(QStringLiteral(R"(^\s*#Hotstring\s+(.*)$)"),
                                             QRegularExpression::CaseInsensitiveOption);
    const QStringList lines = PeerText::Lines(text);
    Options defaultOptions;
    QList<int> otherLines;
    bool inComment = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString& line = lines[i];
        const QString trimmed = line.trimmed();
        const QString origin = QStringLiteral("%1:%2").arg(name).arg(i + 1);
        if (inComment) {
            inComment = !trimmed.startsWith(QLatin1String("*/"));
            continue;
        }
        if (trimmed.startsWith(QLatin1String("/*"))) {
            inComment = true;
            continue;
        }
        if (trimmed.isEmpty() || trimmed.startsWith(u';'))
            continue;
        if (const auto d = defaults.match(line); d.hasMatch()) {
            const QString value = d.captured(1).trimmed();
            if (!value.startsWith(QLatin1String("EndChars"), Qt::CaseInsensitive) &&
                !value.startsWith(QLatin1String("NoMouse"), Qt::CaseInsensitive) &&
                !value.startsWith(QLatin1String("Reset"), Qt::CaseInsensitive))
                Apply(value, defaultOptions);
            continue;
        }
        const auto m = hotstring.match(line);
        if (!m.hasMatch()) {
            otherLines << int(i + 1);
            continue;
        }
        Options options = defaultOptions;
        Apply(m.captured(1), options);
        const QString abbreviation = m.captured(2);
        QString body = m.captured(3);
        const int firstLine = int(i + 1);
        if (body.trimmed().isEmpty()) {
            // A continuation section "(" … ")" holds the text; anything else
            // after an empty hotstring is code it runs.
            qsizetype next = i + 1;
            while (next < lines.size() && lines[next].trimmed().isEmpty())
                ++next;
            if (next < lines.size() && lines[next].trimmed().startsWith(u'(')) {
                const bool ltrim = lines[next].contains(QLatin1String("LTrim"), Qt::CaseInsensitive);
                QStringList section;
                qsizetype end = next + 1;
                while (end < lines.size() && !lines[end].trimmed().startsWith(u')'))
                    section << (ltrim ? lines[end].trimmed() : lines[end]), ++end;
                if (end >= lines.size()) {
                    batch.Skip(origin, QStringLiteral("its text opens with \"(\" and never closes"));
                    break;
                }
                body = section.join(u'\n');
                i = end;
            } else {
                batch.Skip(origin, QStringLiteral("\"%1\" runs commands; never run").arg(abbreviation));
                // Its commands, to the next "return", are code too.
                while (next < lines.size() && !lines[next].trimmed().startsWith(QLatin1String("return"), Qt::CaseInsensitive) &&
                       !hotstring.match(lines[next]).hasMatch())
                    ++next;
                i = next < lines.size() && !hotstring.match(lines[next]).hasMatch() ? next : next - 1;
                continue;
            }
        } else {
            body = WithoutComment(body);
        }
        if (options.execute) {
            batch.Skip(origin, QStringLiteral("\"%1\" runs a command (X); never run").arg(abbreviation));
            continue;
        }
        if (const QString bad = AbbreviationCheck::Problem(abbreviation); !bad.isEmpty()) {
            batch.Skip(origin, bad);
            continue;
        }
        QStringList unsupported;
        Snippet snippet;
        snippet.snippetString = abbreviation;
        snippet.contentString = options.raw ? body : Unescape(body, &unsupported);
        snippet.triggerMode = options.inside      ? Snippet::TriggerMode::InsideWords
                            : options.immediate   ? Snippet::TriggerMode::Immediately
                                                  : Snippet::TriggerMode::AfterDelimiter;
        if (options.inside && options.immediate)
            batch.Change(origin, QStringLiteral("matched inside words once a delimiter ends the word"));
        if (options.noBackspace)
            batch.Change(origin, QStringLiteral("the abbreviation is erased, as every Quillo snippet's is"));
        if (!unsupported.isEmpty())
            batch.Change(origin, QStringLiteral("kept as text: %1").arg(unsupported.join(QStringLiteral(", "))));
        snippet.caseFollows = !options.caseSensitive && !options.noConform;
        batch.snippets.push_back({snippet, QStringLiteral("%1:%2").arg(name).arg(firstLine)});
    }
    if (!otherLines.isEmpty()) {
        QStringList numbers;
        for (int n : otherLines.mid(0, 10))
            numbers << QString::number(n);
        batch.Skip(name, QStringLiteral("%1 line(s) of other script code left out (line %2%3)")
                             .arg(otherLines.size())
                             .arg(numbers.join(QStringLiteral(", ")), otherLines.size() > 10 ? QStringLiteral(", …") : QString()));
    }
    return batch;
}
