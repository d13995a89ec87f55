#include "browser/folder_tree.h"

#include <filesystem>
#include <optional>
#include <system_error>

#include "browser/file_grid.h"
#include "browser/history.h"
#include "browser/numbering.h"
#include "controls/input_codes.h"
#include "platform/drives.h"
#include "platform/file_search.h"
#include "platform/process.h"
#include "platform/program_info.h"
#include "platform/text_encoding.h"
#include "settings/registry_settings.h"
#include "settings/text_routines.h"

namespace quiremark::browser {

namespace {

namespace fs = std::filesystem;
using controls::Grid;

constexpr int kTreeLeft = 50;  // twips from the frame's left edge; the layout places the file grid from it
constexpr const char* kLastFolder = "LastFolder";

// Keys the tree acts on (key codes, and the character of Enter).
constexpr int kKeyEnter = 13;
constexpr int kKeySpace = 32;
constexpr int kKeyLeft = 37;
constexpr int kKeyRight = 39;

bool ValidRow(const Grid& tree, int row) { return row >= 0 && row < tree.rows(); }

// Inserts a node row at `index`; its text is set apart from the insertion,
// since a folder name may hold a tab.
void InsertRow(Grid& tree, int index, const std::string& text, const std::string& data, const std::string& picture,
               int level) {
  tree.AddItem("", index);
  tree.SetTextMatrix(index, 0, text);
  tree.SetRowData(index, data);
  tree.SetIsSubtotal(index, true);
  tree.SetRowOutlineLevel(index, level);
  tree.SetCellPicture(index, 0, index, 0, picture);
  tree.SetCellAlignment(index, 0, index, 0, controls::align::kLeftCenter);
}

// The child row that stands for children not listed yet: empty text, no data, no picture.
void InsertPlaceholder(Grid& tree, int index, int level) {
  tree.AddItem("", index);
  tree.SetIsSubtotal(index, false);
  tree.SetRowOutlineLevel(index, level);
}

// The tree's current row back on the working folder's row, the bold one,
// after a selection that was refused: the history entry of the next bind
// goes by the current row.
void KeepWorkingRow(TreePane& pane) {
  Grid& tree = pane.fgTree;
  for (int row = 0; row < tree.rows(); ++row) {
    if (tree.CellFontBold(row, 0)) {
      if (tree.row() != row) tree.SetRow(row);
      return;
    }
  }
}

bool HasPlaceholder(const Grid& tree, int row) {
  return row + 1 < tree.rows() && tree.TextMatrix(row + 1, 0).empty();
}

// A trailing "/" names the same folder; "/" stays itself.
std::string_view WithoutTrailingSlash(std::string_view path) {
  while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
  return path;
}

// The text a history row shows: the folder name after the first "|" of the
// value name (a folder name may hold "|" itself), the whole name without one.
std::string HistoryText(const std::string& valueName) {
  const std::size_t bar = valueName.find('|');
  return bar == std::string::npos ? valueName : valueName.substr(bar + 1);
}

// Lists the history or the favourites below row `row`, each entry at
// row + 1, so the last enumerated comes first. Returns the number of rows inserted.
int ListValues(TreePane& pane, int row, bool favourites) {
  Grid& tree = pane.fgTree;
  const std::string key = settings::ProgramKeyPath() + "\\" + (favourites ? kFavouriteKey : kPreviousKey);
  const int level = tree.RowOutlineLevel(row) + 1;
  int inserted = 0;
  for (int i = 0;; ++i) {
    const settings::RegValueEntry value = settings::RegEnumValueAt(settings::Hive::CurrentUser, key, i);
    if (!value.found) break;
    // A row without a text would pass for a placeholder, so a nameless
    // entry shows its folder's name, and one without a folder is left out.
    std::string text = favourites ? value.name : HistoryText(value.name);
    if (text.empty()) text = FolderName(value.data);
    if (text.empty()) continue;
    pane.currentTreePicture = pane.pictures.folder;
    const std::string data =
        favourites ? TreeRowData::Favourite(value.data) : TreeRowData::HistoryEntry(value.data);
    InsertRow(tree, row + 1, text, data, pane.currentTreePicture, level);
    ++inserted;
    if (favourites) {
      InsertPlaceholder(tree, row + 2, level + 1);
      tree.SetIsCollapsed(row + 1, controls::kCollapsed);
      ++inserted;
    }
  }
  return inserted;
}

// Lists one level of the folder's subfolders below row `row`, each with a
// placeholder child and collapsed. Returns the number of rows inserted, or
// nothing when the folder cannot be listed.
std::optional<int> ListFolder(TreePane& pane, int row, const std::string& folder) {
  Grid& tree = pane.fgTree;
  try {
    pane.Dirs.SetPath(folder);
  } catch (const controls::ControlError&) {
    return std::nullopt;
  }
  Hourglass busy(pane.files.window);
  int at = row + 1;
  const int level = tree.RowOutlineLevel(row) + 1;
  for (int i = 0; i < pane.Dirs.listCount(); ++i) {
    const std::string& subfolder = pane.Dirs.List(i);
    pane.currentTreePicture = pane.pictures.folder;
    InsertRow(tree, at, FolderName(subfolder), subfolder, pane.currentTreePicture, level);
    InsertPlaceholder(tree, at + 1, level + 1);
    tree.SetIsCollapsed(at, controls::kCollapsed);
    at += 2;
  }
  return at - row - 1;
}

// The path side files `names` (normal files, their names in any letter case)
// in the folder or, failing that, in its parent, each answer in the place of
// its name. Each folder is looked through once for all the names.
std::vector<std::optional<fs::path>> FindPathSideFiles(const std::string& folder,
                                                       const std::vector<std::string>& names) {
  std::vector<std::optional<fs::path>> found(names.size());
  if (folder.empty()) return found;
  for (const fs::path& place : {fs::path(folder), fs::path(folder) / ".."}) {
    std::vector<std::string> missing;
    std::vector<std::size_t> places;  // where each missing name's answer goes
    for (std::size_t i = 0; i < names.size(); ++i) {
      if (found[i]) continue;
      missing.push_back(names[i]);
      places.push_back(i);
    }
    if (missing.empty()) break;
    std::vector<std::optional<fs::path>> here = platform::FindFilesIgnoringCase(place, missing);
    for (std::size_t k = 0; k < here.size(); ++k) found[places[k]] = std::move(here[k]);
  }
  return found;
}

// Shows a special bind command exactly when its path side file `file` lies in
// the folder or its parent, with the file's first line as its tooltip.
void ShowSideFileCommand(TreePane& pane, int id, const std::optional<fs::path>& file, const std::string& defaultTip) {
  controls::CommandBarControl* control = pane.files.commandBars.FindControl(id);
  if (!control) return;
  std::string tip;
  if (file) {
    try {
      tip = platform::Trim(settings::ReadFirstLine(*file));
    } catch (const settings::FileError&) {
      // unreadable or empty: the command keeps its own text
    }
  }
  control->SetVisible(file.has_value());
  control->SetTooltipText(tip.empty() ? defaultTip : tip);
}

// Makes `folder` the folder of Dir1 (the grid's fill gives it to File1 too).
// Returns whether Dir1's change event has filled the grid for it already.
bool SetWorkingFolder(TreePane& pane, const std::string& folder) {
  controls::FolderList& dir1 = pane.files.Dir1;
  const std::string before = dir1.path();
  try {
    if (folder.empty()) dir1.Clear();
    else dir1.SetPath(folder);
  } catch (const controls::ControlError&) {
    return false;
  } catch (const settings::FileError&) {
    return true;  // the fill failed on a file; a second one fails the same way
  }
  return dir1.path() != before && dir1.onChange;
}

}  // namespace

std::string CaptionPrefix(settings::Converter converter) {
  return converter == settings::Converter::Ghostscript ? "Quiremark(GS)" : "Quiremark(Adobe)";
}

void RefreshDriveList(controls::DriveList& drives) {
  std::vector<controls::DriveList::Entry> entries;
  for (const platform::Drive& drive : platform::ListDrives()) {
    std::string text = drive.folder;
    if (!drive.networkSource.empty()) text += " " + drive.networkSource;
    entries.push_back({std::move(text), drive.folder});
  }
  drives.SetEntries(std::move(entries));
}

void SetupTreeView(TreePane& pane, const std::string& startPath) {
  Grid& tree = pane.fgTree;
  const TreePictures& pictures = pane.pictures;
  tree.SetRows(1);
  tree.SetLeft(kTreeLeft);
  tree.SetCols(1);
  tree.SetRedraw(controls::kRedrawBuffered);
  tree.SetRedraw(controls::kRedrawOff);  // not redrawn while it is filled
  tree.SetRows(0);

  if (!startPath.empty()) {
    InsertRow(tree, 0, startPath, startPath, pictures.folder, 0);
  } else {
    InsertRow(tree, 0, kComputerText, "", pictures.computer, 0);
    ScanPrevious();
    InsertRow(tree, 1, kHistoryText, std::string(1, TreeRowData::kHistoryMarker), pictures.history, 1);
    InsertPlaceholder(tree, 2, 2);
    InsertRow(tree, 3, kFavouritesText, std::string(1, TreeRowData::kFavouriteMarker), pictures.favourites, 1);
    InsertPlaceholder(tree, 4, 2);
    RefreshDriveList(pane.Drives);
    for (int i = 0; i < pane.Drives.listCount(); ++i) {
      const std::string text = GetDriveTypeText(pane, i) + " (" + pane.Drives.List(i) + ")";
      InsertRow(tree, tree.rows(), text, pane.Drives.Folder(i), pane.currentTreePicture, 1);
      InsertPlaceholder(tree, tree.rows(), 2);
    }
  }
  tree.Outline(1);
  tree.SetRow(0);
  tree.SetCellAlignment(0, 0, tree.rows() - 1, tree.cols() - 1, controls::align::kLeftCenter);
  tree.SetRedraw(controls::kRedrawBuffered);
}

std::string GetDriveTypeText(TreePane& pane, int index) {
  namespace type = platform::drive_type;
  const std::string& entry = pane.Drives.List(index);
  const TreePictures& pictures = pane.pictures;
  std::string& picture = pane.currentTreePicture;
  picture = pictures.drive;
  switch (platform::GetDriveType(pane.Drives.Folder(index))) {
    case type::kUnknown: return "<Okänd typ>";
    case type::kNoRootFolder:
      // An entry that names more than its folder names a network source.
      if (entry != pane.Drives.Folder(index)) {
        picture = pictures.netDrive;
        return "Nätverksenhet";
      }
      return "Flyttbar disk";
    case type::kRemovable:
      if (!entry.empty() && (entry[0] == 'a' || entry[0] == 'b')) {
        picture = pictures.floppyDrive;
        return "Floppy drive";
      }
      return "Flyttbar disk";
    case type::kFixed: return "Lokal disk";
    case type::kRemote: picture = pictures.netDrive; return "Nätverksenhet";
    case type::kCdRom: picture = pictures.cd; return "CD-enhet";
    case type::kRamDisk: return "RAM-diskenhet";
    default: return "";
  }
}

void TreeBeforeCollapse(TreePane& pane, int row, int state, bool& cancel) {
  Grid& tree = pane.fgTree;
  if (tree.redraw() == controls::kRedrawOff) return;  // the tree is being filled
  if (row < 0) {
    cancel = true;
    return;
  }
  if (state == controls::kCollapsed || row >= tree.rows() - 1 || !tree.IsSubtotal(row)) return;
  if (!HasPlaceholder(tree, row)) return;  // listed already
  tree.RemoveItem(row + 1);
  ExpandRow(pane, row, GetMaxNumber(pane.files.fgFiles) > 0);
}

void fgTree_DblClick(TreePane& pane) {
  Grid& tree = pane.fgTree;
  const int row = tree.row();
  if (!ValidRow(tree, row)) return;
  tree.SetIsCollapsed(row, tree.IsCollapsed(row) == controls::kCollapsed ? controls::kExpanded : controls::kCollapsed);
}

void ExpandRow(TreePane& pane, int row, bool keepWorkingFolder) {
  Grid& tree = pane.fgTree;
  if (!ValidRow(tree, row)) return;
  const std::string data = tree.RowData(row);
  // While a run is under way a folder is listed, but it neither becomes the
  // working folder nor moves the current row.
  const bool running = pane.files.state.runActive();
  std::optional<int> inserted;
  switch (TreeRowData::KindOf(data)) {
    case TreeRowKind::HistoryRoot: inserted = ListValues(pane, row, false); break;
    case TreeRowKind::FavouritesRoot: inserted = ListValues(pane, row, true); break;
    case TreeRowKind::Folder:
    case TreeRowKind::Favourite: {
      const std::string folder = TreeRowData::FolderOf(data);
      std::error_code error;
      if (!fs::exists(folder, error)) return;  // gone, or a drive without a readable medium
      if (running) {
        TellRunUnderWay(pane.statusBar, pane.files.state);
      } else if (!keepWorkingFolder) {
        tree.SetRow(row);
        SelectFolder(pane);
        pane.statusBar.SetPaneText(0, data);
      }
      // Rows go in with the redraw off, so the view takes them in one go.
      tree.SetRedraw(controls::kRedrawOff);
      inserted = ListFolder(pane, row, folder);
      if (!inserted) {
        tree.SetRedraw(controls::kRedrawBuffered);
        return;
      }
      break;
    }
    default: return;  // the computer root and history entries have nothing to list
  }
  tree.SetRedraw(controls::kRedrawBuffered);
  // Bring the last new row that shows into view (a folder's last one has its placeholder below it).
  int last = row + *inserted;
  if (last > row && tree.TextMatrix(last, 0).empty()) --last;
  tree.ShowCell(last, 0);
  if (running) KeepWorkingRow(pane);
  else tree.SetRow(row);
}

void SelectFolder(TreePane& pane) {
  FilePane& files = pane.files;
  if (files.state.runActive()) {
    // The run binds the folder it started with.
    KeepWorkingRow(pane);
    TellRunUnderWay(pane.statusBar, files.state);
    return;
  }
  Grid& tree = pane.fgTree;
  const int row = tree.row();
  if (!ValidRow(tree, row)) return;
  const std::string folder = TreeRowData::FolderOf(tree.RowData(row));
  if (!folder.empty() && !settings::FolderExists(folder)) {
    // A history entry or favourite whose folder is gone: the working folder
    // stays, and so does the tree's current row, which the next bind records.
    KeepWorkingRow(pane);
    pane.statusBar.SetPaneText(0, "Mappen " + folder + " finns inte.");
    return;
  }

  tree.SetCellFontBold(0, 0, tree.rows() - 1, tree.cols() - 1, false);
  tree.SetCellFontBold(row, 0, row, tree.cols() - 1, true);
  const bool filled = SetWorkingFolder(pane, folder);
  settings::SaveRegSetting(kLastFolder, folder);
  pane.statusBar.SetPaneText(0, folder);
  files.window.caption = CaptionPrefix(files.state.converterSelector) + " - [" + FolderName(folder) + "]";
  files.window.Refresh();
  const std::vector<std::optional<fs::path>> sideFiles =
      FindPathSideFiles(folder, {"Quiremark.path", "Quiremark.relation.path"});
  ShowSideFileCommand(pane, kCmdCreatePdfSpec, sideFiles[0], "Skapa PD&F Special");
  ShowSideFileCommand(pane, kCmdCreatePdfRelation, sideFiles[1], "Skapa P&DF Relation");
  if (!filled) {
    try {
      FillFileGrid(files);
    } catch (const settings::FileError&) {
      // the grid stays hidden; the selection goes on
    }
  }
  files.state.treeScanActive = false;
  files.fgFiles.SetBackColor(controls::kSystemWindowColor);
  UnnumberAll(files);
}

bool RowLeadsTo(const std::string& rowData, const std::string& target) {
  if (target.empty()) return false;
  switch (TreeRowData::KindOf(rowData)) {
    case TreeRowKind::Empty: return false;
    case TreeRowKind::HistoryRoot:
      return TreeRowData::KindOf(target) == TreeRowKind::HistoryEntry;
    case TreeRowKind::FavouritesRoot:
      return TreeRowData::KindOf(target) == TreeRowKind::Favourite;
    case TreeRowKind::HistoryEntry:
    case TreeRowKind::Favourite: return rowData == target;
    case TreeRowKind::Folder: break;
  }
  if (TreeRowData::KindOf(target) != TreeRowKind::Folder) return false;
  const std::string_view folder = WithoutTrailingSlash(rowData);
  const std::string_view wanted = WithoutTrailingSlash(target);
  if (folder == "/") return wanted[0] == '/';
  return wanted.substr(0, folder.size()) == folder && (wanted.size() == folder.size() || wanted[folder.size()] == '/');
}

bool RowIsTarget(const std::string& rowData, const std::string& target) {
  if (rowData.empty() || target.empty()) return false;
  if (TreeRowData::KindOf(rowData) != TreeRowKind::Folder) return rowData == target;
  return WithoutTrailingSlash(rowData) == WithoutTrailingSlash(target);
}

void ExpandTreeToFolder(TreePane& pane, const std::string& path) {
  if (pane.files.state.runActive()) return;
  Grid& tree = pane.fgTree;
  // The row count grows as rows on the way are listed; the walk goes on over the new rows.
  for (int row = 1; row < tree.rows(); ++row) {
    if (!RowLeadsTo(tree.RowData(row), path)) continue;
    tree.Select(row, 0);
    tree.ShowCell(row, 0);
    if (RowIsTarget(tree.RowData(row), path)) {
      SelectFolder(pane);
      return;
    }
    if (HasPlaceholder(tree, row)) {
      tree.RemoveItem(row + 1);
      ExpandRow(pane, row);
    }
    // Open the row, so the rows below it on the way show.
    if (tree.IsCollapsed(row) == controls::kCollapsed) tree.SetIsCollapsed(row, controls::kExpanded);
  }
}

void GotoLastFolder(TreePane& pane) { ExpandTreeToFolder(pane, settings::GetRegSetting(kLastFolder, "")); }

void RefreshFolderTree(TreePane& pane) {
  if (pane.files.state.runActive()) return TellRunUnderWay(pane.statusBar, pane.files.state);
  const std::string target = settings::GetRegSetting(kLastFolder, platform::ProgramFolder().string());
  SetupTreeView(pane);
  ExpandTreeToFolder(pane, target);
  SelectFolder(pane);
}

void GotoFolder(TreePane& pane) {
  if (pane.files.state.runActive()) return;
  const Grid& tree = pane.fgTree;
  if (!ValidRow(tree, tree.row())) return;
  // A history entry leads to its folder; a favourite's walk ends on the favourite's own row.
  std::string target = tree.RowData(tree.row());
  if (TreeRowData::KindOf(target) == TreeRowKind::HistoryEntry) target = TreeRowData::FolderOf(target);
  settings::SaveRegSetting(kLastFolder, target);
  ExpandTreeToFolder(pane, target);
}

void ExploreFolder(TreePane& pane) {
  const Grid& tree = pane.fgTree;
  std::string folder = ValidRow(tree, tree.row()) ? TreeRowData::FolderOf(tree.RowData(tree.row())) : "";
  if (folder.empty()) folder = "/";  // the computer root: the file manager at the top of the computer
  platform::ShellOpen(folder);
}

void fgTree_KeyDown(TreePane& pane, int& keyCode, int shift) {
  Grid& tree = pane.fgTree;
  if (controls::IsContextMenuKey(keyCode, shift)) {
    keyCode = 0;
    return ShowTreeMenu(pane);
  }
  switch (keyCode) {
    case controls::kKeyF5: RefreshFolderTree(pane); break;
    case kKeyLeft:
      if (ValidRow(tree, tree.row())) tree.SetIsCollapsed(tree.row(), controls::kCollapsed);
      break;
    case kKeyRight:
      if (ValidRow(tree, tree.row())) tree.SetIsCollapsed(tree.row(), controls::kExpanded);
      break;
    case kKeySpace:
    case kKeyEnter: SelectFolder(pane); break;
    default: break;
  }
}

void fgTree_KeyPress(TreePane& pane, int& keyAscii) {
  if (keyAscii == kKeyEnter) SelectFolder(pane);
}

void fgTree_MouseUp(TreePane& pane, int button, int shift, float /*x*/, float /*y*/) {
  if (button == controls::kLeftButton && shift == 0) SelectFolder(pane);
  else if (button == controls::kRightButton) ShowTreeMenu(pane);
}

void ShowTreeMenu(TreePane& pane) {
  const Grid& tree = pane.fgTree;
  const std::string data = ValidRow(tree, tree.row()) ? tree.RowData(tree.row()) : "";
  controls::CommandBar& popup = pane.files.commandBars.AddPopup();
  controls::CommandBarControls& items = popup.controls();
  switch (TreeRowData::KindOf(data)) {
    case TreeRowKind::HistoryEntry:
      items.Add(controls::kControlButton, kCmdDeletePrevious, "Ta &bort från listan");
      items.Add(controls::kControlButton, kCmdGotoFolder, "Gå &till mapp");
      break;
    case TreeRowKind::Favourite:
      items.Add(controls::kControlButton, kCmdDeleteFavourite, "Ta &bort från listan");
      items.Add(controls::kControlButton, kCmdGotoFolder, "Gå &till mapp");
      break;
    case TreeRowKind::Folder:
      items.Add(controls::kControlButton, kCmdSaveFavourite, "S&para mappen '" + FolderName(data) + "' bland favoriter");
      break;
    default: break;  // the roots and the computer: no entry of their own
  }
  items.Add(controls::kControlButton, kCmdRefreshTree, "&Uppdatera mappträd").beginGroup = true;
  items.Add(controls::kControlButton, kCmdCloseTree, "St&äng mappträd");
  items.Add(controls::kControlButton, kCmdExploreFolder, "&Utforska mapp");
  pane.files.commandBars.ShowPopup(popup);
}

}  // namespace quiremark::browser
