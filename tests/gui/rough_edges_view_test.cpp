// What the started window shows the user at a glance: the file grid's texts
// whole, and a CAD script run with nothing chosen told plainly.
#include <QHeaderView>

#include "gui/grid_view.h"
#include "gui/started_window.h"

namespace quiremark::gui {
namespace {

// The widest text of a column, header included, as the view draws it.
int WidestText(GridView& view, int col) {
  const QFontMetrics metrics(view.font());
  int widest = metrics.horizontalAdvance(view.tableModel().headerData(col, Qt::Horizontal, Qt::DisplayRole).toString());
  for (int row = 0; row < view.tableModel().rowCount(); ++row)
    widest = std::max(widest, metrics.horizontalAdvance(view.tableModel().index(row, col).data().toString()));
  return widest;
}

TEST_F(StartedWindow, TheGridsColumnsShowTheirTextsWholeUnlessTheUserSizedThem) {
  GridView& files = window.files();
  ASSERT_EQ(form.fgFiles.rows(), 4);
  for (int col = 0; col < form.fgFiles.cols(); ++col) {
    EXPECT_GT(files.columnWidth(col), WidestText(files, col)) << "column " << col;
    EXPECT_EQ(form.fgFiles.ColWidth(col), controls::Grid::kDefaultColWidth) << "the stored width is still nobody's";
  }
  EXPECT_TRUE(window.grab().save(QStringLiteral(QUIREMARK_BINARY_DIR "/grid_columns.png")));

  // A column the user made narrow stays so, also when the grid is filled again.
  files.horizontalHeader()->resizeSection(1, 40);  // what a drag of the column edge does
  ChooseMenuItem(app::cmd::kRefreshFiles);
  EXPECT_EQ(files.columnWidth(1), 40);
  EXPECT_EQ(form.fgFiles.ColWidth(1), 600);
}

TEST_F(StartedWindow, RunningAScriptWithNoTemplateChosenSaysSo) {
  ASSERT_EQ(form.cboScr.text(), "");
  ui.ExpectBox("Ingen scriptmall är vald.", controls::MsgResult::Ok, controls::mb::kCritical, "Fel");
  QToolButton* run = ToolbarButton("AutoCAD", app::cmd::kRunAcad);
  ASSERT_NE(run, nullptr);
  QTest::mouseClick(run, Qt::LeftButton);
  EXPECT_TRUE(ui.shown.size() == 1);
}

}  // namespace
}  // namespace quiremark::gui
