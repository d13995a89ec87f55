// The main window's command dispatcher, through the effects of its actions.
#include "app/main_dispatcher.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

#include "app/command_table.h"
#include "app/file_grid_events.h"
#include "app/main_form.h"
#include "app/main_startup.h"
#include "app/options_form.h"
#include "controls/input_codes.h"
#include "engine/plot_files.h"
#include "settings/registry_settings.h"
#include "support/scripted_ui.h"
#include "support/test_support.h"

namespace quiremark::app {
namespace {

namespace fs = std::filesystem;
namespace mb = controls::mb;
using controls::MsgResult;

// A main window with its command bars over a folder of three plot files,
// with the registry and the temporary folder in a folder of its own.
struct Window {
  Window() {
    fs::create_directories(drawings);
    for (const char* name : {"A-40-01.plt", "A-40-02.plt", "A-40-03.plt"})
      testing::WriteFile(drawings / name, testing::DriverPlotFile(1, name));
    form.Load();
    CreateCommandBars(form);
    ConnectCommandBars(form);
    ConnectFileGrid(form, [this] {
      ++reselected;
      if (failReselect) throw std::runtime_error("mappen kan inte läsas");
    });
    form.File1.SetPattern("*.plt");
    form.fgTree.SetRows(1);
    form.fgTree.SetRowData(0, drawings.string());
    form.fgTree.SetRow(0);
    form.Dir1.SetPath(drawings.string());
  }

  std::vector<std::string> Numbers() const {
    std::vector<std::string> numbers;
    for (int r = 1; r < form.fgFiles.rows(); ++r) numbers.push_back(form.fgFiles.TextMatrix(r, 0));
    return numbers;
  }
  bool HistoryStored() const {
    return settings::RegEnumValueAt(settings::Hive::CurrentUser, settings::ProgramKeyPath() + "\\Previous", 0).found;
  }
  std::string Notice() { return form.StatusBar.FindPane(kNoticePane)->text; }
  void Number() { RunCommand(form, cmd::kNumberAll); }
  // The box a Spec or Relation bind shows for a drawing folder without its path side file.
  void ExpectMissingSideFile(const std::string& name) {
    ui.ExpectBox("Filen " + drawings.string() + "/" + name +
                     " saknas.\r\rVill du skapa den nu genom att ange en standardsökväg för den här mappen?",
                 MsgResult::No, mb::kYesNo | mb::kExclamation, name + " saknas");
  }

  testing::TempDir dir;
  testing::ScopedEnv registry{"QUIREMARK_REGISTRY", (dir / "reg").string()};
  testing::ScopedEnv temp{"Temp", dir.path().string()};
  fs::path drawings = dir / "Ritningar";
  settings::AppState state;
  testing::ScriptedUi ui;
  MainForm form{state, ui};
  int reselected = 0;
  bool failReselect = false;
};

class Dispatcher : public ::testing::Test, public Window {};

// One row per command whose action is built: what is arranged (boxes it
// must show included), and what it must have done.
struct Row {
  int id;
  std::function<void(Window&)> arrange;
  std::function<void(Window&)> check;
};

TEST(DispatchTable, EveryBuiltRowRunsItsAction) {
  controls::Color optionsColour = 0;
  OptionsForm::AttachView() = [&optionsColour](OptionsForm& options) {
    options.onShowRequest = [&options, &optionsColour](bool modal) {
      EXPECT_TRUE(modal);
      optionsColour = options.backColor();
    };
  };
  const Row rows[] = {
      {cmd::kCreatePdf, {}, [](Window& w) { EXPECT_TRUE(w.HistoryStored()) << "the bind ran (nothing numbered)"; }},
      {cmd::kCreatePdfSpec, [](Window& w) { w.ExpectMissingSideFile("Quiremark.path"); }, {}},
      {cmd::kCreatePdfRelation, [](Window& w) { w.ExpectMissingSideFile("Quiremark.relation.path"); }, {}},
      {cmd::kNumberAll, {}, [](Window& w) { EXPECT_EQ(w.Numbers(), (std::vector<std::string>{"1", "2", "3"})); }},
      {cmd::kNumberSelected,
       [](Window& w) {
         w.form.SelectionStartRow = 2;
         w.form.SelectionEndRow = 3;
       },
       [](Window& w) { EXPECT_EQ(w.Numbers(), (std::vector<std::string>{"", "1", "2"})); }},
      {cmd::kUnnumberAll, [](Window& w) { w.Number(); },
       [](Window& w) { EXPECT_EQ(w.Numbers(), (std::vector<std::string>{"", "", ""})); }},
      {cmd::kViewPdf,
       [](Window& w) {
         w.state.lastPdfPath = (w.dir / "borta.pdf").string();
         w.ui.ExpectBox("Filen " + (w.dir / "borta").string() + ".pdf existerar ej/är ej färdigdestillerad.",
                        MsgResult::Ok, mb::kOkOnly | mb::kExclamation, "Fil saknas");
       },
       {}},
      {cmd::kViewPdf, {}, {}},  // no PDF made in this run: nothing happens
      {cmd::kOptions, {},
       [&](Window& w) { EXPECT_EQ(optionsColour, w.state.themeBaseColor) << "shade 0 after the dialog's own 10"; }},
      {cmd::kRefreshFiles, {}, [](Window& w) { EXPECT_EQ(w.reselected, 1) << "F5 in the file grid"; }},
      {1006, [](Window& w) { RunCommand(w.form, 1002); },
       [](Window& w) {
         EXPECT_EQ(w.form.CommandBars.visualTheme(), 6);
         EXPECT_EQ(settings::GetRegSetting("Theme", ""), "6");
         EXPECT_TRUE(w.form.CommandBars.FindControl(1006)->checked());
         EXPECT_FALSE(w.form.CommandBars.FindControl(1002)->checked());
       }},
      {cmd::kExit, {},
       [](Window& w) {
         EXPECT_FALSE(w.form.loaded());
         EXPECT_NE(settings::GetRegSetting("Width", "<none>"), "<none>") << "the unload handler ran";
       }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.id);
    Window window;
    if (row.arrange) row.arrange(window);
    RunCommand(window.form, row.id);
    if (row.check) row.check(window);
  }
  OptionsForm::AttachView() = nullptr;
}

TEST_F(Dispatcher, IdsWithoutAnActionDoNothing) {
  Number();
  RunCommand(form, 1002);
  for (int id : {0, cmd::kMenuFile, cmd::kMenuView, cmd::kFileFilter, cmd::kFilterLabel, cmd::kBookmarkLabel,
                 cmd::kToolbarList, cmd::kDigiTejp, 999, 1007, 4711}) {
    RunCommand(form, id);
    EXPECT_EQ(Numbers(), (std::vector<std::string>{"1", "2", "3"})) << id;
    EXPECT_EQ(form.CommandBars.visualTheme(), 2) << id;
  }
  EXPECT_TRUE(ui.shown.empty());
  EXPECT_TRUE(form.loaded());
}

TEST_F(Dispatcher, DuringARunCommandsThatChangeTheGridWaitWithANotice) {
  Number();
  for (const auto& [binding, notice] : {std::pair{&settings::AppState::bindRunActive, "Vänta tills PDF-filen är klar"},
                                        std::pair{&settings::AppState::treeScanRunning,
                                                  "Vänta tills mappavsökningen är klar"}}) {
    state.*binding = true;
    for (int id : {cmd::kCreatePdf, cmd::kCreatePdfSpec, cmd::kUnnumberAll, cmd::kNumberSelected,
                   cmd::kRefreshFiles, cmd::kScanFolderTree, cmd::kFilterBySelection, cmd::kDeletePlotFiles,
                   cmd::kDeleteSelectedFiles, cmd::kRefreshTree, cmd::kCloseTree, cmd::kGotoFolder}) {
      form.StatusBar.SetPaneText(kNoticePane, "");
      RunCommand(form, id);
      EXPECT_EQ(Notice(), notice) << id;
    }
    EXPECT_EQ(Numbers(), (std::vector<std::string>{"1", "2", "3"}));
    EXPECT_EQ(reselected, 0);
    EXPECT_FALSE(HistoryStored()) << "no second bind";

    // What changes nothing the run uses still runs, and clears the notice.
    RunCommand(form, 1003);
    EXPECT_EQ(form.CommandBars.visualTheme(), 3);
    EXPECT_EQ(Notice(), "");
    state.*binding = false;
  }
  EXPECT_TRUE(ui.shown.empty());
}

TEST_F(Dispatcher, TheSameIdRunsTheSameActionFromMenuToolbarKeyAndContextMenu) {
  const std::vector<controls::CommandBarControl*> copies = form.CommandBars.FindControls(cmd::kUnnumberAll);
  ASSERT_EQ(copies.size(), 2u) << "menu item and toolbar button";
  controls::CommandBar& popup = form.CommandBars.AddPopup();
  controls::CommandBarControl& item = popup.controls().Add(controls::kControlButton, cmd::kUnnumberAll, "A&vnumrera alla");
  for (controls::CommandBarControl* control : {copies[0], copies[1], &item}) {
    Number();
    form.CommandBars.Execute(*control);
    EXPECT_EQ(Numbers(), (std::vector<std::string>{"", "", ""}));
  }

  // F5 and F3 reach the refresh of the tree and the tree scan: during a bind both wait.
  state.bindRunActive = true;
  for (int key : {controls::kKeyF5, controls::kKeyF3}) {
    form.StatusBar.SetPaneText(kNoticePane, "");
    EXPECT_TRUE(form.CommandBars.HandleKey(key, 0));
    EXPECT_EQ(Notice(), "Vänta tills PDF-filen är klar") << key;
  }
  state.bindRunActive = false;
}

TEST_F(Dispatcher, AFailingActionIsReportedAndTheWindowGoesOn) {
  failReselect = true;
  ui.ExpectBox("Kommandot kunde inte slutföras.\r\rmappen kan inte läsas", MsgResult::Ok, mb::kOkOnly | mb::kCritical,
               "Fel");
  RunCommand(form, cmd::kRefreshFiles);
  EXPECT_FALSE(form.hourglass());
  failReselect = false;
  RunCommand(form, cmd::kRefreshFiles);
  EXPECT_EQ(reselected, 2);
}

TEST_F(Dispatcher, ResizeOfTheBarsLaysOutThePanes) {
  form.Move(0, 0, 15000, 9000);
  form.CommandBars.SetClientRect({0, 600, 10000, 6600});
  EXPECT_EQ(form.fraMain.top(), 600);
  EXPECT_EQ(form.fraMain.height(), 6000);
  EXPECT_EQ(form.fgTree.width(), 3500);
  EXPECT_EQ(form.fgFiles.left(), 3500 + 50 + 40);
  EXPECT_EQ(form.fgFiles.width(), 6320);
}

}  // namespace
}  // namespace quiremark::app
