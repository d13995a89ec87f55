// The file grid's selection as the user makes it with the mouse: the grid
// and its view show the same rows after every click, Ctrl-click,
// Shift-click and drag.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <string>
#include <vector>

#include "gui/grid_view.h"

namespace quiremark::gui {
namespace {

using controls::Grid;
using Rows = std::vector<int>;

// One gesture of the user on the grid's data rows: a click, or a drag that
// presses on one row, passes the rows in `via` and lets go on another.
struct Step {
  enum Kind { Click, RightClick, Drag } kind;
  int row;
  Qt::KeyboardModifiers keys = {};
  int to = 0;
  Rows via = {};
  Rows selected;  // the rows selected afterwards
};

Step Click(int row, Rows selected) { return {Step::Click, row, {}, 0, {}, std::move(selected)}; }
Step CtrlClick(int row, Rows selected) { return {Step::Click, row, Qt::ControlModifier, 0, {}, std::move(selected)}; }
Step ShiftClick(int row, Rows selected) { return {Step::Click, row, Qt::ShiftModifier, 0, {}, std::move(selected)}; }
Step RightClick(int row, Rows selected, Qt::KeyboardModifiers keys = {}) {
  return {Step::RightClick, row, keys, 0, {}, std::move(selected)};
}
Step Drag(int from, int to, Rows selected, Rows via = {}, Qt::KeyboardModifiers keys = {}) {
  return {Step::Drag, from, keys, to, std::move(via), std::move(selected)};
}

struct Sequence {
  const char* name;
  std::vector<Step> steps;
};
void PrintTo(const Sequence& sequence, std::ostream* out) { *out << sequence.name; }

// Six data rows; each sequence starts with none selected.
const Sequence kSequences[] = {
    {"ClickBelowTheSelectedRow", {Click(2, {2}), Click(4, {4}), Click(6, {6})}},
    {"ClickAboveTheSelectedRow", {Click(4, {4}), Click(2, {2}), Click(1, {1})}},
    {"ClickTheSelectedRowAgain", {Click(3, {3}), Click(3, {3})}},
    {"CtrlClicksAddAndTakeAway", {Click(1, {1}), CtrlClick(3, {1, 3}), CtrlClick(5, {1, 3, 5}), CtrlClick(3, {1, 5})}},
    {"ClickAfterCtrlClicks", {Click(2, {2}), CtrlClick(4, {2, 4}), CtrlClick(6, {2, 4, 6}), Click(3, {3})}},
    {"ClickOnARowOfACtrlSelection", {Click(1, {1}), CtrlClick(5, {1, 5}), Click(5, {5})}},
    {"ShiftClicksExtendFromTheAnchor", {Click(2, {2}), ShiftClick(5, {2, 3, 4, 5}), ShiftClick(1, {1, 2}),
                                        CtrlClick(4, {1, 2, 4}), Click(6, {6})}},
    {"DragsDown", {Drag(2, 4, {2, 3, 4}, {3}), Click(1, {1})}},
    {"DragsUp", {Drag(5, 3, {3, 4, 5}, {4})}},
    {"ANewDragAfterASelection", {Click(1, {1}), Drag(3, 5, {3, 4, 5}, {4}), Drag(6, 4, {4, 5, 6}, {5}),
                                 Drag(1, 2, {1, 2})}},
    {"ADragThereAndBack", {Drag(1, 2, {1, 2}, {2, 3, 4, 3})}},
    {"ADragAfterCtrlClicks", {Click(1, {1}), CtrlClick(6, {1, 6}), Drag(2, 4, {2, 3, 4}, {3})}},
    {"ACtrlDragAddsItsRange", {Click(1, {1}), Drag(3, 4, {1, 3, 4}, {}, Qt::ControlModifier)}},
    // The context menu's rows: a right click inside the selection keeps
    // it; outside it the row clicked becomes the selection, or with Ctrl
    // (the filter menu) joins it.
    {"ARightClickInsideTheSelection", {Click(1, {1}), CtrlClick(3, {1, 3}), RightClick(3, {1, 3}), RightClick(1, {1, 3})}},
    {"ARightClickOutsideTheSelection", {Click(1, {1}), CtrlClick(3, {1, 3}), RightClick(2, {2}), RightClick(5, {5})}},
    {"ACtrlRightClickOutsideTheSelection", {Click(1, {1}), CtrlClick(3, {1, 3}), RightClick(5, {1, 3, 5}, Qt::ControlModifier)}},
    {"ARightClickAfterNumberingClicks", {Click(4, {4}), Click(2, {2}), RightClick(2, {2})}},
};

class GridSelection : public ::testing::TestWithParam<Sequence> {
 protected:
  void SetUp() override {
    grid.SetFormatString("^Nr|> Filnamn|^ Bokmärke|Fildatum");
    grid.SetRows(7);
    for (int row = 1; row < 7; ++row) grid.SetTextMatrix(row, 1, "R-0" + std::to_string(row) + ".plt");
    grid.Move(0, 0, 9000, 3000);
    view = std::make_unique<GridView>(grid, GridView::Kind::Table);
    view->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
  }

  QPoint CentreOf(int gridRow) const {
    return view->visualRect(view->tableModel().index(view->tableModel().ViewRow(gridRow), 1)).center();
  }

  void Do(const Step& step) {
    QWidget* port = view->viewport();
    if (step.kind == Step::Click) return QTest::mouseClick(port, Qt::LeftButton, step.keys, CentreOf(step.row));
    if (step.kind == Step::RightClick) return QTest::mouseClick(port, Qt::RightButton, step.keys, CentreOf(step.row));
    QTest::mousePress(port, Qt::LeftButton, step.keys, CentreOf(step.row));
    for (int row : step.via) MoveWithButtonDown(CentreOf(row), step.keys);
    MoveWithButtonDown(CentreOf(step.to), step.keys);
    QTest::mouseRelease(port, Qt::LeftButton, step.keys, CentreOf(step.to));
  }
  // QTest moves the pointer without the keys held; a drag holds them all along.
  void MoveWithButtonDown(QPoint at, Qt::KeyboardModifiers keys) {
    QWidget* port = view->viewport();
    QMouseEvent move(QEvent::MouseMove, at, port->mapToGlobal(at), Qt::NoButton, Qt::LeftButton, keys);
    QApplication::sendEvent(port, &move);
  }

  Rows GridSelected() const {
    Rows rows;
    for (int i = 0; i < grid.selectedRows(); ++i) rows.push_back(grid.SelectedRow(i));
    return rows;
  }
  Rows ViewSelected() const {
    Rows rows;
    for (int row = 1; row < grid.rows(); ++row)
      if (view->selectionModel()->isRowSelected(view->tableModel().ViewRow(row), {})) rows.push_back(row);
    return rows;
  }

  Grid grid{"fgFiles", 1, 4};
  std::unique_ptr<GridView> view;
};

TEST_P(GridSelection, TheGridAndTheViewSelectWhatTheUserChose) {
  int number = 0;
  for (const Step& step : GetParam().steps) {
    Do(step);
    ++number;
    EXPECT_EQ(GridSelected(), step.selected) << "the grid after step " << number;
    EXPECT_EQ(ViewSelected(), step.selected) << "the view after step " << number;
  }
}

INSTANTIATE_TEST_SUITE_P(Gestures, GridSelection, ::testing::ValuesIn(kSequences),
                         [](const ::testing::TestParamInfo<Sequence>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quiremark::gui
