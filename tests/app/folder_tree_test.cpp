#include "app/folder_tree_events.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "app/command_table.h"
#include "app/main_commands.h"
#include "app/main_form.h"
#include "bind_run_fixture.h"
#include "controls/input_codes.h"
#include "engine/plot_files.h"
#include "settings/registry_settings.h"
#include "support/fake_drives.h"
#include "support/scripted_ui.h"
#include "support/test_support.h"

namespace quiremark::app {
namespace {

namespace fs = std::filesystem;
namespace type = platform::drive_type;
using controls::kCollapsed;
using controls::kExpanded;
using settings::GetRegSetting;
using settings::SaveRegSetting;

// The main window's folder tree over one fake drive, a folder of the test's
// own, with the registry in the test's folder.
class FolderTree : public ::testing::Test {
 protected:
  testing::TempDir dir;
  testing::ScopedEnv registry{"QUIREMARK_REGISTRY", (dir / "reg").string()};
  fs::path disk = dir / "disk";
  testing::FakeDrives drives{{{disk.string(), type::kFixed, ""}}};
  settings::AppState state;
  testing::ScriptedUi ui;
  MainForm form{state, ui};
  controls::Grid& tree = form.fgTree;
  std::vector<std::pair<int, std::string>> menu;  // the entries of the last context menu shown
  std::vector<bool> groups;                        // which of them begin a group

  static constexpr int kDriveRow = 5;  // below the computer, the history and the favourites with their placeholders

  void SetUp() override {
    fs::create_directories(disk);
    state.converterSelector = settings::Converter::Ghostscript;
    CreateCommandBars(form);
    form.File1.SetPattern("*.plt");
    form.CommandBars.onShowPopup = [this](controls::CommandBar& popup, bool, int, int) {
      menu.clear();
      groups.clear();
      for (const auto& item : popup.controls()) {
        menu.emplace_back(item->id(), item->caption);
        groups.push_back(item->beginGroup);
      }
    };
    ConnectFolderTree(form);
    SetupTreeView(form);
  }

  fs::path Folder(const std::string& relative) {
    fs::create_directories(disk / relative);
    return disk / relative;
  }
  void Plot(const fs::path& folder, const std::string& name, const std::string& label = "Ritning") {
    testing::WriteFile(folder / name, testing::DriverPlotFile(1, label));
  }

  int RowOf(const std::string& data) const {
    for (int r = 0; r < tree.rows(); ++r)
      if (tree.RowData(r) == data) return r;
    return -1;
  }
  int RowOf(const fs::path& folder) const { return RowOf(folder.string()); }
  int RowOf(const char* data) const { return RowOf(std::string(data)); }
  // A click on the row's outline button.
  void Expand(int row) { tree.SetIsCollapsed(row, kExpanded); }
  void Click(int row, int shift = 0, int button = controls::kLeftButton) {
    tree.SetRow(row);
    tree.SetMouseCell(row);
    tree.RaiseMouseUp(button, shift, 0, 0);
  }
  std::string LastFolder() const { return GetRegSetting("LastFolder", ""); }

  // Text, data and level of rows first..last.
  std::vector<std::string> Rows(int first, int last) const {
    std::vector<std::string> out;
    for (int r = first; r <= last && r < tree.rows(); ++r)
      out.push_back(tree.TextMatrix(r, 0) + "|" + tree.RowData(r) + "|" + std::to_string(tree.RowOutlineLevel(r)));
    return out;
  }
  std::vector<int> BoldRows() const {
    std::vector<int> out;
    for (int r = 0; r < tree.rows(); ++r)
      if (tree.CellFontBold(r, 0)) out.push_back(r);
    return out;
  }
  std::vector<std::string> GridNames() const {
    std::vector<std::string> out;
    for (int r = 1; r < form.fgFiles.rows(); ++r) out.push_back(form.fgFiles.TextMatrix(r, 1));
    return out;
  }
  std::vector<std::string> RegistryValues(const std::string& subKey) const {
    std::vector<std::string> out;
    for (int i = 0;; ++i) {
      const auto e = settings::RegEnumValueAt(settings::Hive::CurrentUser, settings::ProgramKeyPath() + "\\" + subKey, i);
      if (!e.found) return out;
      out.push_back(e.name + "=" + e.data);
    }
  }
};

TEST_F(FolderTree, AFreshTreeShowsTheRootsAndEveryDriveCollapsed) {
  drives.drives.push_back({"/mnt/ritn", type::kRemote, "nas:/ritningar"});
  SetupTreeView(form);
  const std::string d = disk.string();
  EXPECT_EQ(Rows(0, 99), (std::vector<std::string>{"Den här datorn||0", "Tidigare|>|1", "||2",
                                                    "Sparade favoriter|<|1", "||2", "Lokal disk (" + d + ")|" + d + "|1",
                                                    "||2", "Nätverksenhet (/mnt/ritn nas:/ritningar)|/mnt/ritn|1", "||2"}));
  const std::vector<std::string> pictures = {"imgComputer", "imgPrev", "", "imgFavo", "", "imgDrive", "", "imgNetDrive", ""};
  for (int r = 0; r < tree.rows(); ++r) {
    EXPECT_EQ(tree.CellPicture(r, 0), pictures[r]) << r;
    const bool placeholder = r % 2 == 0 && r > 0;
    EXPECT_EQ(tree.IsSubtotal(r), !placeholder) << r;
    EXPECT_EQ(tree.RowShown(r), !placeholder) << r;
    if (!placeholder) {
      EXPECT_EQ(tree.IsCollapsed(r), r == 0 ? kExpanded : kCollapsed) << r;
    }
    EXPECT_EQ(tree.CellAlignment(r, 0), controls::align::kLeftCenter) << r;
  }
  EXPECT_EQ(tree.row(), 0);
  EXPECT_EQ(tree.left(), 50);
  EXPECT_EQ(form.Drives.listCount(), 2);
  EXPECT_EQ(form.Drives.List(1), "/mnt/ritn nas:/ritningar");
  EXPECT_EQ(form.Drives.Folder(1), "/mnt/ritn");

  // Built from a start folder, the tree is that one folder.
  browser::TreePane pane = TreePaneOf(form);
  browser::SetupTreeView(pane, d);
  EXPECT_EQ(Rows(0, 9), std::vector<std::string>{d + "|" + d + "|0"});
  EXPECT_EQ(tree.CellPicture(0, 0), "imgFolder");
}

TEST_F(FolderTree, DriveTypesGiveTheirTextsAndPictures) {
  struct Case {
    platform::Drive drive;
    std::string text;
    std::string picture;
  };
  const std::vector<Case> cases = {
      {{"/d0", type::kUnknown, ""}, "<Okänd typ> (/d0)", "imgDrive"},
      {{"/d1", type::kNoRootFolder, "nas:/x"}, "Nätverksenhet (/d1 nas:/x)", "imgNetDrive"},
      {{"/d1b", type::kNoRootFolder, ""}, "Flyttbar disk (/d1b)", "imgDrive"},
      {{"a", type::kRemovable, ""}, "Floppy drive (a)", "imgFloppyDrive"},
      {{"b", type::kRemovable, ""}, "Floppy drive (b)", "imgFloppyDrive"},
      {{"/media/usb", type::kRemovable, ""}, "Flyttbar disk (/media/usb)", "imgDrive"},
      {{"/", type::kFixed, ""}, "Lokal disk (/)", "imgDrive"},
      {{"/srv/p", type::kRemote, "//nas/p"}, "Nätverksenhet (/srv/p //nas/p)", "imgNetDrive"},
      {{"/cd", type::kCdRom, ""}, "CD-enhet (/cd)", "imgCD"},
      {{"/ram", type::kRamDisk, ""}, "RAM-diskenhet (/ram)", "imgDrive"},
      {{"/d7", 7, ""}, " (/d7)", "imgDrive"},
      {{"/d12", 12, ""}, " (/d12)", "imgDrive"},
  };
  drives.drives.clear();
  for (const Case& c : cases) drives.drives.push_back(c.drive);
  SetupTreeView(form);
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const int row = kDriveRow + 2 * static_cast<int>(i);
    EXPECT_EQ(tree.TextMatrix(row, 0), cases[i].text);
    EXPECT_EQ(tree.RowData(row), cases[i].drive.folder);
    EXPECT_EQ(tree.CellPicture(row, 0), cases[i].picture) << cases[i].text;
  }
}

TEST_F(FolderTree, AFolderIsListedOnceOnItsFirstExpansion) {
  Folder("x");
  Folder("y");
  Folder(".dold");
  testing::WriteFile(disk / "fil.plt", "");
  Expand(kDriveRow);
  const std::string d = disk.string();
  EXPECT_EQ(Rows(kDriveRow + 1, kDriveRow + 4),
            (std::vector<std::string>{"x|" + d + "/x|2", "||3", "y|" + d + "/y|2", "||3"}));
  for (int r : {kDriveRow + 1, kDriveRow + 3}) {
    EXPECT_EQ(tree.IsCollapsed(r), kCollapsed);
    EXPECT_EQ(tree.CellPicture(r, 0), "imgFolder");
    EXPECT_FALSE(tree.RowShown(r + 1));
  }
  EXPECT_EQ(tree.row(), kDriveRow) << "the expanded row is current";
  EXPECT_EQ(LastFolder(), d) << "and the working folder";
  EXPECT_EQ(form.Dir1.path(), d);
  EXPECT_EQ(GridNames(), std::vector<std::string>{"fil.plt"});

  // Collapsing lists nothing, nor does expanding again: a new subfolder waits for a rebuild.
  const int rows = tree.rows();
  Folder("z");
  tree.SetIsCollapsed(kDriveRow, kCollapsed);
  Expand(kDriveRow);
  EXPECT_EQ(tree.rows(), rows);
  EXPECT_EQ(RowOf(disk / "z"), -1);

  // A folder without subfolders loses its placeholder and gets no rows, but is the working folder.
  Expand(kDriveRow + 1);
  EXPECT_EQ(tree.rows(), rows - 1);
  EXPECT_EQ(form.Dir1.path(), d + "/x");

  // The tree back to its roots: every listing is gone, and the next one sees z.
  SetupTreeView(form);
  EXPECT_EQ(tree.rows(), kDriveRow + 2);
  Expand(kDriveRow);
  EXPECT_NE(RowOf(disk / "z"), -1);
}

TEST_F(FolderTree, FolderNamesShowWholeWithTabsAndMarkerCharacters) {
  const fs::path tab = Folder("Plan\t1");
  const fs::path marked = Folder(">p<q");
  Expand(kDriveRow);
  EXPECT_EQ(tree.TextMatrix(RowOf(tab), 0), "Plan\t1");
  EXPECT_EQ(tree.TextMatrix(RowOf(marked), 0), ">p<q");
  Click(RowOf(marked));
  EXPECT_EQ(LastFolder(), marked.string());
  EXPECT_EQ(form.Dir1.path(), marked.string());
}

TEST_F(FolderTree, ChangesThatNameNoRowOrReachNoMediumListNothing) {
  // A change that names no single row is refused once the tree is built.
  tree.Outline(0);
  EXPECT_EQ(tree.IsCollapsed(0), kExpanded);

  // A drive whose folder cannot be found only loses its placeholder.
  drives.drives = {{(dir / "missing").string(), type::kCdRom, ""}};
  SetupTreeView(form);
  Expand(kDriveRow);
  EXPECT_EQ(tree.rows(), kDriveRow + 1);
  EXPECT_EQ(LastFolder(), "");
}

TEST_F(FolderTree, DoubleClickTogglesTheCurrentRowAndListsItTheFirstTime) {
  Folder("x");
  tree.SetRow(kDriveRow);
  tree.RaiseDblClick();
  EXPECT_EQ(tree.IsCollapsed(kDriveRow), kExpanded);
  EXPECT_EQ(RowOf(disk / "x"), kDriveRow + 1);
  tree.RaiseDblClick();
  EXPECT_EQ(tree.IsCollapsed(kDriveRow), kCollapsed);
  EXPECT_FALSE(tree.RowShown(kDriveRow + 1));
}

TEST_F(FolderTree, HistoryListsTheLastEnumeratedFirstUnderTheFolderNames) {
  SaveRegSetting("2026-12-01|A", "/p/A", "Previous");
  SaveRegSetting("2026-12-02|B", "/p/B", "Previous");
  SaveRegSetting("2026-12-03|C", "/p/C", "Previous");
  SaveRegSetting("Utan streck", "/p/D", "Previous");
  SaveRegSetting("2026-12-04|a|b", "/p/a|b", "Previous");  // "|" in the folder name
  SaveRegSetting("2026-12-05|", "/p/E", "Previous");       // no name: the folder's own
  SaveRegSetting("2026-12-06|", "", "Previous");           // nothing to show
  Expand(1);
  EXPECT_EQ(Rows(2, 8), (std::vector<std::string>{"E|>/p/E|2", "a|b|>/p/a|b|2", "Utan streck|>/p/D|2", "C|>/p/C|2",
                                                  "B|>/p/B|2", "A|>/p/A|2", "Sparade favoriter|<|1"}));
  for (int r = 2; r <= 7; ++r) EXPECT_EQ(tree.CellPicture(r, 0), "imgFolder");
  EXPECT_EQ(tree.row(), 1);

  // No row passes for a placeholder: expanding again lists nothing twice.
  tree.SetIsCollapsed(1, kCollapsed);
  Expand(1);
  EXPECT_EQ(RowOf(">/p/A"), 7);
  EXPECT_EQ(tree.rows(), kDriveRow + 1 + 6);
}

TEST_F(FolderTree, FavouritesListWithTheirPlaceholdersAndOpenAsFolders) {
  Folder("A/sub");
  SaveRegSetting("A", (disk / "A").string(), "Favourite");
  SaveRegSetting("B", "/p/B", "Favourite");
  Expand(3);
  const std::string a = (disk / "A").string();
  EXPECT_EQ(Rows(4, 7), (std::vector<std::string>{"B|</p/B|2", "||3", "A|<" + a + "|2", "||3"}));
  EXPECT_EQ(tree.IsCollapsed(4), kCollapsed);
  EXPECT_EQ(tree.IsCollapsed(6), kCollapsed);
  EXPECT_FALSE(tree.RowShown(5));

  Expand(6);
  EXPECT_EQ(Rows(7, 7), std::vector<std::string>{"sub|" + a + "/sub|3"});
  EXPECT_EQ(LastFolder(), a) << "the favourite's folder, without its marker";
  EXPECT_EQ(form.Dir1.path(), a);

  // A favourite whose folder is gone opens to nothing and changes nothing.
  Expand(4);
  EXPECT_EQ(Rows(5, 5), std::vector<std::string>{"A|<" + a + "|2"});
  EXPECT_EQ(form.Dir1.path(), a);
}

TEST_F(FolderTree, DeletingAHistoryEntryRemovesEveryValueOfItsFolder) {
  SaveRegSetting("2026-12-01|P", "/p/P", "Previous");
  SaveRegSetting("2026-12-02|P", "/p/P", "Previous");  // the same folder again, next in the enumeration
  SaveRegSetting("2026-12-03|Q", "/p/Q", "Previous");
  Expand(1);
  tree.SetRow(RowOf(">/p/P"));
  DeletePrevious(form);
  EXPECT_EQ(RegistryValues("Previous"), std::vector<std::string>{"2026-12-03|Q=/p/Q"});
  EXPECT_EQ(Rows(2, 3), (std::vector<std::string>{"Q|>/p/Q|2", "P|>/p/P|2"})) << "only the current row leaves the tree";

  // Only a history entry can be deleted so.
  const int rows = tree.rows();
  tree.SetRow(RowOf(disk));
  DeletePrevious(form);
  EXPECT_EQ(tree.rows(), rows);
}

TEST_F(FolderTree, FavouritesAreSavedByFolderNameAndDeletedWithTheirRows) {
  Folder("x/sub");
  Folder("y/x");
  Expand(kDriveRow);
  tree.SetRow(RowOf(disk / "x"));
  SaveFavourite(form);
  EXPECT_EQ(RegistryValues("Favourite"), std::vector<std::string>{"x=" + (disk / "x").string()});
  Expand(RowOf(disk / "y"));
  tree.SetRow(RowOf(disk / "y" / "x"));
  SaveFavourite(form);
  EXPECT_EQ(RegistryValues("Favourite"), std::vector<std::string>{"x=" + (disk / "y" / "x").string()})
      << "one favourite per name: the later folder";
  tree.SetRow(kDriveRow);
  SaveFavourite(form);
  tree.SetRow(0);
  SaveFavourite(form);  // the computer root is no folder
  EXPECT_EQ(RegistryValues("Favourite"),
            (std::vector<std::string>{"x=" + (disk / "y" / "x").string(), "disk=" + disk.string()}));

  // Deleting an opened favourite takes its listed subfolders along.
  SaveRegSetting("x", (disk / "x").string(), "Favourite");
  SetupTreeView(form);
  Expand(3);
  const int favourite = RowOf("<" + (disk / "x").string());
  Expand(favourite);
  ASSERT_EQ(tree.RowData(favourite + 1), (disk / "x" / "sub").string());
  const int rows = tree.rows();
  tree.SetRow(favourite);
  DeleteFavourite(form);
  EXPECT_EQ(tree.rows(), rows - 3) << "the favourite, its subfolder and that one's placeholder";
  EXPECT_EQ(RegistryValues("Favourite"), std::vector<std::string>{"disk=" + disk.string()});
  for (int r = 0; r < tree.rows(); ++r) EXPECT_NE(tree.RowData(r), (disk / "x" / "sub").string());
}

TEST_F(FolderTree, TheContextMenuOffersWhatTheCurrentRowAllows) {
  SaveRegSetting("2026-12-01|P", "/p/P", "Previous");
  SaveRegSetting("P", "/p/P", "Favourite");
  Folder("Plan 1");
  Expand(kDriveRow);
  Expand(3);
  Expand(1);
  const std::vector<std::pair<int, std::string>> common = {
      {309, "&Uppdatera mappträd"}, {905, "St&äng mappträd"}, {313, "&Utforska mapp"}};
  auto with = [&](std::vector<std::pair<int, std::string>> first) {
    first.insert(first.end(), common.begin(), common.end());
    return first;
  };
  struct Case {
    std::string data;
    std::vector<std::pair<int, std::string>> entries;
  };
  for (const Case& c : std::vector<Case>{
           {">/p/P", with({{906, "Ta &bort från listan"}, {909, "Gå &till mapp"}})},
           {"</p/P", with({{907, "Ta &bort från listan"}, {909, "Gå &till mapp"}})},
           {(disk / "Plan 1").string(), with({{908, "S&para mappen 'Plan 1' bland favoriter"}})},
           {disk.string(), with({{908, "S&para mappen 'disk' bland favoriter"}})},
           {">", common},
           {"<", common},
           {"", common},
       }) {
    const std::string before = LastFolder();
    tree.SetRow(RowOf(c.data));
    tree.RaiseMouseUp(controls::kRightButton, 0, 0, 0);
    EXPECT_EQ(menu, c.entries) << c.data;
    EXPECT_EQ(groups[groups.size() - 3], true) << "refreshing begins a group";
    EXPECT_EQ(LastFolder(), before) << "a right click selects nothing";
  }
}

TEST_F(FolderTree, SelectingARowNamesItsFolderInCaptionStatusAndLastFolder) {
  drives.drives.push_back({"/", type::kFixed, ""});
  SetupTreeView(form);
  Folder("Plot");
  Expand(kDriveRow);
  struct Case {
    std::string data;
    std::string caption;
  };
  for (const Case& c : std::vector<Case>{{disk.string(), "Quiremark(GS) - [disk]"},
                                         {(disk / "Plot").string(), "Quiremark(GS) - [Plot]"},
                                         {"/", "Quiremark(GS) - [/]"},
                                         {"", "Quiremark(GS) - []"}}) {
    Click(RowOf(c.data));
    EXPECT_EQ(form.caption, c.caption);
    EXPECT_EQ(LastFolder(), c.data);
    EXPECT_EQ(form.StatusBar.Pane(0).text, c.data);
    EXPECT_EQ(form.Dir1.path(), c.data);
    EXPECT_EQ(form.File1.path(), c.data);
    EXPECT_EQ(BoldRows(), std::vector<int>{RowOf(c.data)});
  }
  EXPECT_FALSE(form.fgFiles.visible()) << "the computer root lists no files";
  state.converterSelector = settings::Converter::Distiller;
  Click(RowOf(disk / "Plot"));
  EXPECT_EQ(form.caption, "Quiremark(Adobe) - [Plot]");
}

TEST_F(FolderTree, SelectingRefillsTheGridAndEndsTheTreeScanMode) {
  const fs::path plot = Folder("Plot");
  Plot(plot, "A-40-01.plt");
  Plot(plot, "A-40-02.plt");
  Plot(disk, "Z-99-01.plt");
  Expand(kDriveRow);
  EXPECT_EQ(GridNames(), std::vector<std::string>{"Z-99-01.plt"});
  form.fgFiles.SetTextMatrix(1, 0, "1");
  state.treeScanActive = true;
  form.fgFiles.SetBackColor(controls::Rgb(255, 255, 200));
  for (auto* c : form.CommandBars.FindControls(cmd::kNumberAll)) c->SetEnabled(false);

  Click(RowOf(plot));
  EXPECT_EQ(GridNames(), (std::vector<std::string>{"A-40-01.plt", "A-40-02.plt"}));
  EXPECT_EQ(form.fgFiles.TextMatrix(1, 0), "");
  EXPECT_FALSE(state.treeScanActive);
  EXPECT_EQ(form.fgFiles.backColor(), controls::kSystemWindowColor);
  for (auto* c : form.CommandBars.FindControls(cmd::kNumberAll)) EXPECT_TRUE(c->enabled());

  // F5 in the file grid selects the tree's folder again, so new files show.
  Plot(plot, "A-40-03.plt");
  form.fgFiles.RaiseKeyDown(controls::kKeyF5, 0);
  EXPECT_EQ(GridNames().size(), 3u);
}

TEST_F(FolderTree, SpecialBindCommandsShowWhereTheirPathSideFilesLie) {
  const fs::path own = Folder("own");
  const fs::path parent = Folder("parent");
  const fs::path child = Folder("parent/child");
  const fs::path mixed = Folder("parent/mixed");
  const fs::path none = Folder("none");
  const fs::path empty = Folder("empty");
  testing::WriteFile(own / "Quiremark.path", "  /ut/special  \r\n/annat\r\n");
  testing::WriteFile(own / "quiremark.RELATION.path", "/ut/relation\r\n");
  testing::WriteFile(parent / "QUIREMARK.PATH", "/ut/förälder\r\n");
  testing::WriteFile(mixed / "Quiremark.Relation.path", "/ut/egen\r\n");
  testing::WriteFile(empty / "Quiremark.path", "");
  struct Case {
    fs::path folder;
    bool special;
    std::string specialTip;
    bool relation;
    std::string relationTip;
  };
  Expand(kDriveRow);
  Expand(RowOf(parent));
  for (const Case& c : std::vector<Case>{
           {own, true, "/ut/special", true, "/ut/relation"},
           {child, true, "/ut/förälder", false, "Skapa P&DF Relation"},
           {mixed, true, "/ut/förälder", true, "/ut/egen"},
           {none, false, "Skapa PD&F Special", false, "Skapa P&DF Relation"},
           {empty, true, "Skapa PD&F Special", false, "Skapa P&DF Relation"},
       }) {
    Click(RowOf(c.folder));
    const auto* special = form.CommandBars.FindControl(cmd::kCreatePdfSpec);
    const auto* relation = form.CommandBars.FindControl(cmd::kCreatePdfRelation);
    EXPECT_EQ(special->visible(), c.special) << c.folder;
    EXPECT_EQ(special->tooltipText(), c.specialTip) << c.folder;
    EXPECT_EQ(relation->visible(), c.relation) << c.folder;
    EXPECT_EQ(relation->tooltipText(), c.relationTip) << c.folder;
  }
}

TEST_F(FolderTree, KeysSelectOpenAndCloseTheCurrentRow) {
  const fs::path a = Folder("a");
  const fs::path b = Folder("b");
  tree.SetRow(kDriveRow);
  EXPECT_EQ(tree.RaiseKeyDown(39, 0), 39) << "Right";
  ASSERT_EQ(tree.IsCollapsed(kDriveRow), kExpanded);
  EXPECT_EQ(RowOf(a), kDriveRow + 1);
  tree.RaiseKeyDown(37, 0);  // Left
  EXPECT_EQ(tree.IsCollapsed(kDriveRow), kCollapsed);
  Expand(kDriveRow);

  // Enter reaches the key-down and the key-press handler; each selects.
  tree.SetRow(RowOf(a));
  tree.RaiseKeyDown(13, 0);
  EXPECT_EQ(LastFolder(), a.string());
  tree.SetRow(RowOf(b));
  tree.RaiseKeyPress(13);
  EXPECT_EQ(LastFolder(), b.string());
  // Space selects on key-down only.
  tree.SetRow(RowOf(a));
  tree.RaiseKeyPress(32);
  EXPECT_EQ(LastFolder(), b.string());
  tree.RaiseKeyDown(32, 0);
  EXPECT_EQ(LastFolder(), a.string());
}

TEST_F(FolderTree, OnlyAPlainLeftClickSelects) {
  const fs::path a = Folder("a");
  Expand(kDriveRow);
  const std::string before = LastFolder();
  for (int shift : {controls::kCtrlKey, controls::kShiftKey, controls::kAltKey}) {
    Click(RowOf(a), shift);
    EXPECT_EQ(LastFolder(), before) << shift;
  }
  Click(RowOf(a), 0, controls::kMiddleButton);
  EXPECT_EQ(LastFolder(), before);
  Click(RowOf(a));
  EXPECT_EQ(LastFolder(), a.string());
}

TEST_F(FolderTree, TheWalkOpensTheWayToADeepFolderAndLeavesOnlyItBold) {
  const fs::path target = Folder("proj/A-40/plot");
  Folder("proj/A-40/annat");
  Folder("other");
  Plot(target, "A-40-01.plt");
  SaveRegSetting("LastFolder", target.string());
  GotoLastFolder(form);
  const int row = RowOf(target);
  ASSERT_GT(row, 0);
  EXPECT_EQ(tree.row(), row);
  EXPECT_TRUE(tree.RowShown(row));
  EXPECT_EQ(BoldRows(), std::vector<int>{row});
  EXPECT_EQ(LastFolder(), target.string());
  EXPECT_EQ(form.caption, "Quiremark(GS) - [plot]");
  EXPECT_EQ(GridNames(), std::vector<std::string>{"A-40-01.plt"});
  EXPECT_EQ(tree.TextMatrix(RowOf(disk / "other") + 1, 0), "") << "a folder off the way stays unlisted";

  // Walking again over the opened rows adds and removes none.
  const int rows = tree.rows();
  tree.SetRow(0);
  GotoLastFolder(form);
  EXPECT_EQ(tree.rows(), rows);
  EXPECT_EQ(tree.row(), row);
}

TEST_F(FolderTree, TheWalkComparesWholePathComponentsInTheirLetterCase) {
  const fs::path a = Folder("A");
  const fs::path target = Folder("AB/C");
  Folder("ab");
  SaveRegSetting("LastFolder", target.string() + "/");  // a trailing "/" names the same folder
  GotoLastFolder(form);
  EXPECT_EQ(tree.RowData(tree.row()), target.string());
  EXPECT_EQ(tree.TextMatrix(RowOf(a) + 1, 0), "") << "A is no part of AB: still unlisted";
  EXPECT_FALSE(tree.CellFontBold(RowOf(a), 0));
  EXPECT_EQ(tree.TextMatrix(RowOf(disk / "ab") + 1, 0), "");

  // A folder that differs only in case is another folder: the walk stops on the deepest one on its way.
  SetupTreeView(form);
  SaveRegSetting("LastFolder", (disk / "ab" / "C").string());
  GotoLastFolder(form);
  EXPECT_EQ(tree.RowData(tree.row()), (disk / "ab").string());
  EXPECT_EQ(LastFolder(), (disk / "ab").string());
  EXPECT_EQ(tree.TextMatrix(RowOf(disk / "AB") + 1, 0), "");
}

TEST_F(FolderTree, AFolderThatIsGoneChangesNothing) {
  const fs::path kept = Folder("kept");
  Plot(kept, "A-01-01.plt");
  SaveRegSetting("2026-12-01|gone", (disk / "gone").string(), "Previous");
  SaveRegSetting("gone", (disk / "gone").string(), "Favourite");
  Expand(kDriveRow);
  Click(RowOf(kept));
  Expand(1);
  Expand(RowOf("<"));
  const std::string caption = form.caption;
  for (const std::string& data : {">" + (disk / "gone").string(), "<" + (disk / "gone").string()}) {
    Click(RowOf(data));
    EXPECT_EQ(form.StatusBar.Pane(0).text, "Mappen " + (disk / "gone").string() + " finns inte.");
    EXPECT_EQ(LastFolder(), kept.string());
    EXPECT_EQ(form.caption, caption);
    EXPECT_EQ(form.Dir1.path(), kept.string());
    EXPECT_EQ(GridNames(), std::vector<std::string>{"A-01-01.plt"});
    EXPECT_EQ(BoldRows(), std::vector<int>{RowOf(kept)});
  }
}

TEST_F(FolderTree, NothingChangesTheWorkingFolderWhileARunIsUnderWay) {
  const fs::path a = Folder("a");
  const fs::path b = Folder("b");
  Expand(kDriveRow);
  Click(RowOf(a));
  for (bool* running : {&state.bindRunActive, &state.treeScanRunning}) {
    *running = true;
    const int rows = tree.rows();
    Click(RowOf(b));
    tree.SetRow(RowOf(b));
    tree.RaiseKeyDown(13, 0);
    tree.RaiseKeyPress(13);
    form.fgFiles.RaiseKeyDown(controls::kKeyF5, 0);
    SaveRegSetting("LastFolder", b.string());
    GotoLastFolder(form);
    RefreshFolderTree(form);
    GotoFolder(form);
    SetupTreeView(form);
    EXPECT_EQ(form.Dir1.path(), a.string());
    EXPECT_EQ(form.File1.path(), a.string());
    EXPECT_EQ(form.caption, "Quiremark(GS) - [a]");
    EXPECT_EQ(tree.rows(), rows);
    EXPECT_EQ(BoldRows(), std::vector<int>{RowOf(a)});
    *running = false;
    SaveRegSetting("LastFolder", a.string());
  }
}

TEST_F(FolderTree, F5RebuildsAndWalksBackToLastFolder) {
  const fs::path a = Folder("a");
  Expand(kDriveRow);
  Click(RowOf(a));
  const fs::path fresh = Folder("a/ny");
  tree.RaiseKeyDown(controls::kKeyF5, 0);
  EXPECT_EQ(tree.RowData(tree.row()), a.string());
  EXPECT_EQ(BoldRows(), std::vector<int>{RowOf(a)});
  EXPECT_EQ(LastFolder(), a.string());
  Expand(RowOf(a));
  EXPECT_NE(RowOf(fresh), -1) << "the rebuilt tree sees the new folder";

  // A stored folder that is gone: the walk stops on the deepest folder on its way, and F5 selects that
  // one again, not whatever row happens to be last in the tree.
  Folder("zz-last");
  SaveRegSetting("LastFolder", (a / "gone").string());
  tree.RaiseKeyDown(controls::kKeyF5, 0);
  EXPECT_EQ(tree.RowData(tree.row()), a.string());
  EXPECT_EQ(LastFolder(), a.string());

  // Without a stored folder F5 walks to the program's own folder, which the fake drives do not hold.
  settings::DeleteRegSetting("LastFolder");
  RefreshFolderTree(form);
  EXPECT_EQ(tree.row(), 0);
}

TEST_F(FolderTree, GoToFolderWalksToAHistoryEntrysFolderOrAFavouritesRow) {
  const fs::path plot = Folder("proj/plot");
  SaveRegSetting("2026-12-01|plot", plot.string(), "Previous");
  SaveRegSetting("plot", plot.string(), "Favourite");
  Expand(1);
  tree.SetRow(RowOf(">" + plot.string()));
  GotoFolder(form);
  EXPECT_EQ(tree.RowData(tree.row()), plot.string());
  EXPECT_EQ(LastFolder(), plot.string());

  SetupTreeView(form);
  Expand(3);
  tree.SetRow(RowOf("<" + plot.string()));
  GotoFolder(form);
  EXPECT_EQ(tree.RowData(tree.row()), "<" + plot.string());
  EXPECT_EQ(LastFolder(), plot.string());
  EXPECT_EQ(form.Dir1.path(), plot.string());
}

TEST_F(FolderTree, ExploringOpensTheRowsFolderWithoutItsMarkerAndWithoutAShell) {
  // xdg-open is a script that records how many arguments it got and the first.
  const fs::path record = dir / "opened.txt";
  fs::create_directories(dir / "bin");
  testing::WriteFile(dir / "bin" / "xdg-open", "#!/bin/sh\nprintf '%s|%s' \"$#\" \"$1\" > '" + record.string() +
                                                   ".part'\nmv '" + record.string() + ".part' '" + record.string() + "'\n");
  fs::permissions(dir / "bin" / "xdg-open", fs::perms::owner_all);
  testing::ScopedEnv path("PATH", (dir / "bin").string() + ":/usr/bin:/bin");
  const fs::path odd = Folder("a 'b' \"$c\"");
  SaveRegSetting("odd", odd.string(), "Favourite");
  Expand(3);
  for (auto [data, opened] : std::vector<std::pair<std::string, std::string>>{
           {"<" + odd.string(), odd.string()}, {disk.string(), disk.string()}, {"", "/"}}) {
    fs::remove(record);
    tree.SetRow(RowOf(data));
    ExploreFolder(form);
    for (int i = 0; i < 300 && !fs::exists(record); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(fs::exists(record) ? testing::ReadFile(record) : "", "1|" + opened) << data;
  }
}

// A bind run yields to the window; a click on another folder meanwhile must
// not change the folder the run, or the next one, takes its files from.
class FolderTreeDuringBind : public BindRunTest {
 protected:
  testing::FakeDrives fakeDrives{{{(dir / "Projekt").string(), type::kFixed, ""}}};
  std::filesystem::path other = dir / "Projekt" / "Andra";

  void SetUp() override {
    BindRunTest::SetUp();
    std::filesystem::create_directories(other);
    Plot("A-01.plt", 1, "Ritningar");
    testing::WriteFile(other / "A-01.plt", testing::DriverPlotFile(1, "Andra"));
    ConnectFolderTree(form);
    SetupTreeView(form);
    SaveRegSetting("LastFolder", drawings.string());
    GotoLastFolder(form);
  }
};

TEST_F(FolderTreeDuringBind, AClickOnAnotherFolderWhileBindingIsRefused) {
  ASSERT_EQ(form.Dir1.path(), drawings.string());
  int otherRow = -1;
  for (int r = 0; r < form.fgTree.rows(); ++r)
    if (form.fgTree.RowData(r) == other.string()) otherRow = r;
  ASSERT_GT(otherRow, 0);
  form.fgFiles.SetTextMatrix(1, 0, "1");
  state.outFileArg = (out / "Hus.pdf").string();
  ui.onYield = [&] {
    form.fgTree.SetRow(otherRow);
    form.fgTree.RaiseMouseUp(controls::kLeftButton, 0, 0, 0);
  };
  ASSERT_TRUE(CreatePdf(form, kBindPlain));
  EXPECT_EQ(form.Dir1.path(), drawings.string());
  ui.onYield = nullptr;
  ASSERT_TRUE(CreatePdf(form, kBindPlain));
  EXPECT_NE(TempPs().find("(Ritningar 1) show"), std::string::npos);
  EXPECT_EQ(TempPs().find("(Andra 1) show"), std::string::npos);
}

}  // namespace
}  // namespace quiremark::app
