#include "browser/tree_scan.h"

#include <sys/stat.h>

#include "browser/deletion.h"
#include "browser/scan_pane_fixture.h"

namespace quiremark::browser {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

class TreeScanTest : public ScanPaneTest {};

TEST_F(TreeScanTest, OutlineNestsByFolderAndTheGridShowsRelativeNames) {
  Plot("a.plt");
  Plot("b.plt", 3);
  Plot("Sub/c.plt");
  ASSERT_TRUE(Scan());

  EXPECT_EQ(Outline(), (Names{"1 a", "2 [3] b", "2 (Sid. 1)", "3 (Sid. 2)", "4 (Sid. 3)", "5 [1] Sub", "5 c"}));
  EXPECT_EQ(outline.pageCounter(), 5);
  EXPECT_EQ(Column(1), (Names{"a.plt", "b.plt", "/Sub/c.plt"}));
  EXPECT_EQ(Column(2), (Names{"a", "b", "c"}));
  EXPECT_EQ(Numbers(), (Names{"1", "2", "3"}));
  for (int c = 0; c < 4; ++c) EXPECT_EQ(fgFiles.TextMatrix(0, c), kTreeScanHeader[c]);
  EXPECT_EQ(kTreeScanHeader[0], "+ Nr");

  // The window is in the tree-scan mode.
  EXPECT_TRUE(state.treeScanActive);
  EXPECT_FALSE(bookmarksFromGrid) << "the bind keeps the scan's outline";
  EXPECT_EQ(fgFiles.backColor(), 0xE0D0C0u);
  EXPECT_TRUE(fgFiles.visible());
  EXPECT_EQ(fgFiles.redraw(), controls::kRedrawOn);
  for (int id : {kCmdNumberAll, kCmdNumberSelected, kCmdDeletePlotFiles})
    for (controls::CommandBarControl* c : commandBars.FindControls(id)) EXPECT_FALSE(c->enabled()) << id;
  EXPECT_FALSE(state.treeScanRunning);
  EXPECT_FALSE(window.hourglass());
  EXPECT_EQ(Collected(), (Names{"/P", "/P/Sub"}));
  EXPECT_EQ(commandBars.statusBar().Pane(0).text, root.string());
  EXPECT_EQ(StatusBar1.PanelText(1), root.string());
  EXPECT_EQ(Dir2.path(), root.string());

  // Clearing the numbers ends the scan's outline and gives the commands back.
  UnnumberAll(pane);
  EXPECT_TRUE(outline.records().empty());
  for (int id : {kCmdNumberAll, kCmdNumberSelected, kCmdDeletePlotFiles})
    for (controls::CommandBarControl* c : commandBars.FindControls(id)) EXPECT_TRUE(c->enabled()) << id;
}

TEST_F(TreeScanTest, Windows1252NamesShowDecodedInTheOutlineAndTheGrid) {
  Plot("Del \xE5/R\xF6" "d.plt");                  // "Del å/Röd.plt" as an old share wrote it
  Plot("Del \xE5/Gr\xC3\xB6n.plt", 1, "Gr\xF6n");  // a UTF-8 name below it, a Windows-1252 side file
  ASSERT_TRUE(Scan());
  EXPECT_EQ(Outline(), (Names{"1 [2] Del \xC3\xA5", "1 Gr\xC3\xB6n", "2 R\xC3\xB6" "d"}));
  EXPECT_EQ(Column(1), (Names{"/Del \xC3\xA5/Gr\xC3\xB6n.plt", "/Del \xC3\xA5/R\xC3\xB6" "d.plt"}));
}

TEST_F(TreeScanTest, WalksDepthFirstAFolderBeforeItsSubfoldersYieldingOncePerFolder) {
  Plot("B/b.plt");  // made first, so name order is not creation order
  Plot("A/X/x.plt");
  Plot("A/a.plt");
  ASSERT_TRUE(Scan());
  EXPECT_EQ(walked, (Names{"/P", "/P/A", "/P/A/X", "/P/B"}));
  EXPECT_EQ(ui.yields, 4);
  EXPECT_EQ(commandBars.statusBar().Pane(0).text, root.string()) << "the visible pane ends on the start folder";
  EXPECT_EQ(Column(1), (Names{"/A/a.plt", "/A/X/x.plt", "/B/b.plt"}));
  EXPECT_EQ(Outline(), (Names{"1 [2] A", "1 a", "2 [1] X", "2 x", "3 [1] B", "3 b"}));
}

TEST_F(TreeScanTest, FolderFilterTakesFoldersWhoseNameHoldsItIgnoringCase) {
  for (const char* folder : {"Plot", "Plot/Projekt", "PLOT", "Plottar", "Old plot", "Ritn"}) Plot(std::string(folder) + "/R1.plt");
  Plot("R0.plt");
  const Names plotFolders = {"/P/Old plot", "/P/PLOT", "/P/Plot", "/P/Plottar"};
  const Names all = {"/P", "/P/Old plot", "/P/PLOT", "/P/Plot", "/P/Plot/Projekt", "/P/Plottar", "/P/Ritn"};
  const struct {
    const char* filter;
    Names collected;
  } cases[] = {{"plot", plotFolders}, {"*plot*", plotFolders}, {"*PLOT", plotFolders}, {"*", all}, {"", all}, {"**", all},
               {"proj", {"/P/Plot/Projekt"}}, {"x", {}}};
  for (const auto& c : cases) {
    cboFolderName.SetText(c.filter);
    ASSERT_TRUE(Scan());
    EXPECT_EQ(Collected(), c.collected) << "filter \"" << c.filter << "\"";
  }
}

TEST_F(TreeScanTest, BookmarkFilterCollectsFoldersWithAMatchingFileAndStillScansBelowOthers) {
  Plot("Ett/x.plt", 1, "1");
  Plot("Tre/z.plt", 1, "Alfa");
  Plot("Tre/Sub/w.plt", 1, "7\r\n");
  Plot("Two/y.plt", 1, "Bravo");
  Plot("Two/y2.plt");  // bookmark "y2"
  Plot("Fyra/q.plt", 1, "Plan,,,,1");
  const struct {
    const char* pattern;
    Names collected;
  } cases[] = {
      {"#", {"/P/Ett", "/P/Tre/Sub"}},
      {"[A-C]*", {"/P/Tre", "/P/Two"}},
      {"[!A]*", {"/P/Ett", "/P/Fyra", "/P/Tre/Sub", "/P/Two"}},
      {"y#", {"/P/Two"}},
      {"Plan,1", {"/P/Fyra"}},
      {"*", {"/P/Ett", "/P/Fyra", "/P/Tre", "/P/Tre/Sub", "/P/Two"}},
      {"", {}},
  };
  for (const auto& c : cases) {
    cboBookMark.SetText(c.pattern);
    ASSERT_TRUE(Scan());
    EXPECT_EQ(Collected(), c.collected) << "pattern \"" << c.pattern << "\"";
    EXPECT_EQ(state.bookmarkPattern, c.pattern);
  }
  // Every file of a visited folder is bound, whichever matched.
  cboBookMark.SetText("Bravo");
  ASSERT_TRUE(Scan());
  EXPECT_EQ(Column(1), (Names{"/Two/y.plt", "/Two/y2.plt"}));
}

TEST_F(TreeScanTest, EmptySubfoldersGetAGroupOnlyWithTheBoxSet) {
  Plot("a.plt");
  Folder("Tom");
  Plot("Z/z.plt");
  ASSERT_TRUE(Scan());
  EXPECT_EQ(Outline(), (Names{"1 a", "2 [1] Z", "2 z"}));
  chkEmptyFolders.SetValue(1);
  ASSERT_TRUE(Scan());
  EXPECT_EQ(Outline(), (Names{"1 a", "2 [0] Tom", "2 [1] Z", "2 z"})) << "the empty group points at the next page";
}

TEST_F(TreeScanTest, AFolderHoldsCollectedContentOnlyByWholeNames) {
  Plot("A/B/b.plt");
  Plot("A/BC/X/x.plt");
  cboFolderName.SetText("X");
  ASSERT_TRUE(Scan());
  EXPECT_EQ(Collected(), Names{"/P/A/BC/X"});
  EXPECT_EQ(Column(1), Names{"/A/BC/X/x.plt"}) << "A/B is no part of A/BC";
  EXPECT_EQ(Outline(), (Names{"1 [1] A", "1 [1] BC", "1 [1] X", "1 x"}));
}

TEST_F(TreeScanTest, LinksToFoldersAreNotFollowed) {
  Plot("A/a.plt");
  fs::create_directory_symlink(root, root / "A" / "loop");
  fs::create_directories(dir / "Elsewhere");
  testing::WriteFile(dir / "Elsewhere" / "e.plt", testing::DriverPlotFile(1));
  fs::create_directory_symlink(dir / "Elsewhere", root / "Out");
  ASSERT_TRUE(Scan());
  EXPECT_EQ(walked, (Names{"/P", "/P/A"}));
  EXPECT_EQ(Column(1), Names{"/A/a.plt"});
  chkEmptyFolders.SetValue(1);
  ASSERT_TRUE(Scan());
  EXPECT_EQ(Outline(), (Names{"1 [1] A", "1 a"})) << "a link is no empty folder either";
}

TEST_F(TreeScanTest, WhatGoesAwayWhileTheScanYieldsIsSkippedAndCounted) {
  Plot("A/a.plt", 1, "Plan A");
  Plot("B/b.plt", 1, "Plan B");
  Plot("C/c.plt", 1, "Plan C");
  Plot("D/d.plt", 1, "Plan D");
  Plot("D/e.plt", 1, "Plan E");
  cboBookMark.SetText("Plan*");
  ui.onYield = [this] {
    const std::string at = Relative(StatusBar1.PanelText(1));
    if (at == "/P") fs::remove_all(root / "B");         // listed, then gone before it is entered
    if (at == "/P/A") fs::remove(root / "A" / "a.txt");  // listed, then gone before it is read
    if (at == "/P/D") fs::remove(root / "D" / "d.plt");  // listed, then gone before the grid is filled
  };
  ASSERT_TRUE(Scan());
  EXPECT_EQ(Collected(), (Names{"/P/C", "/P/D"})) << "A's file has no side file any more: its bookmark is a";
  EXPECT_EQ(Column(1), (Names{"/C/c.plt", "/D/e.plt"}));
  EXPECT_EQ(Outline(), (Names{"1 [1] C", "1 Plan C", "2 [1] D", "2 Plan E"}));
  EXPECT_EQ(commandBars.statusBar().Pane(0).text, root.string() + "  (1 mapp och 1 plottfil kunde inte läsas)");
  EXPECT_EQ(leftOut.first, (root / "B").string());
  EXPECT_EQ(leftOut.firstError, std::errc::no_such_file_or_directory);
  EXPECT_EQ(leftOut.folders, 1);
  EXPECT_EQ(leftOut.files, 1);
  ASSERT_TRUE(Scan());
  EXPECT_EQ(leftOut.count(), 0) << "a new scan starts afresh";
  EXPECT_EQ(commandBars.statusBar().Pane(0).text, root.string());
}

TEST_F(TreeScanTest, NothingElseRunsWhileTheScanYields) {
  Plot("Plan-a.plt");
  Plot("Sub/b.plt");
  Dir1.SetPath(root.string());
  FillFileGrid(pane);
  fgFiles.SetRowSelected(1, true);
  int checks = 0;
  ui.onYield = [&] {
    if (checks++ > 0) return;
    EXPECT_TRUE(state.treeScanRunning);
    EXPECT_TRUE(state.runActive());
    EXPECT_FALSE(ScanFolderTree(scan)) << "no second scan";
    const Names before = Column(1);
    FillFileGrid(pane);
    NumberAll(pane);
    UnnumberAll(pane);
    DeletePlotFiles(pane);      // no question: the scripted user would fail the test
    DeleteSelectedFiles(pane);
    FilterBySelection(scan);
    EXPECT_EQ(Column(1), before);
    EXPECT_EQ(Numbers(), Names{""});
    EXPECT_EQ(cboFileExt.text(), "");
  };
  ASSERT_TRUE(Scan());
  EXPECT_EQ(checks, 2);
  EXPECT_FALSE(state.treeScanRunning);
  EXPECT_TRUE(fs::exists(root / "Plan-a.plt"));

  state.bindRunActive = true;
  const int yields = ui.yields;
  EXPECT_FALSE(Scan()) << "no scan during a bind";
  EXPECT_EQ(ui.yields, yields);
  EXPECT_EQ(Column(1), (Names{"Plan-a.plt", "/Sub/b.plt"}));
}

TEST_F(TreeScanTest, AWorkingFolderThatIsGoneIsRefused) {
  Plot("a.plt");
  Dir1.SetPath(root.string());
  fs::remove_all(root);
  EXPECT_FALSE(ScanFolderTree(scan));
  EXPECT_FALSE(state.treeScanActive);
}

TEST_F(TreeScanTest, ForeignFilesAndHiddenFoldersStayOut) {
  Plot("a.plt");
  Plot(".hidden/h.plt");
  Plot("Sub/c.PLT");
  testing::WriteFile(root / "notes.txt", "x");
  ASSERT_EQ(::mkfifo((root / "pipe.plt").c_str(), 0600), 0);  // would never end if it were read
  ASSERT_TRUE(Scan());
  EXPECT_EQ(Column(1), (Names{"a.plt", "/Sub/c.PLT"}));
}

TEST_F(TreeScanTest, CountersHoldFortyThousandFiles) {
  const int folders = 40, perFolder = 1000;
  // Links to one plot file: far quicker to make than 40,000 files, and each a file of its own to the scan.
  const fs::path onePage = dir / "one.plt";
  testing::WriteFile(onePage, testing::DriverPlotFile(1));
  for (int f = 0; f < folders; ++f) {
    const fs::path folder = root / ("F" + std::to_string(100 + f));
    fs::create_directories(folder);
    for (int i = 0; i < perFolder; ++i) fs::create_hard_link(onePage, folder / ("R" + std::to_string(10000 + i) + ".plt"));
  }
  ASSERT_TRUE(Scan());
  const int files = folders * perFolder;
  ASSERT_EQ(fgFiles.rows(), files + 1);
  EXPECT_EQ(fgFiles.TextMatrix(files, 0), "40000");
  EXPECT_EQ(fgFiles.TextMatrix(files, 1), "/F139/R10999.plt");
  outline.CountRemainingFiles();
  ASSERT_EQ(outline.records().size(), static_cast<std::size_t>(files + folders));
  EXPECT_EQ(outline.pageCounter(), files);
  const engine::OutlineRecord& lastGroup = outline.records()[files + folders - perFolder - 1];
  EXPECT_EQ(lastGroup.title, "F139");
  EXPECT_EQ(lastGroup.count, perFolder);
  EXPECT_EQ(lastGroup.page, files - perFolder + 1);
  EXPECT_EQ(outline.records().back().page, files);
  EXPECT_EQ(outline.records().back().title, "R10999");
}

}  // namespace
}  // namespace quiremark::browser
