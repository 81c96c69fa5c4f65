#pragma once

#include "ui/CKeyHandel.h"

#include <QList>
#include <QObject>

// An invisible layout table of columns and rows whose cells refer to controls
// of one container. Rearrange moves each referenced control to the top-left
// corner of its cell and stamps its Tag "column|row", so the cell of a
// control can be found from the control alone; then it reports the table's
// size. Geometry is in the container's units (twips). The grid never creates,
// shows, resizes or destroys a control.
//
// Rows and columns are numbered from 1 and are positions: inserting or
// deleting a row renumbers those below it, and a Tag catches up at the next
// Rearrange. A row or column outside the table, or a Tag that is not two
// numbers joined by "|", is a QuilloError (source "MRGrid").
class MRGrid : public QObject
{
    Q_OBJECT
public:
    static constexpr const char* kErrorSource = "MRGrid";
    static constexpr int kErrorBadRow = 2001;
    static constexpr int kErrorBadColumn = 2002;
    static constexpr int kErrorBadTag = 2003;
    static constexpr int kErrorOverflow = 2004;
    static constexpr int kAppendRow = -1; // addRow: at the bottom
    static constexpr int kFirstRow = 0;   // addRow: before row 1

    explicit MRGrid(QObject* parent = nullptr);

    int rowCount() const { return int(rowHeights.size()); }
    int colCount() const { return int(colWidths.size()); }

    int Init(qint32 X, qint32 Y);
    int addCol(qint32 width);
    int addRow(int rowNum, qint32 height);
    int delRow(int rowNum);
    int appendControl(QWidget* appCtrl, int colNum, int rowNum);
    QWidget* releaseControl(int colNum, int rowNum);
    QWidget* getControl(int colNum, int rowNum) const;
    QList<QWidget*> getColControls(int colNum) const;
    QList<QWidget*> getRowControls(int rowNum) const;
    static int getControlColNum(const QWidget* objctrl);
    static int getControlRowNum(const QWidget* objctrl);
    int resizeRowHeight(int rowNum, qint32 height);
    int Rearrange();

    qint32 RowHeight(int rowNum) const;
    // The top of row rowNum relative to the origin: the heights above it.
    qint64 RowOffset(int rowNum) const;

    // The stamp of cell (colNum, rowNum): "1|3" for column 1, row 3.
    static QString CellTag(int colNum, int rowNum);
    // The Tag of any widget: a control's own Tag, else a widget property.
    static QString TagOf(const QWidget* control);
    static void SetTagOf(QWidget* control, const QString& tag);

signals:
    void Resize(qint32& width, qint32& height);

private:
    void CheckRow(int rowNum) const;
    void CheckColumn(int colNum) const;
    static QStringList TagParts(const QWidget* objctrl);

    qint32 originX = 0;
    qint32 originY = 0;
    QList<qint32> rowHeights;
    QList<qint32> colWidths;
    QList<QList<CKeyHandel>> columnCells;
};
