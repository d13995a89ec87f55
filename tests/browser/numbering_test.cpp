#include "browser/numbering.h"

#include "browser/file_pane_fixture.h"

namespace quiremark::browser {
namespace {

using Texts = std::vector<std::string>;

class NumberingTest : public FilePaneTest {
 protected:
  void Down(int row, int button = controls::kLeftButton, int shift = 0) {
    fgFiles.SetMouseCell(row);
    fgFiles_MouseDown(pane, button, shift, 0, 0);
  }
  void Up(int row, int button = controls::kLeftButton, int shift = 0) {
    fgFiles.SetMouseCell(row);
    fgFiles_MouseUp(pane, button, shift, 0, 0);
  }
  void Click(int row, int shift = 0) {
    Down(row, controls::kLeftButton, shift);
    Up(row, controls::kLeftButton, shift);
  }
  void Drag(int from, int to) {
    Down(from);
    Up(to);
  }
};

TEST_F(NumberingTest, ClicksNumberInClickOrder) {
  GridWithNumbers({"", "", "", "", ""});
  Click(3);
  Click(1);
  Click(5);
  EXPECT_EQ(Numbers(), (Texts{"2", "", "1", "", "3"}));
}

TEST_F(NumberingTest, ClickOnANumberedRowClosesTheGap) {
  GridWithNumbers({"1", "2", "3", "4", "5"});
  Click(2);
  EXPECT_EQ(Numbers(), (Texts{"1", "", "2", "3", "4"}));
  Click(2);
  EXPECT_EQ(Numbers(), (Texts{"1", "5", "2", "3", "4"}));
}

TEST_F(NumberingTest, RangeIsRenumberedAfterTheOthers) {
  GridWithNumbers({"1", "2", "3", "4", "5"});
  selectionStartRow = 2;
  selectionEndRow = 3;
  NumberSelected(pane);
  EXPECT_EQ(Numbers(), (Texts{"1", "4", "5", "2", "3"}));
}

TEST_F(NumberingTest, DraggedRangeNumbersFollowTheHighest) {
  GridWithNumbers({"", "", "", "", "", "1", "2"});
  Drag(2, 4);
  EXPECT_EQ(Numbers(), (Texts{"", "", "", "", "", "1", "2"})) << "a drag toggles nothing";
  NumberSelected(pane);
  EXPECT_EQ(Numbers(), (Texts{"", "3", "4", "5", "", "1", "2"}));
}

TEST_F(NumberingTest, UpwardDragIsNumberedTopDown) {
  GridWithNumbers({"", "", "", "", ""});
  Drag(4, 2);
  NumberSelected(pane);
  EXPECT_EQ(Numbers(), (Texts{"", "1", "2", "3", ""}));
}

TEST_F(NumberingTest, RangeBeyondTheRowsIsBounded) {
  GridWithNumbers({"", "", "", "", "", "", "", ""});
  Drag(3, 8);
  fgFiles.SetRows(6);  // rows removed since
  NumberSelected(pane);
  EXPECT_EQ(Numbers(), (Texts{"", "", "1", "2", "3"}));

  selectionStartRow = 9;
  selectionEndRow = 12;
  NumberSelected(pane);
  EXPECT_EQ(Numbers(), (Texts{"", "", "1", "2", "3"})) << "a range wholly below the grid numbers nothing";
}

TEST_F(NumberingTest, DragUpFromBelowTheLastRowTakesTheRowsItCrossed) {
  GridWithNumbers({"", "", "", "", "1"});
  Drag(-1, 3);
  NumberSelected(pane);
  EXPECT_EQ(Numbers(), (Texts{"", "", "1", "2", "3"}));
}

TEST_F(NumberingTest, HeaderRowEndsRangesAndMenus) {
  GridWithNumbers({"", "", ""});
  fgFiles.SetRowSelected(2, true);
  Up(0);
  EXPECT_EQ(selectionEndRow, 0);
  Up(2, controls::kRightButton);
  EXPECT_TRUE(popupsShown.empty()) << "no delete menu after a release over the header";
  Click(1);
  Click(1);
  Up(2, controls::kRightButton);
  EXPECT_EQ(popupsShown, (std::vector<std::pair<int, std::string>>{{956, "&Radera markerade filer"}}));

  Down(0);
  EXPECT_EQ(selectionStartRow, 0);
  Up(2);
  NumberSelected(pane);
  EXPECT_EQ(Numbers(), (Texts{"", "1", ""})) << "the selected row, not the range the header began";
  fgFiles.ClearSelection();
  NumberSelected(pane);
  EXPECT_EQ(Numbers(), (Texts{"", "1", ""})) << "with none selected, a range begun over the header numbers nothing";
}

TEST_F(NumberingTest, ReleaseBelowTheLastRowChangesNothing) {
  GridWithNumbers({"", "", ""});
  Down(2);
  Up(-1);
  EXPECT_EQ(selectionEndRow, 1);
  EXPECT_EQ(Numbers(), (Texts{"", "", ""}));
}

TEST_F(NumberingTest, CtrlLeavesNumbersAndAnchorShiftToggles) {
  GridWithNumbers({"", "", ""});
  selectionStartRow = 3;
  Click(2, controls::kCtrlKey);
  EXPECT_EQ(selectionStartRow, 3);
  EXPECT_EQ(Numbers(), (Texts{"", "", ""}));
  Click(2, controls::kShiftKey);
  EXPECT_EQ(Numbers(), (Texts{"", "1", ""}));
}

TEST_F(NumberingTest, ContextMenusNeedSelectedRows) {
  GridWithNumbers({"", "", ""});
  Down(1, controls::kRightButton, controls::kCtrlKey);
  Click(1);
  Up(1, controls::kRightButton);
  EXPECT_TRUE(popupsShown.empty());
  fgFiles.SetRowSelected(1, true);
  Down(1, controls::kRightButton, controls::kCtrlKey);
  EXPECT_EQ(popupsShown, (std::vector<std::pair<int, std::string>>{{314, "&Ny filtrering med markerade filnamn"}}));
}

TEST_F(NumberingTest, TreeScanModeTakesNoClicksButShowsTheFilterMenu) {
  GridWithNumbers({"1", "2", "3"});
  fgFiles.SetRowSelected(2, true);
  state.treeScanActive = true;
  selectionStartRow = 3;
  Click(2);
  Up(2, controls::kRightButton);
  EXPECT_EQ(Numbers(), (Texts{"1", "2", "3"}));
  EXPECT_EQ(selectionStartRow, 3);
  EXPECT_TRUE(popupsShown.empty());
  Down(2, controls::kRightButton, controls::kCtrlKey);
  EXPECT_EQ(popupsShown.size(), 1u);
}

TEST_F(NumberingTest, NumberAllAndUnnumberAll) {
  fgFiles.SetRows(1);
  NumberAll(pane);
  EXPECT_EQ(fgFiles.rows(), 1);

  GridWithNumbers({"", "7", "", ""});
  NumberAll(pane);
  EXPECT_EQ(Numbers(), (Texts{"1", "2", "3", "4"}));
  EXPECT_EQ(GetMaxNumber(fgFiles), 4);

  auto& menu = commandBars.activeMenuBar().controls().Add(controls::kControlButton, kCmdNumberAll, "Numrera &alla");
  auto& toolbar = commandBars.Add("Standard").controls().Add(controls::kControlButton, kCmdNumberAll, "Numrera &alla");
  menu.SetEnabled(false);
  toolbar.SetEnabled(false);
  outline.AddPageEntry("Skannad");
  UnnumberAll(pane);
  EXPECT_EQ(Numbers(), (Texts{"", "", "", ""}));
  EXPECT_EQ(GetMaxNumber(fgFiles), 0);
  EXPECT_TRUE(menu.enabled());
  EXPECT_TRUE(toolbar.enabled());
  EXPECT_TRUE(outline.records().empty());
}

TEST_F(NumberingTest, UnnumberAllTellsTheViewOfTheNumberedRowsOnly) {
  GridWithNumbers({"", "2", "", "1", ""});
  std::vector<int> changedRows;
  fgFiles.onGridChanged = [&](const controls::GridChange& change) { changedRows.push_back(change.row); };
  UnnumberAll(pane);
  EXPECT_EQ(Numbers(), (Texts{"", "", "", "", ""}));
  EXPECT_EQ(changedRows, (std::vector<int>{2, 4}));
  changedRows.clear();
  UnnumberAll(pane);
  EXPECT_TRUE(changedRows.empty()) << "a grid without numbers, as after a folder fill, stays as it is";
}

TEST_F(NumberingTest, NothingIsNumberedWhileABindRuns) {
  GridWithNumbers({"1", "", ""});
  state.bindRunActive = true;
  Click(2);
  NumberAll(pane);
  Drag(1, 3);
  NumberSelected(pane);
  UnnumberAll(pane);
  EXPECT_EQ(Numbers(), (Texts{"1", "", ""}));
}

}  // namespace
}  // namespace quiremark::browser
