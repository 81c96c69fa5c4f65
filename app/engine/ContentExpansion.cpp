#include "app/engine/ContentExpansion.h"

#include "app/DatePattern.h"
#include "app/engine/ContentParser.h"

#include <QSet>
#include <QTextBoundaryFinder>

namespace {

using Kind = ContentPart::Kind;

// One filling-in: the values of the fields and the clipboard are settled at
// their first use and kept for every later one.
class Filler
{
public:
    explicit Filler(const ContentContext& context) : context(context) {}

    void Fill(const QString& content, int depth)
    {
        if (!content.contains(ContentParser::kOpen) || !content.contains(ContentParser::kClose)) {
            result.text += content;
            return;
        }
        if (!ContentParser::MayHoldExtendedPlaceholders(content)) {
            result.text += ReplaceMacros(content, context.clock, context.locale);
            return;
        }
        const QList<ContentPart> parts = ContentParser::Parse(content);
        if (!ContentParser::HasExtendedPlaceholders(parts)) {
            result.text += ReplaceMacros(content, context.clock, context.locale);
            return;
        }
        for (const ContentPart& part : parts)
            FillPart(part, depth);
    }

    ContentExpansion::Result result;
    QStringList chain; // the snippets being brought in, outermost first

private:
    void FillPart(const ContentPart& part, int depth)
    {
        switch (part.kind) {
        case Kind::Literal:
            result.text += part.text;
            break;
        case Kind::Macro:
            result.text += DatePattern::Format(part.text, context.clock(), context.locale);
            break;
        case Kind::Cursor:
            if (result.cursor == ContentExpansion::kNoCursor)
                result.cursor = result.text.size();
            break;
        case Kind::Clipboard:
            if (!clipboard)
                clipboard = context.clipboard ? context.clipboard() : QString();
            result.text += *clipboard;
            break;
        case Kind::Snippet: {
            // A missing snippet, one already being brought in (a cycle) or
            // one too deep stays as written: never a hang, nothing lost.
            const std::optional<QString> content =
                depth < ContentExpansion::kMaxSnippetDepth && broughtIn < ContentExpansion::kMaxSnippetsBroughtIn &&
                        !chain.contains(part.text) && context.snippets
                    ? context.snippets(part.text)
                    : std::nullopt;
            if (!content) {
                result.text += part.source;
                break;
            }
            ++broughtIn;
            chain.append(part.text);
            Fill(*content, depth + 1);
            chain.removeLast();
            break;
        }
        case Kind::Input:
        case Kind::Choice:
            result.text += FieldValue(part);
            break;
        }
    }

    QString FieldValue(const ContentPart& part)
    {
        const auto known = values.constFind(part.text);
        if (known != values.constEnd())
            return *known;
        FillInField field{part.text, part.defaultValue, part.choices};
        if (part.kind == Kind::Choice)
            field.defaultValue = part.choices.first();
        QString value = field.defaultValue;
        const auto answer = context.answers.constFind(part.text);
        if (answer != context.answers.constEnd() && (!field.IsChoice() || field.choices.contains(*answer)))
            value = *answer;
        result.fields.append(field);
        values.insert(part.text, value);
        return value;
    }

    const ContentContext& context;
    std::optional<QString> clipboard;
    QHash<QString, QString> values;
    int broughtIn = 0;
};

} // namespace

ContentExpansion::Result ContentExpansion::Expand(const QString& content, const ContentContext& context)
{
    Filler filler(context);
    if (!context.abbreviation.isEmpty())
        filler.chain.append(context.abbreviation);
    filler.Fill(content, 0);
    return std::move(filler.result);
}

QList<FillInField> ContentExpansion::Fields(const QString& content, const ContentContext& context)
{
    return Expand(content, context).fields;
}

ContentExpansion::ReferenceCheck ContentExpansion::CheckReferences(const QString& abbreviation,
                                                                   const QString& content,
                                                                   const SnippetLookup& snippets)
{
    ReferenceCheck check;
    QSet<QString> finished; // looked through, no cycle beyond
    QStringList chain;
    std::function<void(const QString&)> visit = [&](const QString& text) {
        for (const ContentPart& part : ContentParser::Parse(text)) {
            if (part.kind != Kind::Snippet || !check.cycle.isEmpty())
                continue;
            const QString& name = part.text;
            if (chain.contains(name)) {
                check.cycle = chain.mid(chain.indexOf(name)) << name;
                return;
            }
            if (finished.contains(name) || chain.size() > kMaxSnippetDepth)
                continue;
            const std::optional<QString> referred =
                name == abbreviation ? std::optional<QString>(content) : snippets ? snippets(name) : std::nullopt;
            if (!referred) {
                if (!check.missing.contains(name))
                    check.missing << name;
                continue;
            }
            chain << name;
            visit(*referred);
            chain.removeLast();
            finished.insert(name);
        }
    };
    if (!abbreviation.isEmpty())
        chain << abbreviation;
    visit(content);
    return check;
}

QString ContentExpansion::ReferenceCheck::Message() const
{
    QStringList lines;
    if (!cycle.isEmpty())
        lines << QStringLiteral("The snippets bring each other in without end: %1. "
                                "Such a [snippet] placeholder would stay as written.")
                     .arg(cycle.join(QStringLiteral(" → ")));
    for (const QString& name : missing)
        lines << QStringLiteral("There is no snippet \"%1\" yet: [snippet %1] stays as written until there is.")
                     .arg(name);
    return lines.join(u'\n');
}

qsizetype ContentExpansion::CharactersAfter(const QString& text, qsizetype position)
{
    const QString rest = text.mid(position);
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, rest);
    qsizetype count = 0;
    while (finder.toNextBoundary() > 0)
        ++count;
    return count;
}

qsizetype ContentExpansion::CodePointsBefore(const QString& text, qsizetype position)
{
    return QStringView(text).left(position).toUcs4().size();
}
