#include "TransferTestSupport.h"
#include "core/QuilloError.h"
#include "store/SnippetDR.h"
#include "store/SnippetExport.h"

#include <QApplication>
#include <QDir>
#include <QPrinter>
#include <QPrintPreviewDialog>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <SQLiteCpp/Transaction.h>
#include <gtest/gtest.h>

namespace {

// The text of every page of a PDF, as pdftotext lays it out.
QStringList PdfPages(const QString& pdf)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    EXPECT_TRUE(process.waitForFinished()) << "pdftotext (package poppler-utils) did not run";
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    QStringList pages = QString::fromUtf8(process.readAllStandardOutput()).split(QLatin1Char('\f'));
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

struct PrintedList
{
    QTemporaryDir dir;
    int pageCount = 0;
    QStringList pages;

    explicit PrintedList(SnippetManager& store)
    {
        const QString pdf = dir.filePath("list.pdf");
        store.PrintSnippets([&](const SnippetCollection& rows) {
            SnippetDR report;
            report.InitDataSource(rows);
            pageCount = report.WritePdf(pdf, {});
        });
        pages = PdfPages(pdf);
    }
    QString All() const { return pages.join(QLatin1Char('\n')); }
};

// Title once on the first page; captions and the page number on every page.
void ExpectFrame(const PrintedList& printed)
{
    ASSERT_EQ(printed.pages.size(), printed.pageCount);
    EXPECT_EQ(printed.All().count("Quillo Snippets"), 1);
    EXPECT_TRUE(printed.pages.first().contains("Quillo Snippets"));
    for (int i = 0; i < printed.pages.size(); ++i) {
        const QString& page = printed.pages[i];
        EXPECT_TRUE(page.contains("Abbreviation")) << "page " << i + 1;
        EXPECT_TRUE(page.contains("Content")) << "page " << i + 1;
        EXPECT_TRUE(page.contains(QStringLiteral("Page %1").arg(i + 1))) << page.toStdString();
    }
}

} // namespace

TEST(SnippetReport, AnEmptyListHasTitleCaptionsAndPageNumberOnly)
{
    OpenStore s(false);
    const PrintedList printed(s.store);
    EXPECT_EQ(printed.pageCount, 1);
    ExpectFrame(printed);
    QString rest = printed.All();
    for (const char* expected : {"Quillo Snippets", "Abbreviation", "Content", "Page 1"})
        rest.remove(QLatin1String(expected));
    EXPECT_TRUE(rest.trimmed().isEmpty()) << rest.toStdString();
}

TEST(SnippetReport, OneSnippetShowsItsAbbreviationAndWrappedContent)
{
    OpenStore s(false);
    s.Add("sig", "Best regards from a rather long line of text that must wrap inside its box somewhere");
    const PrintedList printed(s.store);
    EXPECT_EQ(printed.pageCount, 1);
    ExpectFrame(printed);
    const QString text = printed.All().simplified();
    EXPECT_TRUE(text.contains("sig"));
    EXPECT_TRUE(text.contains("Best regards"));
    EXPECT_TRUE(text.contains("somewhere"));
}

TEST(SnippetReport, ContentLongerThanItsBoxIsCutAtTheBox)
{
    OpenStore s(false);
    QStringList lines;
    for (int i = 1; i <= 30; ++i)
        lines << QStringLiteral("line%1").arg(i, 2, 10, QLatin1Char('0'));
    s.Add("long", lines.join("\r\n"));
    s.Add("next", "after the long one");
    const PrintedList printed(s.store);
    const QString text = printed.All();
    EXPECT_TRUE(text.contains("line01"));
    EXPECT_FALSE(text.contains("line30"));
    EXPECT_TRUE(text.contains("after the long one"));
}

TEST(SnippetReport, TwoHundredSnippetsKeepTheTableOrderOverPages)
{
    OpenStore s(false);
    QStringList added;
    {
        SQLite::Database direct(s.folder.DatabasePath().toStdString(), SQLite::OPEN_READWRITE);
        SQLite::Transaction transaction(direct);
        SQLite::Statement insert(direct, "insert into snippets (snippet, content, guid) values (?, ?, ?)");
        for (int i = 0; i < 200; ++i) {
            // Added out of alphabetical order, so a sort would show.
            const QString abbreviation = QStringLiteral("k%1").arg((i * 37) % 200, 3, 10, QLatin1Char('0'));
            insert.bind(1, abbreviation.toStdString());
            insert.bind(2, QStringLiteral("content of %1").arg(abbreviation).toStdString());
            insert.bind(3, abbreviation.toStdString());
            insert.exec();
            insert.reset();
            added << abbreviation;
        }
        transaction.commit();
    }
    s.store.ChangeSortMethod(2);
    ASSERT_NE(s.store.GetSnippetCollection().first()->snippetString, added.first());

    const PrintedList printed(s.store);
    EXPECT_GT(printed.pageCount, 1);
    ExpectFrame(printed);
    QStringList found;
    static const QRegularExpression abbreviation(QStringLiteral("\\bk\\d{3}\\b"));
    for (const QString& page : printed.pages)
        for (const QString& line : page.split(QLatin1Char('\n'))) {
            // The first on a line is the abbreviation; the content repeats it.
            const QRegularExpressionMatch match = abbreviation.match(line);
            if (match.hasMatch())
                found << match.captured();
        }
    EXPECT_EQ(found, added);
}

TEST(SnippetReport, AFileThatCannotBeWrittenIsAnError)
{
    SnippetDR report;
    try {
        report.WritePdf(QStringLiteral("/no/such/folder/list.pdf"), {});
        ADD_FAILURE() << "no error";
    } catch (const QuilloError& e) {
        EXPECT_TRUE(e.Message().contains("/no/such/folder/list.pdf"));
    }
}

TEST(SnippetReport, ThePreviewIsAModalWindowTitledWithTheCaption)
{
    OpenStore s;
    SnippetDR report;
    report.InitDataSource(s.store.GetSnippetCollection());
    QString title;
    bool modal = false;
    bool found = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QPrintPreviewDialog*>(QApplication::activeModalWidget());
        if (dialog) {
            found = true;
            title = dialog->windowTitle();
            modal = dialog->isModal();
            dialog->reject();
        }
    });
    report.ShowPreview(nullptr, {});
    ASSERT_TRUE(found);
    EXPECT_EQ(title, "Quillo Snippets");
    EXPECT_TRUE(modal);
}

// The preview's Print to a file obeys the same rules as the command line:
// never the database, a whole file or none, the old one kept on failure.
TEST(SnippetReport, PrintingToAFileFromThePreviewNeverWritesTheDatabase)
{
    OpenStore s;
    SnippetDR report;
    report.InitDataSource(s.store.GetSnippetCollection());
    const QStringList database = SnippetExport::DatabaseFiles(s.folder.DatabasePath());
    const QStringList before = s.Dump();
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(s.folder.DatabasePath());
    try {
        report.Print(printer, database);
        ADD_FAILURE() << "printed over the database";
    } catch (const QuilloError& e) {
        EXPECT_TRUE(e.Message().contains("snippet database itself")) << e.Message().toStdString();
    }
    EXPECT_EQ(s.Dump(), before);

    QTemporaryDir dir;
    const QString pdf = dir.filePath("printed.pdf");
    printer.setOutputFileName(pdf);
    EXPECT_EQ(report.Print(printer, database), 1);
    EXPECT_TRUE(PdfPages(pdf).join("").contains("Best regards"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"printed.pdf"}));
}
