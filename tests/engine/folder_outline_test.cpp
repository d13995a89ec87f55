#include "engine/folder_outline.h"

#include <gtest/gtest.h>

#include "engine/bookmark_text.h"
#include "engine/pdfmark.h"
#include "engine/plot_files.h"
#include "support/test_support.h"

namespace quiremark::engine {
namespace {

namespace fs = std::filesystem;

class FolderOutlineTest : public ::testing::Test {
 protected:
  testing::TempDir dir;
  OutlineState outline;
  std::vector<OutlinedFile> reported;
  FolderOutlineHooks hooks{{}, [this](const OutlinedFile& file) { reported.push_back(file); }, {}, {}};

  // A folder of the tree with these plot files (one page each unless named in `pages`).
  ScannedFolder Folder(const fs::path& path, const std::vector<std::string>& files, std::vector<int> pages = {}) {
    fs::create_directories(path);
    ScannedFolder folder;
    folder.path = path.string();
    for (std::size_t i = 0; i < files.size(); ++i) {
      testing::WriteFile(path / files[i], testing::DriverPlotFile(i < pages.size() ? pages[i] : 1));
      folder.files.push_back(files[i]);
    }
    folder.collected = !files.empty();
    return folder;
  }
  void Side(ScannedFolder& folder, const std::string& name, const std::string& bytes) {
    testing::WriteFile(fs::path(folder.path) / name, bytes);
    folder.textFiles.Add(name);
  }
};

TEST_F(FolderOutlineTest, SideFileTitlesStopAtAnEmptyLineAndKeepInnerBlanks) {
  ScannedFolder folder = Folder(dir / "R", {"A1.plt", "A2.plt", "A3.plt", "A4.plt", "A5.plt", "A6.plt", "A7"});
  Side(folder, "A1.txt", "Plan (A)\r\n");
  Side(folder, "A2.txt", "Plan\r\n\r\nRev B\r\n");
  Side(folder, "A3.txt", "  Plan   1  \r\n Rev\tB \n");
  Side(folder, "A4.TXT", "   \r\n  \r\n");  // blanks only; name in other case
  Side(folder, "A5.txt", "\r\nEfter tom rad");
  Side(folder, "A6.txt", "V\xe5ning \xf6vre");  // Windows-1252
  Side(folder, "A7.txt", "Utan punkt");
  ScannedTree tree{folder};
  BuildFolderBookmarks(tree, false, outline, hooks);
  outline.CountRemainingFiles();

  std::vector<std::string> titles, bookmarks;
  for (const OutlineRecord& r : outline.records()) titles.push_back(r.title);
  for (const OutlinedFile& f : reported) bookmarks.push_back(f.bookmark);
  EXPECT_EQ(titles, (std::vector<std::string>{"Plan (A)", "Plan", "Plan   1 Rev\tB", "A4", "A5", "Våning övre",
                                              "Utan punkt"}));
  EXPECT_EQ(bookmarks, (std::vector<std::string>{" Plan (A)", " Plan", " Plan   1 Rev\tB", "A4", "A5", " Våning övre",
                                                 " Utan punkt"}))
      << "the grid keeps the leading blank of a side file's text";
  // The title is stored as it is seen; the pdfmark line escapes it once.
  EXPECT_EQ(OutlineLine(outline.records()[0]), "[/Page 1 /View [/XYZ null null 0] /Title (Plan \\(A\\)) /OUT pdfmark");
}

// A side file that cannot be read, or is gone since the folder was listed,
// is reported (a bind of the grid fails on it), and its plot file keeps the
// base name; a plot file without one simply has the base name.
TEST_F(FolderOutlineTest, ASideFileThatCannotBeReadIsReported) {
  ScannedFolder folder = Folder(dir / "R", {"A1.plt", "A2.plt", "A3.plt", "A4.plt"});
  Side(folder, "A1.txt", "Plan 1\r\n");
  Side(folder, "A2.txt", "Plan 2\r\n");
  fs::remove(dir / "R" / "A2.txt");
  Side(folder, "A3.txt", "Plan 3\r\n");
  fs::permissions(dir / "R" / "A3.txt", fs::perms::none);
  std::vector<std::string> unreadable;
  hooks.onUnreadableSideFile = [&](const std::string& path, const std::error_code& error) {
    unreadable.push_back(path + " " + std::to_string(error.value()));
  };
  ScannedTree tree{folder};
  {
    const testing::PermissionsApply asAUser;
    BuildFolderBookmarks(tree, false, outline, hooks);
  }
  std::vector<std::string> bookmarks;
  for (const OutlinedFile& f : reported) bookmarks.push_back(f.bookmark);
  EXPECT_EQ(bookmarks, (std::vector<std::string>{" Plan 1", "A2", "A3", "A4"}));
  EXPECT_EQ(unreadable, (std::vector<std::string>{(dir / "R" / "A2.txt").string() + " " + std::to_string(ENOENT),
                                                  (dir / "R" / "A3.txt").string() + " " + std::to_string(EACCES)}));
}

TEST_F(FolderOutlineTest, MembershipFollowsWholeFolderNames) {
  ScannedTree tree(6);
  tree[0].path = "/x";
  tree[0].subfolders = {1};
  tree[1].path = "/x/A";
  tree[1].subfolders = {2, 3};
  tree[2].path = "/x/A/B";
  tree[2].subfolders = {5};
  tree[3].path = "/x/A/BC";
  tree[3].subfolders = {4};
  tree[4].path = "/x/A/BC/X";
  tree[4].collected = true;
  tree[5].path = "/x/A/B/Y";
  EXPECT_EQ(HoldsCollected(tree), (std::vector<bool>{true, true, false, true, true, false}));
}

TEST_F(FolderOutlineTest, AStartFolderEndingInASlashGivesNamesWithoutALeadingSlash) {
  ScannedFolder start = Folder(dir / "R", {"a.plt"});
  start.path += "/";  // as a drive root reads
  ScannedFolder sub = Folder(dir / "R" / "Sub", {"c.plt"});
  sub.path = start.path + "Sub";
  start.subfolders = {1};
  BuildFolderBookmarks({start, sub}, false, outline, hooks);
  ASSERT_EQ(reported.size(), 2u);
  EXPECT_EQ(reported[0].gridName, "a.plt");
  EXPECT_EQ(reported[1].gridName, "Sub/c.plt");
}

TEST_F(FolderOutlineTest, AFileThatCannotBeReadIsLeftOutOfTheOutlineAndTheCount) {
  ScannedFolder start = Folder(dir / "R", {});
  ScannedFolder sub = Folder(dir / "R" / "Sub", {"a.plt", "b.plt", "c.plt"}, {2, 1, 1});
  start.subfolders = {1};
  fs::remove(dir / "R" / "Sub" / "b.plt");
  BuildFolderBookmarks({start, sub}, false, outline, hooks);
  outline.CountRemainingFiles();
  ASSERT_EQ(outline.records().size(), 5u);
  EXPECT_EQ(outline.records()[0], (OutlineRecord{OutlineRecord::Kind::Group, 1, 2, "Sub"}));
  EXPECT_EQ(outline.records()[1], (OutlineRecord{OutlineRecord::Kind::Group, 1, 2, "a"}));
  EXPECT_EQ(outline.records()[4], (OutlineRecord{OutlineRecord::Kind::Page, 3, 0, "c"}));
  ASSERT_EQ(reported.size(), 2u);
  EXPECT_EQ(reported[1].gridName, "/Sub/c.plt");
}

}  // namespace
}  // namespace quiremark::engine
