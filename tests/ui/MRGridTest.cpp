#include "core/QuilloError.h"
#include "controls/Twips.h"
#include "ui/MRGrid.h"

#include <QWidget>
#include <gtest/gtest.h>
#include <memory>

namespace {

struct GridWithControls : ::testing::Test
{
    QWidget container;
    MRGrid grid;
    QList<QWidget*> controls;
    QList<std::pair<qint32, qint32>> resizes;

    GridWithControls()
    {
        QObject::connect(&grid, &MRGrid::Resize, &grid,
                         [this](qint32& width, qint32& height) { resizes.append({width, height}); });
    }
    QWidget* Control()
    {
        controls.append(new QWidget(&container));
        return controls.last();
    }
    QString TagOf(QWidget* control) { return MRGrid::TagOf(control); }
};

TEST_F(GridWithControls, IsEmptyUntilInitAndInitDropsEverything)
{
    EXPECT_EQ(grid.rowCount(), 0);
    EXPECT_EQ(grid.colCount(), 0);
    grid.Init(0, 0);
    grid.addCol(100);
    grid.addRow(-1, 10);
    grid.Init(5, 5);
    EXPECT_EQ(grid.rowCount(), 0);
    EXPECT_EQ(grid.colCount(), 0);
}

TEST_F(GridWithControls, AddRowAtZeroCreatesRowOneOrPushesEveryRowDown)
{
    grid.Init(0, 0);
    grid.addCol(100);
    grid.addRow(0, 10);
    ASSERT_EQ(grid.rowCount(), 1);
    QWidget* first = Control();
    grid.appendControl(first, 1, 1);
    grid.addRow(0, 20);
    EXPECT_EQ(grid.rowCount(), 2);
    EXPECT_EQ(grid.getControl(1, 2), first);
    EXPECT_EQ(grid.getControl(1, 1), nullptr);
    EXPECT_EQ(grid.RowHeight(1), 20);
    EXPECT_EQ(grid.RowHeight(2), 10);
}

TEST_F(GridWithControls, AddRowAfterARowRenumbersBelowButTagsWaitForRearrange)
{
    grid.Init(0, 0);
    grid.addCol(100);
    QList<QWidget*> rows;
    for (int i = 1; i <= 3; ++i) {
        grid.addRow(-1, 100 * i);
        rows << Control();
        grid.appendControl(rows.last(), 1, i);
    }
    grid.Rearrange();
    EXPECT_EQ(TagOf(rows[2]), "1|3");
    grid.addRow(2, 50);
    EXPECT_EQ(grid.getControl(1, 3), nullptr);
    EXPECT_EQ(grid.getControl(1, 4), rows[2]);
    EXPECT_EQ(grid.RowHeight(3), 50);
    EXPECT_EQ(TagOf(rows[2]), "1|3");
    grid.Rearrange();
    EXPECT_EQ(TagOf(rows[2]), "1|4");
    EXPECT_EQ(MRGrid::getControlRowNum(rows[2]), 4);
    EXPECT_EQ(MRGrid::getControlColNum(rows[2]), 1);
}

TEST_F(GridWithControls, DelRowReturnsRowsLeftAndLeavesControlsAlone)
{
    grid.Init(0, 0);
    grid.addCol(100);
    grid.addRow(-1, 10);
    grid.addRow(-1, 20);
    QWidget* control = Control();
    grid.appendControl(control, 1, 2);
    EXPECT_EQ(grid.delRow(1), 1);
    EXPECT_EQ(grid.getControl(1, 1), control);
    EXPECT_EQ(grid.delRow(1), 0);
    EXPECT_EQ(controls.size(), 1);
}

TEST_F(GridWithControls, ResizeRowHeightKeepsTheRowsPlace)
{
    grid.Init(0, 0);
    grid.addCol(100);
    grid.addRow(-1, 10);
    grid.resizeRowHeight(1, 77);
    EXPECT_EQ(grid.rowCount(), 1);
    EXPECT_EQ(grid.RowHeight(1), 77);
    grid.addRow(-1, 20);
    grid.addRow(-1, 30);
    grid.resizeRowHeight(2, 99);
    EXPECT_EQ(grid.RowHeight(1), 77);
    EXPECT_EQ(grid.RowHeight(2), 99);
    EXPECT_EQ(grid.RowHeight(3), 30);
}

TEST_F(GridWithControls, RearrangePlacesAtOriginPlusSumsAndReportsSizeOnce)
{
    grid.Init(10, 10);
    grid.addCol(4000);
    grid.addRow(-1, 450);
    grid.addRow(-1, 1425);
    QWidget* first = Control();
    QWidget* second = Control();
    grid.appendControl(first, 1, 1);
    grid.appendControl(second, 1, 2);
    grid.Rearrange();
    EXPECT_EQ(Twips::Geometry(first).topLeft(), QPointF(10, 10));
    EXPECT_EQ(Twips::Geometry(second).topLeft(), QPointF(10, 460));
    ASSERT_EQ(resizes.size(), 1);
    EXPECT_EQ(resizes[0], std::make_pair(4000, 1875));
}

TEST_F(GridWithControls, ColumnsAddUpAndEmptyCellsKeepTheirSpace)
{
    grid.Init(0, 0);
    grid.addCol(100);
    grid.addCol(200);
    grid.addRow(-1, 30);
    grid.addRow(-1, 40);
    QWidget* right = Control();
    grid.appendControl(right, 2, 2);
    grid.Rearrange();
    EXPECT_EQ(Twips::Geometry(right).topLeft(), QPointF(100, 30));
    EXPECT_EQ(resizes.last(), std::make_pair(300, 70));
    EXPECT_EQ(TagOf(right), "2|2");
    EXPECT_EQ(grid.getRowControls(1), QList<QWidget*>());
    EXPECT_EQ(grid.getRowControls(2), QList<QWidget*>{right});
    EXPECT_EQ(grid.getColControls(2), QList<QWidget*>{right});
}

TEST_F(GridWithControls, RearrangeWithoutRowsOrColumns)
{
    grid.Init(0, 0);
    grid.Rearrange();
    EXPECT_EQ(resizes.last(), std::make_pair(0, 0));
    grid.addCol(4000);
    grid.addCol(10);
    grid.Rearrange();
    EXPECT_EQ(resizes.last(), std::make_pair(4010, 0));
}

TEST_F(GridWithControls, ReleaseControlEmptiesTheCellButKeepsTheRow)
{
    grid.Init(0, 0);
    grid.addCol(100);
    grid.addRow(-1, 30);
    grid.addRow(-1, 40);
    QWidget* top = Control();
    QWidget* bottom = Control();
    grid.appendControl(top, 1, 1);
    grid.appendControl(bottom, 1, 2);
    EXPECT_EQ(grid.releaseControl(1, 1), nullptr);
    grid.Rearrange();
    EXPECT_EQ(grid.rowCount(), 2);
    EXPECT_EQ(Twips::Geometry(bottom).top(), 30);
    EXPECT_EQ(grid.getColControls(1), QList<QWidget*>{bottom});
}

TEST_F(GridWithControls, BadRowsColumnsAndTagsAreErrors)
{
    grid.Init(0, 0);
    grid.addCol(100);
    grid.addRow(-1, 30);
    QWidget* control = Control();
    EXPECT_THROW(grid.appendControl(control, 1, 2), QuilloError);
    EXPECT_THROW(grid.appendControl(control, 2, 1), QuilloError);
    EXPECT_THROW(grid.getControl(1, -1), QuilloError);
    EXPECT_THROW(grid.delRow(0), QuilloError);
    EXPECT_THROW(grid.delRow(-1), QuilloError);
    EXPECT_THROW(grid.addRow(2, 10), QuilloError);
    EXPECT_THROW(grid.addRow(-2, 10), QuilloError);
    EXPECT_THROW(grid.resizeRowHeight(2, 10), QuilloError);
    EXPECT_THROW(grid.getRowControls(0), QuilloError);
    EXPECT_EQ(grid.rowCount(), 1);
    for (const char* tag : {"", "1", "1|", "a|2", "1|2|3", "|3"}) {
        MRGrid::SetTagOf(control, QString::fromLatin1(tag));
        EXPECT_THROW(MRGrid::getControlRowNum(control), QuilloError) << tag;
    }
    MRGrid::SetTagOf(control, "12|345");
    EXPECT_EQ(MRGrid::getControlColNum(control), 12);
    EXPECT_EQ(MRGrid::getControlRowNum(control), 345);
}

TEST_F(GridWithControls, SizesBeyondThirtyTwoBitsAreAnError)
{
    grid.Init(0, 0);
    grid.addCol(100);
    grid.addRow(-1, 2000000000);
    grid.addRow(-1, 2000000000);
    EXPECT_THROW(grid.Rearrange(), QuilloError);
}

} // namespace
