#include <gtest/gtest.h>

#include <QApplication>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <memory>
#include <set>

#include "app/command_table.h"
#include "app/layout.h"
#include "app/main_commands.h"
#include "app/main_form.h"
#include "engine/plot_files.h"
#include "gui/grid_view.h"
#include "gui/main_window.h"
#include "settings/registry_settings.h"
#include "support/fake_drives.h"
#include "support/scripted_ui.h"
#include "support/test_support.h"

namespace quiremark::gui {
namespace {

namespace fs = std::filesystem;
namespace type = platform::drive_type;
using settings::SaveRegSetting;

// The main window on screen with its folder tree over fake drives, one of
// them a folder of generated plot files, and a history and favourites.
class FolderTreeView : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(plot);
    fs::create_directories(disk / "Projekt" / "B-12");
    const char* files[][2] = {{"A-40-01.plt", "Plan 1 – belysning"}, {"A-40-02.plt", "Plan 2 – kraft"},
                              {"A-40-03.plt", "Fasad mot gården"}};
    for (const auto& [name, bookmark] : files) {
      testing::WriteFile(plot / name, testing::DriverPlotFile(1, name));
      testing::WriteFile(plot / (std::string(name).substr(0, 7) + ".txt"), bookmark);
    }
    SaveRegSetting("2026-12-01|B-12", (disk / "Projekt" / "B-12").string(), "Previous");
    SaveRegSetting("2026-12-03|Plot", plot.string(), "Previous");
    SaveRegSetting("Projekt", (disk / "Projekt").string(), "Favourite");
    SaveRegSetting("LastFolder", plot.string());

    state.converterSelector = settings::Converter::Ghostscript;
    form = std::make_unique<app::MainForm>(state, ui);
    window = std::make_unique<MainWindow>(*form);
    form->CommandBars.onResize = [this] { app::ArrangeControls(*form); };
    app::CreateCommandBars(*form);
    app::SetTheme(*form, 6, app::kFirstThemeCommand + 6);
    form->File1.SetPattern("*.plt");
    // Stands in for the dispatcher: records each command and runs the tree's refresh.
    form->CommandBars.onExecute = [this](controls::CommandBarControl& control) {
      executed.push_back(control.id());
      if (control.id() == app::cmd::kRefreshTree) app::RefreshFolderTree(*form);
    };
    form->Move(0, 0, 18000, 11250);
    form->Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    app::ConnectFolderTree(*form);
    app::SetupTreeView(*form);
    tree().SetIsCollapsed(1, controls::kExpanded);  // the history
    tree().SetIsCollapsed(RowOf("<"), controls::kExpanded);
    app::GotoLastFolder(*form);
    ASSERT_TRUE(QTest::qWaitFor([this] { return view().currentIndex().row() == tree().row(); }))
        << "the view shows the folder walked to";
  }

  controls::Grid& tree() { return form->fgTree; }
  GridView& view() { return window->tree(); }
  int RowOf(const std::string& data) {
    for (int r = 0; r < tree().rows(); ++r)
      if (tree().RowData(r) == data) return r;
    return -1;
  }
  QPoint At(int row) { return view().visualRect(view().model()->index(row, 0)).center(); }

  // Right-clicks a row and returns the captions of the menu that shows.
  QStringList MenuAt(int row) {
    QStringList captions;
    std::function<void()> read = [&captions, &read] {
      auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      if (!menu) return QTimer::singleShot(10, read);
      for (QAction* a : menu->actions())
        if (!a->isSeparator()) captions << a->text().section(u'\t', 0, 0);  // without its key
      menu->close();
    };
    QTimer::singleShot(0, read);
    QTest::mouseClick(view().viewport(), Qt::RightButton, {}, At(row));
    return captions;
  }

  testing::TempDir dir;
  testing::ScopedEnv registry{"QUIREMARK_REGISTRY", (dir / "reg").string()};
  fs::path disk = dir / "disk";
  fs::path plot = disk / "Projekt" / "A-40" / "Plot";
  testing::FakeDrives drives{{{disk.string(), type::kFixed, ""},
                              {"/media/cdrom", type::kCdRom, ""},
                              {"/mnt/nas", type::kRemote, "nas:/ritningar"}}};
  settings::AppState state;
  testing::ScriptedUi ui;
  std::unique_ptr<app::MainForm> form;
  std::unique_ptr<MainWindow> window;
  std::vector<int> executed;
};

TEST_F(FolderTreeView, TheTreeOpensToTheLastFolderAndTheGridListsItsPlotFiles) {
  const int row = RowOf(plot.string());
  ASSERT_GT(row, 0);
  EXPECT_EQ(view().currentIndex().row(), row);
  EXPECT_FALSE(view().isRowHidden(row));
  EXPECT_TRUE(view().model()->index(row, 0).data(Qt::FontRole).value<QFont>().bold());
  EXPECT_FALSE(view().model()->index(row - 1, 0).data(Qt::FontRole).value<QFont>().bold());
  EXPECT_EQ(window->windowTitle(), QStringLiteral("Quiremark(GS) - [Plot]"));

  QTableView& files = window->files();
  ASSERT_TRUE(files.isVisible());
  ASSERT_EQ(files.model()->rowCount(), 3);
  EXPECT_EQ(files.model()->index(0, 1).data().toString(), QStringLiteral("A-40-01.plt"));
  EXPECT_EQ(files.model()->index(2, 2).data().toString(), QString::fromUtf8("Fasad mot gården"));

  // Every kind of row shows its picture; a placeholder none.
  for (const std::string& data :
       {std::string(), std::string(">"), std::string("<"), ">" + plot.string(), "<" + (disk / "Projekt").string(),
        disk.string(), std::string("/media/cdrom"), std::string("/mnt/nas"), plot.string()}) {
    const int r = RowOf(data);
    ASSERT_GE(r, 0) << data;
    EXPECT_FALSE(view().model()->index(r, 0).data(Qt::DecorationRole).value<QIcon>().isNull()) << data;
  }
  EXPECT_FALSE(view().model()->index(RowOf("/mnt/nas") + 1, 0).data(Qt::DecorationRole).isValid());
  // A history entry has nothing to open; a collapsed drive has.
  EXPECT_TRUE(view().OutlineButtonRect(RowOf(">" + plot.string())).isEmpty());
  EXPECT_FALSE(view().OutlineButtonRect(RowOf("/mnt/nas")).isEmpty());

  const QImage shot = window->grab().toImage();
  ASSERT_TRUE(shot.save(QStringLiteral(QUIREMARK_BINARY_DIR "/folder_tree.png")));
  const QImage treeShot = view().viewport()->grab().toImage();
  std::set<QRgb> colours;
  for (int y = 0; y < treeShot.height(); ++y)
    for (int x = 0; x < 40 && x < treeShot.width(); ++x) colours.insert(treeShot.pixel(x, y));
  EXPECT_GT(colours.size(), 30u) << "pictures and buttons in the tree's left edge";
}

TEST_F(FolderTreeView, TheContextMenuShowsTheEntriesOfTheCurrentRow) {
  const QStringList common = {QStringLiteral("&Uppdatera mappträd"), QString::fromUtf8("St&äng mappträd"),
                              QStringLiteral("&Utforska mapp")};
  struct Case {
    std::string data;
    QStringList first;
  };
  for (const Case& c : std::vector<Case>{
           {">" + plot.string(), {QString::fromUtf8("Ta &bort från listan"), QString::fromUtf8("Gå &till mapp")}},
           {"<" + (disk / "Projekt").string(),
            {QString::fromUtf8("Ta &bort från listan"), QString::fromUtf8("Gå &till mapp")}},
           {plot.string(), {QStringLiteral("S&para mappen 'Plot' bland favoriter")}},
       }) {
    QTest::mouseClick(view().viewport(), Qt::LeftButton, {}, At(RowOf(c.data)));
    ASSERT_EQ(tree().RowData(tree().row()), c.data);
    EXPECT_EQ(MenuAt(RowOf(c.data)), c.first + common) << c.data;
  }
  // The menu belongs to the current row, not to the row under the pointer.
  EXPECT_EQ(MenuAt(RowOf(">")), QStringList{QStringLiteral("S&para mappen 'Plot' bland favoriter")} + common);
}

TEST_F(FolderTreeView, KeysAndDoubleClickOpenCloseAndSelect) {
  const std::string b12 = (disk / "Projekt" / "B-12").string();
  const int project = RowOf((disk / "Projekt").string());
  view().setFocus();
  tree().SetRow(project);
  QTest::keyClick(&view(), Qt::Key_Left);
  EXPECT_EQ(tree().IsCollapsed(project), controls::kCollapsed);
  EXPECT_TRUE(view().isRowHidden(RowOf(b12)));
  QTest::keyClick(&view(), Qt::Key_Right);
  EXPECT_FALSE(view().isRowHidden(RowOf(b12)));

  tree().SetRow(RowOf(b12));
  QTest::keyClick(&view(), Qt::Key_Return);
  EXPECT_EQ(settings::GetRegSetting("LastFolder", ""), b12);
  EXPECT_EQ(window->windowTitle(), QStringLiteral("Quiremark(GS) - [B-12]"));
  tree().SetRow(RowOf(plot.string()));
  QTest::keyClick(&view(), Qt::Key_Space);
  EXPECT_EQ(settings::GetRegSetting("LastFolder", ""), plot.string());

  // A double click on a drive never opened lists it.
  const int nas = RowOf("/mnt/nas");
  QTest::mouseDClick(view().viewport(), Qt::LeftButton, {}, At(nas));
  EXPECT_EQ(tree().IsCollapsed(nas), controls::kExpanded);

  // F5 reaches the tree's refresh through the window's key binding: the tree is rebuilt and walked back.
  QTest::keyClick(&view(), Qt::Key_F5);
  EXPECT_EQ(executed, std::vector<int>{app::cmd::kRefreshTree});
  EXPECT_EQ(tree().RowData(tree().row()), plot.string());
  EXPECT_EQ(view().currentIndex().row(), tree().row());
  EXPECT_EQ(tree().IsCollapsed(1), controls::kCollapsed) << "the history is closed again after the rebuild";
}

}  // namespace
}  // namespace quiremark::gui
