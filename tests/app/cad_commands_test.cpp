#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "app/command_table.h"
#include "app/main_commands.h"
#include "app/main_form.h"
#include "platform/clock.h"
#include "platform/environment.h"
#include "platform/program_info.h"
#include "settings/registry_settings.h"
#include "support/scripted_ui.h"
#include "support/test_support.h"

namespace quiremark::app {
namespace {

namespace fs = std::filesystem;
using controls::MsgResult;

class FixedClock : public platform::Clock {
 public:
  TimePoint Now() const override { return std::chrono::system_clock::from_time_t(1700000000); }
  std::string ShortDate(TimePoint) const override { return "2023-11-14"; }
  std::string LongTime(TimePoint) const override { return "23:13:20"; }
};

// Writes an executable script that records its arguments, each in brackets,
// into `record` once it has them all.
void RecordingProgram(const fs::path& program, const fs::path& record) {
  testing::WriteFile(program, "#!/bin/sh\nfor a in \"$@\"; do printf '[%s]' \"$a\"; done > '" + record.string() +
                                  ".part'\nmv '" + record.string() + ".part' '" + record.string() + "'\n");
  ::chmod(program.c_str(), 0755);
}

// What a program started without being waited for recorded; "" when it did
// not run within `tries` hundredths of a second.
std::string WaitForRecord(const fs::path& record, int tries = 300) {
  for (int i = 0; i < tries && !fs::exists(record); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return fs::exists(record) ? testing::ReadFile(record) : "";
}

class CadScripts : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const fs::path& folder : {templates, drawings, temp, cad}) fs::create_directories(folder);
    CreateCommandBars(form);
    form.FileScr.SetPath(templates.string());
    form.File1.SetPath(drawings.string());
    form.fgFiles.SetCols(4);
    form.fgFiles.SetFixedRows(1);
    for (const char* name : {"A-101.plt", "A-102.plt", "A-103.plt"})
      form.fgFiles.AddItem(std::string("\t") + name + "\t\t");
    RecordingProgram(program, record);
    form.txtAcad.SetText(program.string());
  }

  void Template(const std::string& name, const std::string& text) {
    testing::WriteFile(templates / name, text);
    form.cboScr.SetText(name);
  }
  void SelectRows(std::initializer_list<int> rows) {
    for (int row : rows) form.fgFiles.SetRowSelected(row, true);
  }
  std::string Script() const { return testing::ReadFile(temp / "ScriptIt.scr"); }
  std::string Started() const { return WaitForRecord(record); }
  std::string ExpectedArguments(const std::string& parameters = "") const {
    return "[" + (cad / "elprscr.dwg").string() + "]" + parameters + "[/b][" + (temp / "ScriptIt.scr").string() + "]";
  }

  testing::TempDir dir;
  testing::ScopedEnv registry{"QUIREMARK_REGISTRY", (dir / "reg").string()};
  fs::path temp = dir / "tmp";
  testing::ScopedEnv tempVariable{"Temp", temp.string()};
  fs::path templates = dir / "Mallar";
  fs::path drawings = dir / "Ritn";
  fs::path cad = dir / "cad";
  fs::path program = cad / "bricscad";
  fs::path record = dir / "started.txt";
  FixedClock clock;
  platform::ScopedClock fixedClock{clock};
  settings::AppState state;
  testing::ScriptedUi ui;
  MainForm form{state, ui};
};

TEST_F(CadScripts, ChoosingAFolderListsItsTemplatesAndShowsItOnTheToolbar) {
  testing::WriteFile(templates / "b.scr", "");
  testing::WriteFile(templates / "A.SCR", "");
  testing::WriteFile(templates / "notes.txt", "");
  ui.QueueFolder(templates.string());
  form.FileScr.SetPath(dir.path().string());
  ChooseScriptFolder(form);

  ASSERT_EQ(ui.folderRequests.size(), 1u);
  EXPECT_EQ(ui.folderRequests[0],
            std::make_pair(dir.path().string(), std::string("Välj mapp innehållande scriptmallar (*.scr)")));
  EXPECT_EQ(form.cboScr.items(), (std::vector<std::string>{"A.SCR", "b.scr"}));
  EXPECT_EQ(form.cboScr.text(), "A.SCR");
  EXPECT_EQ(form.CommandBars.FindControl(cmd::kScriptFolder)->tooltipText(), templates.string());
  EXPECT_EQ(form.CommandBars.FindControl(cmd::kScriptFolder)->descriptionText(), templates.string());
  EXPECT_EQ(form.CommandBars.FindControl(cmd::kScriptChoice)->descriptionText(), templates.string());
  EXPECT_EQ(settings::GetRegSetting("RdsDir", "?"), templates.string());
  EXPECT_EQ(ui.yields, 1);
}

TEST_F(CadScripts, CancellingTheFolderDialogKeepsTheTemplateFolder) {
  ChooseScriptFolder(form);  // no answer queued: cancelled
  EXPECT_EQ(form.FileScr.path(), templates.string());
  EXPECT_EQ(settings::GetRegSetting("RdsDir", "?"), "?");
}

TEST_F(CadScripts, RefreshKeepsTheChosenTextEvenWhenItIsGoneAndLaysTheWindowOut) {
  testing::WriteFile(templates / "a.scr", "");
  form.cboScr.SetText("borttagen.scr");
  form.Move(0, 0, 12000, 9000);
  form.CommandBars.SetClientRect({0, 800, 10000, 7800});
  RefreshScriptList(form);
  EXPECT_EQ(form.cboScr.items(), std::vector<std::string>{"a.scr"});
  EXPECT_EQ(form.cboScr.text(), "borttagen.scr");
  EXPECT_EQ(form.fgTree.width(), 3500) << "the panes are laid out again";
}

TEST_F(CadScripts, TemplateRunsOverTheSelectedRowsAndStartsTheProgram) {
  Template("Plot.scr",
           "%C Plottar %f\r\n"
           "OPEN \"%f\"\r\n"
           "; only a comment\r\n"
           "-PLOT %name %ext  ;\r\n"
           "TEXT %date %time %m;note\r\n"
           "%END\r\n"
           "NEVER\r\n");
  SelectRows({3, 1});
  form.txtParamAcad.SetText("/nologo \"/p Min profil\"");
  RunCadScript(form, "Acad");

  const std::string d = drawings.string();
  EXPECT_EQ(Script(), "OPEN \"" + d + "/A-101.plt\"\r\n\r\n-PLOT A-101 plt\r\nTEXT 2023-11-14 23:13:20 \r\n" +
                          "OPEN \"" + d + "/A-103.plt\"\r\n\r\n-PLOT A-103 plt\r\nTEXT 2023-11-14 23:13:20 \r\n" +
                          ".EXIT\r\n");
  EXPECT_EQ(Started(), ExpectedArguments("[/nologo][/p Min profil]"));
}

TEST_F(CadScripts, NoSelectedRowsStillStartsTheProgramWithAnExitOnlyScript) {
  Template("Plot.scr", "QSAVE\r\n");
  RunCadScript(form, "Acad");
  EXPECT_EQ(Script(), ".EXIT\r\n");
  EXPECT_EQ(Started(), ExpectedArguments());
}

TEST_F(CadScripts, TemplateNameIsTrimmedForTheRun) {
  Template("Plot.scr", "QSAVE\r\n");
  form.cboScr.SetText("  Plot.scr ");
  SelectRows({2});
  form.txtIcad.SetText(program.string());
  RunCadScript(form, "Icad");
  EXPECT_EQ(Script(), "QSAVE\r\n.EXIT\r\n");
  EXPECT_EQ(Started(), ExpectedArguments());
}

TEST_F(CadScripts, QuotedProjectMarkAsksForTheProjectDatabase) {
  Template("Projekt.scr", "%C SETVAR \"%m\"\r\nPROJECT %m\r\n");
  SelectRows({1});
  ui.QueueOpenFile("/P/Proj/Bridge.rev2.pds");
  RunCadScript(form, "Acad");
  ASSERT_EQ(ui.openRequests.size(), 1u);
  EXPECT_EQ(ui.openRequests[0].title, "Välj projektdatabas");
  EXPECT_EQ(ui.openRequests[0].filter, "Projektdatabas (*.pds)|*.pds");
  EXPECT_EQ(ui.openRequests[0].initialFolder, drawings.string());
  EXPECT_EQ(ui.openRequests[0].flags, 0x89802);
  EXPECT_EQ(Script(), "PROJECT Bridge.rev2\r\n.EXIT\r\n");
}

TEST_F(CadScripts, NoProjectChosenEndsTheRunSilently) {
  Template("Projekt.scr", "PROJECT \"%m\"\r\n");
  SelectRows({1});
  for (std::optional<std::string> answer : {std::optional<std::string>(), std::optional<std::string>("/P/a.mdb")}) {
    ui.QueueOpenFile(answer);
    RunCadScript(form, "Acad");
  }
  EXPECT_FALSE(fs::exists(temp / "ScriptIt.scr"));
  EXPECT_EQ(WaitForRecord(record, 50), "");
}

TEST_F(CadScripts, MissingTemplateOrProgramIsReported) {
  ui.ExpectBox("Ingen scriptmall är vald.", MsgResult::Ok, 16, "Fel");
  RunCadScript(form, "Acad");
  form.cboScr.SetText("Saknas.scr");
  ui.ExpectBox("Ingen scriptmall " + templates.string() + "/Saknas.scr funnen.", MsgResult::Ok, 16, "Fel");
  RunCadScript(form, "Acad");
  EXPECT_FALSE(fs::exists(temp / "ScriptIt.scr"));

  Template("Plot.scr", "QSAVE\r\n");
  form.txtAcad.SetText((cad / "acad.exe").string());
  ui.ExpectBox("Hittar ej programmet " + (cad / "acad.exe").string() + ".", MsgResult::Ok, 16, "Fil saknas");
  RunCadScript(form, "Acad");
  EXPECT_EQ(Script(), ".EXIT\r\n") << "the script is written before the program is looked for";
}

TEST_F(CadScripts, AnotherKindWritesTheScriptAndStartsNothing) {
  Template("Plot.scr", "QSAVE\r\n");
  testing::WriteFile(temp / "ScriptIt.scr", "an earlier, longer script\r\n.EXIT\r\n");
  RunCadScript(form, "acad");
  EXPECT_EQ(Script(), ".EXIT\r\n");
  EXPECT_EQ(WaitForRecord(record, 50), "");
}

TEST_F(CadScripts, ScriptThatCannotBeWrittenEndsTheRun) {
  Template("Plot.scr", "QSAVE\r\n");
  const fs::path script = temp / "ScriptIt.scr";
  fs::create_symlink(dir / "elsewhere.scr", script);  // planted at the fixed name
  ui.ExpectBox("Filen " + script.string() + " är skrivskyddad.", MsgResult::Ok, 0, "Quiremark");
  RunCadScript(form, "Acad");
  EXPECT_FALSE(fs::exists(dir / "elsewhere.scr"));
  EXPECT_EQ(WaitForRecord(record, 50), "");
}

TEST_F(CadScripts, ProgramThatCannotBeStartedIsReported) {
  Template("Plot.scr", "QSAVE\r\n");
  testing::WriteFile(cad / "acad.exe", "not a program");
  ::chmod((cad / "acad.exe").c_str(), 0644);
  form.txtAcad.SetText((cad / "acad.exe").string());
  ui.ExpectBox("Error: 13 - Permission denied.", MsgResult::Ok, 0, "Quiremark");
  RunCadScript(form, "Acad");
}

TEST_F(CadScripts, NothingRunsWhileABindOrScanIsUnderWay) {
  Template("Plot.scr", "QSAVE\r\n");
  state.treeScanRunning = true;
  RunCadScript(form, "Acad");
  EXPECT_FALSE(fs::exists(temp / "ScriptIt.scr"));
}

TEST_F(CadScripts, BrowsingTakesAnExeOrAnExecutableFile) {
  ui.QueueOpenFile("/win/ACAD.EXE");
  BrowseCadProgram(form, "Acad");
  ASSERT_EQ(ui.openRequests.size(), 1u);
  EXPECT_EQ(ui.openRequests[0].title, "Programfil");
  EXPECT_EQ(ui.openRequests[0].filter, "AutoCAD-program|acad.exe;aclt.exe;acad;aclt");
  EXPECT_EQ(ui.openRequests[0].initialFolder, program.string());
  EXPECT_EQ(ui.openRequests[0].flags, 0x89802);
  EXPECT_EQ(form.txtAcad.text(), "/win/ACAD.EXE");

  testing::WriteFile(cad / "readme", "");
  ui.QueueOpenFile((cad / "readme").string());  // neither
  BrowseCadProgram(form, "Icad");
  ui.QueueOpenFile(std::nullopt);  // cancelled
  BrowseCadProgram(form, "Icad");
  EXPECT_EQ(form.txtIcad.text(), "");
  EXPECT_EQ(ui.openRequests[1].filter, "IntelliCAD-program|icad.exe;bricscad.exe;icad;bricscad;bricscad.sh");
  EXPECT_EQ(ui.openRequests[1].initialFolder, platform::ProgramFolder().string()) << "an empty box starts there";

  ui.QueueOpenFile(program.string());
  BrowseCadProgram(form, "Icad");
  EXPECT_EQ(form.txtIcad.text(), program.string());
}

TEST_F(CadScripts, EditingOpensTheUntrimmedTemplatePath) {
  const fs::path bin = dir / "bin";
  fs::create_directories(bin);
  RecordingProgram(bin / "xdg-open", record);
  testing::ScopedEnv path("PATH", bin.string() + ":" + platform::GetEnv("PATH"));
  form.cboScr.SetText("");
  EditScriptTemplate(form);
  form.cboScr.SetText("Plot.scr ");
  EditScriptTemplate(form);
  EXPECT_EQ(WaitForRecord(record), "[" + templates.string() + "/Plot.scr ]");
}

}  // namespace
}  // namespace quiremark::app
