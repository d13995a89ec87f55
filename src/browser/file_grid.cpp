#include "browser/file_grid.h"

#include <chrono>
#include <ctime>
#include <fstream>
#include <map>
#include <sstream>

#include "browser/bookmark_pattern.h"
#include "browser/numbering.h"
#include "controls/input_codes.h"
#include "engine/bookmark_text.h"
#include "platform/clock.h"
#include "platform/file_search.h"
#include "platform/raw_file.h"
#include "platform/text_encoding.h"
#include "settings/text_routines.h"

namespace quiremark::browser {
namespace {

constexpr std::size_t kMinNameLength = 6;  // shorter names are not plot files of a drawing
constexpr std::size_t kDateCompareLength = 10;

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
  return GridDate(
      std::chrono::time_point_cast<std::chrono::system_clock::duration>(std::chrono::file_clock::to_sys(written)));
}

}  // namespace

int NumberOf(const std::string& text) {
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9' || value > 100000000) break;
    value = value * 10 + (c - '0');
  }
  return value;
}

void FillFileGrid(FilePane& pane) {
  if (pane.state.runActive() || pane.state.gridFillHeld) return;
  pane.StatusBar1.SetPanelText(1, pane.Dir1.path());
  pane.outline.ResetScan();
  pane.bookmarksFromGrid = true;
  // The grid shows the folder from here on, not a tree scan: the next bind
  // must take its outline from these rows, which can be numbered again.
  pane.state.treeScanActive = false;
  pane.fgFiles.SetBackColor(controls::kSystemWindowColor);
  EnableNumberingCommands(pane.commandBars, true);

  controls::CommandBarsStatusBar& status = pane.commandBars.statusBar();
  status.SetPaneText(kNoticePane, "");
  controls::Grid& grid = pane.fgFiles;
  // The view hears of the new rows once, when the fill ends (or fails).
  const controls::RedrawSuspended quiet(grid);
  {
    Hourglass busy(pane.window);
    pane.window.Refresh();
    pane.File1.SetPath(pane.Dir1.path());  // lists the folder's files as they are now
    grid.SetVisible(false);
    // The old data rows go at once: removing them one by one from the front
    // moves every row behind each one.
    if (grid.rows() > 2) grid.SetRows(2);
  }
  grid.SetCols(kGridColumns);
  pane.nextGridRow = 0;
  AddGridRow(pane, kGridHeader);
  if (pane.File1.listCount() == 0) return;

  Hourglass busy(pane.window);
  pane.state.bookmarkPattern = pane.cboBookMark.text();
  const std::filesystem::path folder = pane.File1.path();
  // The side files are listed once per fill, so a folder of many plot files
  // without side files stays quick.
  const platform::FolderNames sideFiles = engine::SideFileListing(folder);
  GridDays days;
  int unreadable = 0;
  for (int i = 0; i < pane.File1.listCount(); ++i) {
    const std::string name = pane.File1.List(i);
    if (platform::CharCount(name) < kMinNameLength) continue;
    const std::string base = BaseName(name);
    std::string bookmark;
    try {
      bookmark = GridBookmark(sideFiles.Find(base + ".txt"), base);
    } catch (const settings::FileError&) {
      // A side file that cannot be read counts as none, as in a tree scan.
      ++unreadable;
      bookmark = GridBookmark(std::nullopt, base);
    }
    if (!MatchesBookmarkPattern(bookmark, pane.state.bookmarkPattern)) continue;
    AddGridRow(pane, {"", platform::DecodeText(name), bookmark, FileDate(folder / name)}, days);
  }
  grid.SetVisible(true);
  if (unreadable > 0)
    status.SetPaneText(kNoticePane, std::to_string(unreadable) + (unreadable == 1 ? " bokmärkesfil" : " bokmärkesfiler") +
                                        " kunde inte läsas");
  pane.window.Refresh();
}

void Dir1_Change(FilePane& pane) { FillFileGrid(pane); }

const std::string& GridDays::Today() {
  const platform::Clock& clock = platform::CurrentClock();
  const auto now = clock.Now();
  const std::time_t second = std::chrono::system_clock::to_time_t(now);
  if (clock_ != &clock || second != second_) {
    today_ = clock.ShortDate(now);
    clock_ = &clock;
    second_ = second;
    now_ = now;
    yesterday_.reset();
  }
  return today_;
}

const std::string& GridDays::Yesterday() {
  if (!yesterday_) yesterday_ = clock_->ShortDate(DayBefore(now_));
  return *yesterday_;
}

void AddGridRow(FilePane& pane, const std::vector<std::string>& cells) {
  GridDays days;
  AddGridRow(pane, cells, days);
}

void AddGridRow(FilePane& pane, const std::vector<std::string>& cells, GridDays& days) {
  controls::Grid& grid = pane.fgFiles;
  const int row = pane.nextGridRow;
  grid.SetRows(row + 1);
  for (std::size_t i = 0; i < cells.size(); ++i) grid.SetTextMatrix(row, static_cast<int>(i), cells[i]);
  if (row > 0) {
    const int last = grid.cols() - 1;
    const std::string day = platform::FirstChars(grid.TextMatrix(row, last), kDateCompareLength);
    if (day != days.Today())
      grid.SetCellBackColor(row, last, row, last, day == days.Yesterday() ? kYesterdayColor : kOlderColor);
  }
  pane.nextGridRow = row + 1;
}

std::string ReadBookmarkFile(const std::filesystem::path& path) {
  std::string bytes;
  try {
    bytes = platform::ReadWholeFile(path);
  } catch (const std::filesystem::filesystem_error&) {
    throw settings::FileError(75, "Filen " + path.string() + " kan inte läsas.");
  }
  const std::string text = platform::DecodeText(bytes);
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

std::string GridBookmark(const std::optional<std::filesystem::path>& sideFile, const std::string& baseName) {
  // A name from an old share may be Windows-1252: shown decoded, as side files are.
  if (!sideFile) return platform::DecodeText(baseName);
  const std::string text = HalveCommas(HalveCommas(HalveCommas(ReadBookmarkFile(*sideFile))));
  return text.empty() ? platform::DecodeText(baseName) : text;
}

std::string GridDate(std::chrono::system_clock::time_point time) {
  const platform::Clock& clock = platform::CurrentClock();
  return clock.ShortDate(time) + " " + clock.LongTime(time);
}

void fgFiles_KeyDown(FilePane& pane, int& keyCode, int shift) {
  if (controls::IsContextMenuKey(keyCode, shift)) {
    keyCode = 0;
    return ShowGridMenuFromKeyboard(pane);
  }
  if (keyCode == controls::kKeySpace && shift == 0) {
    keyCode = 0;
    return ToggleNumber(pane, pane.fgFiles.row());
  }
  if (keyCode != controls::kKeyF5) return;
  if (pane.state.runActive()) TellRunUnderWay(pane.commandBars.statusBar(), pane.state);
  else if (pane.selectFolder) pane.selectFolder();
}

}  // namespace quiremark::browser
