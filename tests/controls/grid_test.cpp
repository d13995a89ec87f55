#include "controls/grid.h"

#include <gtest/gtest.h>

#include <vector>

namespace quiremark::controls {
namespace {

// A small tree: root (0) > a (1) > a1 (2); root > b (3).
void BuildTree(Grid& g) {
  g.SetRows(0);
  const struct {
    const char* text;
    int level;
  } rows[] = {{"root", 0}, {"a", 1}, {"a1", 2}, {"b", 1}};
  for (const auto& r : rows) {
    g.AddItem(r.text);
    g.SetIsSubtotal(g.rows() - 1, true);
    g.SetRowOutlineLevel(g.rows() - 1, r.level);
  }
}

TEST(Grid, RowsAddRemoveAndCells) {
  Grid g("fgFiles", 1, 4);
  g.AddItem("\tA1.plt\tPlan\t2026-12-08");
  g.AddItem("\tB1.plt");
  EXPECT_EQ(g.rows(), 3);
  EXPECT_EQ(g.TextMatrix(1, 1), "A1.plt");
  EXPECT_EQ(g.TextMatrix(1, 3), "2026-12-08");
  EXPECT_EQ(g.TextMatrix(2, 2), "");

  g.AddItem("first", 1);
  EXPECT_EQ(g.TextMatrix(1, 0), "first");
  EXPECT_EQ(g.TextMatrix(2, 1), "A1.plt");

  g.SetRows(2);  // drops the rows beyond
  EXPECT_EQ(g.rows(), 2);
  g.SetRows(3);  // new rows come empty
  EXPECT_EQ(g.TextMatrix(2, 1), "");
  EXPECT_THROW(g.TextMatrix(3, 0), ControlError);
  EXPECT_THROW(g.SetTextMatrix(0, 4, "x"), ControlError);
}

TEST(Grid, RemovingARowShiftsEverythingThatBelongsToTheRowsBelow) {
  Grid g("fgTree", 0, 1);
  for (const char* t : {"r0", "r1", "r2", "r3"}) g.AddItem(t);
  g.SetRowData(2, "data2");
  g.SetCellBackColor(3, 0, 3, 0, 0x80FFFF);
  g.SetCellPicture(2, 0, 2, 0, "imgFolder");
  g.SetRowSelected(3, true);
  g.SetRow(3);

  g.RemoveItem(1);
  EXPECT_EQ(g.TextMatrix(1, 0), "r2");
  EXPECT_EQ(g.RowData(1), "data2");
  EXPECT_EQ(g.CellPicture(1, 0), "imgFolder");
  EXPECT_EQ(g.CellBackColor(2, 0), 0x80FFFFu);
  EXPECT_EQ(g.CellBackColor(1, 0), 0u);
  EXPECT_TRUE(g.IsRowSelected(2));
  EXPECT_EQ(g.row(), 2);  // the current row stays on its row

  g.RemoveItem(2);  // removing the current last row moves the current row up
  EXPECT_EQ(g.row(), 1);
  EXPECT_THROW(g.RemoveItem(5), ControlError);
}

TEST(Grid, SelectionIsReportedTopToBottomWhateverTheOrderOfSelecting) {
  Grid g("fgFiles", 6, 2);
  g.SetRowSelected(5, true);
  g.SetRowSelected(2, true);
  g.SetRowSelected(4, true);
  ASSERT_EQ(g.selectedRows(), 3);
  EXPECT_EQ(g.SelectedRow(0), 2);
  EXPECT_EQ(g.SelectedRow(1), 4);
  EXPECT_EQ(g.SelectedRow(2), 5);
  EXPECT_THROW(g.SelectedRow(3), ControlError);
  g.ClearSelection();
  EXPECT_EQ(g.selectedRows(), 0);
}

TEST(Grid, FormatStringSetsColumnsHeadersAndAlignment) {
  Grid g("fgFiles", 0, 1);
  g.SetFormatString("^Nr|>Filnamn|^ Bokmärke");
  EXPECT_EQ(g.cols(), 3);
  EXPECT_EQ(g.rows(), 1);
  EXPECT_EQ(g.TextMatrix(0, 0), "Nr");
  EXPECT_EQ(g.TextMatrix(0, 1), "Filnamn");
  EXPECT_EQ(g.TextMatrix(0, 2), " Bokmärke");
  EXPECT_EQ(g.ColAlignment(0), align::kCenterCenter);
  EXPECT_EQ(g.ColAlignment(1), align::kRightCenter);
}

TEST(Grid, CellPropertiesCoverTheRangeInEitherOrder) {
  Grid g("fgTree", 4, 2);
  g.SetCellAlignment(3, 1, 0, 0, align::kLeftCenter);
  g.SetCellFontBold(1, 0, 2, 1, true);
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 2; ++c) {
      EXPECT_EQ(g.CellAlignment(r, c), align::kLeftCenter);
      EXPECT_EQ(g.CellFontBold(r, c), r == 1 || r == 2);
    }
  EXPECT_THROW(g.SetCellAlignment(0, 0, 0, 0, 10), ControlError);
}

TEST(Grid, BeforeCollapseCanRefuseChangesByCodeAndByTheUser) {
  Grid g("fgTree");
  BuildTree(g);
  std::vector<std::pair<int, int>> asked;
  bool refuse = true;
  g.onBeforeCollapse = [&](int row, int state, bool& cancel) {
    asked.emplace_back(row, state);
    cancel = refuse;
  };

  EXPECT_FALSE(g.SetIsCollapsed(1, kCollapsed));  // code
  EXPECT_EQ(g.IsCollapsed(1), kExpanded);
  g.Outline(1);  // the whole outline: row -1
  EXPECT_EQ(g.IsCollapsed(1), kExpanded);
  EXPECT_EQ(g.IsCollapsed(0), kExpanded);

  refuse = false;
  g.Outline(1);
  EXPECT_EQ(g.IsCollapsed(0), kExpanded);
  EXPECT_EQ(g.IsCollapsed(1), kCollapsed);
  EXPECT_EQ(g.IsCollapsed(2), kCollapsed);
  EXPECT_EQ(g.IsCollapsed(3), kCollapsed);
  EXPECT_TRUE(g.SetIsCollapsed(1, kExpanded));
  EXPECT_FALSE(g.SetIsCollapsed(1, kExpanded));  // no change, no notification

  const std::vector<std::pair<int, int>> expected = {
      {1, kCollapsed}, {-1, kCollapsed}, {-1, kCollapsed}, {1, kExpanded}};
  EXPECT_EQ(asked, expected);
}

TEST(Grid, HandlerMayReplaceTheChildrenBeforeTheRowExpands) {
  Grid g("fgTree", 0, 1);
  g.AddItem("root");
  g.SetIsSubtotal(0, true);
  g.AddItem("");  // placeholder
  g.SetIsSubtotal(1, true);
  g.SetRowOutlineLevel(1, 1);
  g.SetIsCollapsed(0, kCollapsed);
  g.onBeforeCollapse = [&](int row, int state, bool&) {
    if (state != kExpanded || g.TextMatrix(row + 1, 0) != "") return;
    g.RemoveItem(row + 1);
    for (const char* child : {"c2", "c1"}) {
      g.AddItem(child, row + 1);
      g.SetRowOutlineLevel(row + 1, 1);
    }
  };
  EXPECT_TRUE(g.SetIsCollapsed(0, kExpanded));
  ASSERT_EQ(g.rows(), 3);
  EXPECT_EQ(g.TextMatrix(1, 0), "c1");
  EXPECT_TRUE(g.RowShown(1));
}

TEST(Grid, CollapsedNodesHideEverythingBelowThemInTheOutline) {
  Grid g("fgTree");
  BuildTree(g);
  g.SetIsCollapsed(1, kCollapsed);
  EXPECT_TRUE(g.RowShown(1));
  EXPECT_FALSE(g.RowShown(2));
  EXPECT_TRUE(g.RowShown(3));
  EXPECT_EQ(g.OutlineParent(2), 1);
  EXPECT_EQ(g.OutlineParent(3), 0);
  EXPECT_EQ(g.OutlineParent(0), -1);
  g.SetIsCollapsed(0, kCollapsed);
  EXPECT_FALSE(g.RowShown(3));
  EXPECT_TRUE(g.RowShown(0));
}

TEST(Grid, ViewHearsOfNothingWhileRedrawIsOffAndOfEverythingWhenItComesBack) {
  Grid g("fgTree", 0, 1);
  std::vector<GridChange::Kind> heard;
  g.onGridChanged = [&](const GridChange& c) { heard.push_back(c.kind); };
  g.SetRedraw(kRedrawOff);
  g.AddItem("a");
  g.SetTextMatrix(0, 0, "b");
  EXPECT_TRUE(heard.empty());
  g.SetRedraw(kRedrawBuffered);
  ASSERT_EQ(heard.size(), 1u);
  EXPECT_EQ(heard[0], GridChange::Kind::Reset);
  EXPECT_THROW(g.SetRedraw(3), ControlError);
}

TEST(Grid, EventsReachTheFormLogicWithTheRowUnderThePointer) {
  Grid g("fgFiles", 5, 4);
  int downRow = -9;
  g.onMouseDown = [&](int button, int shift, float, float) {
    EXPECT_EQ(button, 1);
    EXPECT_EQ(shift, 2);
    downRow = g.mouseRow();
  };
  g.SetMouseCell(3, 1);
  g.RaiseMouseDown(1, 2, 100, 200);
  EXPECT_EQ(downRow, 3);

  g.onKeyDown = [](int& key, int) {
    if (key == 116) key = 0;
  };
  EXPECT_EQ(g.RaiseKeyDown(116, 0), 0);
  EXPECT_EQ(g.RaiseKeyDown(40, 0), 40);
}

}  // namespace
}  // namespace quiremark::controls
