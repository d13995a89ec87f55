// Deleting from the started window's file grid after the clicks that number
// its rows: only the rows the user chose go, with their side files.
#include <QApplication>
#include <QTimer>
#include <filesystem>

#include "gui/grid_view.h"
#include "gui/started_window.h"

namespace quiremark::gui {
namespace {

namespace fs = std::filesystem;
using controls::MsgResult;
namespace mb = controls::mb;

class StartedWindowWithDrawings : public StartedWindow {
 protected:
  void SetUp() override {
    fs::create_directories(drawings);
    for (const char* name : {"R-01", "R-02", "R-03", "R-04", "R-05"}) {
      testing::WriteFile(drawings / (std::string(name) + ".plt"), testing::DriverPlotFile(1, name));
      testing::WriteFile(drawings / (std::string(name) + ".txt"), std::string("Ritning ") + name + "\r\n");
    }
    StartedWindow::SetUp();
  }

  int RowOf(const std::string& name) const {
    for (int row = 1; row < form.fgFiles.rows(); ++row)
      if (form.fgFiles.TextMatrix(row, 1) == name) return row;
    ADD_FAILURE() << "no row " << name;
    return 1;
  }
  QPoint CentreOf(const std::string& name) const {
    GridView& files = window.files();
    return files.visualRect(files.tableModel().index(files.tableModel().ViewRow(RowOf(name)), 1)).center();
  }
  void Click(const std::string& name, Qt::MouseButton button = Qt::LeftButton) {
    QTest::mouseClick(window.files().viewport(), button, {}, CentreOf(name));
  }
  std::string NumberOf(const std::string& name) const { return form.fgFiles.TextMatrix(RowOf(name), 0); }

  // Chooses the entry of the context menu once it shows, after `whileShown`.
  void ChooseInContextMenu(const QString& entry, std::function<void()> whileShown = {}) {
    auto* poll = new QTimer(&window);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, entry, whileShown] {
      auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      if (!menu) return;
      poll->deleteLater();
      if (whileShown) whileShown();
      for (QAction* action : menu->actions())
        if (action->text() == entry) return QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
      menu->close();
      ADD_FAILURE() << "no entry " << entry.toStdString();
    });
    poll->start(0);
  }

  std::vector<std::string> FilesLeft() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(drawings)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
};

TEST_F(StartedWindowWithDrawings, DeletingTheSelectedFilesAfterNumberingClicksDeletesOnlyTheRowClickedLast) {
  Click("R-04.plt");
  Click("R-02.plt");
  ASSERT_EQ(NumberOf("R-04.plt"), "1");
  ASSERT_EQ(NumberOf("R-02.plt"), "2");

  ui.ExpectBox("Ska markerade 1 fil raderas?\r\rR-02.plt", MsgResult::Yes, mb::kYesNoCancel | mb::kQuestion | mb::kDefaultButton2,
               "Radera");
  ChooseInContextMenu(QString::fromUtf8("&Radera markerade filer"), [this] {
    // What the user sees as the menu opens: only R-02 highlighted.
    EXPECT_TRUE(window.grab().toImage().save(QStringLiteral(QUIREMARK_BINARY_DIR "/grid_delete_selected.png")));
    ASSERT_EQ(form.fgFiles.selectedRows(), 1);
    EXPECT_EQ(form.fgFiles.TextMatrix(form.fgFiles.SelectedRow(0), 1), "R-02.plt");
  });
  Click("R-02.plt", Qt::RightButton);

  EXPECT_EQ(FilesLeft(), (std::vector<std::string>{"A-40-01.plt", "A-40-02.plt", "A-40-03.plt", "R-01.plt", "R-01.txt",
                                                   "R-03.plt", "R-03.txt", "R-04.plt", "R-04.txt", "R-05.plt",
                                                   "R-05.txt"}));
  for (int row = 1; row < form.fgFiles.rows(); ++row) EXPECT_NE(form.fgFiles.TextMatrix(row, 1), "R-02.plt");
  EXPECT_EQ(form.fgFiles.rows(), 8);
  EXPECT_EQ(NumberOf("R-04.plt"), "1");
}

TEST_F(StartedWindowWithDrawings, AfterAnEvenNumberOfNumberingClicksTheToolbarDeleteAsksForTheRowClickedLast) {
  Click("R-01.plt");
  Click("R-03.plt");
  Click("R-05.plt");
  Click("R-03.plt");  // takes its number back
  EXPECT_EQ(Numbers(), (std::vector<std::string>{"", "", "", "1", "", "", "", "2"}));
  ui.ExpectBox("Ska markerade 1 plotfiler och eventuella bokmärkesfiler raderas?", MsgResult::No,
               mb::kYesNo | mb::kCritical | mb::kDefaultButton2, "Radera filer");
  QTest::mouseClick(ToolbarButton("Standard", app::cmd::kDeletePlotFiles), Qt::LeftButton);
  EXPECT_EQ(FilesLeft().size(), 13u);
}

}  // namespace
}  // namespace quiremark::gui
