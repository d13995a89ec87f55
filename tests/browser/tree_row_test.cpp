#include <gtest/gtest.h>

#include "browser/folder_tree.h"
#include "browser/tree_row.h"

namespace quiremark::browser {
namespace {

TEST(TreeRowData, KindAndFolderOfEachMarker) {
  struct Case {
    const char* data;
    TreeRowKind kind;
    const char* folder;
  };
  for (const Case& c : {Case{"", TreeRowKind::Empty, ""}, {">", TreeRowKind::HistoryRoot, ""},
                        {"<", TreeRowKind::FavouritesRoot, ""}, {">/srv/A", TreeRowKind::HistoryEntry, "/srv/A"},
                        {"</srv/A", TreeRowKind::Favourite, "/srv/A"}, {"/srv/A", TreeRowKind::Folder, "/srv/A"},
                        // Only the leading marker goes: "<" and ">" are allowed in Linux folder names.
                        {">/srv/a>b", TreeRowKind::HistoryEntry, "/srv/a>b"},
                        {"</srv/<x>", TreeRowKind::Favourite, "/srv/<x>"},
                        {"/srv/a<b", TreeRowKind::Folder, "/srv/a<b"}}) {
    EXPECT_EQ(TreeRowData::KindOf(c.data), c.kind) << c.data;
    EXPECT_EQ(TreeRowData::FolderOf(c.data), c.folder) << c.data;
  }
  EXPECT_EQ(TreeRowData::HistoryEntry("/a"), ">/a");
  EXPECT_EQ(TreeRowData::Favourite("/a"), "</a");
}

TEST(TreeRowData, FolderNameIsTheLastComponent) {
  for (auto [path, name] : std::initializer_list<std::pair<const char*, const char*>>{
           {"/srv/proj/Plot", "Plot"}, {"/srv/proj/Plot/", "Plot"}, {"/", "/"}, {"//", "/"}, {"", ""},
           {"relative", "relative"}, {"/a b|c", "a b|c"}})
    EXPECT_EQ(FolderName(path), name) << path;
}

TEST(TreeWalk, RowsLeadToATargetByWholeComponents) {
  struct Case {
    const char* row;
    const char* target;
    bool leads;
    bool is;
  };
  for (const Case& c : {
           Case{"/", "/srv/AB/C", true, false},
           {"/srv", "/srv/AB/C", true, false},
           {"/srv/AB", "/srv/AB/C", true, false},
           {"/srv/AB/C", "/srv/AB/C", true, true},
           {"/srv/AB/C", "/srv/AB/C/", true, true},  // a trailing "/" names the same folder
           {"/srv/A", "/srv/AB/C", false, false},    // a prefix, not a component
           {"/srv/ab", "/srv/AB/C", false, false},   // letter case counts
           {"/srv/AB/C/D", "/srv/AB/C", false, false},
           {"/srv/AB/C", "relative/C", false, false},
           {"/", "", false, false},
           {"", "/srv", false, false},
           {">", "/srv/A", false, false},             // the history never lies on the way to a folder
           {"<", "</srv/A", true, false},             // the favourites root does to a favourite
           {"</srv/A", "</srv/A", true, true},
           {"</srv", "</srv/A", false, false},
           {"/srv", "</srv/A", false, false},
           {">/srv/A", "/srv/A", false, false},
       }) {
    EXPECT_EQ(RowLeadsTo(c.row, c.target), c.leads) << c.row << " -> " << c.target;
    EXPECT_EQ(RowIsTarget(c.row, c.target), c.is) << c.row << " = " << c.target;
  }
}

}  // namespace
}  // namespace quiremark::browser
