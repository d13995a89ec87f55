// The started window from the keyboard: where the focus starts, where Tab
// takes it, that the arrows still move rows and that the focused control
// shows it.
#include <QApplication>
#include <QPlainTextEdit>

#include "gui/focus_ring.h"
#include "gui/grid_view.h"
#include "gui/started_window.h"

namespace quiremark::gui {
namespace {

// The control that has the focus (a combo box's edit field has it for its box).
QString NameOfFocus() {
  QWidget* focus = QApplication::focusWidget();
  while (focus && focus->objectName().isEmpty()) focus = focus->parentWidget();
  return focus ? focus->objectName() : QStringLiteral("(none)");
}

void PressInFocus(int key, Qt::KeyboardModifiers keys = {}) {
  ASSERT_NE(QApplication::focusWidget(), nullptr);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), keys);
}

// A folder without plot files: the notice box shows where the grid would.
class StartedOnAnEmptyFolder : public StartedWindow {
 protected:
  void SetUp() override {
    withPlotFiles = false;
    StartedWindow::SetUp();
  }
};

TEST_F(StartedOnAnEmptyFolder, TheFocusStartsInTheTreeAndTypingNeverReachesTheNotice) {
  auto* notice = window.findChild<QPlainTextEdit*>(QStringLiteral("Text1"));
  ASSERT_NE(notice, nullptr);
  ASSERT_TRUE(notice->isVisible());
  ASSERT_FALSE(window.files().isVisible());
  const std::string text = form.Text1.text();
  ASSERT_TRUE(QTest::qWaitFor([] { return QApplication::focusWidget() != nullptr; }));
  EXPECT_EQ(QApplication::focusWidget(), &window.tree());

  QTest::keyClicks(QApplication::focusWidget(), "abc");
  QTest::mouseClick(notice->viewport(), Qt::LeftButton, {}, notice->viewport()->rect().center());
  EXPECT_EQ(QApplication::focusWidget(), &window.tree());
  QTest::keyClicks(QApplication::focusWidget(), "def");
  EXPECT_EQ(form.Text1.text(), text);
  EXPECT_EQ(notice->toPlainText().toStdString(), "\n\n\n Filer saknas.\n");
  EXPECT_TRUE(window.grab().save(QStringLiteral(QUIREMARK_BINARY_DIR "/started_focus.png")));
}

// Wide enough for every toolbar box to show.
class StartedWide : public StartedWindow {
 protected:
  void SetUp() override {
    StartedWindow::SetUp();
    window.resize(1600, 800);
    ASSERT_TRUE(QTest::qWaitFor([this] { return window.findChild<QWidget*>(QStringLiteral("cboFileExt"))->isVisible(); }));
    window.tree().setFocus();
    ASSERT_TRUE(QTest::qWaitFor([this] { return window.tree().hasFocus(); }));
  }
};

TEST_F(StartedWide, TabGoesFromTheTreeToTheGridAndItsFiltersAndShiftTabBack) {
  // Each toolbar's buttons are one stop (named by their toolbar), after its boxes.
  const QStringList ring{"fgFiles",      "cboFolderName", "cboBookMark", "cboFileExt", "Filer",
                         "cboScr",       "Scriptmallar",  "txtAcad",     "txtParamAcad", "AutoCAD",
                         "txtIcad",      "txtParamIcad",  "IntelliCAD",  "Standard",   "fgTree"};
  QStringList forward, backward;
  for (qsizetype i = 0; i < ring.size(); ++i) {
    PressInFocus(Qt::Key_Tab);
    forward << NameOfFocus();
  }
  EXPECT_EQ(forward.join(u' ').toStdString(), ring.join(u' ').toStdString());
  for (qsizetype i = 0; i < ring.size(); ++i) {
    PressInFocus(Qt::Key_Tab, Qt::ShiftModifier);
    backward.prepend(NameOfFocus());
  }
  EXPECT_EQ(backward.join(u' ').toStdString(), (ring.mid(ring.size() - 1) + ring.mid(0, ring.size() - 1)).join(u' ').toStdString());
}

TEST_F(StartedWide, TheArrowsMoveTheCurrentRowAndTabLeavesItWhereItIs) {
  int above = form.fgTree.row() - 1;  // the row shown above the current one
  while (above > 0 && !form.fgTree.RowShown(above)) --above;
  PressInFocus(Qt::Key_Up);
  EXPECT_EQ(form.fgTree.row(), above);
  PressInFocus(Qt::Key_Tab);
  EXPECT_EQ(form.fgTree.row(), above);
  ASSERT_EQ(NameOfFocus(), QStringLiteral("fgFiles"));
  form.fgFiles.Select(1, 1);
  PressInFocus(Qt::Key_Down);
  EXPECT_EQ(form.fgFiles.row(), 2);
  PressInFocus(Qt::Key_Down);
  EXPECT_EQ(form.fgFiles.row(), 3);
  PressInFocus(Qt::Key_Tab);
  EXPECT_EQ(form.fgFiles.row(), 3);
  EXPECT_EQ(NameOfFocus(), QStringLiteral("cboFolderName"));
}

TEST_F(StartedWide, TheFocusedViewShowsAFocusMark) {
  // The left edge of a view, halfway down: its frame.
  const auto edge = [](GridView& view) { return view.grab().toImage().pixelColor(0, view.height() / 2); };
  const QColor highlight = FocusColor(window.tree().palette());
  EXPECT_EQ(edge(window.tree()), highlight);
  EXPECT_NE(edge(window.files()), highlight);
  PressInFocus(Qt::Key_Tab);
  EXPECT_NE(edge(window.tree()), highlight);
  EXPECT_EQ(edge(window.files()), highlight);
  EXPECT_TRUE(window.grab().save(QStringLiteral(QUIREMARK_BINARY_DIR "/focus_in_grid.png")));
}

}  // namespace
}  // namespace quiremark::gui
