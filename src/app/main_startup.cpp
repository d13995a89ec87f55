#include "app/main_startup.h"

#include <filesystem>
#include <ostream>
#include <vector>

#include "app/bind_run.h"
#include "app/command_table.h"
#include "app/file_grid_events.h"
#include "app/form_window.h"
#include "app/layout.h"
#include "app/main_commands.h"
#include "app/main_dispatcher.h"
#include "app/main_form.h"
#include "browser/file_grid.h"
#include "browser/folder_tree.h"
#include "browser/numbering.h"
#include "engine/conversion.h"
#include "engine/ghostscript_location.h"
#include "platform/environment.h"
#include "platform/process.h"
#include "platform/program_info.h"
#include "platform/raw_file.h"
#include "platform/text_encoding.h"
#include "platform/registry.h"
#include "settings/form_placement.h"
#include "settings/ini_file.h"
#include "settings/registry_settings.h"
#include "settings/text_routines.h"
#include "version.h"

namespace quiremark::app {

namespace {

namespace fs = std::filesystem;
namespace mb = controls::mb;

// The window is placed first with these minimums (twips); its stored size follows.
constexpr int kPlacementMinHeight = 8000;
constexpr int kPlacementMinWidth = 12000;

// First-start place and size of the window (twips).
constexpr double kDefaultLeft = 25;
constexpr double kDefaultTop = 25;
constexpr double kDefaultHeight = 6384;
constexpr double kDefaultWidth = 9060;
constexpr double kDefaultColumnWidth = 1200;

// A stored size exactly this much larger than the work area means the window
// was maximised; a larger one shrinks to the work area less the margin.
constexpr int kMaximisedSlack = 120;
constexpr int kWorkAreaMargin = 60;

constexpr const char* kGridFormat = "^Nr|>Filnamn|^ Bokmärke";

bool Unattended(const MainForm& form) { return !form.state.outFileArg.empty(); }

// Ends the program during start-up; the reason line is for unattended runs.
void EndStartup(MainForm& form, int status, const std::string& why, std::ostream& err) {
  form.programEnded = true;
  form.exitStatus = status;
  EndProgramWith(form.ui, status, Unattended(form) ? why : "", err);
}

// Start-up stops before the window is set up completely. The user then
// mends the settings file; an unattended run has nobody to do that and ends.
void StopEarly(MainForm& form, const std::string& why, std::ostream& err) {
  form.exitStatus = kExitCannotStart;
  if (Unattended(form)) EndStartup(form, kExitCannotStart, "Ingen PDF skapades: " + why, err);
}

// The tree connects the file grid too, handing it SelectFolder for F5.
void ConnectWindowEvents(MainForm& form) {
  ConnectFolderTree(form);
  ConnectFilters(form);
}

// The file-pattern list from the section Patterns, one pattern per line as
// written; "*.plt" and "*.eps" when the section is empty or missing.
void FillFilePatterns(MainForm& form) {
  const std::string section = settings::GetIniSection("Patterns", form.state.iniPath);
  if (section.empty()) {
    form.cboFileExt.AddItem("*.plt");
    form.cboFileExt.AddItem("*.eps");
    return;
  }
  form.cboFileExt.Clear();
  for (const std::string& line : settings::SplitIniSection(section)) form.cboFileExt.AddItem(line);
}

// The values of the section Keys: of each complete line the text after its
// first "=", every further "=" dropped; "" for a line without one.
std::vector<std::string> KeyValues(const std::string& section) {
  std::vector<std::string> values;
  std::string value;
  bool collecting = false;
  for (const char c : section) {
    if (c == '\0') {
      values.push_back(value);
      value.clear();
      collecting = false;
    } else if (c == '=') {
      collecting = true;
    } else if (collecting) {
      value += c;
    }
  }
  return values;
}

// The program file a converter command names: a path as it stands, a bare
// name on PATH.
std::optional<fs::path> FindCommandFile(const std::string& command) {
  if (command.find('/') == std::string::npos) return platform::FindOnPath(command);
  std::error_code error;
  if (fs::is_regular_file(command, error)) return fs::path(command);
  return std::nullopt;
}

// The Distiller-style converter through the classes-root keys that the
// section Keys names. False when start-up stops here.
bool FindDistiller(MainForm& form, std::ostream& err) {
  const std::string& ini = form.state.iniPath;
  const std::string section = settings::GetIniSection("Keys", ini);
  if (section.empty()) {
    form.ui.MessageBox("Filen " + ini + " saknar registernycklar i sektionen '[Keys]'. Redigerar ini-fil.",
                       mb::kOkOnly, "");
    EditIniFile(form);
    StopEarly(form, "sektionen [Keys] i " + ini + " är tom.", err);
    return false;
  }

  form.DistillerProgram.clear();
  form.DistillerDataFolder.clear();
  std::string log;
  for (const std::string& key : KeyValues(section)) {
    std::string command = settings::GetClassesRootDefault(key);
    for (std::size_t at; (at = command.find(" %1")) != std::string::npos;) command.erase(at, 3);
    log += key + "  -->>  " + command + "\r";
    if (command.empty()) continue;
    if (const std::optional<fs::path> program = FindCommandFile(command)) {
      form.DistillerProgram = program->string();
      // A command found on PATH has no data folder of its own.
      if (command.find('/') != std::string::npos) form.DistillerDataFolder = (program->parent_path() / "data").string() + "/";
      return true;
    }
  }
  form.ui.MessageBox("Acrobat Distiller ej funnen i registret/filsystemet. Kontrollera nycklar i Quiremark.Ini",
                     mb::kOkOnly, "");
  form.ui.MessageBox(log, mb::kOkOnly | mb::kInformation, "Resultat registersök");
  EditIniFile(form);
  StopEarly(form, "ingen konverterare hittades genom sektionen [Keys] i " + ini + ".", err);
  return false;
}

// Ghostscript must be installed. False when the program ends here.
bool CheckGhostscript(MainForm& form, std::ostream& err) {
  form.GhostscriptDllPaths = engine::GhostscriptDllPaths();
  if (const auto gs = engine::FindGhostscriptProgram(form.GhostscriptDllPaths)) {
    // A gs that did not tell its version in time cannot be trusted to convert.
    for (const std::filesystem::path& silent : platform::GhostscriptsNotAnswering()) {
      std::error_code ec;
      if (!std::filesystem::equivalent(silent, *gs, ec)) continue;
      const std::string why = "GhostScript " + platform::DecodeText(silent.string()) +
                              " svarade inte på frågan om sin version (--version).";
      form.ui.MessageBox(why, mb::kOkOnly | mb::kCritical, "GhostScript krävs");
      EndStartup(form, kExitCannotStart, "Ingen PDF skapades: " + why, err);
      return false;
    }
    form.GhostscriptProgram = gs->string();  // the first bind need not look again
    return true;
  }
  form.ui.MessageBox("GhostScript är ej installerat på den här datorn.", mb::kOkOnly | mb::kCritical,
                     "GhostScript krävs");
  EndStartup(form, kExitCannotStart, "Ingen PDF skapades: Ghostscript (gs) hittades inte.", err);
  return false;
}

// The stored place and size, kept within the screen's work area; a size
// just above the work area means the window was maximised.
void PlaceWindow(MainForm& form) {
  const double left = std::max(settings::GetRegNumber("X", kDefaultLeft), 0.0);
  const double top = std::max(settings::GetRegNumber("Y", kDefaultTop), 0.0);
  double height = settings::GetRegNumber("Height", kDefaultHeight);
  double width = settings::GetRegNumber("Width", kDefaultWidth);
  const controls::TwipsRect work = form.ui.WorkArea();
  bool maximise = false;
  if (work.height + kMaximisedSlack < height) height = work.height - kWorkAreaMargin;
  else if (work.height + kMaximisedSlack == height) maximise = true;
  if (work.width + kMaximisedSlack < width) width = work.width - kWorkAreaMargin;
  else if (work.width + kMaximisedSlack == width) maximise = true;
  form.Move(TwipsOf(left), TwipsOf(top), TwipsOf(width), TwipsOf(height));
  if (maximise) form.SetWindowState(controls::kWindowMaximized);
}

// The filter texts (their change handlers run), then the file list's pattern.
void RestoreFilters(MainForm& form) {
  form.cboFolderName.SetText(settings::GetRegSetting("FolderPattern", "*"));
  form.cboFileExt.SetText(settings::GetRegSetting("FileExtension", "*.PLT"));
  try {
    form.File1.SetPattern(form.cboFileExt.text());
  } catch (const controls::ControlError&) {
    // A stored pattern that names a folder: the list keeps its pattern.
  }
}

// Every column the file grid shows gets its stored width, the date column
// too, although the header set above names only three.
void RestoreColumnWidths(MainForm& form) {
  controls::Grid& grid = form.fgFiles;
  if (grid.cols() < browser::kGridColumns) grid.SetCols(browser::kGridColumns);
  for (int col = 0; col < grid.cols(); ++col)
    grid.SetColWidth(col, TwipsOf(settings::GetRegNumber("GridCol_" + std::to_string(col), kDefaultColumnWidth)));
}

void FillFileGrid(MainForm& form) {
  browser::FilePane pane = FilePaneOf(form, [&form] { SelectFolder(form); });
  try {
    browser::Dir1_Change(pane);
  } catch (const settings::FileError&) {
    // A file of the folder cannot be read: the grid stays hidden, as it
    // does when the folder is chosen later.
  }
}

// DigiTejp and the settings files of its first VirtualStore folder; its
// selector is hidden when the program is not installed.
void LookForDigiTejp(MainForm& form) {
  form.state.digiTejpExePath.clear();
  for (const char* variable : {"ProgramFiles(x86)", "ProgramFiles"}) {
    const std::string root = platform::GetEnv(variable);
    if (root.empty()) continue;
    const fs::path program = fs::path(root) / "Chaos systems" / "DigiTejp" / "DigiTejp.exe";
    std::error_code error;
    if (fs::is_regular_file(program, error)) {
      form.state.digiTejpExePath = program.string();
      break;
    }
  }
  if (form.state.digiTejpExePath.empty()) {
    for (controls::CommandBarControl* control : form.CommandBars.FindControls(cmd::kDigiTejp))
      control->SetVisible(false);
    return;
  }

  const std::string profile = platform::GetEnv("USERPROFILE");
  if (profile.empty()) return;
  for (const char* programs : {"Program Files (x86)", "Program Files", "Program"}) {
    const fs::path folder = fs::path(profile) / "AppData" / "Local" / "VirtualStore" / programs / "Chaos systems" / "DigiTejp";
    if (!settings::FolderExists(folder.string())) continue;
    form.cboDigiTejp.Clear();
    form.cboDigiTejp.AddItem("");
    for (const std::string& name : settings::GetFileList((folder / "*.dtt").string()))
      if (!name.empty()) form.cboDigiTejp.AddItem(name);
    form.DigiTejpSettingsFolder = folder.string();
    return;
  }
}

// Whether the walk to the last folder made `startFolder` the working folder.
// The tree lists no hidden folder, so a walk towards one ends on a folder
// above it; a scan or bind the command line asked for must not take that one.
bool ReachedStartFolder(const MainForm& form, const std::string& startFolder) {
  return browser::RowIsTarget(form.Dir1.path(), browser::TreeRowData::FolderOf(startFolder));
}

// What a tree scan left out, for the line of an unattended run that ends on it.
std::string LeftOutReason(const browser::ScanLeftOut& leftOut) {
  const std::string why = leftOut.firstIsFolder && leftOut.firstError == std::errc::no_such_file_or_directory
                              ? "den finns inte längre"
                              : platform::FileErrorText(leftOut.firstError);
  const std::string first = (leftOut.firstIsFolder     ? "mappen "
                             : leftOut.firstIsSideFile ? "bokmärkesfilen "
                                                       : "plottfilen ") +
                            platform::DecodeText(leftOut.first) +
                            " (" + why + ")";
  if (leftOut.count() == 1) return "mappavsökningen kunde inte läsa " + first + ".";
  return "mappavsökningen kunde inte läsa " + leftOut.Counted() + ", den första är " + first + ".";
}

// A message's lines joined into one, for the error stream.
std::string OneLine(std::string text) {
  for (size_t at; (at = text.find("\r\r")) != std::string::npos;) text.replace(at, 2, " ");
  for (char& c : text) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return text;
}

// The bind the command line asked for; then the program ends, telling
// whether the PDF was made.
void RunUnattendedBind(MainForm& form, std::ostream& err) {
  const bool numbered = browser::GetMaxNumber(form.fgFiles) > 0;
  form.unattendedNotices = &err;
  if (CreatePdf(form, kBindPlain)) return EndStartup(form, kExitPdfMade, "", err);

  const std::string& folder = form.Dir1.path();
  std::string why;
  if (!form.BindFailure.empty())
    why = "Ingen PDF skapades: " + form.state.outFileArg + " kunde inte skapas: " + OneLine(form.BindFailure);
  else if (numbered)
    why = "Ingen PDF skapades: " + form.state.outFileArg + " kunde inte skapas.";
  else if (form.state.treeScanArg)
    why = "Ingen PDF skapades: inga plottfiler hittades i " + (folder.empty() ? "startmappen" : "mappträdet " + folder) + ".";
  else
    why = "Ingen PDF skapades: inga numrerade filer i " + (folder.empty() ? "startmappen" : folder) +
          ". Ange /TreeScan:Yes för att ta med alla plottfiler i mappträdet.";
  EndStartup(form, kExitNoPdf, why, err);
}

}  // namespace

void EndProgramWith(controls::UiServices& ui, int status, const std::string& why, std::ostream& err) {
  if (!why.empty()) err << platform::ProgramName() << ": " << why << std::endl;
  ui.EndProgram(status);
}

void ConnectCommandBars(MainForm& form) {
  form.CommandBars.onExecute = [&form](controls::CommandBarControl& control) { CommandBars_Execute(form, control); };
  form.CommandBars.onResize = [&form] { CommandBars_Resize(form); };
}

void EditIniFile(const MainForm& form) {
  if (form.displayAvailable) platform::ShellOpen((platform::ProgramFolder() / kIniFileName).string());
}

void LoadMainWindow(MainForm& form, std::ostream& err) {
  form.Load();
  engine::SetBuildDefaults(form.state, form.builtConverter);
  form.caption = version::kTitle;
  form.icon = form.imgIcon.picture;
  FormWindow window(form);
  settings::RestoreFormPlacement(window, kPlacementMinHeight, kPlacementMinWidth, form.ui);

  const int theme = StoredTheme();
  form.CommandBars.SetVisualTheme(theme);
  ConnectCommandBars(form);
  CreateCommandBars(form);
  form.CommandBars.activeMenuBar().SetTitle("Meny");
  form.state.themeBaseColor = form.CommandBars.GetSpecialColor(controls::kToolbarFaceColor);
  form.SetBackColor(form.state.themeBaseColor);
  form.CommandBars.LoadCommandBars(version::kCompanyName, version::kProductName, kBarLayoutSection);
  SetTheme(form, theme, kFirstThemeCommand + theme);
  form.SelectionStartRow = 1;
  form.SelectionEndRow = 1;
  ConnectWindowEvents(form);

  form.state.iniPath = (platform::ProgramFolder() / kIniFileName).string();
  std::error_code error;
  if (!fs::is_regular_file(form.state.iniPath, error)) {
    form.ui.MessageBox(form.state.iniPath + " saknas. Avslutar.", mb::kOkOnly, "");
    return EndStartup(form, kExitCannotStart, "Ingen PDF skapades: " + form.state.iniPath + " saknas.", err);
  }
  FillFilePatterns(form);
  form.fgFiles.SetFormatString(kGridFormat);
  const bool converterFound = form.state.converterSelector == settings::Converter::Ghostscript
                                  ? CheckGhostscript(form, err)
                                  : FindDistiller(form, err);
  if (!converterFound) return;

  PlaceWindow(form);
  RestoreFilters(form);
  RestoreColumnWidths(form);
  // A tree-scan run lists the start folder through its scan: the folders on
  // the way there fill no grid (reading all their side files) before it.
  form.state.gridFillHeld = form.state.treeScanArg;
  FillFileGrid(form);
  // The folder of the command line is held here: other runs of the program
  // store theirs as LastFolder too, so what the store holds now may be theirs.
  const std::string startFolder =
      form.state.startFolder.empty() ? settings::GetRegSetting("LastFolder", "") : form.state.startFolder;
  {
    // The walk selects each folder on its way, storing it as the last folder:
    // one write of the registry for the whole walk.
    platform::HiveWriteBatch oneWrite(platform::Hive::CurrentUser);
    SetupTreeView(form);
    ExpandTreeToFolder(form, startFolder);
  }
  const bool reached = startFolder.empty() || ReachedStartFolder(form, startFolder);
  // The tree lists no hidden folder (nor anything below a folder it cannot
  // list), so its walk may stop short of the start folder. An unattended run
  // binds the folder its command line names all the same: it becomes the
  // working folder without a row of the tree.
  if (!reached && Unattended(form)) {
    try {
      form.Dir1.SetPath(startFolder);
    } catch (const controls::ControlError&) {
    } catch (const settings::FileError&) {
      // a file of the folder cannot be read: the bind says which
    }
    if (!ReachedStartFolder(form, startFolder)) {
      return EndStartup(form, kExitNoPdf, "Ingen PDF skapades: startmappen " + startFolder + " kan inte öppnas.", err);
    }
  }
  LookForDigiTejp(form);
  form.state.gridFillHeld = false;
  form.startupComplete = true;

  if (!reached && !Unattended(form) && form.state.treeScanArg) {
    FillFileGrid(form);  // the folder the walk reached, as a start without the switch shows it
    form.ui.MessageBox("Startmappen " + startFolder + " kan inte öppnas i mappträdet. Ingen mappavsökning gjordes.",
                       mb::kOkOnly | mb::kExclamation, "Mappavsökning");
    return;
  }
  if (form.state.treeScanArg) {
    if (form.displayAvailable) form.Show();
    form.ui.Yield();
    if (!ScanFolderTree(form)) FillFileGrid(form);
  }
  if (!Unattended(form)) return;
  // A PDF of part of the tree would pass for the whole one.
  if (const browser::ScanLeftOut& leftOut = form.LeftOutByScan; form.state.treeScanActive && leftOut.count() > 0) {
    return EndStartup(form, kExitNoPdf, "Ingen PDF skapades: " + LeftOutReason(leftOut), err);
  }
  RunUnattendedBind(form, err);
}

}  // namespace quiremark::app
