#include "app/cli/TransferCommands.h"

#include "core/ProgramFolder.h"
#include "core/QuilloError.h"
#include "settings/OptionMgr.h"
#include "store/SnippetDR.h"
#include "store/SnippetBackups.h"
#include "store/SnippetExport.h"
#include "store/SnippetManager.h"
#include "store/SnippetSync.h"
#include "store/import/ImportFormat.h"
#include "store/import/PlainSnippetFile.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

QuilloError CommandError(const QString& message)
{
    return QuilloError(0, QStringLiteral("quillo"), message);
}

// What may never be written is refused first, with its own reason; then,
// since nobody is asked on the command line, an existing file is replaced
// only with --force.
AtomicFileWriter::Rules CheckTarget(const QString& database, const QString& target, bool force,
                                    const char* errorSource, const QString& errorLead)
{
    AtomicFileWriter::Rules rules;
    rules.protectedFiles = SnippetExport::DatabaseFiles(database);
    rules.replaceExisting = true;
    AtomicFileWriter::CheckTarget(target, rules, QString::fromLatin1(errorSource), errorLead);
    if (!force && QFileInfo::exists(target))
        throw CommandError(QStringLiteral("\"%1\" already exists; add --force to replace it").arg(target));
    rules.replaceExisting = force;
    return rules;
}

// The value of "--name VALUE" or "--name=VALUE" anywhere in args, which
// loses it; a null string when it is not there.
QString TakeValue(QStringList& args, const QString& name)
{
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i].startsWith(name + u'='))
            return args.takeAt(i).mid(name.size() + 1);
        if (args[i] == name) {
            if (i + 1 >= args.size())
                throw CliUsageError(QStringLiteral("%1 needs a value").arg(name).toStdString());
            args.removeAt(i);
            return args.takeAt(i);
        }
    }
    return QString();
}


// How many backups the user keeps, as the tray program reads it.
int BackupsKeep(const CliContext& context)
{
    return OptionMgr::BackupsKeepIn(ProgramFolder::SettingsPath(context.home));
}

} // namespace

QList<CliCommand> TransferCommands::Commands()
{
    return {
        {QStringLiteral("import"),
         QStringLiteral("[--from FORMAT] [--duplicates keep|skip|replace] [--json] FILE|FOLDER"),
         QStringLiteral("add the snippets of FILE or FOLDER: a snippet file, a yaml or json file of Quillo's, or "
                        "another expander's (FORMAT: espanso, beeftext, autokey, ahk, textexpander, yaml, json, "
                        "snippets; guessed when not given); an abbreviation stored already is added again (keep, "
                        "the default), left alone (skip) or overwritten (replace); a backup is made first, and "
                        "what was left out or changed is listed"),
         &Import},
        {QStringLiteral("export"), QStringLiteral("[--force] [--format snippets|yaml|json] FILE"),
         QStringLiteral("write all snippets to FILE: a snippet file, or a text file of every field (--force: "
                        "replace it)"),
         &Export},
        {QStringLiteral("backups"), QStringLiteral("list [--json] | restore ID"),
         QStringLiteral("list the backups of the snippets, or put one back (the state before is backed up)"), &Backups},
        {QStringLiteral("sync"), QString(),
         QStringLiteral("merge the snippets of the other installations sharing the sync folder (Folder= in "
                        "[Sync]) now, write this one's file there and say what changed"),
         &Sync},
        {QStringLiteral("print"), QStringLiteral("[--force] --pdf FILE"),
         QStringLiteral("write the printed snippet list to the PDF file FILE (--force: replace it)"), &Print},
    };
}

bool TransferCommands::NeedsGui(const QString& command)
{
    return command == QLatin1String("print");
}

int TransferCommands::Import(const CliContext& context)
{
    QStringList args = context.args;
    const bool json = args.removeAll(QStringLiteral("--json")) > 0;
    ImportFormat::Kind kind = ImportFormat::Kind::Unknown;
    SnippetManager::Duplicates duplicates = SnippetManager::Duplicates::Keep;
    const QString from = TakeValue(args, QStringLiteral("--from"));
    if (!from.isNull()) {
        kind = ImportFormat::FromName(from);
        if (kind == ImportFormat::Kind::Unknown)
            throw CliUsageError(QStringLiteral("--from takes one of %1, not \"%2\"")
                                    .arg(ImportFormat::Names().join(QStringLiteral(", ")), from)
                                    .toStdString());
    }
    const QString policy = TakeValue(args, QStringLiteral("--duplicates"));
    if (policy == QLatin1String("skip"))
        duplicates = SnippetManager::Duplicates::Skip;
    else if (policy == QLatin1String("replace"))
        duplicates = SnippetManager::Duplicates::Replace;
    else if (!policy.isNull() && policy != QLatin1String("keep"))
        throw CliUsageError("--duplicates takes keep, skip or replace");
    if (args.size() != 1)
        throw CliUsageError("import takes one file or folder");
    const QString source = args[0];
    const QFileInfo info(source);
    if (!info.exists())
        throw CommandError(QStringLiteral("\"%1\" is not there").arg(source));
    // A pipe or a device would be waited on for ever.
    if (!info.isFile() && !info.isDir())
        throw CommandError(QStringLiteral("\"%1\" is not a regular file").arg(source));
    if (kind == ImportFormat::Kind::Unknown)
        kind = ImportFormat::Guess(source);
    if (kind == ImportFormat::Kind::Unknown && info.isDir())
        throw CommandError(QStringLiteral("\"%1\" is a folder that holds no Espanso match files and no AutoKey "
                                          "phrases; name the kind with --from")
                               .arg(source));
    if (kind == ImportFormat::Kind::Unknown)
        throw CommandError(QStringLiteral("cannot tell what kind of file \"%1\" is; name it with --from (%2)")
                               .arg(source, ImportFormat::Names().join(QStringLiteral(", "))));

    const QString database = ProgramFolder::DatabasePath(context.home);
    SnippetManager store;
    store.OpenSetFile(database);
    // The state before, whatever the import does.
    const SnippetBackups::Backup backup = SnippetBackups(database, BackupsKeep(context)).Make(QStringLiteral("import"));

    ImportBatch batch;
    SnippetManager::ImportOutcome outcome;
    if (kind == ImportFormat::Kind::Snippets && duplicates == SnippetManager::Duplicates::Keep) {
        const qsizetype before = store.GetMatchedCol(QString()).size();
        store.ImportSnippets(source);
        outcome.added = int(store.GetMatchedCol(QString()).size() - before);
    } else {
        if (kind == ImportFormat::Kind::Snippets)
            batch = ImportFormat::ReadSnippetFile(database, source);
        else
            batch = ImportFormat::Read(kind, source);
        QList<Snippet> snippets;
        for (const ImportBatch::Entry& entry : batch.snippets)
            snippets << entry.snippet;
        outcome = store.AddImported(snippets, duplicates);
    }

    if (json) {
        const auto array = [](const QStringList& list) { return QJsonArray::fromStringList(list); };
        context.out << QJsonDocument(QJsonObject{{"format", ImportFormat::Name(kind)},
                                                 {"added", outcome.added},
                                                 {"replaced", outcome.replaced},
                                                 {"duplicates", array(outcome.duplicates)},
                                                 {"skipped", array(batch.skipped)},
                                                 {"changed", array(batch.changed)},
                                                 {"backup", backup.id}})
                           .toJson(QJsonDocument::Compact)
                    << Qt::endl;
        return 0;
    }
    context.out << "imported " << outcome.added << " snippets from " << source << Qt::endl;
    if (outcome.replaced > 0)
        context.out << "replaced " << outcome.replaced << " stored snippets" << Qt::endl;
    if (!outcome.duplicates.isEmpty() && duplicates != SnippetManager::Duplicates::Replace)
        context.out << (duplicates == SnippetManager::Duplicates::Skip ? "left alone, stored already: "
                                                                       : "stored already, added again: ")
                    << outcome.duplicates.join(QStringLiteral(", ")) << Qt::endl;
    for (const QString& line : batch.skipped)
        context.out << "left out: " << line << Qt::endl;
    for (const QString& line : batch.changed)
        context.out << "changed: " << line << Qt::endl;
    return 0;
}

int TransferCommands::Export(const CliContext& context)
{
    QStringList args = context.args;
    const bool force = args.removeAll(QStringLiteral("--force")) > 0;
    const QString format = TakeValue(args, QStringLiteral("--format"));
    if (!format.isNull() && format != QLatin1String("snippets") && format != QLatin1String("yaml") &&
        format != QLatin1String("json"))
        throw CliUsageError("--format takes snippets, yaml or json");
    if (args.size() != 1)
        throw CliUsageError("export takes one file");
    const QString target = args[0];
    const QString database = ProgramFolder::DatabasePath(context.home);
    const QString lead = QStringLiteral("Cannot export the snippets to \"%1\"");
    const AtomicFileWriter::Rules rules = CheckTarget(database, target, force, SnippetExport::kErrorSource, lead);
    if (format.isNull() || format == QLatin1String("snippets")) {
        SnippetExport::Export(database, target, force);
    } else {
        SnippetManager store;
        store.OpenSetFile(database);
        QList<ImportBatch::Entry> entries;
        for (const SnippetPtr& snippet : store.GetMatchedCol(QString()))
            entries.push_back({*snippet, QString()});
        AtomicFileWriter writer(target, rules, QString::fromLatin1(SnippetExport::kErrorSource), lead);
        writer.Write(PlainSnippetFile::Write(entries, format == QLatin1String("yaml") ? PlainSnippetFile::Syntax::Yaml
                                                                                     : PlainSnippetFile::Syntax::Json));
        writer.Commit();
    }
    context.out << "exported the snippets to " << target << Qt::endl;
    return 0;
}

int TransferCommands::Print(const CliContext& context)
{
    QStringList args = context.args;
    const bool force = args.removeAll(QStringLiteral("--force")) > 0;
    if (args.size() != 2 || args[0] != QLatin1String("--pdf"))
        throw CliUsageError("print takes --pdf and a file");
    const QString file = args[1];
    const QString database = ProgramFolder::DatabasePath(context.home);
    // Refused before the database is even opened.
    const AtomicFileWriter::Rules rules = CheckTarget(database, file, force, SnippetDR::kErrorSource,
                                                      QStringLiteral("Cannot write the snippet list to \"%1\""));
    SnippetManager store;
    store.OpenSetFile(database);
    int pages = 0;
    store.PrintSnippets([&](const SnippetCollection& rows) {
        SnippetDR report;
        report.InitDataSource(rows);
        pages = report.WritePdf(file, rules);
    });
    context.out << "wrote " << pages << (pages == 1 ? " page" : " pages") << " to " << file << Qt::endl;
    return 0;
}

int TransferCommands::Backups(const CliContext& context)
{
    const QStringList& args = context.args;
    SnippetBackups backups(ProgramFolder::DatabasePath(context.home), BackupsKeep(context));
    if (!args.isEmpty() && args[0] == QLatin1String("list") && args.size() <= 2 &&
        (args.size() == 1 || args[1] == QLatin1String("--json"))) {
        const QList<SnippetBackups::Backup> list = backups.List();
        if (args.size() == 2) {
            QJsonArray items;
            for (const SnippetBackups::Backup& b : list)
                items.append(QJsonObject{{"id", b.id}, {"made", b.made.toString(Qt::ISODate)}, {"reason", b.reason}});
            context.out << QJsonDocument(items).toJson(QJsonDocument::Compact) << Qt::endl;
            return 0;
        }
        if (list.isEmpty())
            context.out << "no backups yet in " << backups.Folder() << Qt::endl;
        for (const SnippetBackups::Backup& b : list)
            context.out << b.id << "  " << b.made.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) << "  " << b.reason
                        << Qt::endl;
        return 0;
    }
    if (args.size() == 2 && args[0] == QLatin1String("restore")) {
        const SnippetBackups::Backup before = backups.Restore(args[1]);
        context.out << "restored " << args[1] << "; what was there before is the backup " << before.id << Qt::endl;
        return 0;
    }
    throw CliUsageError("backups takes list [--json], or restore and a backup's id");
}

int TransferCommands::Sync(const CliContext& context)
{
    if (!context.args.isEmpty())
        throw CliUsageError("sync takes no arguments");
    OptionMgr options;
    options.LoadVars(ProgramFolder::SettingsPath(context.home));
    if (options.SyncFolder().isEmpty())
        throw CommandError(QStringLiteral("no sync folder is set: name one with Folder= in the [Sync] section of "
                                          "%1, or on the Options page")
                               .arg(ProgramFolder::SettingsPath(context.home)));
    SnippetManager store;
    store.OpenSetFile(ProgramFolder::DatabasePath(context.home));
    SnippetSync sync(store, options.SyncFolder(), options.EnsureSyncMachine(), options.BackupsKeep());
    const SnippetSync::Report report = sync.Merge();
    for (const QString& warning : report.warnings)
        context.err << "quillo: " << warning << Qt::endl;
    context.out << report.Summary() << Qt::endl;
    return 0;
}
