#include "ui/MRGrid.h"

#include "controls/QKUserControl.h"
#include "controls/Twips.h"
#include "core/QuilloError.h"

#include <limits>

namespace {

constexpr const char* kTagProperty = "Tag";
constexpr QChar kTagSeparator = QLatin1Char('|');

qint32 CheckedSum(qint64 sum)
{
    if (sum > std::numeric_limits<qint32>::max() || sum < std::numeric_limits<qint32>::min())
        throw QuilloError(MRGrid::kErrorOverflow, MRGrid::kErrorSource,
                          QStringLiteral("The grid is too large: its size does not fit in 32 bits."));
    return qint32(sum);
}

} // namespace

MRGrid::MRGrid(QObject* parent) : QObject(parent) {}

int MRGrid::Init(qint32 X, qint32 Y)
{
    rowHeights = {};
    colWidths = {};
    columnCells = {};
    originX = X;
    originY = Y;
    return 0;
}

int MRGrid::addCol(qint32 width)
{
    colWidths.append(width);
    columnCells.append(QList<CKeyHandel>());
    return 0;
}

int MRGrid::addRow(int rowNum, qint32 height)
{
    if (rowNum < kAppendRow || rowNum > rowCount())
        throw QuilloError(kErrorBadRow, kErrorSource,
                          QStringLiteral("Cannot add a row after row %1: the grid has %2 rows.")
                              .arg(rowNum).arg(rowCount()));
    // -1 appends; 0 goes before row 1; n goes after row n, so at index n.
    const int at = rowNum == kAppendRow ? rowCount() : rowNum;
    rowHeights.insert(at, height);
    for (QList<CKeyHandel>& cells : columnCells)
        cells.insert(qMin(at, int(cells.size())), CKeyHandel());
    return 0;
}

int MRGrid::delRow(int rowNum)
{
    CheckRow(rowNum);
    rowHeights.removeAt(rowNum - 1);
    for (QList<CKeyHandel>& cells : columnCells)
        if (rowNum <= cells.size())
            cells.removeAt(rowNum - 1);
    return rowCount();
}

int MRGrid::appendControl(QWidget* appCtrl, int colNum, int rowNum)
{
    CheckColumn(colNum);
    CheckRow(rowNum);
    columnCells[colNum - 1][rowNum - 1].setObj(appCtrl);
    return 0;
}

QWidget* MRGrid::releaseControl(int colNum, int rowNum)
{
    CheckColumn(colNum);
    CheckRow(rowNum);
    columnCells[colNum - 1][rowNum - 1].setObj(nullptr);
    return nullptr;
}

QWidget* MRGrid::getControl(int colNum, int rowNum) const
{
    CheckColumn(colNum);
    CheckRow(rowNum);
    return columnCells[colNum - 1][rowNum - 1].getObj();
}

QList<QWidget*> MRGrid::getColControls(int colNum) const
{
    CheckColumn(colNum);
    QList<QWidget*> controls;
    for (const CKeyHandel& cell : columnCells[colNum - 1])
        if (QWidget* control = cell.getObj())
            controls.append(control);
    return controls;
}

QList<QWidget*> MRGrid::getRowControls(int rowNum) const
{
    CheckRow(rowNum);
    QList<QWidget*> controls;
    for (const QList<CKeyHandel>& cells : columnCells)
        if (rowNum <= cells.size())
            if (QWidget* control = cells[rowNum - 1].getObj())
                controls.append(control);
    return controls;
}

QStringList MRGrid::TagParts(const QWidget* objctrl)
{
    const QString tag = objctrl ? TagOf(objctrl) : QString();
    const QStringList parts = tag.split(kTagSeparator);
    bool columnOk = false;
    bool rowOk = false;
    if (parts.size() == 2) {
        parts[0].toInt(&columnOk);
        parts[1].toInt(&rowOk);
    }
    if (!columnOk || !rowOk)
        throw QuilloError(kErrorBadTag, kErrorSource,
                          QStringLiteral("The control's Tag \"%1\" names no grid cell.").arg(tag));
    return parts;
}

int MRGrid::getControlColNum(const QWidget* objctrl)
{
    return TagParts(objctrl)[0].toInt();
}

int MRGrid::getControlRowNum(const QWidget* objctrl)
{
    return TagParts(objctrl)[1].toInt();
}

int MRGrid::resizeRowHeight(int rowNum, qint32 height)
{
    CheckRow(rowNum);
    // Removing and inserting at the same position keeps the row where it is.
    rowHeights[rowNum - 1] = height;
    return 0;
}

int MRGrid::Rearrange()
{
    qint64 x = 0;
    qint64 widest = 0;
    qint64 deepest = 0;
    for (int i = 0; i < colCount(); ++i) {
        qint64 y = 0;
        const QList<CKeyHandel>& cells = columnCells[i];
        for (int j = 0; j < cells.size(); ++j) {
            if (QWidget* control = cells[j].getObj()) {
                const double left = double(CheckedSum(originX + x));
                const double top = double(CheckedSum(originY + y));
                if (auto* userControl = qobject_cast<QKUserControl*>(control))
                    userControl->Move(left, top);
                else
                    Twips::Move(control, left, top);
                SetTagOf(control, CellTag(i + 1, j + 1));
            }
            y = CheckedSum(y + rowHeights.value(j));
            deepest = qMax(deepest, y);
        }
        x = CheckedSum(x + colWidths[i]);
        widest = qMax(widest, x);
    }
    qint32 width = qint32(widest);
    qint32 height = qint32(deepest);
    emit Resize(width, height);
    return 0;
}

qint32 MRGrid::RowHeight(int rowNum) const
{
    CheckRow(rowNum);
    return rowHeights[rowNum - 1];
}

qint64 MRGrid::RowOffset(int rowNum) const
{
    CheckRow(rowNum);
    qint64 offset = 0;
    for (int j = 0; j < rowNum - 1; ++j)
        offset += rowHeights[j];
    return offset;
}

QString MRGrid::CellTag(int colNum, int rowNum)
{
    return QString::number(colNum) + kTagSeparator + QString::number(rowNum);
}

QString MRGrid::TagOf(const QWidget* control)
{
    if (auto* userControl = qobject_cast<const QKUserControl*>(control))
        return userControl->Tag();
    return control->property(kTagProperty).toString();
}

void MRGrid::SetTagOf(QWidget* control, const QString& tag)
{
    if (auto* userControl = qobject_cast<QKUserControl*>(control))
        userControl->SetTag(tag);
    else
        control->setProperty(kTagProperty, tag);
}

void MRGrid::CheckRow(int rowNum) const
{
    if (rowNum < 1 || rowNum > rowCount())
        throw QuilloError(kErrorBadRow, kErrorSource,
                          QStringLiteral("Row %1 does not exist: the grid has %2 rows.").arg(rowNum).arg(rowCount()));
}

void MRGrid::CheckColumn(int colNum) const
{
    if (colNum < 1 || colNum > colCount())
        throw QuilloError(kErrorBadColumn, kErrorSource,
                          QStringLiteral("Column %1 does not exist: the grid has %2 columns.")
                              .arg(colNum).arg(colCount()));
}
