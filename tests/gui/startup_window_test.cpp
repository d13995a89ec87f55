// The main window started as the program starts it, on screen (offscreen).
#include <gtest/gtest.h>

#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <memory>
#include <sstream>

#include "app/command_table.h"
#include "app/main_dispatcher.h"
#include "app/main_form.h"
#include "app/main_startup.h"
#include "engine/plot_files.h"
#include "gui/command_bars_view.h"
#include "gui/grid_view.h"
#include "gui/main_window.h"
#include "settings/registry_settings.h"
#include "support/scripted_ui.h"
#include "support/test_support.h"

namespace quiremark::gui {
namespace {

namespace fs = std::filesystem;

class StartedWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(dir / "bin");
    testing::WriteFile(dir / "bin" / app::kIniFileName, "[Patterns]\r\n*.plt\r\n*.eps\r\n");
    fs::create_directories(drawings);
    for (const char* name : {"A-40-01.plt", "A-40-02.plt", "A-40-03.plt"})
      testing::WriteFile(drawings / name, testing::DriverPlotFile(1, name));
    settings::SaveRegSetting("LastFolder", drawings.string());

    form.builtConverter = settings::Converter::Ghostscript;
    form.displayAvailable = true;
    app::LoadMainWindow(form, err);
    ASSERT_TRUE(form.startupComplete) << err.str();
    // Where the walk to the last folder is not there yet, the folder is chosen directly.
    if (form.Dir1.path().empty()) form.Dir1.SetPath(drawings.string());
    form.Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  }

  std::vector<std::string> Numbers() const {
    std::vector<std::string> numbers;
    for (int r = 1; r < form.fgFiles.rows(); ++r) numbers.push_back(form.fgFiles.TextMatrix(r, 0));
    return numbers;
  }
  // The menu item of a command, chosen as a click in its menu chooses it.
  void ChooseMenuItem(int id) {
    for (controls::CommandBarControl* control : form.CommandBars.FindControls(id)) {
      QAction* action = window.commandBars().ActionOf(*control);
      if (action && qobject_cast<QMenu*>(action->parent())) return action->trigger();
    }
    FAIL() << "no menu item " << id;
  }
  QToolButton* ToolbarButton(const std::string& toolbar, int id) {
    QToolBar* bar = window.commandBars().Toolbar(toolbar);
    for (controls::CommandBarControl* control : form.CommandBars.FindControls(id))
      if (QAction* action = window.commandBars().ActionOf(*control); action && bar->widgetForAction(action))
        return qobject_cast<QToolButton*>(bar->widgetForAction(action));
    return nullptr;
  }
  std::string Notice() { return form.StatusBar.FindPane(app::kNoticePane)->text; }

  testing::TempDir dir;
  testing::ScopedEnv programDir{"QUIREMARK_PROGRAM_DIR", (dir / "bin").string()};
  testing::ScopedEnv registry{"QUIREMARK_REGISTRY", (dir / "reg").string()};
  testing::ScopedEnv temp{"Temp", dir.path().string()};
  fs::path drawings = dir / "Ritningar";
  settings::AppState state;
  testing::ScriptedUi ui;
  app::MainForm form{state, ui};
  MainWindow window{form};
  std::ostringstream err;
};

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

TEST_F(StartedWindow, ClosingTheWindowWritesTheShutdownValues) {
  window.resize(1000, 700);
  form.fgFiles.SetColWidth(1, 2500);
  form.cboFileExt.SetText("*.eps");
  QTest::qWait(50);
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
