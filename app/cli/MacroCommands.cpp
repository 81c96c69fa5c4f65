#include "app/cli/MacroCommands.h"

#include "app/engine/ContentExpansion.h"
#include "core/ProgramFolder.h"
#include "store/SnippetManager.h"
#include "app/engine/TypedCase.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonArray>
#include <QLocale>
#include <QRegularExpression>
#include <memory>

namespace {

const QString kAtOption = QStringLiteral("--at");
const QString kClipboardOption = QStringLiteral("--clipboard");
const QString kFieldOption = QStringLiteral("--field");
const QString kJsonOption = QStringLiteral("--json");
const QString kTypedOption = QStringLiteral("--typed");

// The value of an option given as "--name VALUE" or "--name=VALUE" at the
// front of args, which loses both; nothing when args does not start with it.
std::optional<QString> TakeOption(QStringList& args, const QString& name)
{
    if (args.first().startsWith(name + QLatin1Char('='))) {
        const QString value = args.takeFirst().mid(name.size() + 1);
        return value;
    }
    if (args.first() != name)
        return std::nullopt;
    if (args.size() < 2)
        throw CliUsageError(QStringLiteral("%1 needs a value").arg(name).toStdString());
    args.removeFirst();
    return args.takeFirst();
}

// Other snippets come from the program folder's snippets, read only when
// the text brings one in.
SnippetLookup StoreLookup(const QString& home)
{
    auto store = std::make_shared<std::unique_ptr<SnippetManager>>();
    return [store, home](const QString& abbreviation) -> std::optional<QString> {
        if (!*store) {
            *store = std::make_unique<SnippetManager>();
            const QString path = ProgramFolder::DatabasePath(home);
            if (!home.isEmpty() && QFileInfo::exists(path))
                (*store)->OpenSetFile(path);
        }
        const SnippetPtr snippet = (*store)->GetMatchedSnippet(abbreviation);
        return snippet ? std::optional<QString>(snippet->contentString) : std::nullopt;
    };
}

} // namespace

QList<CliCommand> MacroCommands::Commands()
{
    return {
        {QStringLiteral("expand"),
         QStringLiteral("[--at YYYY-MM-DDTHH:MM:SS] [--clipboard TEXT] [--field LABEL=VALUE]... [--typed ABBR-AS-TYPED] [--json] TEXT"),
         QStringLiteral("print TEXT with its placeholders filled in: --clipboard gives [clipboard], each --field "
                        "answers a fill-in field (others take their default), [snippet ABBR] comes from the "
                        "snippets; --json prints {\"text\": ..., \"cursor\": N}, N the characters before "
                        "[cursor]; --typed: in the case the abbreviation was typed in, as a snippet whose case "
                        "follows the typing"),
         &Expand},
    };
}

QDateTime MacroCommands::ParseInstant(const QString& text)
{
    static const QRegularExpression form(QStringLiteral(R"(^(\d{4})-(\d{2})-(\d{2})T(\d{2}):(\d{2}):(\d{2})$)"));
    const QRegularExpressionMatch match = form.match(text);
    if (!match.hasMatch())
        return {};
    const QDate date(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt());
    const QTime time(match.captured(4).toInt(), match.captured(5).toInt(), match.captured(6).toInt());
    if (!date.isValid() || !time.isValid())
        return {};
    return QDateTime(date, time);
}

int MacroCommands::Expand(const CliContext& context)
{
    QStringList args = context.args;
    ContentContext content;
    std::optional<QString> typed;
    bool json = false;
    // Options come before the text. A lone "--json" is the text ("--" may
    // have come before it); an option that takes a value always wants one.
    while (!args.isEmpty()) {
        if (args.first() == kJsonOption && args.size() > 1) {
            json = true;
            args.removeFirst();
        } else if (const std::optional<QString> at = TakeOption(args, kAtOption)) {
            const QDateTime instant = ParseInstant(*at);
            if (!instant.isValid())
                throw CliUsageError(
                    QStringLiteral("\"%1\" is not a date and time of the form YYYY-MM-DDTHH:MM:SS").arg(*at).toStdString());
            content.clock = [instant] { return instant; };
        } else if (const std::optional<QString> typedAs = TakeOption(args, kTypedOption)) {
            typed = *typedAs;
        } else if (const std::optional<QString> clipboard = TakeOption(args, kClipboardOption)) {
            content.clipboard = [text = *clipboard] { return text; };
        } else if (const std::optional<QString> field = TakeOption(args, kFieldOption)) {
            const qsizetype mark = field->indexOf(QLatin1Char('='));
            if (mark <= 0 || field->left(mark).trimmed().isEmpty())
                throw CliUsageError(QStringLiteral("--field needs LABEL=VALUE, not \"%1\"").arg(*field).toStdString());
            content.answers.insert(field->left(mark).trimmed(), field->mid(mark + 1));
        } else {
            break;
        }
    }
    if (args.size() != 1)
        throw CliUsageError("expand takes one text");
    content.snippets = StoreLookup(context.home);

    ContentExpansion::Result result = ContentExpansion::Expand(args.first(), content);
    if (typed) {
        // The caret stays after the same characters, whatever capitals did to their number.
        if (result.cursor != ContentExpansion::kNoCursor)
            result.cursor = TypedCase::Apply(result.text.left(result.cursor), *typed).size();
        result.text = TypedCase::Apply(result.text, *typed);
    }
    // An answer that fits no field is a mistake the output would hide.
    for (auto answer = content.answers.cbegin(); answer != content.answers.cend(); ++answer) {
        const auto field = std::find_if(result.fields.cbegin(), result.fields.cend(),
                                        [&](const FillInField& f) { return f.label == answer.key(); });
        if (field == result.fields.cend())
            throw CliUsageError(QStringLiteral("the text has no field \"%1\"").arg(answer.key()).toStdString());
        if (field->IsChoice() && !field->choices.contains(answer.value()))
            throw CliUsageError(QStringLiteral("\"%1\" is not one of the values of %2: %3")
                                    .arg(answer.value(), answer.key(), field->choices.join(QStringLiteral(", ")))
                                    .toStdString());
    }
    if (json) {
        const qsizetype caret = result.cursor == ContentExpansion::kNoCursor ? result.text.size() : result.cursor;
        // Written by hand to keep the keys in this order; the string through
        // the JSON writer for its escapes.
        const QByteArray text = QJsonDocument(QJsonArray{result.text}).toJson(QJsonDocument::Compact);
        context.out << "{\"text\":" << QString::fromUtf8(text.mid(1, text.size() - 2)) << ",\"cursor\":"
                    << ContentExpansion::CodePointsBefore(result.text, caret) << "}" << Qt::endl;
    } else {
        context.out << result.text << Qt::endl;
    }
    return 0;
}
