#include "browser/deletion.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "browser/scan_pane_fixture.h"

namespace quiremark::browser {
namespace {

namespace fs = std::filesystem;
using controls::MsgResult;
using Names = std::vector<std::string>;

// Both questions default to No.
constexpr int kQuestion305 = controls::mb::kYesNo | controls::mb::kCritical | controls::mb::kDefaultButton2;
constexpr int kQuestion956 = controls::mb::kYesNoCancel | controls::mb::kQuestion | controls::mb::kDefaultButton2;

// Makes a file one that not even root may delete, for as long as the object lives.
class Undeletable {
 public:
  explicit Undeletable(fs::path file) : file_(std::move(file)) { ok_ = SetFlag(true); }
  ~Undeletable() {
    if (ok_) SetFlag(false);
  }
  bool ok() const { return ok_; }

 private:
  bool SetFlag(bool on) {
    const int fd = ::open(file_.c_str(), O_RDONLY);
    if (fd < 0) return false;
    int flags = 0;
    bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
    done = done && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    ::close(fd);
    return done;
  }
  fs::path file_;
  bool ok_ = false;
};

class DeletionTest : public ScanPaneTest {
 protected:
  // The working folder's grid filled from `root`.
  void Fill() {
    Dir1.SetPath(root.string());
    FillFileGrid(pane);
  }
  void Select(std::initializer_list<int> rows) {
    for (int row : rows) fgFiles.SetRowSelected(row, true);
  }
  bool Exists(const std::string& name) const { return fs::exists(fs::symlink_status(root / name)); }
  Names Remaining() const {
    Names names;
    for (const auto& entry : fs::directory_iterator(root)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
};

TEST_F(DeletionTest, AllRowsGoWithTheirSideFilesWhenNoneIsSelected) {
  Plot("Plan-1.plt", 1, "Plan");
  Plot("Plan-2.plt", 1, "Sektion");
  Plot("Plan-3.plt");
  testing::WriteFile(root / "Plan-4.txt", "no plot file");
  Fill();
  ui.ExpectBox("Ska alla plotfiler och eventuella bokmärkesfiler raderas?", MsgResult::Yes, kQuestion305, "Radera filer");
  DeletePlotFiles(pane);
  EXPECT_EQ(fgFiles.rows(), 1);
  EXPECT_EQ(Remaining(), Names{"Plan-4.txt"});
  EXPECT_EQ(ui.yields, 1) << "once, for the hourglass to show";
  EXPECT_FALSE(window.hourglass());
}

TEST_F(DeletionTest, QuestionsAndAnswersThatKeepEverything) {
  Plot("Plan-1.plt", 1, "Plan");
  Plot("Plan-2.plt");
  Plot("Plan-3.plt");
  Fill();
  Select({1, 3});
  const Names before = Remaining();
  ui.ExpectBox("Ska markerade 2 plotfiler och eventuella bokmärkesfiler raderas?", MsgResult::No, kQuestion305,
               "Radera filer");
  DeletePlotFiles(pane);
  for (MsgResult answer : {MsgResult::No, MsgResult::Cancel}) {
    ui.ExpectBox("Ska markerade 2 filer raderas?\r\rPlan-1.plt\rPlan-3.plt", answer, kQuestion956, "Radera");
    DeleteSelectedFiles(pane);
  }
  EXPECT_EQ(Remaining(), before);
  EXPECT_EQ(fgFiles.rows(), 4);

  // A grid of only its header row asks nothing.
  fs::remove_all(root);
  fs::create_directories(root);
  Fill();
  DeletePlotFiles(pane);
}

TEST_F(DeletionTest, SelectedRowsGoBottomUpAndOthersStay) {
  for (const char* name : {"Plan-1.plt", "Plan-2.plt", "Plan-3.plt", "Plan-4.plt"}) Plot(name, 1, "x");
  Fill();
  fgFiles.SetTextMatrix(4, 0, "1");
  Select({2, 4});
  ui.ExpectBox("Ska markerade 2 plotfiler och eventuella bokmärkesfiler raderas?", MsgResult::Yes);
  DeletePlotFiles(pane);
  EXPECT_EQ(Column(1), (Names{"Plan-1.plt", "Plan-3.plt"}));
  EXPECT_EQ(Remaining(), (Names{"Plan-1.plt", "Plan-1.txt", "Plan-3.plt", "Plan-3.txt"}));

  Select({1});
  ui.ExpectBox("Ska markerade 1 fil raderas?\r\rPlan-1.plt", MsgResult::Yes);
  DeleteSelectedFiles(pane);
  EXPECT_EQ(Column(1), Names{"Plan-3.plt"});
  EXPECT_EQ(Remaining(), (Names{"Plan-3.plt", "Plan-3.txt"}));
}

TEST_F(DeletionTest, ASideFileWithoutItsPlotFileGoesOnlyWithTheToolbarCommand) {
  Plot("Plan-1.plt", 1, "Plan");
  Plot("Plan-2.plt", 1, "Plan");
  Fill();
  fs::remove(root / "Plan-1.plt");  // deleted outside the program
  fs::remove(root / "Plan-2.plt");
  Select({1});
  ui.ExpectBox("Ska markerade 1 fil raderas?\r\rPlan-1.plt", MsgResult::Yes);
  DeleteSelectedFiles(pane);
  EXPECT_TRUE(Exists("Plan-1.txt")) << "command 956 leaves it";
  EXPECT_EQ(Column(1), Names{"Plan-2.plt"}) << "and still removes the row";

  fgFiles.ClearSelection();
  Select({1});
  ui.ExpectBox("Ska markerade 1 plotfiler och eventuella bokmärkesfiler raderas?", MsgResult::Yes);
  DeletePlotFiles(pane);
  EXPECT_FALSE(Exists("Plan-2.txt")) << "command 305 deletes it";
  EXPECT_EQ(fgFiles.rows(), 1);
}

TEST_F(DeletionTest, NamesWithoutADotAndLetterCase) {
  File1.SetPattern("*");
  for (const char* name : {"Ritning", "Plan-a.plt", "PLAN-A.PLT"}) testing::WriteFile(root / name, "%!PS\r\n");
  testing::WriteFile(root / "Ritning.TXT", "Fasad");
  testing::WriteFile(root / "Plan-a.txt", "Plan");
  Fill();
  ASSERT_EQ(Column(1), (Names{"PLAN-A.PLT", "Plan-a.plt", "Plan-a.txt", "Ritning", "Ritning.TXT"}));
  Select({2});
  ui.ExpectBox("Ska markerade 1 fil raderas?\r\rPlan-a.plt", MsgResult::Yes);
  DeleteSelectedFiles(pane);
  EXPECT_EQ(Remaining(), (Names{"PLAN-A.PLT", "Ritning", "Ritning.TXT"})) << "the row's own file and its side file";

  fgFiles.ClearSelection();
  Select({3});  // Ritning
  ui.ExpectBox("Ska markerade 1 plotfiler och eventuella bokmärkesfiler raderas?", MsgResult::Yes);
  DeletePlotFiles(pane);
  EXPECT_EQ(Remaining(), Names{"PLAN-A.PLT"}) << "a name without a dot has the side file name + .txt";
}

TEST_F(DeletionTest, AWindows1252NameShownDecodedDeletesItsFiles) {
  Plot("R\xF6" "d.plt", 1, "R\xF6" "d");  // "Röd" as an old share wrote it, with its side file
  Plot("Gr\xC3\xB6n.plt");
  Fill();
  ASSERT_EQ(fgFiles.TextMatrix(2, kColFileName), "R\xC3\xB6" "d.plt");
  Select({2});
  ui.ExpectBox("Ska markerade 1 fil raderas?\r\rR\xC3\xB6" "d.plt", MsgResult::Yes, kQuestion956, "Radera");
  DeleteSelectedFiles(pane);
  EXPECT_EQ(Remaining(), (Names{"Gr\xC3\xB6n.plt"}));
  EXPECT_EQ(fgFiles.rows(), 2);
}

TEST_F(DeletionTest, NothingOutsideTheWorkingFolderIsDeleted) {
  fs::create_directories(dir / "Utanfor");
  testing::WriteFile(dir / "Utanfor" / "x.plt", "%!PS\r\n");
  fs::create_directory_symlink(dir / "Utanfor", root / "Link");
  Plot("Sub/c.plt", 1, "c");
  Plot("Plan-1.plt");
  Fill();
  const Names rows = {"../Utanfor/x.plt", "/Link/x.plt", "Sub/../../Utanfor/x.plt", "/./x.plt", "/Sub/c.plt",
                      fs::path(dir / "Utanfor" / "x.plt").string()};
  fgFiles.SetRows(1 + static_cast<int>(rows.size()));
  for (std::size_t i = 0; i < rows.size(); ++i) fgFiles.SetTextMatrix(static_cast<int>(i) + 1, kColFileName, rows[i]);
  ui.ExpectBox("Ska alla plotfiler och eventuella bokmärkesfiler raderas?", MsgResult::Yes);
  ui.ExpectBox("Följande filer kunde inte raderas:\r"
               "\r/./x.plt (ligger utanför arbetsmappen)"
               "\rSub/../../Utanfor/x.plt (ligger utanför arbetsmappen)"
               "\r/Link/x.plt (ligger utanför arbetsmappen)"
               "\r../Utanfor/x.plt (ligger utanför arbetsmappen)",
               MsgResult::Ok, controls::mb::kCritical, "Radera filer");
  DeletePlotFiles(pane);
  EXPECT_TRUE(fs::exists(dir / "Utanfor" / "x.plt"));
  EXPECT_FALSE(Exists("Sub/c.plt")) << "a tree scan's path below the folder is inside it";
  EXPECT_FALSE(Exists("Sub/c.txt"));
  EXPECT_EQ(Column(1), (Names{"../Utanfor/x.plt", "/Link/x.plt", "Sub/../../Utanfor/x.plt", "/./x.plt"}))
      << "refused rows stay; an absolute-looking name is read below the folder, where nothing is";
}

TEST_F(DeletionTest, AFileThatCannotBeDeletedIsNamedAndKeepsItsRow) {
  for (const char* name : {"Plan-1.plt", "Plan-2.plt", "Plan-3.plt"}) Plot(name, 1, "x");
  Undeletable locked(root / "Plan-2.plt");
  if (!locked.ok()) GTEST_SKIP() << "this file system or user cannot make a file undeletable";
  Fill();
  ui.ExpectBox("Ska alla plotfiler och eventuella bokmärkesfiler raderas?", MsgResult::Yes);
  ui.ExpectBox("Följande filer kunde inte raderas:\r\r" + (root / "Plan-2.plt").string(), MsgResult::Ok,
               controls::mb::kCritical, "Radera filer");
  DeletePlotFiles(pane);
  EXPECT_EQ(Column(1), Names{"Plan-2.plt"});
  EXPECT_EQ(Remaining(), (Names{"Plan-2.plt", "Plan-2.txt"})) << "the side file stays with its plot file";

  Select({1});
  ui.ExpectBox("Ska markerade 1 fil raderas?\r\rPlan-2.plt", MsgResult::Yes);
  ui.ExpectBox("Följande filer kunde inte raderas:\r\r" + (root / "Plan-2.plt").string(), MsgResult::Ok,
               controls::mb::kCritical, "Radera");
  DeleteSelectedFiles(pane);
  EXPECT_EQ(Column(1), Names{"Plan-2.plt"});
}

TEST_F(DeletionTest, TheGridOfATreeScanIsNotDeletedFromByTheGridMenu) {
  Plot("Sub/Plan-1.plt");
  ASSERT_TRUE(Scan());
  Select({1});
  DeleteSelectedFiles(pane);  // no question
  EXPECT_TRUE(Exists("Sub/Plan-1.plt"));
  EXPECT_EQ(fgFiles.rows(), 2);
}

}  // namespace
}  // namespace quiremark::browser
