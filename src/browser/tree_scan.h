#pragma once

#include <string>
#include <vector>

#include "browser/file_pane.h"
#include "engine/folder_outline.h"

namespace quiremark::browser {

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

// What the walk found: the tree and how many folders it could not list.
struct ScanWalk {
  std::string start;  // the folder the walk began in
  engine::ScannedTree tree;
  int skippedFolders = 0;
};

// Whether a folder passes the folder filter: the filter without its "*"
// is empty, or occurs in the folder's last name, letter case ignored.
bool PassesFolderFilter(const std::string& folderPath, const std::string& folderFilter);

// The whole scan of the working folder's tree: walks it, collects the
// folders that pass the filters, fills the grid with their files (one row
// per file, numbered in order) and the outline with one group per folder,
// switches the window to the tree-scan mode and saves the file patterns.
// Refused (false) while a bind run or another scan is under way, and when
// the working folder is not an existing folder.
bool ScanFolderTree(ScanPane& pane);

// Walks the tree below `path` depth first, a folder before its subfolders
// in name order, yielding once per folder; records every folder it can
// list in `walk` and collects those that pass the filters. Symbolic links
// to folders are not followed, hidden folders not entered.
void ScanFolder(ScanPane& pane, const ScanFilters& filters, ScanWalk& walk, const std::string& path);

// Whether a listed folder is collected: it lists a plot file and, unless
// the bookmark pattern is "*", one of them has a bookmark that matches it.
bool CollectFolder(const engine::ScannedFolder& folder, const std::string& bookmarkPattern);

// Refills the grid from the walked tree (header "+ Nr", relative names) and
// the outline, then numbers every row.
void FillGridFromTree(ScanPane& pane, const ScanWalk& walk);

}  // namespace quiremark::browser
