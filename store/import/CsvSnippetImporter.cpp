#include "store/import/CsvSnippetImporter.h"

#include "store/import/BeeftextImporter.h"
#include "store/import/AbbreviationCheck.h"
#include "store/import/PeerDateFormat.h"
#include "store/import/PeerText.h"

#include <QFileInfo>
#include <QRegularExpression>

QList<QStringList> CsvSnippetImporter::Rows(const QString& text, QList<int>* lineNumbers, int* badLine)
{
    const qsizetype firstLineEnd = text.indexOf(u'\n');
    const QString firstLine = text.left(firstLineEnd < 0 ? text.size() : firstLineEnd);
    const QChar separator = firstLine.count(u';') > firstLine.count(u',') ? u';' : u',';
    QList<QStringList> rows;
    QStringList row;
    QString field;
    bool quoted = false;
    bool fieldStarted = false;
    int line = 1;
    int rowLine = 1;
    int quoteLine = 0;
    *badLine = 0;
    const auto endRow = [&] {
        row << field;
        // Blank lines are no rows.
        if (!(row.size() == 1 && row.first().trimmed().isEmpty())) {
            rows << row;
            if (lineNumbers)
                *lineNumbers << rowLine;
        }
        row.clear();
        field.clear();
        fieldStarted = false;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text[i + 1] == u'"') {
                field += u'"';
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                if (c == u'\n')
                    ++line;
                field += c;
            }
            continue;
        }
        if (c == u'"' && !fieldStarted) {
            quoted = true;
            fieldStarted = true;
            quoteLine = line;
        } else if (c == separator) {
            row << field;
            field.clear();
            fieldStarted = false;
        } else if (c == u'\n' || c == u'\r') {
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            endRow();
            ++line;
            rowLine = line;
        } else {
            field += c;
            fieldStarted = true;
        }
    }
    if (quoted) {
        *badLine = quoteLine;
        return rows;
    }
    if (fieldStarted || !field.isEmpty() || !row.isEmpty())
        endRow();
    return rows;
}

QString CsvSnippetImporter::FromTextExpander(const QString& content, QStringList* unsupported)
{
    // %|, %clipboard, %snippet:abbr%, %filltext:name=…:default=…%, %fill:…%,
    // %fillpopup:name=…:default=…:other…%, %fillarea:…%, %key:…%, and the
    // date codes (%1d is %-d).
    static const QRegularExpression macro(QStringLiteral(
        R"(%\||%clipboard|%(snippet|filltext|fillpopup|fillarea|fillpart|fill|key|@|shell|script|js|python)(?::([^%]*))?%|%%|%1?[A-Za-z])"));
    QString out;
    qsizetype last = 0;
    for (auto it = macro.globalMatch(content); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        out += content.mid(last, m.capturedStart() - last);
        last = m.capturedEnd();
        const QString whole = m.captured(0);
        const QString kind = m.captured(1);
        const QString argument = m.captured(2);
        // name=…:default=…:a:b as name and values.
        QString label;
        QStringList values;
        for (const QString& part : argument.split(u':', Qt::SkipEmptyParts)) {
            if (part.startsWith(QLatin1String("name=")))
                label = part.mid(5);
            else if (part.startsWith(QLatin1String("default=")))
                values.prepend(part.mid(8));
            else if (!part.contains(u'='))
                values << part;
        }
        if (whole == u"%|") {
            out += QStringLiteral("[cursor]");
        } else if (whole == u"%clipboard") {
            out += QStringLiteral("[clipboard]");
        } else if (whole == u"%%") {
            out += u'%';
        } else if (kind == u"snippet" && !argument.isEmpty()) {
            out += QStringLiteral("[snippet %1]").arg(argument);
        } else if (kind == u"fill" && !argument.isEmpty()) {
            out += QStringLiteral("[input %1]").arg(argument);
        } else if ((kind == u"filltext" || kind == u"fillarea") && !label.isEmpty()) {
            out += values.isEmpty() ? QStringLiteral("[input %1]").arg(label)
                                    : QStringLiteral("[input %1=%2]").arg(label, values.first());
            if (kind == u"fillarea")
                *unsupported << QStringLiteral("%fillarea (a one-line field here)");
        } else if (kind == u"fillpopup" && !label.isEmpty() && !values.isEmpty()) {
            values.removeDuplicates();
            out += QStringLiteral("[choice %1=%2]").arg(label, values.join(u'|'));
        } else if (kind == u"key" && (argument == u"tab" || argument == u"enter" || argument == u"return")) {
            out += argument == u"tab" ? u'\t' : u'\n';
        } else if (kind.isEmpty()) {
            // A date code; "%1m" is the month without a leading zero.
            QString code = whole;
            if (code.size() == 3)
                code = QStringLiteral("%-") + code.back();
            const PeerDateFormat::Translation date = PeerDateFormat::FromStrftime(code);
            if (date.unsupported.isEmpty()) {
                out += date.text;
            } else {
                out += whole;
                *unsupported << whole;
            }
        } else {
            out += whole;
            *unsupported << whole;
        }
    }
    return out + content.mid(last);
}

ImportBatch CsvSnippetImporter::Read(const QString& path, Flavour flavour)
{
    ImportBatch batch;
    const QString name = QFileInfo(path).fileName();
    QString text;
    if (!PeerText::ReadFor(batch, path, &text))
        return batch;
    QList<int> lines;
    int badLine = 0;
    const QList<QStringList> rows = Rows(text, &lines, &badLine);
    if (badLine)
        batch.Skip(QStringLiteral("%1:%2").arg(name).arg(badLine),
                   QStringLiteral("a quote opened here is never closed; the rows from here on are left out"));
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const QStringList& row = rows[i];
        const QString origin = QStringLiteral("%1:%2").arg(name).arg(lines[i]);
        if (i == 0 && row.size() >= 2 &&
            QRegularExpression(QStringLiteral("^(abbreviation|keyword|shortcut|trigger)$"),
                               QRegularExpression::CaseInsensitiveOption)
                .match(row[0].trimmed())
                .hasMatch())
            continue; // the column names
        if (row.size() < 2) {
            batch.Skip(origin, QStringLiteral("a row needs an abbreviation and a content"));
            continue;
        }
        const QString abbreviation = row[0].trimmed();
        if (const QString problem2 = AbbreviationCheck::Problem(abbreviation); !problem2.isEmpty()) {
            batch.Skip(origin, problem2);
            continue;
        }
        QStringList unsupported;
        Snippet snippet;
        snippet.snippetString = abbreviation;
        snippet.contentString = flavour == Flavour::Beeftext ? BeeftextImporter::Translate(row[1], &unsupported)
                                                             : FromTextExpander(row[1], &unsupported);
        if (row.size() > 2)
            snippet.desString = row[2].trimmed();
        // Both expand as soon as the abbreviation is typed.
        snippet.triggerMode = Snippet::TriggerMode::Immediately;
        if (!unsupported.isEmpty())
            batch.Change(origin, QStringLiteral("kept as text: %1").arg(unsupported.join(QStringLiteral(", "))));
        batch.snippets.push_back({snippet, origin});
    }
    return batch;
}
