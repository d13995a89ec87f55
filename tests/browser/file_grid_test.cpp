#include "browser/file_grid.h"

#include "browser/file_pane_fixture.h"
#include "settings/text_routines.h"

namespace quiremark::browser {
namespace {

using testing::WriteFile;

class FileGridTest : public FilePaneTest {
 protected:
  void Fill() {
    Dir1.SetPath(dir.path().string());
    FillFileGrid(pane);
  }
  void Plot(const std::string& name) { WriteFile(dir / name, "%!PS\r\nshowpage\r\n"); }
};

TEST_F(FileGridTest, EmptyFolderLeavesTheHeaderHidden) {
  outline.AddPageEntry("old");
  Fill();
  EXPECT_EQ(fgFiles.rows(), 1);
  EXPECT_FALSE(fgFiles.visible());
  EXPECT_EQ(fgFiles.cols(), 4);
  for (int c = 0; c < 4; ++c) EXPECT_EQ(fgFiles.TextMatrix(0, c), kGridHeader[c]);
  EXPECT_EQ(kGridHeader[1], " Filnamn");
  EXPECT_EQ(kGridHeader[2], " Bokmärke");
  EXPECT_TRUE(outline.records().empty()) << "the fill resets the outline";
  EXPECT_TRUE(bookmarksFromGrid);
  EXPECT_EQ(StatusBar1.PanelText(1), dir.path().string());
  EXPECT_FALSE(window.hourglass());
}

TEST_F(FileGridTest, RefillReplacesEveryOldRow) {
  Plot("Plan-1.plt");
  Plot("Plan-2.plt");
  Fill();
  fgFiles.SetTextMatrix(1, 0, "1");
  std::filesystem::remove(dir / "Plan-1.plt");
  Fill();
  EXPECT_EQ(Column(1), std::vector<std::string>{"Plan-2.plt"});
  EXPECT_EQ(Numbers(), std::vector<std::string>{""});
}

TEST_F(FileGridTest, NamesOfFiveCharactersOrFewerAreSkipped) {
  Plot("x.plt");
  Plot("ab.plt");
  Plot("å.plt");
  Fill();
  EXPECT_EQ(Column(1), std::vector<std::string>{"ab.plt"});
  EXPECT_TRUE(fgFiles.visible());
}

TEST_F(FileGridTest, BookmarkTextsFromSideFiles) {
  for (const char* name : {"A1.plt", "A2.plt", "A3.plt", "A4.plt", "A5.plt", "A6.plt", "A7.plt", "A8.plt"}) Plot(name);
  WriteFile(dir / "A2.txt", "");
  WriteFile(dir / "A3.txt", "   \r\n");
  WriteFile(dir / "A4.txt", "Plan 1\r\nSektion A\r\n");
  WriteFile(dir / "A5.txt", "Plan\r\n\r\nB");
  WriteFile(dir / "A6.txt", "a,,,,b\n");
  WriteFile(dir / "A7.TXT", "a,,,,,,,,,b");                // nine commas; name in other case
  WriteFile(dir / "A8.txt", "V\xe5ning \xf6vre\r\n");  // Windows-1252
  Fill();
  EXPECT_EQ(Column(2), (std::vector<std::string>{"A1", "A2", "A3", "Plan 1 Sektion A", "Plan  B", "a,b", "a,,b",
                                                  "Våning övre"}));
}

TEST_F(FileGridTest, NameWithoutDotIsItsOwnBaseName) {
  File1.SetPattern("*");
  WriteFile(dir / "Ritning", "%!PS\r\n");
  WriteFile(dir / "Ritning.txt", "Fasad mot gatan");
  Fill();
  EXPECT_EQ(Column(1), (std::vector<std::string>{"Ritning", "Ritning.txt"}));
  EXPECT_EQ(Column(2), (std::vector<std::string>{"Fasad mot gatan", "Fasad mot gatan"}))
      << "Ritning.txt has the base name Ritning too";
}

TEST_F(FileGridTest, BookmarkFilterDecidesTheRows) {
  Plot("R-01.plt");
  Plot("R-02.plt");
  WriteFile(dir / "R-01.txt", "Plan 1");
  WriteFile(dir / "R-02.txt", "plan 2");
  cboBookMark.SetText("Plan*");
  Fill();
  EXPECT_EQ(Column(1), std::vector<std::string>{"R-01.plt"});
  EXPECT_EQ(state.bookmarkPattern, "Plan*");

  cboBookMark.SetText("");
  Fill();
  EXPECT_EQ(fgFiles.rows(), 1);
  EXPECT_TRUE(fgFiles.visible()) << "files were listed, none passed";
}

TEST_F(FileGridTest, DateCellsColouredByDay) {
  // Half past midnight after the night the clocks went forward: 24 hours
  // back is the day before yesterday.
  struct ZoneReread {
    ~ZoneReread() { tzset(); }
  } reread;  // after the zone below is put back
  testing::ScopedEnv zone("TZ", "Europe/Stockholm");
  tzset();
  const auto now = LocalTime(2026, 3, 30, 0, 30);
  FixedClock clock(now);
  platform::ScopedClock useClock(clock);
  const auto setTime = [&](const std::string& name, platform::Clock::TimePoint t) {
    Plot(name);
    std::filesystem::last_write_time(dir / name, std::chrono::file_clock::from_sys(t));
  };
  setTime("Today1.plt", now - std::chrono::minutes(20));
  setTime("Yesterday.plt", LocalTime(2026, 3, 29, 1, 0));
  setTime("WeekAgo.plt", LocalTime(2026, 3, 23));
  setTime("Zfuture.plt", LocalTime(2026, 4, 2));
  Fill();
  ASSERT_EQ(Column(1), (std::vector<std::string>{"Today1.plt", "WeekAgo.plt", "Yesterday.plt", "Zfuture.plt"}));
  EXPECT_EQ(fgFiles.TextMatrix(1, 3).substr(0, 10), "2026-03-30");
  EXPECT_EQ(fgFiles.TextMatrix(1, 3).size(), 19u) << "short date, blank, time";
  EXPECT_EQ(fgFiles.CellBackColor(1, 3), 0u);
  EXPECT_EQ(fgFiles.CellBackColor(2, 3), kOlderColor);
  EXPECT_EQ(fgFiles.CellBackColor(3, 3), kYesterdayColor);
  EXPECT_EQ(fgFiles.CellBackColor(4, 3), kOlderColor);
  EXPECT_EQ(fgFiles.CellBackColor(0, 3), 0u) << "the header is never coloured";
  for (int c = 0; c < 3; ++c) EXPECT_EQ(fgFiles.CellBackColor(3, c), 0u);
}

TEST_F(FileGridTest, AddGridRowComparesTheFirstTenCharacters) {
  FixedClock clock(LocalTime(2026, 12, 8));
  platform::ScopedClock useClock(clock);
  fgFiles.SetCols(4);
  AddGridRow(pane, kGridHeader);
  AddGridRow(pane, {"", "a.plt", "a", "2026-12-08 anything"});
  AddGridRow(pane, {"", "b.plt", "b", "2026-12-07"});
  AddGridRow(pane, {"", "c.plt", "c", "8/12/2026 10:00"});
  EXPECT_EQ(nextGridRow, 4);
  EXPECT_EQ(fgFiles.rows(), 4);
  EXPECT_EQ(fgFiles.CellBackColor(1, 3), 0u);
  EXPECT_EQ(fgFiles.CellBackColor(2, 3), kYesterdayColor);
  EXPECT_EQ(fgFiles.CellBackColor(3, 3), kOlderColor);
}

// A clock the test moves on.
class MovingClock : public platform::Clock {
 public:
  explicit MovingClock(TimePoint start) : now(start) {}
  TimePoint Now() const override { return now; }
  TimePoint now;
};

// The dates one fill compares with follow the clock: a fill that runs past
// midnight colours its later rows by the new day.
TEST_F(FileGridTest, RowsOfOneFillAreComparedWithTheDateWhenEachIsAdded) {
  MovingClock clock(LocalTime(2026, 12, 8, 23, 59));
  platform::ScopedClock useClock(clock);
  fgFiles.SetCols(4);
  GridDays days;
  AddGridRow(pane, kGridHeader, days);
  AddGridRow(pane, {"", "a.plt", "a", "2026-12-08 23:00"}, days);
  AddGridRow(pane, {"", "b.plt", "b", "2026-12-07 23:00"}, days);
  clock.now = LocalTime(2026, 12, 9, 0, 1);
  AddGridRow(pane, {"", "c.plt", "c", "2026-12-08 23:00"}, days);
  AddGridRow(pane, {"", "d.plt", "d", "2026-12-09 00:00"}, days);
  AddGridRow(pane, {"", "e.plt", "e", "2026-12-07 23:00"}, days);
  EXPECT_EQ(fgFiles.CellBackColor(1, 3), 0u);
  EXPECT_EQ(fgFiles.CellBackColor(2, 3), kYesterdayColor);
  EXPECT_EQ(fgFiles.CellBackColor(3, 3), kYesterdayColor);
  EXPECT_EQ(fgFiles.CellBackColor(4, 3), 0u);
  EXPECT_EQ(fgFiles.CellBackColor(5, 3), kOlderColor);
}

TEST_F(FileGridTest, FileThatVanishesStopsTheFillWithAFileError) {
  Plot("Plan-1.plt");
  Plot("Plan-2.plt");
  // The file goes after the list was read, when the pointer first turns normal.
  window.onChanged = [&] {
    if (!window.hourglass() && File1.listCount() == 2) std::filesystem::remove(dir / "Plan-2.plt");
  };
  try {
    Fill();
    ADD_FAILURE() << "no error";
  } catch (const settings::FileError& e) {
    EXPECT_EQ(e.number(), 53);
    EXPECT_NE(std::string(e.what()).find("Plan-2.plt"), std::string::npos);
  }
  EXPECT_FALSE(fgFiles.visible());
  EXPECT_FALSE(window.hourglass()) << "the pointer is normal again";
}

TEST_F(FileGridTest, F5ReselectsTheFolderOtherKeysDoNothing) {
  int key = 116;
  fgFiles_KeyDown(pane, key, 0);
  EXPECT_EQ(selectFolderCalls, 1);
  EXPECT_EQ(key, 116);
  key = 115;
  fgFiles_KeyDown(pane, key, 0);
  EXPECT_EQ(selectFolderCalls, 1);
}

TEST_F(FileGridTest, NothingChangesWhileABindRuns) {
  Plot("Plan-1.plt");
  Fill();
  fgFiles.SetTextMatrix(1, 0, "1");
  state.bindRunActive = true;
  Plot("Plan-2.plt");
  Fill();
  int key = 116;
  fgFiles_KeyDown(pane, key, 0);
  EXPECT_EQ(Column(1), std::vector<std::string>{"Plan-1.plt"});
  EXPECT_EQ(Numbers(), std::vector<std::string>{"1"});
  EXPECT_EQ(selectFolderCalls, 0);
}

TEST(FileGridText, BaseNamesAndNumbers) {
  EXPECT_EQ(BaseName("A1.plt"), "A1");
  EXPECT_EQ(BaseName("A.1.plt"), "A.1");
  EXPECT_EQ(BaseName("Ritning"), "Ritning");
  EXPECT_EQ(NumberOf("12"), 12);
  EXPECT_EQ(NumberOf(""), 0);
  EXPECT_EQ(NumberOf("x"), 0);
}

}  // namespace
}  // namespace quiremark::browser
