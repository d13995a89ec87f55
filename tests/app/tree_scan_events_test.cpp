#include "app/tree_scan_events.h"

#include <gtest/gtest.h>

#include <system_error>

#include "app/file_grid_events.h"
#include "app/main_commands.h"
#include "app/main_form.h"
#include "browser/file_grid.h"
#include "platform/clock.h"
#include "support/scripted_ui.h"
#include "support/test_support.h"

namespace quiremark::app {
namespace {

using controls::MsgResult;

// A clock whose date cannot be had, so that every grid fill of a file fails.
class BrokenClock : public platform::SystemClock {
 public:
  std::string ShortDate(TimePoint) const override { throw std::system_error(std::make_error_code(std::errc::io_error)); }
};

class FilterEventsTest : public ::testing::Test {
 protected:
  testing::TempDir dir;
  settings::AppState state;
  testing::ScriptedUi ui;
  MainForm form{state, ui};

  void SetUp() override {
    ConnectFileGrid(form, {});
    ConnectFilters(form);
    testing::WriteFile(dir / "Plan-1.plt", "%!PS\r\n");
    testing::WriteFile(dir / "Plan-2.eps", "%!PS\r\n");
    form.cboFileExt.AddItem("*.plt");
    form.cboFileExt.AddItem("*.eps");
    form.Dir1.SetPath(dir.path().string());
  }
};

TEST_F(FilterEventsTest, ChoosingAnItemRefillsTheGridOnce) {
  form.cboFileExt.ChooseItem(1);
  EXPECT_EQ(form.File1.pattern(), "*.eps");
  EXPECT_EQ(form.fgFiles.TextMatrix(1, browser::kColFileName), "Plan-2.eps");

  // One refill: a failing one reports once per choice, not twice.
  BrokenClock broken;
  platform::ScopedClock scoped(broken);
  ui.ExpectBox("Felkod: 75", MsgResult::Ok);
  form.cboFileExt.ChooseItem(0);
  EXPECT_EQ(form.FileFilterErrorCount, 1);
  ui.ExpectBox("Felkod: 75", MsgResult::Ok);
  form.cboFileExt.ChooseItem(0);  // the same item again refreshes
  EXPECT_EQ(form.FileFilterErrorCount, 2);
  EXPECT_FALSE(ui.endedWith.has_value());
}

TEST_F(FilterEventsTest, TheSelectionBecomesTheFilterAndTheScanTakesItThroughTheTree) {
  std::filesystem::create_directories(dir / "Sub");
  testing::WriteFile(dir / "Sub" / "Plan-2.eps", "%!PS\r\n");
  testing::WriteFile(dir / "Sub" / "Plan-3.eps", "%!PS\r\n");
  form.cboFileExt.SetText("*.eps");
  form.fgFiles.SetRowSelected(1, true);
  FilterBySelection(form);
  ASSERT_TRUE(ScanFolderTree(form));
  EXPECT_EQ(form.File1.pattern(), "Plan-2.eps");
  ASSERT_EQ(form.fgFiles.rows(), 3);
  EXPECT_EQ(form.fgFiles.TextMatrix(1, browser::kColFileName), "Plan-2.eps");
  EXPECT_EQ(form.fgFiles.TextMatrix(2, browser::kColFileName), "/Sub/Plan-2.eps");
  EXPECT_TRUE(state.treeScanActive);
}

}  // namespace
}  // namespace quiremark::app
