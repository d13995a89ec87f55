// The main window's start-up and shutdown, without a display.
#include "app/main_startup.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <memory>
#include <sstream>
#include <thread>

#include "app/command_table.h"
#include "app/main_form.h"
#include "browser/file_grid.h"
#include "engine/plot_files.h"
#include "engine/temp_ps_file.h"
#include "platform/environment.h"
#include "platform/program_info.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "settings/registry_settings.h"
#include "support/scripted_ui.h"
#include "support/test_support.h"

namespace quiremark::app {
namespace {

namespace fs = std::filesystem;
namespace mb = controls::mb;
using controls::MsgResult;

// A program folder with its settings file, the registry, the environment
// and the user in the test's folder.
class StartUp : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const fs::path& folder : {bin, tools, drawings}) fs::create_directories(folder);
    WriteIni("[Patterns]\r\n*.plt\r\n*.eps\r\n\r\n[Keys]\r\nKonverterare=Test.Converter\\shell\\open\\command\r\n");
    // The opener records what it was asked to open; gs is the real one.
    testing::WriteFile(tools / "xdg-open", "#!/bin/sh\necho \"$1\" > \"" + opened.string() + ".part\"\nmv \"" +
                                               opened.string() + ".part\" \"" + opened.string() + "\"\n");
    ::chmod((tools / "xdg-open").c_str(), 0755);
    form.builtConverter = settings::Converter::Ghostscript;
  }

  void WriteIni(const std::string& text) { testing::WriteFile(bin / kIniFileName, text); }
  void SetClassesRootDefault(const std::string& key, const std::string& command) {
    platform::SetValue(platform::Hive::ClassesRoot, key, "", platform::REG_SZ, platform::TextData(command));
  }
  void Plot(const std::string& name) { testing::WriteFile(drawings / name, testing::DriverPlotFile(1, name)); }

  void Load() { LoadMainWindow(form, err); }
  // A further main window started the same way, as by the next start of the program.
  std::unique_ptr<MainForm> LoadAnother() {
    auto another = std::make_unique<MainForm>(state, ui);
    another->builtConverter = form.builtConverter;
    LoadMainWindow(*another, err);
    return another;
  }
  std::string Stored(const std::string& name) const { return settings::GetRegSetting(name, "<none>"); }
  static std::vector<int> ColumnWidths(const MainForm& window) {
    std::vector<int> widths;
    for (int col = 0; col < window.fgFiles.cols(); ++col) widths.push_back(window.fgFiles.ColWidth(col));
    return widths;
  }
  static std::vector<int> Geometry(const MainForm& window) {
    return {window.left(), window.top(), window.width(), window.height(), window.windowState()};
  }
  bool DigiTejpShown() { return form.CommandBars.FindControl(cmd::kDigiTejp)->visible(); }

  std::string WaitForOpened() const {
    for (int i = 0; i < 200 && !fs::exists(opened); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return fs::exists(opened) ? testing::ReadFile(opened) : "";
  }

  testing::TempDir dir;
  fs::path bin = dir / "bin";
  fs::path tools = dir / "tools";
  fs::path drawings = dir / "Ritningar";
  fs::path opened = dir / "opened.txt";
  std::string ini = (bin / kIniFileName).string();
  testing::ScopedEnv programDir{"QUIREMARK_PROGRAM_DIR", bin.string()};
  testing::ScopedEnv registry{"QUIREMARK_REGISTRY", (dir / "reg").string()};
  testing::ScopedEnv path{"PATH", tools.string() + ":/usr/bin:/bin"};
  testing::ScopedEnv temp{"Temp", dir.path().string()};
  testing::ScopedEnv programFiles{"ProgramFiles", std::nullopt};
  testing::ScopedEnv programFiles86{"ProgramFiles(x86)", std::nullopt};
  testing::ScopedEnv userProfile{"USERPROFILE", std::nullopt};
  settings::AppState state;
  testing::ScriptedUi ui;
  MainForm form{state, ui};
  std::ostringstream err;
};

TEST_F(StartUp, FirstStartTakesTheDefaultsWithinTheWorkArea) {
  Load();
  ASSERT_TRUE(form.startupComplete);
  EXPECT_FALSE(ui.endedWith);
  EXPECT_EQ(Geometry(form), (std::vector<int>{25, 25, 9060, 6384, controls::kWindowNormal}));
  EXPECT_EQ(form.cboFolderName.text(), "*");
  EXPECT_EQ(form.cboFileExt.text(), "*.PLT");
  EXPECT_EQ(form.File1.pattern(), "*.PLT");
  EXPECT_EQ(form.cboFileExt.items(), (std::vector<std::string>{"*.plt", "*.eps"}));
  EXPECT_EQ(ColumnWidths(form), (std::vector<int>{1200, 1200, 1200, 1200})) << "the date column too";
  EXPECT_EQ(form.CommandBars.visualTheme(), 6);
  EXPECT_TRUE(form.CommandBars.FindControl(1006)->checked());
  EXPECT_EQ(form.CommandBars.activeMenuBar().title(), "Meny");
  EXPECT_EQ(form.backColor(), state.themeBaseColor);
  EXPECT_EQ(state.converterSelector, settings::Converter::Ghostscript);
  EXPECT_EQ(state.iniPath, ini);
  EXPECT_GE(form.GhostscriptDllPaths.size(), 2u) << "one empty element, then the gs found";
  EXPECT_TRUE(form.GhostscriptProgram.ends_with("/gs")) << "kept for the binds: " << form.GhostscriptProgram;
  EXPECT_FALSE(DigiTejpShown()) << "DigiTejp is not installed";
  EXPECT_EQ(err.str(), "");

  // A small work area: the window shrinks to it less 60 twips.
  ui.SetScreen({0, 0, 9000, 7000}, {0, 0, 8000, 6000});
  const auto small = LoadAnother();
  EXPECT_EQ(small->width(), 7940);
  EXPECT_EQ(small->height(), 5940);
}

TEST_F(StartUp, StoredSizeJustAboveTheWorkAreaMeansMaximised) {
  ui.SetScreen({0, 0, 20000, 12000}, {0, 0, 19000, 11000});
  struct Case {
    const char* height;
    const char* width;
    std::vector<int> geometry;
  };
  const Case cases[] = {
      {"11120", "9060", {25, 25, 9060, 11120, controls::kWindowMaximized}},
      {"6384", "19120", {25, 25, 19120, 6384, controls::kWindowMaximized}},
      {"11121", "19121", {25, 25, 18940, 10940, controls::kWindowNormal}},
      {"11119", "19119", {25, 25, 19119, 11119, controls::kWindowNormal}},
  };
  for (const Case& c : cases) {
    settings::SaveRegSetting("Height", c.height);
    settings::SaveRegSetting("Width", c.width);
    EXPECT_EQ(Geometry(*LoadAnother()), c.geometry) << c.height << " x " << c.width;
  }
}

TEST_F(StartUp, StoredValuesThatAreNoNumbersOrOutOfRangeGiveTheirDefaults) {
  settings::SaveRegSetting("Theme", "9");
  settings::SaveRegSetting("X", "-300");
  settings::SaveRegSetting("Y", "vänster");
  settings::SaveRegSetting("Width", "bred");
  settings::SaveRegSetting("GridCol_0", "800");
  settings::SaveRegSetting("GridCol_1", "smal");
  settings::SaveRegSetting("FileExtension", "/etc");  // a pattern that names a folder
  Load();
  ASSERT_TRUE(form.startupComplete);
  EXPECT_EQ(form.CommandBars.visualTheme(), 6);
  EXPECT_EQ(Stored("Theme"), "6");
  EXPECT_EQ(Geometry(form), (std::vector<int>{0, 25, 9060, 6384, controls::kWindowNormal}));
  EXPECT_EQ(ColumnWidths(form), (std::vector<int>{800, 1200, 1200, 1200}));
  EXPECT_EQ(form.cboFileExt.text(), "/etc");
  EXPECT_EQ(form.File1.pattern(), "*.*") << "the file list keeps its pattern";

  settings::SaveRegSetting("Theme", "nytt");
  EXPECT_EQ(LoadAnother()->CommandBars.visualTheme(), 6);
}

TEST_F(StartUp, FilePatternsComeFromTheSettingsFileLineByLine) {
  const std::pair<const char*, std::vector<std::string>> cases[] = {
      {"[Patterns]\r\n*.plt\r\n*.dwg;*.dxf\r\n", {"*.plt", "*.dwg;*.dxf"}},
      {"[Patterns]\r\nRitning=*.plt\r\n", {"Ritning=*.plt"}},
      {"[Patterns]\r\n\r\n[Other]\r\nx\r\n", {"*.plt", "*.eps"}},
      {"[Other]\r\nx\r\n", {"*.plt", "*.eps"}},
  };
  for (const auto& [text, items] : cases) {
    WriteIni(text);
    EXPECT_EQ(LoadAnother()->cboFileExt.items(), items) << text;
  }
}

TEST_F(StartUp, MissingSettingsFileEndsTheProgramBeforeTheWindowIsBuilt) {
  fs::remove(bin / kIniFileName);
  state.outFileArg = (dir / "ut.pdf").string();
  ui.ExpectBox(ini + " saknas. Avslutar.", MsgResult::Ok, mb::kOkOnly, "");
  Load();
  EXPECT_EQ(ui.endedWith, kExitCannotStart);
  EXPECT_TRUE(form.programEnded);
  EXPECT_FALSE(form.startupComplete);
  EXPECT_FALSE(form.visible());
  EXPECT_EQ(form.fgFiles.cols(), 1) << "the grid never got its columns";
  EXPECT_EQ(Stored("Width"), "<none>");
  EXPECT_EQ(settings::GetMachineSetting("Version", "<none>"), "<none>");
  EXPECT_NE(err.str().find(": Ingen PDF skapades: " + ini + " saknas.\n"), std::string::npos) << err.str();
  EXPECT_FALSE(fs::exists(dir / "ut.pdf"));
}

TEST_F(StartUp, NoGhostscriptEndsTheProgram) {
  testing::ScopedEnv noGs("PATH", tools.string());
  ui.ExpectBox("GhostScript är ej installerat på den här datorn.", MsgResult::Ok, mb::kOkOnly | mb::kCritical,
               "GhostScript krävs");
  Load();
  EXPECT_EQ(ui.endedWith, kExitCannotStart);
  EXPECT_FALSE(form.startupComplete);
  EXPECT_EQ(err.str(), "") << "an interactive start has no reason line";
}

// The gs on PATH is a script that never tells its version (a wrapper that
// waits for what never comes): it is ended in time, and the program, which
// cannot trust it, names it and ends instead of waiting for ever.
TEST_F(StartUp, AGhostscriptThatDoesNotAnswerEndsTheProgramNamingIt) {
  const fs::path never = dir / "never";
  ASSERT_EQ(::mkfifo(never.c_str(), 0600), 0);
  testing::WriteFile(tools / "gs", "#!/bin/sh\nexec 3<>'" + never.string() + "'\nread line <&3\n");
  ::chmod((tools / "gs").c_str(), 0755);
  testing::ScopedEnv onlyThisGs("PATH", tools.string());
  platform::SetGhostscriptVersionTimeLimit(std::chrono::milliseconds(100));
  const std::string why =
      "GhostScript " + (tools / "gs").string() + " svarade inte på frågan om sin version (--version).";
  ui.ExpectBox(why, MsgResult::Ok, mb::kOkOnly | mb::kCritical, "GhostScript krävs");
  state.outFileArg = (dir / "ut.pdf").string();
  Load();
  platform::SetGhostscriptVersionTimeLimit(std::chrono::seconds(10));
  EXPECT_EQ(ui.endedWith, kExitCannotStart);
  EXPECT_NE(err.str().find("Ingen PDF skapades: " + why + "\n"), std::string::npos) << err.str();
}

// The Distiller-style converter through the keys of the section Keys.
class DistillerLookup : public StartUp {
 protected:
  void SetUp() override {
    StartUp::SetUp();
    form.builtConverter = settings::Converter::Distiller;
  }
};

TEST_F(DistillerLookup, AQuotedProgramPathOrABareNameOnPathIsFound) {
  testing::WriteFile(bin / "acrodist.exe", "");
  testing::WriteFile(tools / "ps2pdf", "#!/bin/sh\n");
  ::chmod((tools / "ps2pdf").c_str(), 0755);
  SetClassesRootDefault("Acro\\shell\\open\\command", "\"" + (bin / "acrodist.exe").string() + "\" \"%1\"");
  SetClassesRootDefault("PsToPdf", "ps2pdf %1");
  struct Case {
    const char* keys;
    std::string program;
    std::string dataFolder;
  };
  const Case cases[] = {
      {"[Keys]\r\nAcrobat=Acro\\shell\\open\\command\r\n", (bin / "acrodist.exe").string(), (bin / "data").string() + "/"},
      {"[Keys]\r\nEj=Saknas\r\nKonv=Ps=ToPdf\r\n", (tools / "ps2pdf").string(), ""},
  };
  for (const Case& c : cases) {
    WriteIni(c.keys);
    const auto started = LoadAnother();
    EXPECT_TRUE(started->startupComplete) << c.keys;
    EXPECT_EQ(started->DistillerProgram, c.program);
    EXPECT_EQ(started->DistillerDataFolder, c.dataFolder);
  }
  EXPECT_EQ(state.converterSelector, settings::Converter::Distiller);
}

TEST_F(DistillerLookup, NoConverterFoundShowsTheSearchLogOpensTheSettingsFileAndStopsEarly) {
  WriteIni("[Patterns]\r\n*.plt\r\n[Keys]\r\nA=Saknas\\shell\r\nB=Fel\r\nUtan likhetstecken\r\n");
  SetClassesRootDefault("Fel", "\"/nowhere/acrodist.exe\" \"%1\"");
  form.displayAvailable = true;
  ui.ExpectBox("Acrobat Distiller ej funnen i registret/filsystemet. Kontrollera nycklar i Quiremark.Ini",
               MsgResult::Ok, mb::kOkOnly, "");
  ui.ExpectBox("Saknas\\shell  -->>  \rFel  -->>  /nowhere/acrodist.exe\r  -->>  \r", MsgResult::Ok,
               mb::kOkOnly | mb::kInformation, "Resultat registersök");
  Load();
  EXPECT_EQ(WaitForOpened(), ini + "\n");
  EXPECT_FALSE(form.startupComplete);
  EXPECT_FALSE(ui.endedWith) << "the window stays, half set up";
  EXPECT_EQ(form.cboFileExt.items(), std::vector<std::string>{"*.plt"}) << "patterns were read";
  EXPECT_EQ(form.fgFiles.cols(), 3) << "the grid has its header";
  EXPECT_EQ(form.width(), 12000) << "the stored size was never applied";
  EXPECT_EQ(form.cboFolderName.text(), "") << "nor the filters";
  EXPECT_TRUE(DigiTejpShown()) << "nor the DigiTejp lookup";
}

TEST_F(DistillerLookup, AnEmptyKeysSectionStopsEarlyAndEndsAnUnattendedRun) {
  WriteIni("[Patterns]\r\n*.plt\r\n[Keys]\r\n");
  ui.ExpectBox("Filen " + ini + " saknar registernycklar i sektionen '[Keys]'. Redigerar ini-fil.", MsgResult::Ok,
               mb::kOkOnly, "");
  Load();
  EXPECT_FALSE(form.startupComplete);
  EXPECT_FALSE(ui.endedWith);

  state.outFileArg = (dir / "ut.pdf").string();
  ui.ExpectBox("Filen " + ini + " saknar registernycklar i sektionen '[Keys]'. Redigerar ini-fil.", MsgResult::Ok);
  LoadAnother();
  EXPECT_EQ(ui.endedWith, kExitCannotStart);
  EXPECT_NE(err.str().find("Ingen PDF skapades: sektionen [Keys] i " + ini + " är tom."), std::string::npos)
      << err.str();
  EXPECT_FALSE(fs::exists(opened)) << "no editor without a display";
}

TEST_F(StartUp, DigiTejpSettingsComeFromTheFirstVirtualStoreFolderThatExists) {
  const fs::path programs = dir / "Programs";
  const fs::path profile = dir / "Profil";
  fs::create_directories(programs / "Chaos systems" / "DigiTejp");
  testing::WriteFile(programs / "Chaos systems" / "DigiTejp" / "DigiTejp.exe", "");
  const fs::path store = profile / "AppData" / "Local" / "VirtualStore" / "Program Files" / "Chaos systems" / "DigiTejp";
  fs::create_directories(store);
  fs::create_directories(profile / "AppData" / "Local" / "VirtualStore" / "Program" / "Chaos systems" / "DigiTejp");
  for (const char* name : {"Stämpel.dtt", "Arkiv.DTT", "Läsmig.txt"}) testing::WriteFile(store / name, "");
  testing::ScopedEnv files("ProgramFiles", programs.string());
  testing::ScopedEnv user("USERPROFILE", profile.string());

  Load();
  EXPECT_TRUE(DigiTejpShown());
  EXPECT_EQ(state.digiTejpExePath, (programs / "Chaos systems" / "DigiTejp" / "DigiTejp.exe").string());
  EXPECT_EQ(form.cboDigiTejp.items(), (std::vector<std::string>{"", "Arkiv.DTT", "Stämpel.dtt"}));
  EXPECT_EQ(form.DigiTejpSettingsFolder, store.string());
}

TEST_F(StartUp, AnUnattendedBindOfNothingNumberedEndsWithItsReason) {
  Plot("A-40-01.plt");
  Plot("A-40-02.plt");
  form.Dir1.SetPath(drawings.string());  // where the walk to the last folder leads
  state.outFileArg = (dir / "ut.pdf").string();
  Load();
  EXPECT_EQ(form.fgFiles.rows(), 3) << "header and two plot files";
  EXPECT_EQ(ui.endedWith, kExitNoPdf);
  EXPECT_NE(err.str().find("Ingen PDF skapades: inga numrerade filer i " + drawings.string() +
                           ". Ange /TreeScan:Yes för att ta med alla plottfiler i mappträdet.\n"),
            std::string::npos)
      << err.str();
  EXPECT_FALSE(fs::exists(dir / "ut.pdf"));
  EXPECT_EQ(Stored("Width"), "<none>") << "an unattended run saves nothing";
}

// Other runs of the program store their start folders as LastFolder too,
// also between this run's start procedure and its window's start-up: this
// run binds the folder of its own command line.
TEST_F(StartUp, AnUnattendedRunBindsTheStartFolderOfItsOwnCommandLine) {
  Plot("A-40-01.plt");
  const fs::path other = dir / "Annan";
  fs::create_directories(other);
  testing::WriteFile(other / "B-01.plt", testing::DriverPlotFile(3, "B"));
  state.startFolder = drawings.string();
  settings::SaveRegSetting("LastFolder", other.string());
  state.outFileArg = (dir / "ut.pdf").string();
  state.treeScanArg = true;
  Load();
  EXPECT_EQ(ui.endedWith, kExitPdfMade) << err.str();
  EXPECT_EQ(form.Dir1.path(), drawings.string());
  EXPECT_EQ(platform::RunAndCapture({"qpdf", "--show-npages", (dir / "ut.pdf").string()}), "1\n");
}

// An unattended run that waits for another run's conversion says so on
// standard error once when it starts waiting and once when it goes on, not
// at every look at the lock.
TEST_F(StartUp, AnUnattendedRunSaysWhenItStartsWaitingAndWhenItGoesOn) {
  Plot("A-40-01.plt");
  state.startFolder = drawings.string();
  state.outFileArg = (dir / "ut.pdf").string();
  state.treeScanArg = true;
  const fs::path psFile = engine::TempPsPath();
  std::optional<platform::FileUpdateLock> other = platform::FileUpdateLock::Take(psFile, 0600);
  ASSERT_TRUE(other);
  int looks = 0;
  ui.onYield = [&] {
    if (other && form.frmSplash.progressText().starts_with("Väntar") && ++looks == 5) other.reset();
  };
  Load();
  EXPECT_EQ(ui.endedWith, kExitPdfMade) << err.str();
  const std::string program = platform::ProgramName() + ": ";
  EXPECT_EQ(err.str(), program + "Väntar på att en annan körning blir klar med den temporära filen " + psFile.string() +
                           "...\n" + program + "Den andra körningen är klar; fortsätter.\n");
}

// A bookmark file that is there but cannot be read fails an unattended
// tree-scan run, naming it, as the status table of the README says: the
// PDF would bind its plot file under another title than the user wrote.
TEST_F(StartUp, AnUnreadableBookmarkFileFailsATreeScanRunNamingIt) {
  Plot("A-40-01.plt");
  Plot("A-40-02.plt");
  testing::WriteFile(drawings / "A-40-02.txt", "Plan 2\r\n");
  fs::permissions(drawings / "A-40-02.txt", fs::perms::none);
  state.startFolder = drawings.string();
  state.outFileArg = (dir / "ut.pdf").string();
  state.treeScanArg = true;
  {
    const testing::PermissionsApply asAUser;
    Load();
  }
  EXPECT_EQ(ui.endedWith, kExitNoPdf);
  EXPECT_NE(err.str().find("Ingen PDF skapades: mappavsökningen kunde inte läsa bokmärkesfilen " +
                           (drawings / "A-40-02.txt").string() + " (behörighet saknas).\n"),
            std::string::npos)
      << err.str();
  EXPECT_FALSE(fs::exists(dir / "ut.pdf"));
}

// A tree-scan run lists the start folder once, through its scan: the grid
// is not first filled with the folder's files (reading every side file) on
// the way there.
TEST_F(StartUp, ATreeScanRunFillsTheGridOnlyFromItsScan) {
  for (const std::string name : {"A-40-01", "A-40-02", "A-40-03"}) {
    Plot(name + ".plt");
    testing::WriteFile(drawings / (name + ".txt"), "Plan " + name + "\r\n");
  }
  std::vector<std::string> fills;  // the header and the rows of each filled grid
  form.fgFiles.onGridChanged = [this, &fills](const controls::GridChange& change) {
    if (change.kind == controls::GridChange::Kind::Reset && form.fgFiles.rows() > 1)
      fills.push_back(form.fgFiles.TextMatrix(0, 0) + " " + std::to_string(form.fgFiles.rows() - 1));
  };
  state.startFolder = drawings.string();
  state.treeScanArg = true;
  Load();
  EXPECT_EQ(fills, std::vector<std::string>{"+ Nr 3"});
  EXPECT_TRUE(state.treeScanActive);
  EXPECT_FALSE(state.gridFillHeld);
  EXPECT_EQ(form.fgFiles.TextMatrix(3, 2), " Plan A-40-03");
}

// Shutdown writes what the next start-up reads back.
TEST_F(StartUp, ShutdownValuesAreReadBackByTheNextStart) {
  Load();
  form.Move(300, 200, 14000, 9000);
  form.cboFileExt.SetText("*.eps");
  form.cboFolderName.SetText("A-4*");
  const std::vector<int> widths = {700, 3000, 5000, 2100};
  for (int col = 0; col < 4; ++col) form.fgFiles.SetColWidth(col, widths[col]);
  ASSERT_TRUE(form.Unload());
  EXPECT_EQ(Stored("Width"), "14000");
  EXPECT_EQ(Stored("Height"), "9000");
  EXPECT_EQ(Stored("WinState"), "0");
  EXPECT_EQ(settings::GetRegSetting("Left", "<none>", "Main"), "300");
  EXPECT_EQ(settings::GetMachineSetting("Version", "<none>"), "1.0.0");

  const auto next = LoadAnother();
  EXPECT_EQ(next->width(), 14000);
  EXPECT_EQ(next->height(), 9000);
  EXPECT_EQ(next->cboFileExt.text(), "*.eps");
  EXPECT_EQ(next->cboFolderName.text(), "A-4*");
  EXPECT_EQ(ColumnWidths(*next), widths);
}

TEST_F(StartUp, ClosingAMinimisedWindowSavesItAsNormalAndAMaximisedOneAsMaximised) {
  Load();
  form.Resized(12000, 8000, controls::kWindowMinimized);
  ASSERT_TRUE(form.Unload());
  EXPECT_EQ(Stored("WinState"), "0");
  EXPECT_EQ(Stored("Width"), "12000");

  const auto maximised = LoadAnother();
  maximised->Resized(28920, 15720, controls::kWindowMaximized);
  ASSERT_TRUE(maximised->Unload());
  EXPECT_EQ(Stored("WinState"), "2");
  EXPECT_EQ(Stored("Height"), "15720");
  EXPECT_EQ(LoadAnother()->windowState(), controls::kWindowMaximized) << "work area + 120 twips";
}

}  // namespace
}  // namespace quiremark::app
