// The CAD script runner's commands on the main window: the template folder
// and list, editing a template, choosing the CAD programs and running a
// template over the selected drawings.

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>
#include <system_error>

#include "app/command_table.h"
#include "app/layout.h"
#include "app/main_commands.h"
#include "app/main_form.h"
#include "browser/cad_scripts.h"
#include "browser/file_grid.h"
#include "platform/clock.h"
#include "platform/environment.h"
#include "platform/file_search.h"
#include "platform/process.h"
#include "platform/program_info.h"
#include "platform/text_encoding.h"
#include "settings/registry_settings.h"
#include "settings/shell_helpers.h"
#include "settings/text_routines.h"
#include "version.h"

namespace quiremark::app {

namespace {

namespace fs = std::filesystem;
namespace mb = controls::mb;

constexpr const char* kAutoCad = "Acad";
constexpr const char* kIntelliCad = "Icad";

// Open-dialog flags: overwrite prompt, path and file must exist, no
// read-only box, explorer style.
constexpr int kOpenFlags = 0x89802;

// The filters name the program files exactly; on Linux the programs (or
// their start scripts) have no ".exe".
constexpr const char* kAutoCadFilter = "AutoCAD-program|acad.exe;aclt.exe;acad;aclt";
constexpr const char* kIntelliCadFilter = "IntelliCAD-program|icad.exe;bricscad.exe;icad;bricscad;bricscad.sh";

bool EndsWithIgnoringCase(const std::string& text, std::string_view end) {
  return text.size() >= end.size() &&
         platform::EqualsIgnoringCase(std::string_view(text).substr(text.size() - end.size()), end);
}

bool IsExecutableFile(const std::string& path) {
  std::error_code ec;
  return fs::is_regular_file(path, ec) && access(path.c_str(), X_OK) == 0;
}

std::string OtherErrorText(int error) { return "Error: " + std::to_string(error) + " - " + std::strerror(error) + "."; }

// The run ends with one box telling what went wrong with a file: the
// template (before the script has a path, so none is named) or the script.
// `error` is the system's error number; 0 stands for a file the program
// refuses to write through (a link, another user's file).
void ReportRunFailure(MainForm& form, int error, const std::string& scriptPath) {
  std::string text;
  switch (error) {
    case EIO:
    case ENXIO:
    case ENODEV:
    case ENOMEDIUM:
    case ESTALE:
    case ENOTCONN:
    case EHOSTDOWN:
    case EHOSTUNREACH:
    case ETIMEDOUT:
      text = "Enheten ej läsbar/tillgänglig.";
      break;
    case EACCES:
    case EPERM:
    case ETXTBSY:
    case EBUSY:
      text = "Filen " + scriptPath + " är redan öppnad.";
      break;
    case 0:
    case EROFS:
    case EISDIR:
    case ELOOP:
      text = "Filen " + scriptPath + " är skrivskyddad.";
      break;
    default:
      text = OtherErrorText(error);
  }
  form.ui.MessageBox(text, mb::kOkOnly, version::kTitle);
}

// The template file named by cboScr in the template folder (its letter case
// not minding, as on Windows); empty when there is none.
std::optional<fs::path> FindTemplate(const std::string& folder, const std::string& name) {
  if (name.empty()) return std::nullopt;
  std::error_code ec;
  const fs::path exact = fs::path(folder) / name;
  if (fs::is_regular_file(exact, ec)) return exact;
  if (name.find('/') != std::string::npos) return std::nullopt;
  return platform::FindFileIgnoringCase(folder, name);
}

// Asks for the project database; its base name, or empty when the user
// cancelled or chose no ".pds" file.
std::optional<std::string> AskProject(MainForm& form) {
  controls::FileDialogRequest request;
  request.title = "Välj projektdatabas";
  request.filter = "Projektdatabas (*.pds)|*.pds";
  request.initialFolder = form.File1.path();
  request.flags = kOpenFlags;
  const auto chosen = form.ui.OpenFileDialog(request);
  if (!chosen || !EndsWithIgnoringCase(*chosen, "pds")) return std::nullopt;
  return browser::ProjectName(*chosen);
}

// The file names of the grid's selected rows, in the grid's order.
std::vector<std::string> SelectedFileNames(const controls::Grid& grid) {
  std::vector<std::string> names;
  for (int i = 0; i < grid.selectedRows(); ++i) {
    const int row = grid.SelectedRow(i);
    if (row >= grid.fixedRows()) names.push_back(grid.TextMatrix(row, browser::kColFileName));
  }
  return names;
}

// Writes the script; false (after the box) when it could not be written.
bool WriteScript(MainForm& form, const fs::path& path, const std::string& bytes) {
  // A failed open leaves its error number; a file the writer refuses leaves 0.
  errno = 0;
  auto file = platform::SafeOutputFile::Open(path);
  if (!file) {
    ReportRunFailure(form, errno, path.string());
    return false;
  }
  if (!file->Write(bytes) || !file->Close()) {
    ReportRunFailure(form, errno, path.string());
    return false;
  }
  return true;
}

}  // namespace

void ChooseScriptFolder(MainForm& form) {
  const std::string chosen =
      settings::BrowseForFolder(form.ui, form.FileScr.path(), "Välj mapp innehållande scriptmallar (*.scr)");
  // A cancelled dialog keeps the template folder (and its list) as it was.
  if (chosen.empty()) return;
  form.FileScr.SetPath(chosen);
  RefreshScriptList(form);
  settings::SaveRegSetting("RdsDir", chosen);
}

void RefreshScriptList(MainForm& form) {
  const std::string kept = form.cboScr.text();
  const std::string& folder = form.FileScr.path();
  for (controls::CommandBarControl* control : form.CommandBars.FindControls(cmd::kScriptFolder)) {
    control->SetTooltipText(folder);
    control->SetDescriptionText(folder);
  }
  for (controls::CommandBarControl* control : form.CommandBars.FindControls(cmd::kScriptChoice))
    control->SetDescriptionText(folder);

  form.FileScr.Refresh();
  settings::PumpEvents(form.ui);
  form.cboScr.Clear();
  for (int i = 0; i < form.FileScr.listCount(); ++i) form.cboScr.AddItem(form.FileScr.List(i));
  if (form.cboScr.listCount() > 0) form.cboScr.SetText(form.cboScr.List(0));
  if (!kept.empty()) form.cboScr.SetText(kept);

  form.fgTree.SetWidth(form.fgTree.width() - 1);
  ArrangeControls(form);
}

void EditScriptTemplate(MainForm& form) {
  if (form.cboScr.text().empty()) return;
  platform::ShellOpen(form.FileScr.path() + "/" + form.cboScr.text());
}

void BrowseCadProgram(MainForm& form, const std::string& kind) {
  const bool autoCad = kind == kAutoCad;
  controls::TextBox& programBox = autoCad ? form.txtAcad : form.txtIcad;
  controls::FileDialogRequest request;
  request.title = "Programfil";
  request.filter = autoCad ? kAutoCadFilter : kIntelliCadFilter;
  request.initialFolder = programBox.text().empty() ? platform::ProgramFolder().string() : programBox.text();
  request.flags = kOpenFlags;
  const auto chosen = form.ui.OpenFileDialog(request);
  if (!chosen || chosen->empty()) return;
  if (EndsWithIgnoringCase(*chosen, ".exe") || IsExecutableFile(*chosen)) programBox.SetText(*chosen);
}

void RunCadScript(MainForm& form, const std::string& kind) {
  // The grid is being filled or read by a run that yields; its selection is not the user's yet.
  if (form.state.runActive()) return;

  const std::string name = platform::Trim(form.cboScr.text());
  const std::string templatePath = form.FileScr.path() + "/" + name;
  const auto templateFile = FindTemplate(form.FileScr.path(), name);
  if (!templateFile) {
    // Without a chosen template there is no file to name: the folder alone
    // may be one the user never chose.
    form.ui.MessageBox(name.empty() ? "Ingen scriptmall är vald." : "Ingen scriptmall " + templatePath + " funnen.",
                       mb::kOkOnly | mb::kCritical, "Fel");
    return;
  }

  browser::ScriptTemplate scriptTemplate;
  try {
    scriptTemplate = browser::ReadScriptTemplate(*templateFile);
  } catch (const std::system_error& e) {
    ReportRunFailure(form, e.code().value(), "");
    return;
  }

  browser::ScriptValues values;
  if (scriptTemplate.needsProject) {
    const auto project = AskProject(form);
    if (!project) return;
    values.project = *project;
  }
  values.folder = form.File1.path();
  const platform::Clock& clock = platform::CurrentClock();
  const auto now = clock.Now();
  values.date = clock.ShortDate(now);
  values.time = clock.LongTime(now);

  const fs::path scriptPath = platform::TempFolder() / browser::kScriptFileName;
  const std::string script = browser::BuildScript(scriptTemplate, SelectedFileNames(form.fgFiles), values);
  if (!WriteScript(form, scriptPath, script)) return;

  if (kind != kAutoCad && kind != kIntelliCad) return;
  const bool autoCad = kind == kAutoCad;
  const std::string program = (autoCad ? form.txtAcad : form.txtIcad).text();
  const std::string parameters = (autoCad ? form.txtParamAcad : form.txtParamIcad).text();
  std::error_code ec;
  if (program.empty() || !fs::is_regular_file(program, ec)) {
    form.ui.MessageBox("Hittar ej programmet " + program + ".", mb::kOkOnly | mb::kCritical, "Fil saknas");
    return;
  }

  platform::StartOptions options;
  options.showState = platform::show::kMinimizedFocus;
  auto started = platform::StartProcess(browser::CadStartArguments(program, parameters, scriptPath.string()), options);
  if (!started.process) {
    // Not a matter of the script file, whatever the reason.
    form.ui.MessageBox(OtherErrorText(started.error == 0 ? EINVAL : started.error), mb::kOkOnly, version::kTitle);
    return;
  }
  started.process->Detach();  // the CAD program runs on after the run
}

}  // namespace quiremark::app
