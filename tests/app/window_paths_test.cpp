// Paths through the whole main window, from start-up over the folder tree,
// the file grid, the filters and the tree scan to the bind, without a display.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "app/bind_run.h"
#include "app/command_table.h"
#include "app/main_commands.h"
#include "app/main_dispatcher.h"
#include "app/main_form.h"
#include "app/main_startup.h"
#include "controls/input_codes.h"
#include "app/start_procedure.h"
#include "engine/plot_files.h"
#include "platform/process.h"
#include "platform/program_info.h"
#include "settings/registry_settings.h"
#include "support/fake_drives.h"
#include "support/scripted_ui.h"
#include "support/test_support.h"

namespace quiremark::app {
namespace {

namespace fs = std::filesystem;
namespace type = platform::drive_type;

// A started main window over one fake drive that holds a drawing project,
// converting with gs, with its settings file, registry and temporary folder
// in the test's folder.
class WindowPaths : public ::testing::Test {
 protected:
  testing::TempDir dir;
  fs::path bin = dir / "bin";
  fs::path disk = dir / "disk";
  fs::path project = disk / "Projekt";
  fs::path pdf = dir / "Ut.pdf";
  testing::ScopedEnv programDir{"QUIREMARK_PROGRAM_DIR", bin.string()};
  testing::ScopedEnv registry{"QUIREMARK_REGISTRY", (dir / "reg").string()};
  testing::ScopedEnv temp{"Temp", dir.path().string()};
  testing::ScopedEnv programFiles{"ProgramFiles", std::nullopt};
  testing::ScopedEnv programFiles86{"ProgramFiles(x86)", std::nullopt};
  testing::FakeDrives drives{{{disk.string(), type::kFixed, ""}}};
  settings::AppState state;
  testing::ScriptedUi ui;
  MainForm form{state, ui};
  std::ostringstream err;

  void SetUp() override {
    fs::create_directories(bin);
    testing::WriteFile(bin / kIniFileName, "[Patterns]\r\n*.plt\r\n*.eps\r\n");
    settings::SaveRegSetting("chkOpenPdf", "0", "Options");
    form.builtConverter = settings::Converter::Ghostscript;
  }

  void Plot(const fs::path& folder, const std::string& name) {
    fs::create_directories(folder);
    testing::WriteFile(folder / name, testing::DriverPlotFile(1, name));
  }

  int TreeRowOf(const std::string& data) const {
    for (int r = 0; r < form.fgTree.rows(); ++r)
      if (form.fgTree.RowData(r) == data) return r;
    return -1;
  }
  int TreeRowOf(const fs::path& folder) const { return TreeRowOf(folder.string()); }
  // A left click on a tree row.
  void ClickTreeRow(int row) {
    form.fgTree.SetRow(row);
    form.fgTree.SetMouseCell(row);
    form.fgTree.RaiseMouseUp(controls::kLeftButton, 0, 0, 0);
  }
  std::string Notice() { return form.StatusBar.FindPane(kNoticePane)->text; }
  // The folders of the history, in the registry's order.
  static std::vector<std::string> History() {
    std::vector<std::string> folders;
    for (int i = 0;; ++i) {
      const settings::RegValueEntry value =
          settings::RegEnumValueAt(settings::Hive::CurrentUser, settings::ProgramKeyPath() + "\\Previous", i);
      if (!value.found) return folders;
      folders.push_back(value.data);
    }
  }

  // Start-up as the start procedure leaves it for these switches.
  void Start(const fs::path& lastFolder, bool treeScan, bool unattended) {
    settings::SaveRegSetting("LastFolder", lastFolder.string());
    state.treeScanArg = treeScan;
    if (unattended) state.outFileArg = pdf.string();
    LoadMainWindow(form, err);
  }
};

// The tree lists no hidden folder, so its walk stops short of one; an
// unattended run binds the folder its command line names all the same, and
// not the folder above it.
TEST_F(WindowPaths, AnUnattendedRunBindsAStartFolderTheTreeCannotReach) {
  const fs::path hidden = project / ".arkiv";
  Plot(hidden, "A-01-01.plt");
  Plot(hidden / "Äldre", "A-01-02.plt");
  Plot(project / "Ritningar", "K-20-01.plt");

  Start(hidden, true, true);
  EXPECT_EQ(ui.endedWith, kExitPdfMade) << err.str();
  EXPECT_EQ(form.Dir1.path(), hidden.string());
  EXPECT_EQ(form.fgFiles.TextMatrix(1, 1), "A-01-01.plt");
  EXPECT_EQ(form.fgFiles.TextMatrix(2, 1), "/Äldre/A-01-02.plt");
  EXPECT_EQ(form.fgFiles.rows(), 3) << "nothing of the folder above";
  EXPECT_EQ(platform::RunAndCapture({"qpdf", "--show-npages", pdf.string()}), "2\n");
  EXPECT_EQ(History(), std::vector<std::string>{hidden.string()});
}

// What a scan cannot read it leaves out of the grid; a PDF of the rest would
// pass for the whole tree, so an unattended run makes none and names the
// first that is missing.
TEST_F(WindowPaths, AnUnattendedScanThatLeavesSomethingOutMakesNoPdf) {
  for (const char* folder : {"A", "B", "C", "D"}) Plot(project / folder, std::string(folder) + "-01.plt");
  ::chmod((project / "B").c_str(), 0);
  ::chmod((project / "D" / "D-01.plt").c_str(), 0);
  const testing::PermissionsApply asAUser;
  Start(project, true, true);
  EXPECT_EQ(ui.endedWith, kExitNoPdf);
  EXPECT_FALSE(fs::exists(pdf));
  EXPECT_EQ(err.str(), platform::ProgramName() + ": Ingen PDF skapades: mappavsökningen kunde inte läsa 1 mapp och "
                                                 "1 plottfil, den första är mappen " +
                           (project / "B").string() + " (behörighet saknas).\n");
  EXPECT_EQ(form.fgFiles.rows(), 3) << "A and C were listed";
  ::chmod((project / "B").c_str(), 0755);
}

TEST_F(WindowPaths, AnInteractiveTreeScanOfAStartFolderTheTreeCannotReachIsRefused) {
  const fs::path hidden = project / ".arkiv";
  Plot(hidden, "A-01-01.plt");
  Plot(project / "Ritningar", "K-20-01.plt");
  ui.ExpectBox("Startmappen " + hidden.string() + " kan inte öppnas i mappträdet. Ingen mappavsökning gjordes.",
               controls::MsgResult::Ok, controls::mb::kOkOnly | controls::mb::kExclamation, "Mappavsökning");
  Start(hidden, true, false);
  EXPECT_TRUE(form.startupComplete);
  EXPECT_FALSE(ui.endedWith);
  EXPECT_FALSE(state.treeScanActive);
  EXPECT_EQ(form.fgFiles.TextMatrix(0, 0), "Nr");
}

TEST_F(WindowPaths, AnUnattendedScanOfAReachableStartFolderStillBinds) {
  Plot(project / "Ritningar", "K-20-01.plt");
  Start(project / "Ritningar" / "", true, true);
  EXPECT_EQ(ui.endedWith, kExitPdfMade) << err.str();
  EXPECT_TRUE(fs::exists(pdf));
}

// A bind yields to the window: a folder clicked or opened in the tree
// meanwhile is refused, and the tree stays on the folder being bound, so the
// next bind records the folder it binds in the history.
TEST_F(WindowPaths, AFolderClickedOrOpenedWhileABindYieldsLeavesTheTreeOnTheBoundFolder) {
  const fs::path drawings = project / "Ritningar";
  const fs::path other = project / "VVS";
  Plot(drawings, "A-40-01.plt");
  Plot(other, "V-57-01.plt");
  Start(drawings, false, false);
  ASSERT_EQ(form.Dir1.path(), drawings.string());
  controls::Grid& tree = form.fgTree;
  const int bound = tree.row();
  const int otherRow = TreeRowOf(other);
  ASSERT_EQ(tree.RowData(bound), drawings.string());
  ASSERT_GT(otherRow, 0);

  form.fgFiles.SetTextMatrix(1, 0, "1");
  state.outFileArg = pdf.string();
  ui.onYield = [&] {
    ClickTreeRow(otherRow);
    tree.SetIsCollapsed(otherRow, controls::kExpanded);
  };
  ASSERT_TRUE(CreatePdf(form, kBindPlain));
  ui.onYield = nullptr;
  EXPECT_EQ(tree.row(), bound);
  EXPECT_EQ(form.StatusBar.Pane(0).text, drawings.string());
  EXPECT_EQ(Notice(), "Vänta tills PDF-filen är klar");

  ASSERT_TRUE(CreatePdf(form, kBindPlain));
  EXPECT_EQ(History(), std::vector<std::string>{drawings.string()});
}

// A run yields to the window: what is typed into the file filter meanwhile
// is refused, so that the box, the file list and the grid still agree when
// the run ends (and a scan's end saves no pattern it did not use).
TEST_F(WindowPaths, AFileFilterTypedWhileARunYieldsIsRefused) {
  const fs::path drawings = project / "Ritningar";
  Plot(drawings, "A-40-01.plt");
  Plot(drawings, "A-40-02.eps");
  Start(drawings, false, false);
  ASSERT_EQ(form.fgFiles.TextMatrix(1, 1), "A-40-01.plt");
  state.outFileArg = pdf.string();
  for (const bool scan : {false, true}) {
    SCOPED_TRACE(scan ? "tree scan" : "bind");
    ui.onYield = [&] { form.cboFileExt.SetText("*.eps"); };
    if (scan) {
      ASSERT_TRUE(ScanFolderTree(form));
    } else {
      form.fgFiles.SetTextMatrix(1, 0, "1");
      ASSERT_TRUE(CreatePdf(form, kBindPlain));
    }
    ui.onYield = nullptr;
    EXPECT_EQ(form.cboFileExt.text(), "*.PLT");
    EXPECT_EQ(form.File1.pattern(), "*.PLT");
    EXPECT_EQ(form.fgFiles.rows(), 2);
    EXPECT_EQ(Notice(), scan ? "Vänta tills mappavsökningen är klar" : "Vänta tills PDF-filen är klar");
  }
  // Once the run is over the filter takes effect at once.
  form.cboFileExt.SetText("*.eps");
  EXPECT_EQ(form.fgFiles.TextMatrix(1, 1), "A-40-02.eps");
}

// A new file filter refills the grid from the working folder: the grid then
// no longer shows the tree scan, and its rows can be numbered and bound with
// an outline of their own.
TEST_F(WindowPaths, AFileFilterChosenAfterATreeScanEndsTheTreeScanMode) {
  const fs::path drawings = project / "Ritningar";
  Plot(drawings, "A-40-01.plt");
  Plot(drawings / "Konstruktion", "K-20-01.plt");
  Start(drawings, false, false);
  ASSERT_TRUE(ScanFolderTree(form));
  ASSERT_TRUE(state.treeScanActive);

  form.cboFileExt.SetText("*.plt");
  EXPECT_EQ(form.fgFiles.rows(), 2);
  EXPECT_EQ(form.fgFiles.TextMatrix(0, 0), "Nr");
  EXPECT_FALSE(state.treeScanActive);
  EXPECT_EQ(form.fgFiles.backColor(), controls::kSystemWindowColor);
  for (int id : {cmd::kNumberAll, cmd::kNumberSelected, cmd::kDeletePlotFiles})
    EXPECT_TRUE(form.CommandBars.FindControl(id)->enabled()) << id;

  RunCommand(form, cmd::kNumberAll);
  state.outFileArg = pdf.string();
  ASSERT_TRUE(CreatePdf(form, kBindPlain));
  EXPECT_NE(testing::ReadFile(dir / "QuiremarkTmp.ps").find("[(A-40-01) ] QuiremarkFileEnd"), std::string::npos)
      << "the PDF has its outline";
}

// A folder chosen through a favourite or a history entry is recorded in the
// history by its path, so that its entry leads back to it.
TEST_F(WindowPaths, ABindFromAFavouriteOrAHistoryEntryRecordsTheFoldersPath) {
  const fs::path drawings = project / "Ritningar";
  Plot(drawings, "A-40-01.plt");
  settings::SaveRegSetting("Ritningar", drawings.string(), "Favourite");
  Start(fs::path(), false, false);
  state.outFileArg = pdf.string();
  for (const char marker : {'<', '>'}) {
    SCOPED_TRACE(std::string(1, marker));
    SetupTreeView(form);
    form.fgTree.SetIsCollapsed(marker == '<' ? 3 : 1, controls::kExpanded);
    const int row = TreeRowOf(marker + drawings.string());
    ASSERT_GT(row, 0);
    ClickTreeRow(row);
    ASSERT_EQ(form.Dir1.path(), drawings.string());
    form.fgFiles.SetTextMatrix(1, 0, "1");
    ASSERT_TRUE(CreatePdf(form, kBindPlain));
    EXPECT_EQ(History(), std::vector<std::string>{drawings.string()});
  }
}

// A history entry whose folder is gone selects nothing: the tree stays on the
// working folder, so the next bind records that folder, not the gone one.
TEST_F(WindowPaths, AGoneHistoryEntryClickedLeavesTheTreeOnTheWorkingFolder) {
  const fs::path drawings = project / "Ritningar";
  const fs::path gone = project / "Riven";
  Plot(drawings, "A-40-01.plt");
  settings::SaveRegSetting("2026-01-01|Riven", gone.string(), "Previous");
  Start(drawings, false, false);
  form.fgTree.SetIsCollapsed(1, controls::kExpanded);
  const int goneRow = TreeRowOf(">" + gone.string());
  ASSERT_GT(goneRow, 0);
  ClickTreeRow(goneRow);
  EXPECT_EQ(form.StatusBar.Pane(0).text, "Mappen " + gone.string() + " finns inte.");
  EXPECT_EQ(form.fgTree.row(), TreeRowOf(drawings));

  form.fgFiles.SetTextMatrix(1, 0, "1");
  state.outFileArg = pdf.string();
  ASSERT_TRUE(CreatePdf(form, kBindPlain));
  EXPECT_EQ(History(), (std::vector<std::string>{gone.string(), drawings.string()}));
}

// Whatever way a refused action comes (a command, a click, a key), the
// status bar says why nothing happens.
TEST_F(WindowPaths, EveryActionRefusedWhileARunYieldsIsToldInTheStatusBar) {
  const fs::path drawings = project / "Ritningar";
  Plot(drawings, "A-40-01.plt");
  Start(drawings, false, false);
  state.treeScanRunning = true;
  const std::vector<std::pair<std::string, std::function<void()>>> actions = {
      {"AutoCAD", [&] { RunCommand(form, cmd::kRunAcad); }},
      {"IntelliCAD", [&] { RunCommand(form, cmd::kRunIcad); }},
      {"click in the grid",
       [&] {
         form.fgFiles.SetMouseCell(1);
         form.fgFiles.RaiseMouseDown(controls::kLeftButton, 0, 0, 0);
         form.fgFiles.RaiseMouseUp(controls::kLeftButton, 0, 0, 0);
       }},
      {"F5 in the grid", [&] { form.fgFiles.RaiseKeyDown(controls::kKeyF5, 0); }},
      {"F5 in the tree", [&] { form.fgTree.RaiseKeyDown(controls::kKeyF5, 0); }},
  };
  for (const auto& [name, action] : actions) {
    form.StatusBar.SetPaneText(kNoticePane, "");
    action();
    EXPECT_EQ(Notice(), "Vänta tills mappavsökningen är klar") << name;
  }
  EXPECT_EQ(form.fgFiles.TextMatrix(1, 0), "");
  EXPECT_TRUE(ui.shown.empty()) << "no box about a missing template";
  state.treeScanRunning = false;
}

// The walk to the start folder goes by whole names, so "." and ".." in a
// start folder are resolved before it is stored.
TEST_F(WindowPaths, DotAndDotDotInAStartFolderAreResolvedBeforeItIsStored) {
  fs::create_directories(project / "Ritningar");
  fs::create_directories(project / "VVS");
  std::vector<std::pair<std::string, std::string>> cases = {
      {(project / "VVS" / ".." / "Ritningar").string(), (project / "Ritningar").string()},
      {(project / "." / "Ritningar").string(), (project / "Ritningar").string()},
      {project.string() + "//Ritningar", (project / "Ritningar").string()},
  };
  // After a link to a folder ".." leads to the parent of the link's target.
  fs::create_directories(dir / "Arkiv" / "Hus");
  fs::create_directory_symlink(dir / "Arkiv" / "Hus", project / "Länk");
  cases.push_back({(project / "Länk" / ".." / "Hus").string(), (dir / "Arkiv" / "Hus").string()});
  for (const auto& [given, stored] : cases) {
    EXPECT_EQ(AbsoluteFolder(given), stored) << given;
    Main({"/StartDir:\"" + given + "\""}, state, ui, {});
    EXPECT_EQ(settings::GetRegSetting("LastFolder", ""), stored) << given;
  }
}

}  // namespace
}  // namespace quiremark::app
