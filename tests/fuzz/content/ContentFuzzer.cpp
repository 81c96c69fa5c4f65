// Any content expands without a crash or a hang, with any clipboard, any
// answers and snippets that bring in any other contents: placeholders are
// parsed back into exactly the text they came from, the caret's place lies
// in the text, every field is asked once, and content with only date and
// time placeholders is filled as it always was.
//
// Input: NUL-separated pieces: the content, the abbreviation as typed, the
// clipboard, answers ("Label=value" lines), then the contents other
// snippets hold; an abbreviation picks one of them by its hash, or none.

#include "app/ReplaceMacros.h"
#include "app/engine/ContentExpansion.h"
#include "app/engine/ContentParser.h"
#include "app/engine/TypedCase.h"

#include <QHash>
#include <QSet>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void Fault(const char* what, const QByteArray& input)
{
    std::fprintf(stderr, "content fuzz fault: %s\n  input: %s\n", what, input.toHex().constData());
    std::abort();
}

QString Rejoined(const QList<ContentPart>& parts)
{
    QString text;
    for (const ContentPart& part : parts)
        text += part.kind == ContentPart::Kind::Literal ? part.text : part.source;
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QList<QByteArray> pieces = input.split('\0');
    const auto piece = [&pieces](qsizetype i) { return QString::fromUtf8(pieces.value(i)); };
    const QString content = piece(0);
    const QString typed = piece(1);
    QStringList others;
    for (qsizetype i = 4; i < pieces.size(); ++i)
        others << piece(i);

    ContentContext context;
    const QDateTime now(QDate(2024, 2, 29), QTime(13, 5, 9));
    context.clock = [now] { return now; };
    context.locale = QLocale::c();
    int clipboardReads = 0;
    context.clipboard = [&] {
        ++clipboardReads;
        return piece(2);
    };
    context.snippets = [&others](const QString& abbreviation) -> std::optional<QString> {
        const qsizetype pick = qsizetype(qHash(abbreviation, 0) % size_t(others.size() + 1));
        return pick < others.size() ? std::optional<QString>(others.at(pick)) : std::nullopt;
    };
    context.abbreviation = typed;
    for (const QString& line : piece(3).split(u'\n')) {
        const qsizetype mark = line.indexOf(u'=');
        if (mark > 0)
            context.answers.insert(line.left(mark), line.mid(mark + 1));
    }

    const QList<ContentPart> parts = ContentParser::Parse(content);
    if (Rejoined(parts) != content)
        Fault("the parts do not give back the content", input);
    if (ContentParser::HasExtendedPlaceholders(parts) && !ContentParser::MayHoldExtendedPlaceholders(content))
        Fault("the quick look missed a placeholder", input);

    const ContentExpansion::Result result = ContentExpansion::Expand(content, context);
    if (clipboardReads > 1)
        Fault("the clipboard was read twice", input);
    if (result.cursor != ContentExpansion::kNoCursor && (result.cursor < 0 || result.cursor > result.text.size()))
        Fault("the caret's place lies outside the text", input);
    QSet<QString> labels;
    for (const FillInField& field : result.fields) {
        if (field.label.isEmpty() || labels.contains(field.label))
            Fault("a field is empty or asked twice", input);
        labels.insert(field.label);
    }
    if (!ContentParser::HasExtendedPlaceholders(parts) &&
        result.text != ReplaceMacros(content, context.clock, context.locale))
        Fault("a content without new placeholders is filled differently", input);

    if (result.cursor != ContentExpansion::kNoCursor) {
        const qsizetype after = ContentExpansion::CharactersAfter(result.text, result.cursor);
        if (after < 0 || after > result.text.size() - result.cursor)
            Fault("more characters after the caret than there are", input);
        ContentExpansion::CodePointsBefore(result.text, result.cursor);
    }
    const QString cased = TypedCase::Apply(result.text, typed);
    if (TypedCase::Of(typed) == TypedCase::Rule::AllCapitals && cased != result.text.toUpper())
        Fault("capitals typed, but the content is not in capitals", input);
    ContentExpansion::CheckReferences(typed, content, context.snippets).Message();
    return 0;
}
