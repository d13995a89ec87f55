#pragma once

#include <string>

#include "browser/file_pane.h"
#include "browser/tree_row.h"
#include "controls/basic_controls.h"
#include "controls/command_bars.h"
#include "controls/grid.h"
#include "settings/app_state.h"

namespace quiremark::browser {

// Command IDs of the tree's context menu and of the two special binds that
// a folder's path side files show (the main window's command table).
inline constexpr int kCmdCreatePdfSpec = 103;
inline constexpr int kCmdCreatePdfRelation = 105;
inline constexpr int kCmdRefreshTree = 309;
inline constexpr int kCmdExploreFolder = 313;
inline constexpr int kCmdCloseTree = 905;
inline constexpr int kCmdDeletePrevious = 906;
inline constexpr int kCmdDeleteFavourite = 907;
inline constexpr int kCmdSaveFavourite = 908;
inline constexpr int kCmdGotoFolder = 909;

// Names of the pictures the tree rows show (the main window's picture controls).
struct TreePictures {
  std::string computer, history, favourites, folder;
  std::string drive, floppyDrive, cd, netDrive;
};

// The parts of the main window that the folder tree works on. The main
// window hands them out; the routines keep no state of their own.
struct TreePane {
  FilePane files;  // the working folder (Dir1), the file grid and the window
  controls::Grid& fgTree;
  controls::FolderList& Dirs;  // lists the subfolders of a row being expanded
  controls::DriveList& Drives;
  controls::CommandBarsStatusBar& statusBar;  // pane 0 shows the working folder
  TreePictures pictures;
  std::string& currentTreePicture;  // the picture the next drive or folder row gets
};

// The window caption's prefix of the program built for this converter.
std::string CaptionPrefix(settings::Converter converter);

// The drive list anew from the machine's drives.
void RefreshDriveList(controls::DriveList& drives);

// Rebuilds the tree: the computer, the history and favourites roots and the
// drives, each of these collapsed with a placeholder child. A non-empty
// `startPath` gives a tree of that one folder instead.
void SetupTreeView(TreePane& pane, const std::string& startPath = "");

// The type text of drive `index` of the drive list; leaves its picture in
// the pane's current tree picture.
std::string GetDriveTypeText(TreePane& pane, int index);

// Before a row's collapsed state changes: the first expansion of a row whose
// children are not listed yet lists them. While the grid holds numbers the
// folder opened this way does not become the working folder: opening a
// folder to look into it never costs the user's numbering.
void TreeBeforeCollapse(TreePane& pane, int row, int state, bool& cancel);

// Toggles the current row.
void fgTree_DblClick(TreePane& pane);

// Lists the children of row `row`, whose placeholder child the caller has
// removed: the history, the favourites, or one level of subfolders (which
// also makes the row's folder the working folder, unless `keepWorkingFolder`).
void ExpandRow(TreePane& pane, int row, bool keepWorkingFolder = false);

// The current row's folder becomes the working folder: the grid lists it,
// the caption and status pane name it, LastFolder remembers it. Refused
// while a run is under way; a folder that no longer exists changes nothing.
void SelectFolder(TreePane& pane);

// Whether a tree row's data lies on the way to `target`: the row's folder is
// the target or one of the folders above it (by whole path components), or
// the row is the favourites or history root and the target one of its entries.
bool RowLeadsTo(const std::string& rowData, const std::string& target);
// Whether a tree row's data names `target` itself (a trailing "/" aside).
bool RowIsTarget(const std::string& rowData, const std::string& target);

// Opens the tree down to `path` and selects its row.
void ExpandTreeToFolder(TreePane& pane, const std::string& path);
// The walk to the stored LastFolder.
void GotoLastFolder(TreePane& pane);
// F5 in the tree: rebuild, walk back to LastFolder and select once more.
void RefreshFolderTree(TreePane& pane);
// The current row's folder becomes LastFolder, then the walk to it.
void GotoFolder(TreePane& pane);
// Opens the current row's folder in the desktop's file manager.
void ExploreFolder(TreePane& pane);

// The tree's key, key-press and mouse-up events.
void fgTree_KeyDown(TreePane& pane, int& keyCode, int shift);
void fgTree_KeyPress(TreePane& pane, int& keyAscii);
void fgTree_MouseUp(TreePane& pane, int button, int shift, float x, float y);

// The tree's context menu for the current row, shown at the pointer.
void ShowTreeMenu(TreePane& pane);

}  // namespace quiremark::browser
