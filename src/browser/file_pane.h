#pragma once

#include <functional>

#include "controls/basic_controls.h"
#include "controls/command_bars.h"
#include "controls/form.h"
#include "controls/grid.h"
#include "controls/ui_services.h"
#include "engine/outline.h"
#include "settings/app_state.h"

namespace quiremark::browser {

// The parts of the main window that the file grid and its numbering work
// on. The main window hands them out; the routines keep no state of their own.
struct FilePane {
  controls::Form& window;
  controls::UiServices& ui;
  settings::AppState& state;
  controls::Grid& fgFiles;
  controls::FolderList& Dir1;  // its folder is the working folder
  controls::FileList& File1;   // the working folder's files by the file filter
  controls::PanelStatusBar& StatusBar1;
  controls::ComboBox& cboBookMark;
  controls::CommandBars& commandBars;
  engine::OutlineState& outline;  // the outline of the next bind
  int& nextGridRow;               // next row AddGridRow fills
  int& selectionStartRow;         // anchor row of a range
  int& selectionEndRow;           // end row of a range
  bool& bookmarksFromGrid;        // the next bind builds its outline from the grid
  std::function<void()> selectFolder;  // reselects the tree's current folder (F5)
};

using controls::Hourglass;

// The status-bar pane that tells why a command has to wait.
inline constexpr int kNoticePane = 1;

// Says in the notice pane that what the user asked for waits for the run
// under way (a bind run or a tree scan).
inline void TellRunUnderWay(controls::CommandBarsStatusBar& status, const settings::AppState& state) {
  status.SetPaneText(kNoticePane,
                     state.bindRunActive ? "Vänta tills PDF-filen är klar" : "Vänta tills mappavsökningen är klar");
}

}  // namespace quiremark::browser
