#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "browser/file_pane.h"
#include "platform/clock.h"
#include "support/scripted_ui.h"
#include "support/test_support.h"

namespace quiremark::browser {

// A clock standing at a fixed local time.
class FixedClock : public platform::Clock {
 public:
  explicit FixedClock(TimePoint now) : now_(now) {}
  TimePoint Now() const override { return now_; }

 private:
  TimePoint now_;
};

// Local time point of a calendar day and time of day.
inline platform::Clock::TimePoint LocalTime(int year, int month, int day, int hour = 12, int minute = 0) {
  std::tm local{};
  local.tm_year = year - 1900;
  local.tm_mon = month - 1;
  local.tm_mday = day;
  local.tm_hour = hour;
  local.tm_min = minute;
  local.tm_isdst = -1;
  return std::chrono::system_clock::from_time_t(std::mktime(&local));
}

// The file grid's parts on their own, as the main window holds them.
class FilePaneTest : public ::testing::Test {
 protected:
  testing::TempDir dir;
  testing::ScriptedUi ui;
  settings::AppState state;
  controls::Form window{"frmMain"};
  controls::Grid fgFiles{"fgFiles"};
  controls::FolderList Dir1{"Dir1"};
  controls::FileList File1{"File1"};
  controls::PanelStatusBar StatusBar1{"StatusBar1", 2};
  controls::ComboBox cboBookMark{"cboBookMark"};
  controls::CommandBars commandBars;
  engine::OutlineState outline;
  int nextGridRow = 0;
  int selectionStartRow = 1;
  int selectionEndRow = 1;
  bool bookmarksFromGrid = false;
  int selectFolderCalls = 0;
  std::vector<std::pair<int, std::string>> popupsShown;  // command ID and caption of each menu shown

  FilePane pane{window,      ui,        state,   fgFiles,     Dir1,
                File1,       StatusBar1, cboBookMark, commandBars, outline,
                nextGridRow, selectionStartRow, selectionEndRow, bookmarksFromGrid,
                [this] { ++selectFolderCalls; }};

  void SetUp() override {
    cboBookMark.SetText("*");
    File1.SetPattern("*.plt");
    commandBars.onShowPopup = [this](controls::CommandBar& popup, bool, int, int) {
      for (const auto& item : popup.controls()) popupsShown.emplace_back(item->id(), item->caption);
    };
  }

  // A grid of `numbers.size()` data rows with these order numbers ("" none).
  void GridWithNumbers(const std::vector<std::string>& numbers) {
    fgFiles.SetCols(4);
    fgFiles.SetRows(static_cast<int>(numbers.size()) + 1);
    for (std::size_t i = 0; i < numbers.size(); ++i) {
      fgFiles.SetTextMatrix(static_cast<int>(i) + 1, 0, numbers[i]);
      fgFiles.SetTextMatrix(static_cast<int>(i) + 1, 1, "R" + std::to_string(i + 1) + ".plt");
    }
  }

  std::vector<std::string> Numbers() const {
    std::vector<std::string> out;
    for (int r = 1; r < fgFiles.rows(); ++r) out.push_back(fgFiles.TextMatrix(r, 0));
    return out;
  }

  std::vector<std::string> Column(int col) const {
    std::vector<std::string> out;
    for (int r = 1; r < fgFiles.rows(); ++r) out.push_back(fgFiles.TextMatrix(r, col));
    return out;
  }
};

}  // namespace quiremark::browser
