#include "gui/grid_view.h"

#include <gtest/gtest.h>

#include <QHeaderView>
#include <QTest>
#include <vector>

namespace quiremark::gui {
namespace {

using controls::Grid;

struct MouseCall {
  bool down;
  int button, shift, row;
};

// The file grid as the start-up lays it out: a header row and three files.
class FileGridView : public ::testing::Test {
 protected:
  void SetUp() override {
    grid.SetFormatString("^Nr|> Filnamn|^ Bokmärke|Fildatum");
    grid.SetRows(4);
    for (int row = 1; row < 4; ++row) grid.SetTextMatrix(row, 1, "A-40-0" + std::to_string(row) + ".plt");
    grid.Move(0, 0, 9000, 3000);
    grid.onMouseDown = [this](int button, int shift, float, float) {
      calls.push_back({true, button, shift, grid.mouseRow()});
    };
    grid.onMouseUp = [this](int button, int shift, float, float) {
      calls.push_back({false, button, shift, grid.mouseRow()});
    };
    view = std::make_unique<GridView>(grid, GridView::Kind::Table);
    view->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
  }

  QPoint CentreOf(int gridRow, int col = 1) const {
    return view->visualRect(view->tableModel().index(view->tableModel().ViewRow(gridRow), col)).center();
  }

  Grid grid{"fgFiles", 1, 4};
  std::unique_ptr<GridView> view;
  std::vector<MouseCall> calls;
};

TEST_F(FileGridView, ShowsTheHeaderRowAsHeaderAndTheFilesAsRows) {
  EXPECT_EQ(view->model()->rowCount(), 3);
  EXPECT_EQ(view->model()->headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral(" Filnamn"));
  EXPECT_EQ(view->model()->data(view->model()->index(1, 1)).toString(), QStringLiteral("A-40-02.plt"));
}

TEST_F(FileGridView, AClickOnARowReportsThatRowDownAndUp) {
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, CentreOf(2));
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_TRUE(calls[0].down);
  EXPECT_EQ(calls[0].row, 2);
  EXPECT_EQ(calls[0].button, 1);
  EXPECT_FALSE(calls[1].down);
  EXPECT_EQ(calls[1].row, 2);
  EXPECT_EQ(grid.row(), 2);
  EXPECT_EQ(grid.selectedRows(), 1);
  EXPECT_EQ(grid.SelectedRow(0), 2);
}

TEST_F(FileGridView, HeaderReportsRowZeroAndEmptySpaceNoRow) {
  QTest::mouseClick(view->horizontalHeader()->viewport(), Qt::LeftButton, {}, QPoint(20, 5));
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[1].row, 0);
  calls.clear();
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, QPoint(20, view->viewport()->height() - 3));
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_LT(calls[1].row, 0);
}

TEST_F(FileGridView, CtrlClicksBuildASelectionThatARightClickOnItKeeps) {
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, CentreOf(1));
  QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::ControlModifier, CentreOf(3));
  EXPECT_EQ(calls[3].shift, 2);
  int selectedAtPress = 0;
  grid.onMouseDown = [&](int, int, float, float) { selectedAtPress = grid.selectedRows(); };
  QTest::mouseClick(view->viewport(), Qt::RightButton, {}, CentreOf(3));
  ASSERT_EQ(calls.size(), 5u);
  EXPECT_EQ(calls[4].button, 2);
  EXPECT_EQ(calls[4].row, 3);
  EXPECT_EQ(selectedAtPress, 2);
  ASSERT_EQ(grid.selectedRows(), 2);
  EXPECT_EQ(grid.SelectedRow(0), 1);
  EXPECT_EQ(grid.SelectedRow(1), 3);
  // Outside the selection the row becomes the selection before the press is told.
  QTest::mouseClick(view->viewport(), Qt::RightButton, {}, CentreOf(2));
  EXPECT_EQ(selectedAtPress, 1);
  ASSERT_EQ(grid.selectedRows(), 1);
  EXPECT_EQ(grid.SelectedRow(0), 2);
}

TEST_F(FileGridView, ColumnWidthsFlowBothWays) {
  grid.SetColWidth(2, 3000);
  EXPECT_EQ(view->columnWidth(2), 200);
  view->horizontalHeader()->resizeSection(1, 150);  // what a drag of the column edge does
  EXPECT_EQ(grid.ColWidth(1), 2250);
}

TEST_F(FileGridView, FollowsTheGridsSelectionColoursAndRows) {
  grid.SetRowSelected(3, true);
  EXPECT_TRUE(view->selectionModel()->isRowSelected(2, {}));
  grid.SetCellBackColor(1, 0, 1, 3, controls::Rgb(255, 0, 0));
  EXPECT_EQ(view->model()->data(view->model()->index(0, 2), Qt::BackgroundRole).value<QBrush>().color(), QColor(Qt::red));
  grid.AddItem("\tB-10.plt");
  EXPECT_EQ(view->model()->rowCount(), 4);
  EXPECT_EQ(view->model()->data(view->model()->index(3, 1)).toString(), QStringLiteral("B-10.plt"));
}

TEST_F(FileGridView, RedrawOffKeepsTheViewStillAndSafeUntilSwitchedOn) {
  grid.SetRedraw(controls::kRedrawOff);
  grid.SetRows(2);  // the view is not told yet
  EXPECT_EQ(view->verticalHeader()->count(), 3);
  view->repaint();  // paints rows the grid no longer has
  EXPECT_FALSE(view->model()->data(view->model()->index(2, 1)).isValid());
  grid.SetRedraw(controls::kRedrawOn);
  EXPECT_EQ(view->verticalHeader()->count(), 1);
}

TEST_F(FileGridView, KeysReachKeyDownAndKeyPress) {
  std::vector<int> down, press;
  grid.onKeyDown = [&](int& key, int) { down.push_back(key); };
  grid.onKeyPress = [&](int& ascii) { press.push_back(ascii); };
  view->setFocus();
  QTest::keyClick(view.get(), Qt::Key_Delete);
  QTest::keyClick(view.get(), Qt::Key_A);
  EXPECT_EQ(down, (std::vector<int>{46, 65}));
  EXPECT_EQ(press, (std::vector<int>{'a'}));
}

// The folder tree: a root, two nodes below it, the second with a child.
class TreeView : public ::testing::Test {
 protected:
  void SetUp() override {
    for (auto [text, level] : {std::pair{"Den här datorn", 0}, {"Tidigare", 1}, {"Lokal disk (c:)", 1}, {"", 2}}) {
      grid.AddItem(text);
      const int row = grid.rows() - 1;
      grid.SetIsSubtotal(row, true);
      grid.SetRowOutlineLevel(row, level);
    }
    grid.SetCellPicture(2, 0, 2, 0, "imgDrive");
    grid.SetIsCollapsed(2, controls::kCollapsed);
    grid.Move(0, 0, 4000, 4000);
    grid.onBeforeCollapse = [this](int row, int state, bool& cancel) {
      asked.emplace_back(row, state);
      cancel = refuse;
    };
    view = std::make_unique<GridView>(grid, GridView::Kind::Outline);
    view->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
    asked.clear();
  }

  Grid grid{"fgTree", 0, 1};
  std::unique_ptr<GridView> view;
  std::vector<std::pair<int, int>> asked;
  bool refuse = false;
};

TEST_F(TreeView, ExpandButtonAsksBeforeCollapseAndHonoursCancel) {
  EXPECT_TRUE(view->isRowHidden(3));
  const QPoint button = view->OutlineButtonRect(2).center();
  refuse = true;
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, button);
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0], std::make_pair(2, controls::kExpanded));
  EXPECT_EQ(grid.IsCollapsed(2), controls::kCollapsed);
  EXPECT_TRUE(view->isRowHidden(3));

  refuse = false;
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, button);
  ASSERT_EQ(asked.size(), 2u);
  EXPECT_EQ(grid.IsCollapsed(2), controls::kExpanded);
  EXPECT_FALSE(view->isRowHidden(3));

  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, button);
  EXPECT_EQ(asked.back(), std::make_pair(2, controls::kCollapsed));
  EXPECT_TRUE(view->isRowHidden(3));
}

TEST_F(TreeView, RowClickMakesItCurrentAndDoubleClickIsReported) {
  int doubleClicks = 0;
  int upRow = -5;
  grid.onDblClick = [&] { ++doubleClicks; };
  grid.onMouseUp = [&](int, int, float, float) { upRow = grid.row(); };
  const QPoint text = view->visualRect(view->model()->index(1, 0)).center();
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, text);
  EXPECT_EQ(upRow, 1);
  QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, text);
  EXPECT_EQ(doubleClicks, 1);
  EXPECT_TRUE(asked.empty());
}

TEST_F(TreeView, ConnectorLinesJoinTheShownSiblings) {
  grid.SetIsCollapsed(2, controls::kExpanded);
  // The root alone at level 0; "Tidigare" and the drive are siblings at level 1.
  EXPECT_FALSE(view->BranchesOf(0).next);
  EXPECT_TRUE(view->BranchesOf(1).next);
  EXPECT_FALSE(view->BranchesOf(2).next);
  EXPECT_EQ(view->BranchesOf(3).through, 0u);  // no level-1 sibling follows the drive
  grid.AddItem("Nätverksenhet (z:)");
  grid.SetRowOutlineLevel(4, 1);
  EXPECT_TRUE(view->BranchesOf(2).next);
  EXPECT_EQ(view->BranchesOf(3).through, 0b10u);  // the level-1 line runs past the drive's child
}

TEST_F(TreeView, CodeChangesOfTheOutlineShowAndHideRows) {
  grid.SetIsCollapsed(2, controls::kExpanded);
  EXPECT_FALSE(view->isRowHidden(3));
  grid.SetIsCollapsed(0, controls::kCollapsed);
  for (int row = 1; row < 4; ++row) EXPECT_TRUE(view->isRowHidden(row)) << row;
  EXPECT_FALSE(view->model()->data(view->model()->index(2, 0), Qt::DecorationRole).isNull());
}

}  // namespace
}  // namespace quiremark::gui
