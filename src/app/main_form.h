#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "browser/cad_scripts.h"
#include "browser/tree_scan.h"
#include "app/settings_damage.h"
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
  // The order Tab goes through the controls: the tree, the grid and its
  // filters, then the toolbars' other boxes, and back to the tree.
  const std::vector<const controls::Control*> tabOrder{
      &fgTree, &fgFiles, &cboFolderName, &cboBookMark, &cboFileExt, &cboScr,
      &txtAcad, &txtParamAcad, &txtIcad, &txtParamIcad, &cboDigiTejp};

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

  // Folder tree (folder_tree_events.cpp): the hidden folder list that lists
  // a row's subfolders when the row is first expanded, and the picture the
  // next drive or folder row of the tree gets.
  controls::FolderList Dirs{"Dirs"};
  std::string CurrentTreePicture;

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
  browser::ScanLeftOut LeftOutByScan;            // what the last tree scan left out
  std::string OutputPdfPath;                     // the PDF of the running bind
  std::string BindFailure;                       // why the last bind made no PDF ("" when it did or stopped silently)
  std::string DistillerProgram;                  // the Distiller-style converter found at start-up
  std::string DistillerDataFolder;               // the Distiller program's data folder
  std::vector<std::string> GhostscriptDllPaths;  // distinct GS_DLL values

  // Filters and tree scan (tree_scan_events.cpp).
  int FileFilterErrorCount = 0;  // errors the file-filter handler has reported since the window loaded

  // The bind run's converter lookup, made once: gs as start-up or the first
  // bind found it (empty: the next bind looks it up).
  std::string GhostscriptProgram;

  // The progress window of the bind run (frmSplash).
  engine::SplashForm frmSplash;

  // CAD script runner (cad_commands.cpp): the template folder's "*.scr"
  // files, whose names fill cboScr; the process's current folder until a
  // template folder is chosen.
  browser::ScriptFileList FileScr;

  // Start-up and shutdown (main_startup.cpp, main_shutdown.cpp): the
  // converter this program is built for, what start-up found, and how an
  // unattended run ended.
  settings::Converter builtConverter = settings::Converter::Distiller;
  bool displayAvailable = false;       // a user can see the window (and an editor it starts)
  std::string DigiTejpSettingsFolder;  // the folder whose *.dtt files fill cboDigiTejp
  bool startupComplete = false;        // start-up ran to its end (no early stop)
  bool programEnded = false;           // start-up ended the program (EndProgram was called)
  int exitStatus = 0;                  // the status it ended with
  std::ostream* unattendedNotices = nullptr;  // where an unattended bind says what it waits for

  // Damaged settings files are told to the user in a message box while the window lives.
  SettingsDamageNotices settingsDamageNotices{ui};

 protected:
  void Form_Resize() override;
  void Form_Unload(bool& cancel) override;
};

}  // namespace quiremark::app
