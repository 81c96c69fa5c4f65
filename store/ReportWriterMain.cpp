// quillo-report HOME FILE: writes the printed snippet list of the program
// folder HOME to the PDF file FILE and prints the number of pages. Drawing
// text needs a GUI application object, which the command-line interface does
// not create; it runs this on the offscreen platform instead.
#include "core/QuilloError.h"
#include "store/SnippetDR.h"
#include "store/SnippetManager.h"
#include "core/ProgramFolder.h"

#include <QGuiApplication>
#include <QTextStream>

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (args.size() != 2) {
        err << "usage: quillo-report HOME FILE" << Qt::endl;
        return 2;
    }
    try {
        SnippetManager store;
        store.OpenSetFile(ProgramFolder::DatabasePath(args[0]));
        int pages = 0;
        store.PrintSnippets([&](const SnippetCollection& rows) {
            SnippetDR report;
            report.InitDataSource(rows);
            pages = report.WritePdf(args[1]);
        });
        out << pages << Qt::endl;
        return 0;
    } catch (const QuilloError& e) {
        err << e.Message() << Qt::endl;
    } catch (const std::exception& e) {
        err << e.what() << Qt::endl;
    }
    return 1;
}
