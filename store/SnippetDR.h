#pragma once

#include "core/AtomicFileWriter.h"
#include "store/Snippet.h"

#include <QRect>
#include <QString>

class QIODevice;
class QPageLayout;
class QPagedPaintDevice;
class QPainter;
class QPrinter;
class QWidget;

// The printed snippet list: a banded report drawn with QPainter. A title once
// at the start, column captions with a rule on every page, one block per
// snippet (abbreviation, and content wrapped in its box and cut where the box
// ends), and "Page N" at the foot of every page. Positions are in twips
// relative to their band, as the report was laid out.
class SnippetDR
{
public:
    static constexpr const char* kCaption = "Quillo Snippets";
    static constexpr const char* kErrorSource = "SnippetDR";
    static constexpr int kErrorCannotWrite = 1101;

    static constexpr int kTwipsPerInch = 1440;
    static constexpr int kTwipsPerPoint = 20;
    static constexpr int kMarginTwips = 1440; // every side of the page
    static constexpr const char* kFontFamily = "Arial";
    static constexpr int kTitlePoints = 12;
    static constexpr int kTextPoints = 9;
    static constexpr int kPdfResolution = 1200; // dots per inch of a written PDF

    // Band heights.
    static constexpr int kReportHeaderHeight = 810;
    static constexpr int kPageHeaderHeight = 510;
    static constexpr int kDetailHeight = 1335;
    static constexpr int kPageFooterHeight = 345;
    static constexpr int kReportFooterHeight = 300;

    // Elements within their bands.
    static constexpr QRect kTitleBox{2625, 195, 2595, 240};        // report header
    static constexpr QRect kAbbreviationCaption{555, 90, 1440, 240}; // page header
    static constexpr QRect kContentCaption{3435, 105, 873, 240};
    static constexpr int kHeaderRuleLeft = 15, kHeaderRuleTop = 405, kHeaderRuleWidth = 7995;
    static constexpr QRect kSnippetBox{585, 60, 1440, 240};         // detail
    static constexpr QRect kContentBox{3405, 60, 4530, 960};
    static constexpr int kDetailRuleLeft = 15, kDetailRuleTop = 1185, kDetailRuleWidth = 8025;
    static constexpr QRect kPageNumberBox{3090, 90, 885, 240};     // page footer

    // The rows to print, in the order given; the report keeps its own copies.
    void InitDataSource(const SnippetCollection& rows);
    int RowCount() const { return static_cast<int>(rows.size()); }

    // Draws every page on device, which is given the report's margins.
    // Returns the number of pages.
    int Render(QPagedPaintDevice& device) const;
    // The same pages as a PDF file on A4, written as a whole or not at all
    // (see AtomicFileWriter for what rules refuse); QuilloError naming the
    // file and the reason when it cannot be written. Returns the number of pages.
    int WritePdf(const QString& path, const AtomicFileWriter::Rules& rules) const;
    // The print preview, titled with the caption, modal over owner; the user
    // prints from it. Printing to a file follows WritePdf's rules: none of
    // protectedFiles is ever written. Returns when it is closed.
    void ShowPreview(QWidget* owner, const QStringList& protectedFiles) const;
    // What the preview's Print does with the printer the user set up: a
    // printer that writes a file gets the pages through WritePdf's rules (an
    // existing file is replaced: the print dialog has asked), any other
    // printer is drawn on directly. Returns the number of pages.
    int Print(QPrinter& printer, const QStringList& protectedFiles) const;

private:
    struct Page;
    int WritePdfTo(QIODevice& device, const QPageLayout& layout, int resolution) const;
    void DrawPageHeader(QPainter& painter, int top) const;
    void DrawPageFooter(QPainter& painter, int bottom, int pageNumber) const;
    void DrawDetail(QPainter& painter, int top, const Snippet& row) const;

    SnippetCollection rows;
};
