#pragma once

#include "store/Snippet.h"

#include <QRect>
#include <QString>

class QPagedPaintDevice;
class QPainter;
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
    // The same pages as a PDF file on A4; QuilloError when the file cannot be
    // written. Returns the number of pages.
    int WritePdf(const QString& path) const;
    // The print preview, titled with the caption, modal over owner; the user
    // prints from it. Returns when it is closed.
    void ShowPreview(QWidget* owner) const;

private:
    struct Page;
    void DrawPageHeader(QPainter& painter, int top) const;
    void DrawPageFooter(QPainter& painter, int bottom, int pageNumber) const;
    void DrawDetail(QPainter& painter, int top, const Snippet& row) const;

    SnippetCollection rows;
};
