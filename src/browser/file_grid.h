#pragma once

#include <chrono>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "browser/file_pane.h"
#include "controls/color.h"
#include "platform/clock.h"
#include "settings/text_routines.h"

namespace quiremark::browser {

// Columns of a file grid row.
inline constexpr int kColNumber = 0;    // "Nr": order number, empty when the file is not bound
inline constexpr int kColFileName = 1;  // " Filnamn": bare name, or path relative to a scanned tree
inline constexpr int kColBookmark = 2;  // " Bokmärke"
inline constexpr int kColDate = 3;      // "Fildatum": short date and time
inline constexpr int kGridColumns = 4;
inline const std::vector<std::string> kGridHeader = {"Nr", " Filnamn", " Bokmärke", "Fildatum"};

// Back colours of the date cell: yesterday and any older (or future) day.
inline constexpr controls::Color kYesterdayColor = 0x80C0FF;
inline constexpr controls::Color kOlderColor = 0x80FFFF;

// The name up to its last "." (the whole name when it holds none).
using settings::BaseName;

// The order number a "Nr" text stands for: its leading decimal digits, 0
// when it holds none.
int NumberOf(const std::string& text);

// Refills the grid from the working folder: one row per listed file whose
// name is longer than 5 characters and whose bookmark matches the bookmark
// filter. A grid that showed a tree scan is back in the folder mode. Throws
// settings::FileError when a listed file or its side file cannot be read;
// the grid then stays hidden.
void FillFileGrid(FilePane& pane);

// The working folder changed.
void Dir1_Change(FilePane& pane);

// Today's and yesterday's date as the date cells are compared with them, by
// the current clock at the time of asking. Each is worked out again only when
// the clock has moved on to another second (the dates of a second are those
// of its time): a fill of thousands of rows then formats them once or twice,
// not for every row. Made for one fill and thrown away after it.
class GridDays {
 public:
  const std::string& Today();
  // Yesterday of the time the last Today() went by.
  const std::string& Yesterday();

 private:
  const platform::Clock* clock_ = nullptr;
  std::time_t second_ = 0;
  platform::Clock::TimePoint now_;
  std::string today_;
  std::optional<std::string> yesterday_;
};

// Appends a row with these cells; a data row's date cell (the last) is
// coloured by its first ten characters against today's and yesterday's date.
void AddGridRow(FilePane& pane, const std::vector<std::string>& cells);
// The same with the dates of the fill that adds the row.
void AddGridRow(FilePane& pane, const std::vector<std::string>& cells, GridDays& days);

// The bookmark text of a side file for the grid: every line, each after one
// blank, trimmed of blanks at both ends. Throws settings::FileError when the
// file cannot be read.
std::string ReadBookmarkFile(const std::filesystem::path& path);

// The bookmark the grid shows (and the bookmark filter tests) for a plot
// file: its side file's text with every ",," halved three times over, or
// the base name when there is no side file or it gives no text. Throws
// settings::FileError when the side file cannot be read.
std::string GridBookmark(const std::optional<std::filesystem::path>& sideFile, const std::string& baseName);

// A file's date and time as the date column shows it.
std::string GridDate(std::chrono::system_clock::time_point time);

// Key-down in the grid: F5 reselects the current folder.
void fgFiles_KeyDown(FilePane& pane, int& keyCode, int shift);

}  // namespace quiremark::browser
