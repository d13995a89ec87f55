// The main window started as the program starts it, on screen (offscreen).
#include "gui/started_window.h"

#include <QMenuBar>
#include <QScrollBar>

#include "gui/grid_view.h"

namespace quiremark::gui {
namespace {

TEST_F(StartedWindow, CommandsFromTheMenuTheToolbarAndTheKeysReachTheirActions) {
  ASSERT_EQ(form.fgFiles.rows(), 4) << "header and three plot files";
  ChooseMenuItem(app::cmd::kNumberAll);
  EXPECT_EQ(Numbers(), (std::vector<std::string>{"1", "2", "3"}));
  QToolButton* unnumber = ToolbarButton("Standard", app::cmd::kUnnumberAll);
  ASSERT_NE(unnumber, nullptr);
  QTest::mouseClick(unnumber, Qt::LeftButton);
  EXPECT_EQ(Numbers(), (std::vector<std::string>{"", "", ""}));

  const QImage shot = window.grab().toImage();
  EXPECT_TRUE(shot.save(QStringLiteral(QUIREMARK_BINARY_DIR "/started_window.png")));

  // F5 and F3 anywhere in the window: while a bind runs both are told to wait.
  state.bindRunActive = true;
  QTest::keyClick(&window, Qt::Key_F5);
  EXPECT_EQ(Notice(), "Vänta tills PDF-filen är klar");
  form.StatusBar.SetPaneText(app::kNoticePane, "");
  QTest::keyClick(&window.files(), Qt::Key_F3);
  EXPECT_EQ(Notice(), "Vänta tills PDF-filen är klar");
  state.bindRunActive = false;

  // Otherwise F3 scans the folder tree, which numbers every row.
  QTest::keyClick(&window.files(), Qt::Key_F3);
  EXPECT_EQ(Numbers(), (std::vector<std::string>{"1", "2", "3"}));
}

// The start-up walks the tree to a folder with many folders above it.
class StartedWindowFarDown : public StartedWindow {
 protected:
  void SetUp() override {
    for (int i = 0; i < 40; ++i) std::filesystem::create_directories(dir / ("Arkiv-" + std::to_string(10 + i)));
    StartedWindow::SetUp();
  }
};

// The folder the start-up walked to is the tree's current row, and it shows
// whole at the window's first size, however far down the tree it lies.
TEST_F(StartedWindowFarDown, TheFolderWalkedToShowsWhole) {
  const int row = form.fgTree.row();
  ASSERT_EQ(form.fgTree.RowData(row), drawings.string());
  GridView& tree = window.tree();
  const auto shownRect = [&] { return tree.visualRect(tree.model()->index(tree.tableModel().ViewRow(row), 0)); };
  EXPECT_TRUE(QTest::qWaitFor([&] { return tree.viewport()->rect().contains(shownRect()); }))
      << "row " << shownRect().top() << " to " << shownRect().bottom() << ", view 0 to " << tree.viewport()->height() - 1;

  // Scrolled away by hand, the tree stays where the user put it.
  tree.verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMinimum);
  const int height = tree.height();
  window.resize(window.width(), window.height() - 40);
  ASSERT_TRUE(QTest::qWaitFor([&] { return tree.height() < height; })) << "the tree took the new size";
  EXPECT_EQ(tree.verticalScrollBar()->value(), 0);
}

TEST_F(StartedWindow, ClosingTheWindowWritesTheShutdownValues) {
  window.resize(1000, 700);
  form.fgFiles.SetColWidth(1, 2500);
  form.cboFileExt.SetText("*.eps");
  ASSERT_TRUE(QTest::qWaitFor([this] { return window.width() == 1000 && form.width() == window.frameGeometry().width() * 15; }))
      << "the form has the window's new size";
  const int width = form.width();
  ASSERT_TRUE(window.close());
  EXPECT_FALSE(form.loaded());
  EXPECT_EQ(settings::GetRegSetting("Width", "<none>"), std::to_string(width));
  EXPECT_EQ(settings::GetRegSetting("GridCol_1", "<none>"), "2500");
  EXPECT_EQ(settings::GetRegSetting("GridCol_3", "<none>"), "1200");
  EXPECT_EQ(settings::GetRegSetting("FileExtension", "<none>"), "*.eps");
  EXPECT_EQ(settings::GetMachineSetting("Version", "<none>"), "1.0.0");
  EXPECT_NE(settings::GetRegSetting("Width", "<none>", "Main"), "<none>") << "the placement";
  EXPECT_TRUE(settings::RegEnumKeyAt(settings::Hive::CurrentUser, "Software\\NORV\\Quiremark", 0))
      << "the toolbar layout has a key of its own";
}

}  // namespace
}  // namespace quiremark::gui
