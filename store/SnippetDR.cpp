#include "store/SnippetDR.h"

#include "core/QuilloError.h"

#include <QBuffer>
#include <QFont>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QTextLayout>
#include <exception>

namespace {

constexpr int kRuleWidthTwips = 15; // one pixel at 96 dpi

QFont ReportFont(int points)
{
    // The painter works in twips, so the size is given in twips as well.
    QFont font(QString::fromLatin1(SnippetDR::kFontFamily));
    font.setPixelSize(points * SnippetDR::kTwipsPerPoint);
    return font;
}

QRect InBand(const QRect& box, int bandTop)
{
    return box.translated(0, bandTop);
}

// One line of text, cut at the box's edges.
void DrawLabel(QPainter& painter, const QRect& box, const QString& text)
{
    painter.save();
    painter.setClipRect(box);
    painter.drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
    painter.restore();
}

// Text wrapped to the box's width; lines that would cross the box's bottom
// are left out, as a fixed-size box in a report cuts its text.
void DrawWrapped(QPainter& painter, const QRect& box, QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QChar::LineSeparator);
    text.replace(QLatin1Char('\n'), QChar::LineSeparator);
    QTextLayout layout(text, painter.font(), painter.device());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    qreal y = 0;
    QList<QTextLine> fitting;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(box.width());
        if (y + line.height() > box.height())
            break;
        line.setPosition(QPointF(0, y));
        y += line.height();
        fitting << line;
    }
    layout.endLayout();
    painter.save();
    painter.setClipRect(box);
    for (const QTextLine& line : fitting)
        line.draw(&painter, box.topLeft());
    painter.restore();
}

void DrawRule(QPainter& painter, int left, int top, int width)
{
    painter.save();
    painter.setPen(QPen(Qt::black, kRuleWidthTwips));
    painter.drawLine(left, top, left + width, top);
    painter.restore();
}

void PrepareDevice(QPagedPaintDevice& device)
{
    const qreal margin = qreal(SnippetDR::kMarginTwips) / SnippetDR::kTwipsPerPoint;
    device.setPageMargins(QMarginsF(margin, margin, margin, margin), QPageLayout::Point);
}

} // namespace

void SnippetDR::InitDataSource(const SnippetCollection& source)
{
    rows.clear();
    rows.reserve(source.size());
    for (const SnippetPtr& row : source)
        rows.append(row->Clone());
}

int SnippetDR::Render(QPagedPaintDevice& device) const
{
    QPainter painter;
    if (!painter.begin(&device))
        throw QuilloError(kErrorCannotWrite, kErrorSource,
                          QStringLiteral("Cannot draw the snippet list: the printer or file refused it."));
    // Work in twips, as the report is laid out.
    const qreal scaleX = qreal(device.logicalDpiX()) / kTwipsPerInch;
    const qreal scaleY = qreal(device.logicalDpiY()) / kTwipsPerInch;
    painter.scale(scaleX, scaleY);
    const int pageHeight = qRound(device.height() / scaleY);
    const int footerTop = pageHeight - kPageFooterHeight;

    painter.setFont(ReportFont(kTitlePoints));
    DrawLabel(painter, kTitleBox, QString::fromLatin1(kCaption));
    int y = kReportHeaderHeight;
    int page = 1;
    DrawPageHeader(painter, y);
    y += kPageHeaderHeight;
    int detailsOnPage = 0;
    for (const SnippetPtr& row : rows) {
        // A page too short for even one block still gets one, rather than
        // an endless run of empty pages.
        if (y + kDetailHeight > footerTop && detailsOnPage > 0) {
            DrawPageFooter(painter, footerTop, page);
            device.newPage();
            ++page;
            y = 0;
            DrawPageHeader(painter, y);
            y += kPageHeaderHeight;
            detailsOnPage = 0;
        }
        DrawDetail(painter, y, *row);
        y += kDetailHeight;
        ++detailsOnPage;
    }
    // The report footer is empty: it takes no page of its own.
    DrawPageFooter(painter, footerTop, page);
    painter.end();
    return page;
}

void SnippetDR::DrawPageHeader(QPainter& painter, int top) const
{
    painter.setFont(ReportFont(kTextPoints));
    DrawLabel(painter, InBand(kAbbreviationCaption, top), QStringLiteral("Abbreviation"));
    DrawLabel(painter, InBand(kContentCaption, top), QStringLiteral("Content"));
    DrawRule(painter, kHeaderRuleLeft, top + kHeaderRuleTop, kHeaderRuleWidth);
}

void SnippetDR::DrawPageFooter(QPainter& painter, int top, int pageNumber) const
{
    painter.setFont(ReportFont(kTextPoints));
    DrawLabel(painter, InBand(kPageNumberBox, top), QStringLiteral("Page ") + QString::number(pageNumber));
}

void SnippetDR::DrawDetail(QPainter& painter, int top, const Snippet& row) const
{
    painter.setFont(ReportFont(kTextPoints));
    DrawLabel(painter, InBand(kSnippetBox, top), row.snippetString);
    DrawWrapped(painter, InBand(kContentBox, top), row.contentString);
    DrawRule(painter, kDetailRuleLeft, top + kDetailRuleTop, kDetailRuleWidth);
}

int SnippetDR::WritePdfTo(QIODevice& device, const QPageLayout& layout, int resolution) const
{
    QPdfWriter writer(&device);
    writer.setTitle(QString::fromLatin1(kCaption));
    writer.setResolution(resolution);
    writer.setPageLayout(layout);
    const int pages = Render(writer);
    return pages;
}

int SnippetDR::WritePdf(const QString& path, const AtomicFileWriter::Rules& rules) const
{
    const QString lead = QStringLiteral("Cannot write the snippet list to \"%1\"");
    AtomicFileWriter file(path, rules, QString::fromLatin1(kErrorSource), lead);
    // The document is made in memory first: the PDF writer reports no write
    // errors, so the bytes go to the file through a writer that does.
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QPageLayout layout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF());
    const qreal margin = qreal(kMarginTwips) / kTwipsPerPoint;
    layout.setUnits(QPageLayout::Point);
    layout.setMargins(QMarginsF(margin, margin, margin, margin));
    const int pages = WritePdfTo(buffer, layout, kPdfResolution);
    buffer.close();
    file.Write(buffer.data());
    file.Commit();
    return pages;
}

int SnippetDR::Print(QPrinter& printer, const QStringList& protectedFiles) const
{
    // While the preview is drawn the printer paints into pictures; only the
    // real print may write the file the user chose.
    const bool previewing = printer.paintEngine() && printer.paintEngine()->type() == QPaintEngine::Picture;
    if (previewing || printer.outputFileName().isEmpty())
        return Render(printer);
    AtomicFileWriter::Rules rules;
    rules.protectedFiles = protectedFiles;
    rules.replaceExisting = true;
    const QString path = printer.outputFileName();
    AtomicFileWriter file(path, rules, QString::fromLatin1(kErrorSource),
                          QStringLiteral("Cannot write the snippet list to \"%1\""));
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    const int pages = WritePdfTo(buffer, printer.pageLayout(), printer.resolution());
    buffer.close();
    file.Write(buffer.data());
    file.Commit();
    return pages;
}

void SnippetDR::ShowPreview(QWidget* owner, const QStringList& protectedFiles) const
{
    QPrinter printer(QPrinter::HighResolution);
    PrepareDevice(printer);
    QPrintPreviewDialog dialog(&printer, owner);
    dialog.setWindowTitle(QString::fromLatin1(kCaption));
    dialog.setWindowModality(Qt::ApplicationModal);
    // No exception may cross Qt's event loop: keep it for after the dialog.
    std::exception_ptr failure;
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [this, &failure, &protectedFiles](QPrinter* target) {
                         try {
                             Print(*target, protectedFiles);
                         } catch (...) {
                             failure = std::current_exception();
                         }
                     });
    dialog.exec();
    if (failure)
        std::rethrow_exception(failure);
}
