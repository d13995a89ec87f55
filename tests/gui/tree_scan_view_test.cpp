// The main window on screen while and after a tree scan fills the file grid.
#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QTest>
#include <memory>

#include "app/command_table.h"
#include "app/file_grid_events.h"
#include "app/layout.h"
#include "app/main_commands.h"
#include "engine/plot_files.h"
#include "gui/command_bars_view.h"
#include "gui/grid_view.h"
#include "gui/main_window.h"
#include "support/scripted_ui.h"
#include "support/test_support.h"

namespace quiremark::gui {
namespace {

namespace fs = std::filesystem;

class TreeScanViewTest : public ::testing::Test {
 protected:
  testing::TempDir dir;
  testing::ScopedEnv registry{"QUIREMARK_REGISTRY", (dir.path() / "reg").string()};
  settings::AppState state;
  testing::ScriptedUi ui;
  std::unique_ptr<app::MainForm> form;
  std::unique_ptr<MainWindow> window;
  fs::path root = dir / "Ritningar";

  void SetUp() override {
    for (const char* file : {"A-01.plt", "Sub/B-01.plt", "Sub/Djup/C-01.plt"}) {
      fs::create_directories((root / file).parent_path());
      testing::WriteFile(root / file, testing::DriverPlotFile(1));
    }
    form = std::make_unique<app::MainForm>(state, ui);
    window = std::make_unique<MainWindow>(*form);
    form->CommandBars.onResize = [this] { app::ArrangeControls(*form); };
    app::CreateCommandBars(*form);
    app::SetTheme(*form, app::kRibbonTheme, app::kFirstThemeCommand + app::kRibbonTheme);
    app::ConnectFileGrid(*form, {});
    form->File1.SetPattern("*.plt");
    form->Move(0, 0, 18000, 11250);
    form->Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    form->Dir1.SetPath(root.string());
  }

  QString FolderPane() const { return qobject_cast<QLabel*>(window->commandBars().Pane(0))->text(); }
};

TEST_F(TreeScanViewTest, TheWindowShowsTheFolderBeingScannedUnderTheHourglass) {
  std::vector<QString> shown;
  ui.onYield = [&] {
    QApplication::processEvents();
    EXPECT_EQ(window->cursor().shape(), Qt::WaitCursor);
    shown.push_back(FolderPane());
  };
  ASSERT_TRUE(app::ScanFolderTree(*form));
  const QString top = QString::fromStdString(root.string());
  ASSERT_EQ(shown.size(), 3u);
  EXPECT_EQ(shown[0], top) << "the first folder shows at once; later ones a few times a second";
  for (const QString& folder : shown) EXPECT_TRUE(folder.startsWith(top)) << folder.toStdString();
  EXPECT_NE(window->cursor().shape(), Qt::WaitCursor);
  EXPECT_EQ(FolderPane(), top);
}

TEST_F(TreeScanViewTest, TheGridShowsTheScanInTheThemesColour) {
  ASSERT_TRUE(app::ScanFolderTree(*form));
  GridView& files = window->files();
  ASSERT_TRUE(QTest::qWaitFor([&] { return files.isVisible() && files.model()->rowCount() == 3; }));
  EXPECT_TRUE(files.isVisible());
  EXPECT_EQ(files.model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("+ Nr"));
  ASSERT_EQ(files.model()->rowCount(), 3);
  EXPECT_EQ(files.model()->index(2, 1).data().toString(), QStringLiteral("/Sub/Djup/C-01.plt"));
  EXPECT_EQ(files.model()->index(2, 0).data().toString(), QStringLiteral("3"));
  const QImage shot = files.viewport()->grab().toImage();
  const controls::Color theme = state.themeBaseColor;
  EXPECT_EQ(QColor(shot.pixel(shot.width() - 5, shot.height() - 5)),
            QColor(controls::RedOf(theme), controls::GreenOf(theme), controls::BlueOf(theme)));
}

}  // namespace
}  // namespace quiremark::gui
