#include "app/engine/ContentParser.h"

#include "app/MacroTable.h"

namespace {

const QString kCursor = QStringLiteral("[cursor]");
const QString kClipboard = QStringLiteral("[clipboard]");
const QString kSnippetLead = QStringLiteral("snippet ");
const QString kInputLead = QStringLiteral("input ");
const QString kChoiceLead = QStringLiteral("choice ");
constexpr QChar kValueMark = u'=';
constexpr QChar kChoiceSeparator = u'|';

bool HasSpace(const QString& text)
{
    for (QChar c : text)
        if (c.isSpace())
            return true;
    return false;
}

} // namespace

QList<ContentPart> ContentParser::Parse(const QString& content)
{
    QList<ContentPart> parts;
    auto addLiteral = [&parts](QStringView text) {
        if (text.isEmpty())
            return;
        if (!parts.isEmpty() && parts.last().kind == ContentPart::Kind::Literal)
            parts.last().text += text;
        else
            parts.append({ContentPart::Kind::Literal, text.toString()});
    };
    qsizetype done = 0; // everything before this is in parts
    qsizetype open = content.indexOf(kOpen);
    while (open >= 0) {
        const qsizetype close = content.indexOf(kClose, open + 1);
        if (close < 0)
            break;
        // "[a [date]": only the innermost opening bracket can start a placeholder.
        const qsizetype inner = content.lastIndexOf(kOpen, close);
        if (inner != open) {
            open = inner;
            continue;
        }
        ContentPart part = Classify(content.mid(open, close - open + 1));
        if (part.kind != ContentPart::Kind::Literal) {
            addLiteral(QStringView(content).mid(done, open - done));
            parts.append(std::move(part));
            done = close + 1;
        }
        open = content.indexOf(kOpen, close + 1);
    }
    addLiteral(QStringView(content).mid(done));
    return parts;
}

bool ContentParser::MayHoldExtendedPlaceholders(const QString& content)
{
    static const QString starts[] = {kCursor, kClipboard, kOpen + kSnippetLead, kOpen + kInputLead,
                                     kOpen + kChoiceLead};
    // One pass over the content: only its opening brackets are looked at.
    for (qsizetype open = content.indexOf(kOpen); open >= 0; open = content.indexOf(kOpen, open + 1)) {
        const QStringView rest = QStringView(content).mid(open);
        for (const QString& start : starts)
            if (rest.startsWith(start))
                return true;
    }
    return false;
}

bool ContentParser::HasExtendedPlaceholders(const QList<ContentPart>& parts)
{
    for (const ContentPart& part : parts)
        if (part.kind != ContentPart::Kind::Literal && part.kind != ContentPart::Kind::Macro)
            return true;
    return false;
}

ContentPart ContentParser::Classify(const QString& bracketed)
{
    using Kind = ContentPart::Kind;
    ContentPart part{Kind::Literal, bracketed, bracketed};
    for (const MacroEntry& entry : MacroTable::Entries()) {
        if (entry.placeholder == bracketed) {
            part.kind = Kind::Macro;
            part.text = entry.pattern;
            return part;
        }
    }
    if (bracketed == kCursor) {
        part.kind = Kind::Cursor;
        return part;
    }
    if (bracketed == kClipboard) {
        part.kind = Kind::Clipboard;
        return part;
    }
    const QString body = bracketed.mid(1, bracketed.size() - 2);
    if (body.startsWith(kSnippetLead)) {
        const QString abbreviation = body.mid(kSnippetLead.size());
        if (!abbreviation.isEmpty() && !HasSpace(abbreviation)) {
            part.kind = Kind::Snippet;
            part.text = abbreviation;
        }
        return part;
    }
    if (body.startsWith(kInputLead)) {
        const QString field = body.mid(kInputLead.size());
        const qsizetype mark = field.indexOf(kValueMark);
        const QString label = field.left(mark).trimmed();
        if (!label.isEmpty()) {
            part.kind = Kind::Input;
            part.text = label;
            part.defaultValue = mark < 0 ? QString() : field.mid(mark + 1);
        }
        return part;
    }
    if (body.startsWith(kChoiceLead)) {
        const QString field = body.mid(kChoiceLead.size());
        const qsizetype mark = field.indexOf(kValueMark);
        const QString label = field.left(mark).trimmed();
        const QString values = mark < 0 ? QString() : field.mid(mark + 1);
        if (!label.isEmpty() && !values.isEmpty()) {
            part.kind = Kind::Choice;
            part.text = label;
            part.choices = values.split(kChoiceSeparator);
        }
        return part;
    }
    return part;
}
