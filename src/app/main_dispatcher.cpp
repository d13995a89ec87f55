#include "app/main_dispatcher.h"

#include <algorithm>
#include <array>
#include <exception>

#include "app/bind_run.h"
#include "app/command_table.h"
#include "app/file_grid_events.h"
#include "app/layout.h"
#include "app/main_commands.h"
#include "app/main_form.h"
#include "app/options_form.h"
#include "browser/numbering.h"
#include "controls/input_codes.h"
#include "engine/open_result.h"

namespace quiremark::app {

namespace {

// Commands that change the grid, the filters or the working folder, start
// a bind or a tree scan, or read the grid's selection while a run fills it.
constexpr std::array kWaitForRun = {
    cmd::kCreatePdf,      cmd::kCreatePdfSpec,       cmd::kCreatePdfRelation, cmd::kNumberAll,
    cmd::kNumberSelected, cmd::kUnnumberAll,         cmd::kDeletePlotFiles,   cmd::kScanFolderTree,
    cmd::kRefreshTree,    cmd::kRefreshFiles,        cmd::kFilterBySelection, cmd::kCloseTree,
    cmd::kGotoFolder,     cmd::kDeleteSelectedFiles, cmd::kRunAcad,           cmd::kRunIcad};

void Dispatch(MainForm& form, int id) {
  switch (id) {
    case cmd::kCreatePdf: CreatePdf(form, kBindPlain); break;
    case cmd::kExit: form.Unload(); break;
    case cmd::kCreatePdfSpec: CreatePdf(form, kBindSpec); break;
    case cmd::kCreatePdfRelation: CreatePdf(form, kBindRelation); break;
    case cmd::kNumberAll: {
      browser::FilePane pane = FilePaneOf(form);
      browser::NumberAll(pane);
      break;
    }
    case cmd::kNumberSelected: {
      browser::FilePane pane = FilePaneOf(form);
      browser::NumberSelected(pane);
      break;
    }
    case cmd::kUnnumberAll: {
      browser::FilePane pane = FilePaneOf(form);
      browser::UnnumberAll(pane);
      break;
    }
    case cmd::kViewPdf:
      if (!form.state.lastPdfPath.empty()) engine::OpenResultPdf(form.ui, form.state.lastPdfPath, form.state.lastPdfByProducts);
      break;
    case cmd::kDeletePlotFiles: DeletePlotFiles(form); break;
    case cmd::kScanFolderTree: ScanFolderTree(form); break;
    case cmd::kOptions: ShowOptionsDialog(form); break;
    case cmd::kRefreshTree: RefreshFolderTree(form); break;
    case cmd::kRefreshFiles: form.fgFiles.RaiseKeyDown(controls::kKeyF5, 0); break;
    case cmd::kExploreFolder: ExploreFolder(form); break;
    case cmd::kFilterBySelection:
      FilterBySelection(form);
      ScanFolderTree(form);
      break;
    case cmd::kAbout: ShowAbout(form); break;
    case cmd::kCloseTree: SetupTreeView(form); break;
    case cmd::kDeletePrevious: DeletePrevious(form); break;
    case cmd::kDeleteFavourite: DeleteFavourite(form); break;
    case cmd::kSaveFavourite: SaveFavourite(form); break;
    case cmd::kGotoFolder: GotoFolder(form); break;
    case cmd::kScriptFolder: ChooseScriptFolder(form); break;
    case cmd::kEditScript: EditScriptTemplate(form); break;
    case cmd::kRefreshScripts: RefreshScriptList(form); break;
    case cmd::kRunAcad: RunCadScript(form, "Acad"); break;
    case cmd::kBrowseAcad: BrowseCadProgram(form, "Acad"); break;
    case cmd::kRunIcad: RunCadScript(form, "Icad"); break;
    case cmd::kBrowseIcad: BrowseCadProgram(form, "Icad"); break;
    case cmd::kDeleteSelectedFiles: DeleteSelectedFiles(form); break;
    default:
      if (id >= kFirstThemeCommand && id <= kLastThemeCommand) SetTheme(form, id - kFirstThemeCommand, id);
      break;
  }
}

}  // namespace

bool WaitsForRun(int id) { return std::find(kWaitForRun.begin(), kWaitForRun.end(), id) != kWaitForRun.end(); }

void CommandBars_Execute(MainForm& form, controls::CommandBarControl& control) { RunCommand(form, control.id()); }

void RunCommand(MainForm& form, int id) {
  controls::CommandBarsStatusBar& status = form.StatusBar;
  if (form.state.runActive() && WaitsForRun(id)) {
    browser::TellRunUnderWay(status, form.state);
    return;
  }
  if (const controls::StatusBarPane* notice = status.FindPane(kNoticePane); notice && !notice->text.empty())
    status.SetPaneText(kNoticePane, "");
  // An action that fails tells the user and leaves the window working; an
  // error that went on would end the program and lose the session.
  try {
    Dispatch(form, id);
  } catch (const std::exception& error) {
    form.SetHourglass(false);
    form.ui.MessageBox("Kommandot kunde inte slutföras.\r\r" + std::string(error.what()),
                       controls::mb::kOkOnly | controls::mb::kCritical, "Fel");
  }
}

void CommandBars_Resize(MainForm& form) { ArrangeControls(form); }

void ShowOptionsDialog(MainForm& form) {
  OptionsForm options(form.state, form.ui);
  options.Load();
  SetFormColors(options, 0, form.state.themeBaseColor);
  options.Show(true);
}

}  // namespace quiremark::app
