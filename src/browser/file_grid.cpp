#include "browser/file_grid.h"

#include <chrono>
#include <ctime>
#include <fstream>
#include <map>
#include <sstream>

#include "browser/bookmark_pattern.h"
#include "controls/input_codes.h"
#include "platform/clock.h"
#include "platform/file_search.h"
#include "platform/text_encoding.h"
#include "settings/text_routines.h"

namespace quiremark::browser {
namespace {

constexpr std::size_t kMinNameLength = 6;  // shorter names are not plot files of a drawing
constexpr std::size_t kDateCompareLength = 10;

// The first n characters (not bytes) of a UTF-8 text.
std::string FirstChars(const std::string& text, std::size_t n) {
  std::size_t chars = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;
    if (chars++ == n) return text.substr(0, i);
  }
  return text;
}

std::size_t CharCount(const std::string& text) {
  std::size_t chars = 0;
  for (unsigned char c : text)
    if ((c & 0xC0) != 0x80) ++chars;
  return chars;
}

// Every ",," becomes ",", left to right.
std::string HalveCommas(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    out += text[i];
    if (text[i] == ',' && i + 1 < text.size() && text[i + 1] == ',') ++i;
  }
  return out;
}

// The same time of day one calendar day earlier (daylight saving aside).
platform::Clock::TimePoint DayBefore(platform::Clock::TimePoint time) {
  std::time_t t = std::chrono::system_clock::to_time_t(time);
  std::tm local{};
  localtime_r(&t, &local);
  local.tm_mday -= 1;
  local.tm_isdst = -1;
  return std::chrono::system_clock::from_time_t(std::mktime(&local));
}

// Short date and time of a file's last change, as the date column shows it.
std::string FileDate(const std::filesystem::path& file) {
  std::error_code error;
  const auto written = std::filesystem::last_write_time(file, error);
  if (error) throw settings::FileError(53, "Filen " + file.string() + " saknas.");
  const auto time =
      std::chrono::time_point_cast<std::chrono::system_clock::duration>(std::chrono::file_clock::to_sys(written));
  const platform::Clock& clock = platform::CurrentClock();
  return clock.ShortDate(time) + " " + clock.LongTime(time);
}

// The bookmark side files of a folder: its normal ".txt" files, looked up
// by name ignoring letter case (the exact spelling first). Read once per
// fill, so a folder of many plot files without side files stays quick.
class SideFiles {
 public:
  explicit SideFiles(const std::filesystem::path& folder) {
    platform::SearchOptions options;
    options.kind = platform::EntryKind::Files;
    options.includeHidden = false;
    for (platform::FoundEntry& entry : platform::FindEntries(folder, "*.txt", options)) {
      byName_.emplace(entry.name, entry.path);
      byFoldedName_.emplace(platform::FoldCase(entry.name), std::move(entry.path));
    }
  }

  std::optional<std::filesystem::path> Find(const std::string& baseName) const {
    const std::string name = baseName + ".txt";
    if (const auto exact = byName_.find(name); exact != byName_.end()) return exact->second;
    if (const auto folded = byFoldedName_.find(platform::FoldCase(name)); folded != byFoldedName_.end())
      return folded->second;
    return std::nullopt;
  }

 private:
  std::map<std::string, std::filesystem::path> byName_;
  std::map<std::string, std::filesystem::path> byFoldedName_;  // the first spelling in name order
};

using controls::Hourglass;

}  // namespace

std::string BaseName(const std::string& fileName) {
  const std::size_t dot = fileName.rfind('.');
  return dot == std::string::npos ? fileName : fileName.substr(0, dot);
}

int NumberOf(const std::string& text) {
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9' || value > 100000000) break;
    value = value * 10 + (c - '0');
  }
  return value;
}

void FillFileGrid(FilePane& pane) {
  if (pane.state.bindRunActive) return;
  pane.StatusBar1.SetPanelText(1, pane.Dir1.path());
  pane.outline.ResetScan();
  pane.bookmarksFromGrid = true;

  controls::Grid& grid = pane.fgFiles;
  {
    Hourglass busy(pane.window);
    pane.window.Refresh();
    pane.File1.SetPath(pane.Dir1.path());  // lists the folder's files as they are now
    grid.SetVisible(false);
    while (grid.rows() > 2) grid.RemoveItem(1);
  }
  grid.SetCols(kGridColumns);
  pane.nextGridRow = 0;
  AddGridRow(pane, kGridHeader);
  if (pane.File1.listCount() == 0) return;

  Hourglass busy(pane.window);
  pane.state.bookmarkPattern = pane.cboBookMark.text();
  const std::filesystem::path folder = pane.File1.path();
  const SideFiles sideFiles(folder);
  for (int i = 0; i < pane.File1.listCount(); ++i) {
    const std::string name = pane.File1.List(i);
    if (CharCount(name) < kMinNameLength) continue;
    const std::string base = BaseName(name);
    std::string bookmark;
    if (const auto side = sideFiles.Find(base)) bookmark = HalveCommas(HalveCommas(HalveCommas(ReadBookmarkFile(*side))));
    if (bookmark.empty()) bookmark = base;
    if (!MatchesBookmarkPattern(bookmark, pane.state.bookmarkPattern)) continue;
    AddGridRow(pane, {"", name, bookmark, FileDate(folder / name)});
  }
  grid.SetVisible(true);
  pane.window.Refresh();
}

void Dir1_Change(FilePane& pane) { FillFileGrid(pane); }

void AddGridRow(FilePane& pane, const std::vector<std::string>& cells) {
  controls::Grid& grid = pane.fgFiles;
  const int row = pane.nextGridRow;
  grid.SetRows(row + 1);
  for (std::size_t i = 0; i < cells.size(); ++i) grid.SetTextMatrix(row, static_cast<int>(i), cells[i]);
  if (row > 0) {
    const int last = grid.cols() - 1;
    const std::string day = FirstChars(grid.TextMatrix(row, last), kDateCompareLength);
    const platform::Clock& clock = platform::CurrentClock();
    const auto now = clock.Now();
    if (day != clock.ShortDate(now))
      grid.SetCellBackColor(row, last, row, last, day == clock.ShortDate(DayBefore(now)) ? kYesterdayColor : kOlderColor);
  }
  pane.nextGridRow = row + 1;
}

std::string ReadBookmarkFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  if (!in || !(bytes << in.rdbuf())) {
    // An empty file reads as no text; anything else that fails is an error.
    std::error_code error;
    if (in && std::filesystem::file_size(path, error) == 0 && !error) return {};
    throw settings::FileError(75, "Filen " + path.string() + " kan inte läsas.");
  }
  const std::string text = platform::DecodeText(bytes.str());
  std::string joined;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) end = text.size();
    joined += " " + text.substr(start, end - start);
    start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
  }
  return platform::Trim(joined);
}

void fgFiles_KeyDown(FilePane& pane, int& keyCode, int /*shift*/) {
  if (keyCode == controls::kKeyF5 && !pane.state.bindRunActive && pane.selectFolder) pane.selectFolder();
}

}  // namespace quiremark::browser
