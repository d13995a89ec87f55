#include "controls/basic_controls.h"

#include <gtest/gtest.h>

#include "controls/form.h"
#include "support/test_support.h"

namespace quiremark::controls {
namespace {

using testing::TempDir;
using testing::WriteFile;

TEST(ComboBox, ChangeRunsForCodeAndUserChangesOfTheTextOnly) {
  ComboBox box("cboFileExt");
  std::vector<std::string> seen;
  int clicks = 0;
  box.onChange = [&] { seen.push_back(box.text()); };
  box.onClick = [&] { ++clicks; };
  box.AddItem("*.plt");
  box.AddItem("*.eps");
  box.SetText("*.PLT");
  box.SetText("*.PLT");  // same text: no change
  box.ChooseItem(1);
  EXPECT_EQ(box.listIndex(), 1);
  box.SetText("*.ep");
  EXPECT_EQ(box.listIndex(), -1);
  EXPECT_EQ(seen, (std::vector<std::string>{"*.PLT", "*.eps", "*.ep"}));
  EXPECT_EQ(clicks, 1);
  box.Clear();
  EXPECT_EQ(box.listCount(), 0);
  EXPECT_EQ(box.text(), "*.ep");
}

TEST(FileList, ListsMatchingFilesByNameIgnoringCase) {
  TempDir dir;
  for (const char* name : {"b2.PLT", "a1.plt", "c.eps", "d.txt", ".hidden.plt"}) WriteFile(dir / name, "x");
  std::filesystem::create_directory(dir / "sub.plt");
  FileList files("File1");
  files.SetPattern("*.plt;*.EPS");
  files.SetPath(dir.path().string());
  ASSERT_EQ(files.listCount(), 3);
  EXPECT_EQ(files.List(0), "a1.plt");
  EXPECT_EQ(files.List(1), "b2.PLT");
  EXPECT_EQ(files.List(2), "c.eps");

  EXPECT_THROW(files.SetPattern("sub/*.plt"), ControlError);
  EXPECT_EQ(files.pattern(), "*.plt;*.EPS");
  try {
    files.SetPattern("x\\y");
  } catch (const ControlError& e) {
    EXPECT_EQ(e.number(), kErrInvalidPropertyValue);
  }
}

TEST(FolderList, ListsSubfoldersAndRefusesAMissingFolder) {
  TempDir dir;
  std::filesystem::create_directories(dir / "b");
  std::filesystem::create_directories(dir / "a");
  WriteFile(dir / "f.plt", "x");
  FolderList folders("Dir1");
  int changes = 0;
  folders.onChange = [&] { ++changes; };
  folders.SetPath(dir.path().string());
  ASSERT_EQ(folders.listCount(), 2);
  EXPECT_EQ(folders.List(0), (dir / "a").string());
  folders.SetPath(dir.path().string());  // same folder: no change event
  EXPECT_EQ(changes, 1);
  EXPECT_THROW(folders.SetPath((dir / "missing").string()), ControlError);
  EXPECT_EQ(folders.path(), dir.path().string());
}

TEST(ProgressBarAndCheckBox, KeepTheirValuesInRange) {
  ProgressBar bar("ProgressBar1");
  bar.SetMax(10);
  bar.SetValue(50);
  EXPECT_EQ(bar.value(), 10);
  bar.SetMin(20);
  EXPECT_EQ(bar.max(), 20);
  EXPECT_EQ(bar.value(), 20);

  CheckBox box("chkEmptyFolders");
  int clicks = 0;
  box.onClick = [&] { ++clicks; };
  box.SetValue(1);
  box.SetValue(1);
  EXPECT_EQ(clicks, 1);
  EXPECT_THROW(box.SetValue(3), ControlError);
}

class TwoControlForm : public Form {
 public:
  TwoControlForm() : Form("frmTest") {
    Add(label);
    Add(text);
  }
  Label label{"lblTitle"};
  TextBox text{"txtName"};
  int resizes = 0;
  bool refuseUnload = false;

 protected:
  void Form_Resize() override { ++resizes; }
  void Form_Unload(bool& cancel) override { cancel = refuseUnload; }
};

TEST(Form, KeepsItsControlsInOrderAndRunsItsHandlers) {
  TwoControlForm form;
  ASSERT_EQ(form.controls().size(), 2u);
  EXPECT_EQ(form.controls()[0]->name(), "lblTitle");
  EXPECT_EQ(form.FindControl("txtName"), &form.text);
  EXPECT_EQ(form.FindControl("nothing"), nullptr);

  form.Move(0, 0, 9000, 6000);  // code moving the window is no resize event
  EXPECT_EQ(form.resizes, 0);
  form.Resized(8000, 5000, kWindowNormal);
  EXPECT_EQ(form.resizes, 1);
  EXPECT_EQ(form.width(), 8000);

  form.Show();
  EXPECT_TRUE(form.loaded());
  form.refuseUnload = true;
  EXPECT_FALSE(form.Unload());
  EXPECT_TRUE(form.visible());
  form.refuseUnload = false;
  EXPECT_TRUE(form.Unload());
  EXPECT_FALSE(form.visible());
}

}  // namespace
}  // namespace quiremark::controls
