#include "app/cli/TransferCommands.h"

#include "core/ProgramFolder.h"
#include "core/QuilloError.h"
#include "store/SnippetDR.h"
#include "store/SnippetBackups.h"
#include "store/SnippetExport.h"
#include "store/SnippetManager.h"

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

} // namespace

QList<CliCommand> TransferCommands::Commands()
{
    return {
        {QStringLiteral("import"), QStringLiteral("FILE"),
         QStringLiteral("add every snippet of the snippet file FILE"), &Import},
        {QStringLiteral("export"), QStringLiteral("[--force] FILE"),
         QStringLiteral("write all snippets to the snippet file FILE (--force: replace it)"), &Export},
        {QStringLiteral("backups"), QStringLiteral("list [--json] | restore ID"),
         QStringLiteral("list the backups of the snippets, or put one back (the state before is backed up)"), &Backups},
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
    if (context.args.size() != 1)
        throw CliUsageError("import takes one snippet file");
    SnippetManager store;
    store.OpenSetFile(ProgramFolder::DatabasePath(context.home));
    const qsizetype before = store.GetMatchedCol(QString()).size();
    store.ImportSnippets(context.args[0]);
    const qsizetype added = store.GetMatchedCol(QString()).size() - before;
    context.out << "imported " << added << " snippets from " << context.args[0] << Qt::endl;
    return 0;
}

int TransferCommands::Export(const CliContext& context)
{
    QStringList args = context.args;
    const bool force = args.removeAll(QStringLiteral("--force")) > 0;
    if (args.size() != 1)
        throw CliUsageError("export takes one snippet file");
    const QString target = args[0];
    const QString database = ProgramFolder::DatabasePath(context.home);
    CheckTarget(database, target, force, SnippetExport::kErrorSource,
                QStringLiteral("Cannot export the snippets to \"%1\""));
    SnippetExport::Export(database, target, force);
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
    SnippetBackups backups(ProgramFolder::DatabasePath(context.home));
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
