#include "app/layout.h"

#include <gtest/gtest.h>

#include "app/command_table.h"
#include "app/main_form.h"
#include "settings/registry_settings.h"
#include "support/scripted_ui.h"
#include "support/test_support.h"

namespace quiremark::app {
namespace {

using controls::Rgb;

class Layout : public ::testing::Test {
 protected:
  settings::AppState state;
  testing::ScriptedUi ui;
  MainForm form{state, ui};
};

TEST_F(Layout, TenThousandTwipFrameSplitsIntoTreeAndGrid) {
  form.Move(0, 0, 12000, 9000);
  form.fgFiles.Move(1, 2, 5000, 3000);  // the notice box follows the grid's size from before the pass
  form.CommandBars.SetClientRect({0, 800, 10000, 7800});
  ArrangeControls(form);

  EXPECT_EQ(form.fraMain.left(), 0);
  EXPECT_EQ(form.fraMain.top(), 800);
  EXPECT_EQ(form.fraMain.width(), 10000);
  EXPECT_EQ(form.fraMain.height(), 7000);
  EXPECT_EQ(form.fgTree.width(), 3500);
  EXPECT_EQ(form.fgTree.height(), 6700);
  EXPECT_EQ(form.fgTree.left(), 50);
  EXPECT_EQ(form.fgTree.top(), 180);
  EXPECT_EQ(form.fgFiles.left(), 50 + 3500 + 40);
  EXPECT_EQ(form.fgFiles.top(), 180);
  EXPECT_EQ(form.fgFiles.width(), 6320);
  EXPECT_EQ(form.fgFiles.height(), 6700);
  EXPECT_EQ(form.Text1.height(), 3000 - 60);
  EXPECT_EQ(form.Text1.width(), 5000);
  EXPECT_EQ(form.Text1.left(), form.fgFiles.left());

  ArrangeControls(form);  // a second pass catches the notice box up with the grid
  EXPECT_EQ(form.Text1.height(), 6640);
  EXPECT_EQ(form.Text1.width(), 6320);
}

TEST_F(Layout, TooSmallWindowSpringsBackAndMinimizedWindowIsLeftAlone) {
  form.CommandBars.SetClientRect({0, 0, 100, 100});
  form.Resized(5000, 3000, controls::kWindowMinimized);
  EXPECT_EQ(form.width(), 5000);
  EXPECT_EQ(form.fraMain.width(), 0);  // nothing laid out

  form.Resized(5000, 3000, controls::kWindowNormal);
  EXPECT_EQ(form.width(), 8000);
  EXPECT_EQ(form.height(), 4890);

  form.Resized(7999, 6000, controls::kWindowNormal);
  EXPECT_EQ(form.width(), 8000);
  EXPECT_EQ(form.height(), 6000);

  // A client area smaller than the margins leaves panes of no size, not negative ones.
  EXPECT_EQ(form.fgTree.height(), 0);
  EXPECT_EQ(form.fgFiles.width(), 0);
}

TEST_F(Layout, FormColoursAddTheShadeToTheWholeColourNumber) {
  form.chkEmptyFolders.SetBackColor(1);
  form.cboFileExt.SetBackColor(0x80000005);
  SetFormColors(form, 10, Rgb(250, 20, 30));
  // Red 250 + 10 carries into green.
  EXPECT_EQ(controls::RedOf(form.backColor()), 4);
  EXPECT_EQ(controls::GreenOf(form.backColor()), 21);
  EXPECT_EQ(controls::BlueOf(form.backColor()), 30);
  EXPECT_EQ(form.chkEmptyFolders.backColor(), Rgb(4, 21, 30));
  EXPECT_EQ(form.fraMain.backColor(), Rgb(4, 21, 30));
  EXPECT_EQ(form.Dir1.backColor(), Rgb(4, 21, 30));
  EXPECT_EQ(form.cboFileExt.backColor(), 0x80000005u);
  EXPECT_EQ(form.fgFiles.backColor(), 0x80000005u);

  SetFormColors(form, 10, Rgb(200, 20, 30));
  EXPECT_EQ(form.backColor(), Rgb(210, 20, 30));  // slightly redder than the main window's shade 0
}

TEST(FormColours, ExclusionByThreeLetterPrefixInAnyCase) {
  for (const char* kept : {"txtAcad", "TXTname",    "cboFileExt",  "CboX",      "cmdOK",   "fgFiles",    "fgTree",
                           "fg_x",    "StatusBar1", "CommandBars", "imgIcon",   "mnuFile", "tabOptions", "sliZoom",
                           "Timer1",  "SysInfo1",   "TrayIcon",    "PopupMenu", "lineTop", "fgs",        "fgd1"})
    EXPECT_FALSE(TakesThemeColor(kept)) << kept;
  for (const char* coloured : {"chkEmptyFolders", "fraMain", "Dir1", "lblTitle", "Text1", "File1", "Drives",
                               "NorvProgressBar", "fg", "tx", ""})
    EXPECT_TRUE(TakesThemeColor(coloured)) << coloured;
}

TEST_F(Layout, ThemeCheckMarksFollowTheChosenTheme) {
  CreateCommandBars(form);
  CheckThemeMenu(form.CommandBars, 1006);
  for (int id = 1000; id <= 1006; ++id)
    for (controls::CommandBarControl* c : form.CommandBars.FindControls(id)) EXPECT_EQ(c->checked(), id == 1006) << id;
  CheckThemeMenu(form.CommandBars, 1002);
  for (int id = 1000; id <= 1006; ++id)
    for (controls::CommandBarControl* c : form.CommandBars.FindControls(id)) EXPECT_EQ(c->checked(), id == 1002) << id;
}

class Themes : public Layout {
 protected:
  void SetUp() override { CreateCommandBars(form); }
  testing::TempDir registryDir;
  testing::ScopedEnv registry{"QUIREMARK_REGISTRY", registryDir.path().string()};
};

TEST_F(Themes, SetThemeAppliesMarksStoresAndRecolours) {
  EXPECT_EQ(StoredTheme(), 6);  // first start: nothing stored
  form.cboFileExt.SetBackColor(0xC0C0FF);

  SetTheme(form, 6, 1006);
  EXPECT_TRUE(form.CommandBars.themeFrame());
  EXPECT_EQ(form.CommandBars.visualTheme(), 6);
  const controls::Color ribbon = form.CommandBars.GetSpecialColor(controls::kToolbarFaceColor);
  EXPECT_EQ(state.themeBaseColor, ribbon);
  EXPECT_EQ(form.backColor(), ribbon);
  EXPECT_EQ(form.fraMain.backColor(), ribbon);
  EXPECT_EQ(form.cboFileExt.backColor(), 0xC0C0FFu);
  EXPECT_TRUE(form.CommandBars.FindControl(1006)->checked());
  EXPECT_EQ(settings::GetRegSetting("Theme", ""), "6");

  SetTheme(form, 2, 1002);
  EXPECT_FALSE(form.CommandBars.themeFrame());
  EXPECT_NE(state.themeBaseColor, ribbon);
  EXPECT_EQ(form.fraMain.backColor(), state.themeBaseColor);
  for (controls::CommandBarControl* c : form.CommandBars.FindControls(1006)) EXPECT_FALSE(c->checked());
  for (controls::CommandBarControl* c : form.CommandBars.FindControls(1002)) EXPECT_TRUE(c->checked());
  EXPECT_EQ(StoredTheme(), 2);
}

TEST_F(Themes, ProgressWindowLoadedAfterAThemeChangeTakesThatThemeShadedByTen) {
  SetTheme(form, 1, 1001);
  form.frmSplash.Load();
  EXPECT_EQ(form.frmSplash.backColor(), state.themeBaseColor + 10);
}

TEST_F(Themes, StoredThemeIsKeptWithinTheSevenThemes) {
  const std::pair<const char*, int> cases[] = {{"9", 6}, {"0", 0}, {"3", 3}, {"-2", 0}, {"abc", 6}, {"4abc", 6}, {" 4", 4}};
  for (const auto& [stored, theme] : cases) {
    settings::SaveRegSetting("Theme", stored);
    EXPECT_EQ(StoredTheme(), theme) << stored;
  }
}

}  // namespace
}  // namespace quiremark::app
