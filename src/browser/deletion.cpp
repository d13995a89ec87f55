#include "browser/deletion.h"

#include <iterator>
#include <system_error>
#include <vector>

#include "browser/file_grid.h"
#include "platform/file_search.h"
#include "settings/text_routines.h"

namespace quiremark::browser {

namespace fs = std::filesystem;
namespace mb = controls::mb;

namespace {

constexpr std::size_t kMaxNamesShown = 20;

// A row to delete, with the name it showed when the user said yes.
struct Target {
  int row;
  std::string name;
};

// Whether `inner` is `outer` or lies below it, by whole path components.
bool Within(const fs::path& inner, const fs::path& outer) {
  auto i = inner.begin();
  for (auto o = outer.begin(); o != outer.end(); ++o, ++i) {
    if (o->empty() && std::next(o) == outer.end()) break;  // a trailing "/" of the outer path
    if (i == inner.end() || *i != *o) return false;
  }
  return true;
}

// A normal file there that counts as a plot file (hidden ones do not).
bool PlotFilePresent(const fs::path& file) {
  std::error_code error;
  return fs::is_regular_file(file, error) && !file.filename().string().starts_with(".");
}

// Deletes a file; false (with the file noted) when it stays.
bool Remove(const fs::path& file, std::vector<std::string>& failures) {
  std::error_code error;
  fs::remove(file, error);
  if (!error) return true;
  failures.push_back(file.string());
  return false;
}

// The side file beside a plot file, found ignoring letter case; none when
// there is no normal file of that name.
std::optional<fs::path> FindSideFile(const fs::path& sideFile) {
  return platform::FindFileIgnoringCase(sideFile.parent_path(), sideFile.filename().string());
}

bool RowShows(const controls::Grid& grid, const Target& target) {
  return target.row < grid.rows() && grid.TextMatrix(target.row, kColFileName) == target.name;
}

std::vector<Target> SelectedTargets(const controls::Grid& grid) {
  std::vector<Target> targets;
  for (int i = 0; i < grid.selectedRows(); ++i) {
    const int row = grid.SelectedRow(i);
    targets.push_back({row, grid.TextMatrix(row, kColFileName)});
  }
  return targets;
}

void ReportFailures(controls::UiServices& ui, const std::vector<std::string>& failures, const std::string& title) {
  if (failures.empty()) return;
  std::string text = "Följande filer kunde inte raderas:\r";
  for (std::size_t i = 0; i < failures.size() && i < kMaxNamesShown; ++i) text += "\r" + failures[i];
  if (failures.size() > kMaxNamesShown) text += "\r... och " + std::to_string(failures.size() - kMaxNamesShown) + " till";
  ui.MessageBox(text, mb::kOkOnly | mb::kCritical, title);
}

std::string OutsideNote(const std::string& rowText) { return rowText + " (ligger utanför arbetsmappen)"; }

}  // namespace

std::optional<RowFiles> RowFilesIn(const std::string& folder, const std::string& rowText) {
  if (folder.empty()) return std::nullopt;
  std::vector<std::string> parts;
  for (std::size_t start = 0; start <= rowText.size();) {
    std::size_t end = rowText.find('/', start);
    if (end == std::string::npos) end = rowText.size();
    if (end > start) parts.push_back(rowText.substr(start, end - start));
    start = end + 1;
  }
  if (parts.empty()) return std::nullopt;
  std::string relative;
  for (const std::string& part : parts) {
    if (part == "." || part == "..") return std::nullopt;
    relative += (relative.empty() ? "" : "/") + part;
  }
  // The grid shows a Windows-1252 name decoded: the file has its old bytes.
  fs::path plot = platform::FindShownPath(folder, relative);
  if (parts.size() > 1) {
    // A subfolder must not lead elsewhere through a link.
    std::error_code error;
    const fs::path base = fs::canonical(folder, error);
    if (error) return std::nullopt;
    const fs::path parent = fs::weakly_canonical(plot.parent_path(), error);
    if (error || !Within(parent, base)) return std::nullopt;
  }
  RowFiles files;
  files.sideFile = plot.parent_path() / (settings::BaseName(plot.filename().string()) + ".txt");
  files.plotFile = std::move(plot);
  return files;
}

void DeletePlotFiles(FilePane& pane) {
  controls::Grid& grid = pane.fgFiles;
  if (pane.state.runActive() || grid.rows() <= 1) return;
  const int selected = grid.selectedRows();
  const std::string question =
      selected == 0 ? "Ska alla plotfiler och eventuella bokmärkesfiler raderas?"
                    : "Ska markerade " + std::to_string(selected) + " plotfiler och eventuella bokmärkesfiler raderas?";
  // Enter keeps the files: the questions that delete default to No.
  if (pane.ui.MessageBox(question, mb::kYesNo | mb::kCritical | mb::kDefaultButton2, "Radera filer") !=
      controls::MsgResult::Yes)
    return;

  std::vector<Target> targets;
  if (selected == 0) {
    for (int row = 1; row < grid.rows(); ++row) targets.push_back({row, grid.TextMatrix(row, kColFileName)});
  } else {
    targets = SelectedTargets(grid);
  }
  const std::string folder = pane.Dir1.path();
  std::vector<std::string> failures;
  {
    Hourglass busy(pane.window);
    pane.ui.Yield();  // lets the pointer show before the work
    // From the last row up, so removing a row moves none still to come.
    for (auto target = targets.rbegin(); target != targets.rend(); ++target) {
      const std::optional<RowFiles> files = RowFilesIn(folder, target->name);
      if (!files) {
        failures.push_back(OutsideNote(target->name));
        continue;
      }
      if (PlotFilePresent(files->plotFile) && !Remove(files->plotFile, failures)) continue;
      // The plot file is gone (or never was): its side file goes too.
      if (const auto side = FindSideFile(files->sideFile)) Remove(*side, failures);
      if (RowShows(grid, *target)) grid.RemoveItem(target->row);
    }
  }
  ReportFailures(pane.ui, failures, "Radera filer");
}

void DeleteSelectedFiles(FilePane& pane) {
  if (pane.state.runActive() || pane.state.treeScanActive) return;
  controls::Grid& grid = pane.fgFiles;
  const std::vector<Target> targets = SelectedTargets(grid);
  if (targets.empty()) return;
  // The question says how many files go, and which.
  std::string question = "Ska markerade " + std::to_string(targets.size()) + (targets.size() == 1 ? " fil" : " filer") +
                         " raderas?\r";
  for (std::size_t i = 0; i < targets.size() && i < kMaxNamesShown; ++i) question += "\r" + targets[i].name;
  if (targets.size() > kMaxNamesShown)
    question += "\r... och " + std::to_string(targets.size() - kMaxNamesShown) + " till";
  const int style = mb::kYesNoCancel | mb::kQuestion | mb::kDefaultButton2;
  if (pane.ui.MessageBox(question, style, "Radera") != controls::MsgResult::Yes) return;

  const std::string folder = pane.File1.path();
  std::vector<std::string> failures;
  std::vector<bool> gone(targets.size(), false);
  for (std::size_t i = 0; i < targets.size(); ++i) {
    const std::optional<RowFiles> files = RowFilesIn(folder, targets[i].name);
    if (!files) {
      failures.push_back(OutsideNote(targets[i].name));
      continue;
    }
    if (PlotFilePresent(files->plotFile)) {
      if (!Remove(files->plotFile, failures)) continue;
      // Only a side file whose plot file was deleted here goes with it.
      if (const auto side = FindSideFile(files->sideFile)) Remove(*side, failures);
    }
    gone[i] = true;
  }
  for (std::size_t i = targets.size(); i-- > 0;)
    if (gone[i] && RowShows(grid, targets[i])) grid.RemoveItem(targets[i].row);
  ReportFailures(pane.ui, failures, "Radera");
}

}  // namespace quiremark::browser
