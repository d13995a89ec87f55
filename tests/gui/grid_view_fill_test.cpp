#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>

#include "gui/grid_view.h"

namespace quiremark::gui {
namespace {

// A fill with redraw off reaches the view as one model reset, after which
// the view shows exactly the new rows, none of the old.
TEST(GridViewFill, RowsAddedWithRedrawOffArriveInOneReset) {
  controls::Grid grid{"fgFiles", 1, 4};
  grid.SetFormatString("Nr| Filnamn| Bokmärke|Fildatum");
  grid.Move(0, 0, 9000, 3000);
  grid.SetRows(500);
  GridView view(grid, GridView::Kind::Table);
  view.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
  grid.SetRow(400);
  QSignalSpy resets(view.model(), &QAbstractItemModel::modelReset);
  {
    const controls::RedrawSuspended quiet(grid);
    grid.SetRows(1);
    for (int row = 1; row <= 300; ++row) {
      grid.SetRows(row + 1);
      grid.SetTextMatrix(row, 1, "R" + std::to_string(row) + ".plt");
    }
    QCoreApplication::processEvents();  // a paint meanwhile asks for nothing the grid lacks
  }
  EXPECT_EQ(resets.count(), 1);
  EXPECT_EQ(view.model()->rowCount(), 300);
  EXPECT_EQ(view.model()->data(view.model()->index(299, 1)).toString(), QStringLiteral("R300.plt"));
  EXPECT_FALSE(view.currentIndex().isValid()) << "the current row went with the old rows";
}

}  // namespace
}  // namespace quiremark::gui
