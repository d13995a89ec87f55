#pragma once

#include <string>
#include <system_error>
#include <vector>

#include "browser/file_pane.h"
#include "engine/folder_outline.h"

namespace quiremark::browser {

// What the last scan had to leave out: the folders below the start folder it
// could not list, the plot files it could not open and the bookmark side
// files it could not read (whose plot files have their base names as titles).
struct ScanLeftOut {
  std::string first;  // the first one met, its path
  std::error_code firstError;
  bool firstIsFolder = false;
  bool firstIsSideFile = false;
  int folders = 0;
  int files = 0;
  int sideFiles = 0;

  int count() const { return folders + files + sideFiles; }
  void Add(const std::string& path, const std::error_code& error, bool folder);
  void AddSideFile(const std::string& path, const std::error_code& error);
  // "2 mappar och 1 plottfil", "1 mapp, 2 plottfiler och 1 bokmärkesfil"
  std::string Counted() const;
};

// The parts of the main window that the filters and the tree scan work on,
// beside the file grid's.
struct ScanPane {
  FilePane files;
  controls::FolderList& Dir2;  // ends on the start folder after a scan
  controls::ComboBox& cboFileExt;
  controls::ComboBox& cboFolderName;
  controls::CheckBox& chkEmptyFolders;         // set: every subfolder gets its group, empty or not
  std::vector<std::string>& collectedFolders;  // the folders the last scan collected, in scan order
  int& fileFilterErrorCount;                   // errors the file-filter handler has reported
  ScanLeftOut& leftOut;                        // what the last scan left out
};

// The grid's header in the tree-scan mode.
inline const std::vector<std::string> kTreeScanHeader = {"+ Nr", " Filnamn", " Bokmärke", "Fildatum"};

// The filters a scan applies, taken once when it starts, so that a filter
// typed while the scan yields does not change it half way.
struct ScanFilters {
  std::string filePattern;    // the file list's pattern
  std::string folderFilter;   // the folder filter's text
  std::string bookmarkPattern;
};

// What the walk found: the tree (the folders it could not list go to the
// pane's leftOut).
struct ScanWalk {
  std::string start;  // the folder the walk began in
  engine::ScannedTree tree;
};

// Whether a folder passes the folder filter: the filter without its "*"
// is empty, or occurs in the folder's last name, letter case ignored.
bool PassesFolderFilter(const std::string& folderPath, const std::string& folderFilter);

// The whole scan of the working folder's tree: walks it, collects the
// folders that pass the filters, fills the grid with their files (one row
// per file, numbered in order) and the outline with one group per folder,
// switches the window to the tree-scan mode and saves the file patterns.
// A folder it cannot list and a plot file it cannot open are left out and
// recorded in the pane's leftOut.
// Refused (false) while a bind run or another scan is under way, and when
// the working folder is not an existing folder.
bool ScanFolderTree(ScanPane& pane);

// Walks the tree below `path` depth first, a folder before its subfolders
// in name order, yielding once per folder; records every folder it can
// list in `walk`, one it cannot in the pane's leftOut, and collects those
// that pass the filters. Symbolic links
// to folders are not followed, hidden folders not entered.
void ScanFolder(ScanPane& pane, const ScanFilters& filters, ScanWalk& walk, const std::string& path);

// Whether a listed folder is collected: it lists a plot file and, unless
// the bookmark pattern is "*", one of them has a bookmark that matches it.
bool CollectFolder(const engine::ScannedFolder& folder, const std::string& bookmarkPattern);

// Refills the grid from the walked tree (header "+ Nr", relative names) and
// the outline, then numbers every row. What the fill leaves out joins what
// the walk left out in the pane's leftOut, and the status pane counts it.
void FillGridFromTree(ScanPane& pane, const ScanWalk& walk);

}  // namespace quiremark::browser
