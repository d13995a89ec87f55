#include "browser/tree_scan.h"

#include <chrono>
#include <filesystem>
#include <optional>
#include <system_error>

#include "browser/bookmark_pattern.h"
#include "browser/file_grid.h"
#include "browser/filters.h"
#include "browser/numbering.h"
#include "platform/text_encoding.h"
#include "settings/text_routines.h"

namespace quiremark::browser {

namespace fs = std::filesystem;

namespace {

// How often the visible status pane takes the folder being walked. Each
// new text costs a repaint at the next yield, which with thousands of small
// folders would take longer than the walk itself; a few times a second
// reads the same to the eye.
constexpr std::chrono::milliseconds kStatusPaneInterval{40};

// Marks the scan as under way while it yields to the window, so that no
// second run starts and nothing changes the grid, the filters or the
// working folder meanwhile.
class RunningScan {
 public:
  explicit RunningScan(settings::AppState& state) : state_(state) { state_.treeScanRunning = true; }
  ~RunningScan() { state_.treeScanRunning = false; }
  RunningScan(const RunningScan&) = delete;
  RunningScan& operator=(const RunningScan&) = delete;

 private:
  settings::AppState& state_;
};

// Keeps the grid hidden and its view unaware while it is refilled, and
// shows it again however the fill ends.
class HiddenGrid {
 public:
  explicit HiddenGrid(controls::Grid& grid) : grid_(grid) {
    grid_.SetVisible(false);
    grid_.SetRedraw(controls::kRedrawOff);
  }
  ~HiddenGrid() {
    grid_.SetRedraw(controls::kRedrawOn);  // one update of the view for the whole fill
    grid_.SetVisible(true);
  }
  HiddenGrid(const HiddenGrid&) = delete;
  HiddenGrid& operator=(const HiddenGrid&) = delete;

 private:
  controls::Grid& grid_;
};

// Both status bars show a folder.
void ShowFolder(FilePane& files, const std::string& text) {
  files.StatusBar1.SetPanelText(1, text);
  files.commandBars.statusBar().SetPaneText(0, text);
}

}  // namespace

void ScanLeftOut::Add(const std::string& path, const std::error_code& error, bool folder) {
  if (count() == 0) {
    first = path;
    firstError = error;
    firstIsFolder = folder;
  }
  ++(folder ? folders : files);
}

void ScanLeftOut::AddSideFile(const std::string& path, const std::error_code& error) {
  if (count() == 0) {
    first = path;
    firstError = error;
    firstIsSideFile = true;
  }
  ++sideFiles;
}

std::string ScanLeftOut::Counted() const {
  const auto count = [](int n, const char* one, const char* many) { return std::to_string(n) + (n == 1 ? one : many); };
  std::vector<std::string> parts;
  if (folders > 0) parts.push_back(count(folders, " mapp", " mappar"));
  if (files > 0) parts.push_back(count(files, " plottfil", " plottfiler"));
  if (sideFiles > 0) parts.push_back(count(sideFiles, " bokmärkesfil", " bokmärkesfiler"));
  std::string what;
  for (size_t k = 0; k < parts.size(); ++k) {
    what += (k == 0 ? "" : k + 1 == parts.size() ? " och " : ", ") + parts[k];
  }
  return what;
}

bool PassesFolderFilter(const std::string& folderPath, const std::string& folderFilter) {
  std::string wanted;
  for (char c : folderFilter)
    if (c != '*') wanted += c;
  if (wanted.empty()) return true;
  return platform::FoldCase(settings::GetLastPathPart(folderPath)).find(platform::FoldCase(wanted)) !=
         std::string::npos;
}

bool CollectFolder(const engine::ScannedFolder& folder, const std::string& bookmarkPattern) {
  if (folder.files.empty()) return false;
  if (bookmarkPattern == "*") return true;
  for (const std::string& name : folder.files) {
    const std::string base = BaseName(name);
    std::optional<fs::path> side;
    if (const std::string* found = folder.textFiles.Find(base + ".txt")) side = fs::path(folder.path) / *found;
    std::string bookmark;
    try {
      bookmark = GridBookmark(side, base);
    } catch (const settings::FileError&) {
      bookmark = platform::DecodeText(base);  // a side file that cannot be read counts as none
    }
    if (MatchesBookmarkPattern(bookmark, bookmarkPattern)) return true;
  }
  return false;
}

void ScanFolder(ScanPane& pane, const ScanFilters& filters, ScanWalk& walk, const std::string& path) {
  struct Pending {
    std::string path;
    std::optional<std::size_t> parent;
  };
  // Depth first without recursion: a deep tree cannot exhaust the stack.
  std::vector<Pending> pending{{path, std::nullopt}};
  std::optional<std::chrono::steady_clock::time_point> paneShown;
  // The patterns are read once for the whole walk, and each name is folded
  // once for both of them.
  const platform::WildcardPatterns plotFiles(filters.filePattern);
  const platform::WildcardPatterns textFilePattern("*.txt");
  while (!pending.empty()) {
    Pending next = std::move(pending.back());
    pending.pop_back();

    // Names and kinds only: the outline takes a plot file's date when it
    // opens the file, and no other entry needs one; a subfolder's path is
    // made here, as text.
    std::error_code error;
    const std::vector<platform::FoundEntry> entries =
        platform::FindEntries(next.path, "*", {platform::EntryKind::Any, false, false, false}, error);
    if (error) {
      pane.leftOut.Add(next.path, error, true);  // removed meanwhile, or not ours to list
      continue;
    }
    const std::size_t index = walk.tree.size();
    if (next.parent) walk.tree[*next.parent].subfolders.push_back(index);
    engine::ScannedFolder& folder = walk.tree.emplace_back();
    folder.path = next.path;
    std::vector<std::string> subfolders;
    std::vector<std::string> textFiles;
    for (const platform::FoundEntry& entry : entries) {
      if (entry.isFolder) {
        if (!entry.isLink) subfolders.push_back(platform::JoinPath(next.path, entry.name));
      } else if (entry.isFile) {
        const std::string folded = platform::FoldCase(entry.name);
        if (plotFiles.MatchesFolded(folded)) folder.files.push_back(entry.name);
        if (textFilePattern.MatchesFolded(folded)) textFiles.push_back(entry.name);
      }
    }
    folder.textFiles = platform::NameLookup(std::move(textFiles));

    pane.files.StatusBar1.SetPanelText(1, folder.path);
    if (const auto now = std::chrono::steady_clock::now(); !paneShown || now - *paneShown >= kStatusPaneInterval) {
      pane.files.commandBars.statusBar().SetPaneText(0, folder.path);
      paneShown = now;
    }
    pane.files.ui.Yield();

    engine::ScannedFolder& listed = walk.tree[index];
    if (PassesFolderFilter(listed.path, filters.folderFilter) && CollectFolder(listed, filters.bookmarkPattern)) {
      listed.collected = true;
      pane.collectedFolders.push_back(listed.path);
    }
    for (auto sub = subfolders.rbegin(); sub != subfolders.rend(); ++sub) pending.push_back({std::move(*sub), index});
  }
}

void FillGridFromTree(ScanPane& pane, const ScanWalk& walk) {
  FilePane& files = pane.files;
  controls::Grid& grid = files.fgFiles;
  const std::string& start = walk.start;
  ScanLeftOut& leftOut = pane.leftOut;
  {
    Hourglass busy(files.window);
    HiddenGrid hidden(grid);
    files.nextGridRow = 0;
    grid.SetCols(kGridColumns);
    AddGridRow(files, kTreeScanHeader);
    GridDays days;
    engine::FolderOutlineHooks hooks;
    hooks.onFolder = [&files](const std::string& folder) {
      ShowFolder(files, folder);
      files.StatusBar1.Refresh();
    };
    hooks.onFile = [&files, &days](const engine::OutlinedFile& file) {
      AddGridRow(files, {"", file.gridName, file.bookmark, GridDate(file.modified)}, days);
    };
    hooks.onLeftOut = [&leftOut](const std::string& path, const std::error_code& error) {
      leftOut.Add(path, error, false);
    };
    hooks.onUnreadableSideFile = [&leftOut](const std::string& path, const std::error_code& error) {
      leftOut.AddSideFile(path, error);
    };
    engine::BuildFolderBookmarks(walk.tree, pane.chkEmptyFolders.value() == 1, files.outline, hooks);
    NumberAll(files);
  }
  files.StatusBar1.SetPanelText(1, start);
  controls::CommandBarsStatusBar& status = files.commandBars.statusBar();
  status.visible = true;
  status.SetPaneText(0, leftOut.count() > 0 ? start + "  (" + leftOut.Counted() + " kunde inte läsas)" : start);
  files.window.Refresh();
}

bool ScanFolderTree(ScanPane& pane) {
  FilePane& files = pane.files;
  settings::AppState& state = files.state;
  if (state.runActive()) return false;
  const std::string start = files.Dir1.path();
  if (!settings::FolderExists(start)) return false;

  ScanWalk walk;
  walk.start = start;
  {
    Hourglass busy(files.window);
    RunningScan running(state);
    pane.collectedFolders.clear();
    pane.leftOut = {};
    files.outline.ResetScan();
    const ScanFilters filters{files.File1.pattern(), pane.cboFolderName.text(), files.cboBookMark.text()};
    state.bookmarkPattern = filters.bookmarkPattern;
    ScanFolder(pane, filters, walk, start);
  }
  files.bookmarksFromGrid = false;
  try {
    pane.Dir2.SetPath(start);
  } catch (const controls::ControlError&) {
    // The start folder went away while the scan yielded; the grid shows what was found.
  }
  FillGridFromTree(pane, walk);
  state.treeScanActive = true;
  files.fgFiles.SetBackColor(state.themeBaseColor);
  EnableNumberingCommands(files.commandBars, false);
  SavePatterns(pane);
  return true;
}

}  // namespace quiremark::browser
