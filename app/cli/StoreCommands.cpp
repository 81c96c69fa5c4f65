#include "app/cli/StoreCommands.h"

#include "core/AppRule.h"
#include "core/ProgramFolder.h"
#include "core/QuilloError.h"
#include "store/SnippetManager.h"

#include <algorithm>

namespace {

void OpenStore(SnippetManager& store, const QString& home, QTextStream& err)
{
    store.OpenSetFile(ProgramFolder::DatabasePath(home));
    for (const QString& row : store.SkippedRows())
        err << "quillo: left out the row " << row << ": its id is beyond " << SnippetManager::kMaxId << Qt::endl;
}

} // namespace

QList<CliCommand> StoreCommands::Commands()
{
    return {
        {QStringLiteral("list"), QStringLiteral("[TEXT]"),
         QStringLiteral("list the snippets, or those whose abbreviation or content holds TEXT"), &List},
        {QStringLiteral("add"),
         QStringLiteral("ABBR CONTENT [--mode delimiter|immediate|inword] [--only-in APP[,APP...]] "
                        "[--case-follows]"),
         QStringLiteral("add a snippet (ABBR: at most 10 characters, no spaces); --mode: expand after a "
                        "delimiter (the default), as soon as ABBR is typed, or also at the end of a longer "
                        "word; --only-in: only in these applications (a window class or Wayland app id, or "
                        "title:PATTERN with * and ?; \\, for a comma in a pattern); --case-follows: ABBR "
                        "matches in any letter case, and typed Capitalised or in CAPITALS it gives the content so"),
         &Add},
        {QStringLiteral("delete"), QStringLiteral("ABBR"), QStringLiteral("delete the snippet ABBR"),
         &Delete},
    };
}

QString StoreCommands::ListLine(const QString& abbreviation, const QString& content)
{
    const auto special = [](QChar c) { return c == QLatin1Char('\\') || c == QLatin1Char('\t') ||
                                              c == QLatin1Char('\n') || c == QLatin1Char('\r'); };
    if (std::none_of(content.begin(), content.end(), special))
        return abbreviation + QLatin1Char('\t') + content;
    QString escaped = content;
    escaped.replace(QLatin1Char('\\'), QLatin1String("\\\\"))
        .replace(QLatin1Char('\t'), QLatin1String("\\t"))
        .replace(QLatin1String("\r\n"), QLatin1String("\\n"))
        .replace(QLatin1Char('\n'), QLatin1String("\\n"))
        .replace(QLatin1Char('\r'), QLatin1String("\\n"));
    return abbreviation + QLatin1Char('\t') + escaped;
}

QString StoreCommands::ListLine(const Snippet& snippet)
{
    QString line = ListLine(snippet.snippetString, snippet.contentString);
    if (snippet.triggerMode != Snippet::TriggerMode::AfterDelimiter)
        line += QStringLiteral("\tmode=") + Snippet::TriggerModeName(snippet.triggerMode);
    if (!snippet.onlyIn.isEmpty())
        line += QStringLiteral("\tonly-in=") + AppRule::JoinList(snippet.onlyIn, QStringLiteral(","));
    if (snippet.caseFollows)
        line += QStringLiteral("\tcase-follows");
    return line;
}

namespace {

// Takes the first "--name VALUE" or "--name=VALUE" out of args, before or
// after the other words; false when there is none.
bool TakeOption(QStringList& args, const QString& name, QString& value)
{
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == name) {
            if (i + 1 >= args.size())
                throw CliUsageError(QStringLiteral("%1 needs a value").arg(name).toStdString());
            value = args[i + 1];
            args.remove(i, 2);
            return true;
        }
        if (args[i].startsWith(name + QLatin1Char('='))) {
            value = args[i].mid(name.size() + 1);
            args.remove(i, 1);
            return true;
        }
    }
    return false;
}

// Takes every "--name" flag out of args; true when there was one.
bool TakeFlag(QStringList& args, const QString& name)
{
    return args.removeAll(name) > 0;
}

} // namespace

int StoreCommands::List(const CliContext& context)
{
    if (context.args.size() > 1)
        throw CliUsageError("too many arguments");
    SnippetManager store;
    OpenStore(store, context.home, context.err);
    const QString search = context.args.value(0);
    // The whole list is read from the store's own rows, without copying them.
    const SnippetCollection rows =
        search.trimmed().isEmpty() ? store.GetMatchedCol(QString()) : store.GetSnippetCollection(search);
    for (const SnippetPtr& snippet : rows)
        context.out << ListLine(*snippet) << '\n';
    context.out.flush();
    return 0;
}

int StoreCommands::Add(const CliContext& context)
{
    QStringList args = context.args;
    Snippet snippet;
    snippet.caseFollows = TakeFlag(args, QStringLiteral("--case-follows"));
    for (QString value;;) {
        if (TakeOption(args, QStringLiteral("--mode"), value)) {
            bool ok = false;
            snippet.triggerMode = Snippet::TriggerModeFromName(value, &ok);
            if (!ok)
                throw CliUsageError(QStringLiteral("unknown mode \"%1\"; the modes are delimiter, immediate and "
                                                   "inword").arg(value).toStdString());
        } else if (TakeOption(args, QStringLiteral("--only-in"), value)) {
            for (const QString& app : AppRule::SplitList(value)) {
                const QString problem = AppRule::Problem(app);
                if (!problem.isEmpty())
                    throw CliUsageError(QStringLiteral("--only-in: %1").arg(problem).toStdString());
                snippet.onlyIn << app.trimmed();
            }
            if (snippet.onlyIn.isEmpty())
                throw CliUsageError("--only-in needs at least one application");
        } else {
            break;
        }
    }
    if (args.size() != 2)
        throw CliUsageError("add takes an abbreviation and a content");
    const QString abbreviation = args[0];
    if (abbreviation.isEmpty())
        throw CliUsageError("the abbreviation is empty");
    if (abbreviation.size() > kMaxAbbreviationLength)
        throw CliUsageError(QStringLiteral("the abbreviation \"%1\" is longer than %2 characters")
                                .arg(abbreviation)
                                .arg(kMaxAbbreviationLength)
                                .toStdString());
    for (const QChar c : abbreviation)
        if (c.isSpace())
            throw CliUsageError(
                QStringLiteral("the abbreviation \"%1\" holds a space").arg(abbreviation).toStdString());

    SnippetManager store;
    OpenStore(store, context.home, context.err);
    // Typing an abbreviation can only ever expand the first of two equal
    // ones; the store checks and inserts in one transaction, so two programs
    // adding the same one at once store it once.
    snippet.snippetString = abbreviation;
    snippet.contentString = args[1];
    const SnippetPtr stored = store.AddSnippet(snippet);
    context.out << "added " << stored->snippetString << " (id " << stored->snippetID << ")" << Qt::endl;
    return 0;
}

int StoreCommands::Delete(const CliContext& context)
{
    if (context.args.size() != 1)
        throw CliUsageError("delete takes one abbreviation");
    SnippetManager store;
    OpenStore(store, context.home, context.err);
    const SnippetPtr found = store.GetMatchedSnippet(context.args[0]);
    if (!found)
        throw QuilloError(0, QStringLiteral("quillo"),
                          QStringLiteral("no snippet has the abbreviation \"%1\"").arg(context.args[0]));
    const QString abbreviation = found->snippetString;
    store.DelSnippet(*found);
    context.out << "deleted " << abbreviation << Qt::endl;
    return 0;
}
