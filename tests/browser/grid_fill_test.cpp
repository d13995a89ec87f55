#include <gtest/gtest.h>

#include "browser/file_grid.h"
#include "browser/file_pane_fixture.h"
#include "settings/text_routines.h"

namespace quiremark::browser {
namespace {

using testing::WriteFile;

class GridFillTest : public FilePaneTest {
 protected:
  void SetUp() override {
    FilePaneTest::SetUp();
    fgFiles.onGridChanged = [this](const controls::GridChange&) { ++notifications; };
    Dir1.SetPath(dir.path().string());
  }
  void Plot(const std::string& name) { WriteFile(dir / name, "%!PS\r\nshowpage\r\n"); }

  int notifications = 0;
};

// A view that answers each notification with a walk over the rows makes a
// fill that notifies per row cost the square of the rows.
TEST_F(GridFillTest, FillAndRefillNotifyTheViewOnce) {
  for (int i = 0; i < 40; ++i) Plot("Plan-" + std::to_string(100 + i) + ".plt");
  FillFileGrid(pane);
  EXPECT_EQ(notifications, 1);
  ASSERT_EQ(fgFiles.rows(), 41);

  std::filesystem::remove(dir / "Plan-100.plt");
  notifications = 0;
  FillFileGrid(pane);
  EXPECT_EQ(notifications, 1) << "the old rows go without a notification each";
  EXPECT_EQ(fgFiles.rows(), 40);
  EXPECT_EQ(fgFiles.TextMatrix(1, kColFileName), "Plan-101.plt");
  EXPECT_EQ(fgFiles.redraw(), controls::kRedrawOn);

  // Within a caller's own redraw-off scope (a tree scan) the fill stays quiet
  // and leaves redraw off; switching it back on notifies once.
  notifications = 0;
  fgFiles.SetRedraw(controls::kRedrawOff);
  FillFileGrid(pane);
  for (int i = 0; i < 10; ++i) AddGridRow(pane, {"", "\\Sub\\R" + std::to_string(i) + ".plt", "R", "2020-01-01"});
  EXPECT_EQ(notifications, 0);
  EXPECT_EQ(fgFiles.redraw(), controls::kRedrawOff);
  fgFiles.SetRedraw(controls::kRedrawOn);
  EXPECT_EQ(notifications, 1);
}

TEST_F(GridFillTest, FailedFillStillEndsTheQuietScope) {
  Plot("Plan-1.plt");
  Plot("Plan-2.plt");
  // The file goes after the list was read, so reading its date fails.
  window.onChanged = [&] {
    if (!window.hourglass() && File1.listCount() == 2) std::filesystem::remove(dir / "Plan-2.plt");
  };
  EXPECT_THROW(FillFileGrid(pane), settings::FileError);
  EXPECT_EQ(fgFiles.redraw(), controls::kRedrawOn);
  EXPECT_EQ(notifications, 1);
}

// A side file of 200,000 characters: matching it against the bookmark
// filter used to recurse once per character and overflow the stack.
TEST_F(GridFillTest, LongSideFileIsListedAndFiltered) {
  Plot("Plan-1.plt");
  const std::string text = "Plan " + std::string(200000 - 6, 'x') + "9";
  WriteFile(dir / "Plan-1.txt", text + "\r\n");
  for (const auto& [pattern, listed] : std::vector<std::pair<std::string, bool>>{
           {"*", true}, {"Plan*", true}, {"Plan*#", true}, {"*x?", true}, {"P*[0-9]", true},
           {"*y*", false}, {"Plan*x", false}, {"*[!0-9]", false}}) {
    cboBookMark.SetText(pattern);
    FillFileGrid(pane);
    ASSERT_EQ(fgFiles.rows(), listed ? 2 : 1) << pattern;
    if (listed) {
      EXPECT_EQ(fgFiles.TextMatrix(1, kColBookmark).size(), 200000u) << pattern;
    }
  }
}

}  // namespace
}  // namespace quiremark::browser
