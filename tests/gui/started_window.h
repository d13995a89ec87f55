#pragma once

// The main window started as the program starts it, on screen (offscreen),
// over a folder of three plot files.
#include <gtest/gtest.h>

#include <QMenu>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <sstream>

#include "app/command_table.h"
#include "app/main_dispatcher.h"
#include "app/main_form.h"
#include "app/main_startup.h"
#include "engine/plot_files.h"
#include "gui/command_bars_view.h"
#include "gui/main_window.h"
#include "settings/registry_settings.h"
#include "support/scripted_ui.h"
#include "support/test_support.h"

namespace quiremark::gui {

class StartedWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(dir / "bin");
    testing::WriteFile(dir / "bin" / app::kIniFileName, "[Patterns]\r\n*.plt\r\n*.eps\r\n");
    std::filesystem::create_directories(drawings);
    if (withPlotFiles)
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
  std::filesystem::path drawings = dir / "Ritningar";
  bool withPlotFiles = true;  // the folder holds three plot files
  settings::AppState state;
  testing::ScriptedUi ui;
  app::MainForm form{state, ui};
  MainWindow window{form};
  std::ostringstream err;
};

}  // namespace quiremark::gui
