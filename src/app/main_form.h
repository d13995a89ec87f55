#pragma once

#include <string>
#include <vector>

#include "controls/basic_controls.h"
#include "controls/command_bars.h"
#include "controls/form.h"
#include "controls/grid.h"
#include "controls/ui_services.h"
#include "engine/outline.h"
#include "engine/splash_form.h"
#include "settings/app_state.h"

namespace quiremark::app {

// The main window frmMain: its controls in design order, its command bars
// and the form-level state its routines share. The routines themselves live
// beside it as functions taking the form (command bars, layout and themes,
// start-up, dispatcher, ...).
class MainForm : public controls::Form {
 public:
  MainForm(settings::AppState& state, controls::UiServices& ui);

  settings::AppState& state;
  controls::UiServices& ui;

  // The two panes and the frame that holds them.
  controls::Frame fraMain{"fraMain"};
  controls::Grid fgTree{"fgTree"};
  controls::Grid fgFiles{"fgFiles"};
  controls::TextBox Text1{"Text1"};  // the notice box under the file grid

  // Form controls shown inside the toolbars.
  controls::ComboBox cboScr{"cboScr"};
  controls::TextBox txtAcad{"txtAcad"};
  controls::TextBox txtParamAcad{"txtParamAcad"};
  controls::TextBox txtIcad{"txtIcad"};
  controls::TextBox txtParamIcad{"txtParamIcad"};
  controls::ComboBox cboDigiTejp{"cboDigiTejp"};
  controls::ComboBox cboFolderName{"cboFolderName"};
  controls::ComboBox cboBookMark{"cboBookMark"};
  controls::ComboBox cboFileExt{"cboFileExt"};
  controls::ProgressBar NorvProgressBar{"NorvProgressBar"};

  // Hidden helpers of the folder tree, file grid and tree scan.
  controls::FolderList Dir1{"Dir1"};
  controls::FolderList Dir2{"Dir2"};
  controls::FileList File1{"File1"};
  controls::DriveList Drives{"Drives"};
  controls::PanelStatusBar StatusBar1{"StatusBar1", 2};
  controls::CheckBox chkEmptyFolders{"chkEmptyFolders"};

  // Pictures of the window, the tree rows and the toolbar buttons.
  controls::PictureBox imgIcon{"imgIcon"};
  controls::PictureBox imgIconLarge{"imgIconLarge"};
  controls::PictureBox imgComputer{"imgComputer"};
  controls::PictureBox imgPrev{"imgPrev"};
  controls::PictureBox imgFavo{"imgFavo"};
  controls::PictureBox imgFolder{"imgFolder"};
  controls::PictureBox imgDrive{"imgDrive"};
  controls::PictureBox imgFloppyDrive{"imgFloppyDrive"};
  controls::PictureBox imgCD{"imgCD"};
  controls::PictureBox imgNetDrive{"imgNetDrive"};
  controls::PictureBox imgDwg{"imgDwg"};
  controls::PictureBox imgDXF{"imgDXF"};

  // Menus, toolbars, key bindings and the status bar whose pane 0 shows
  // the current folder.
  controls::CommandBars CommandBars;
  controls::CommandBarsStatusBar& StatusBar;

  // Form-level state shared by the routines of the window.
  int NextGridRow = 0;                           // next row AddGridRow fills
  int SelectionStartRow = 1;                     // anchor row of a grid range
  int SelectionEndRow = 1;                       // end row of a grid range
  bool BookmarksFromGrid = true;                 // the next bind builds its outline from the grid
  engine::OutlineState Outline;                  // the outline of the next bind (BookmarkLines, PageCounter)
  std::vector<std::string> CollectedFolders;     // folders collected by the last tree scan
  std::string OutputPdfPath;                     // the PDF of the running bind
  std::string DistillerProgram;                  // the Distiller-style converter found at start-up
  std::string DistillerDataFolder;               // the Distiller program's data folder
  std::vector<std::string> GhostscriptDllPaths;  // distinct GS_DLL values

  // The bind run's converter lookup, made once: gs as start-up or the first
  // bind found it (empty: the next bind looks it up).
  std::string GhostscriptProgram;

  // The progress window of the bind run (frmSplash).
  engine::SplashForm frmSplash;

 protected:
  void Form_Resize() override;
};

}  // namespace quiremark::app
