#include "app/TransferCommands.h"

#include "core/ProgramFolder.h"
#include "core/QuilloError.h"
#include "store/SnippetDR.h"
#include "store/SnippetExport.h"
#include "store/SnippetManager.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>

namespace {

QuilloError CommandError(const QString& message)
{
    return QuilloError(0, QStringLiteral("quillo"), message);
}

// Draws in this process when it can, else in the report writer beside the
// executable, on the offscreen platform.
int WritePdf(const CliContext& context, const QString& file)
{
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        SnippetManager store;
        store.OpenSetFile(ProgramFolder::DatabasePath(context.home));
        int pages = 0;
        store.PrintSnippets([&](const SnippetCollection& rows) {
            SnippetDR report;
            report.InitDataSource(rows);
            pages = report.WritePdf(file);
        });
        return pages;
    }
    const QString writer = QDir(QCoreApplication::applicationDirPath()).filePath(TransferCommands::kReportWriter);
    QProcess process;
    process.start(writer, {context.home, file});
    if (!process.waitForFinished(TransferCommands::kReportWriterTimeoutMs) ||
        process.exitStatus() != QProcess::NormalExit) {
        process.kill();
        process.waitForFinished();
        throw CommandError(QStringLiteral("cannot run the report writer %1: %2").arg(writer, process.errorString()));
    }
    if (process.exitCode() != 0)
        throw CommandError(QString::fromUtf8(process.readAllStandardError()).trimmed());
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed().toInt();
}

} // namespace

QList<CliCommand> TransferCommands::Commands()
{
    return {
        {QStringLiteral("import"), QStringLiteral("FILE"),
         QStringLiteral("add every snippet of the snippet file FILE"), &Import},
        {QStringLiteral("export"), QStringLiteral("[--force] FILE"),
         QStringLiteral("write all snippets to the snippet file FILE (--force: replace it)"), &Export},
        {QStringLiteral("print"), QStringLiteral("--pdf FILE"),
         QStringLiteral("write the printed snippet list to the PDF file FILE"), &Print},
    };
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
    // Nobody is asked on the command line, so nothing is replaced unasked.
    if (!force && QFileInfo::exists(target))
        throw CommandError(QStringLiteral("\"%1\" already exists; add --force to replace it").arg(target));
    SnippetExport::Export(ProgramFolder::DatabasePath(context.home), target);
    context.out << "exported the snippets to " << target << Qt::endl;
    return 0;
}

int TransferCommands::Print(const CliContext& context)
{
    if (context.args.size() != 2 || context.args[0] != QLatin1String("--pdf"))
        throw CliUsageError("print takes --pdf and a file");
    const QString file = context.args[1];
    const int pages = WritePdf(context, file);
    context.out << "wrote " << pages << (pages == 1 ? " page" : " pages") << " to " << file << Qt::endl;
    return 0;
}
