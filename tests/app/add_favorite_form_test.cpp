#include "app/add_favorite_form.h"

#include <gtest/gtest.h>

#include "settings/ini_file.h"
#include "support/scripted_ui.h"
#include "support/test_support.h"

namespace quiremark::app {
namespace {

using controls::MsgResult;

constexpr const char* kMissingQuestion = "Angiven sökväg existerar ej. Vill du ändå spara?";
constexpr int kYesNoCancelQuestion = 3 + 32;

class AddFavorite : public ::testing::Test {
 protected:
  void SetUp() override {
    state.iniPath = ini.string();
    state.themeBaseColor = 0x102030;
    testing::WriteFile(ini, "[Patterns]\r\n*.plt\r\n");
    form.Load();
  }

  void Enter(const std::string& label, const std::string& path) {
    form.txtLabel.SetText(label);
    form.txtPath.SetText(path);
  }
  std::string Favorites() const { return settings::GetIniSection(kFavoriteSection, ini); }

  testing::TempDir dir;
  std::filesystem::path ini = dir / "Quiremark.ini";
  settings::AppState state;
  testing::ScriptedUi ui;
  AddFavoriteForm form{state, ui};
};

TEST_F(AddFavorite, DesignAndColours) {
  EXPECT_EQ(form.caption, "Spara sökväg bland favoriter");
  EXPECT_EQ(form.Label1.caption(), "Mapprubrik:");
  EXPECT_EQ(form.Label2.caption(), "Sökväg:");
  EXPECT_EQ(form.cmdSave.caption, "Spara");
  EXPECT_EQ(form.cmdCancel.caption, "Avbryt");
  EXPECT_EQ(form.backColor(), 0x102030u);
  EXPECT_EQ(form.fraSaveFavirite.backColor(), 0x102030u);
  EXPECT_NE(form.txtLabel.backColor(), 0x102030u);
}

TEST_F(AddFavorite, ExistingFolderIsSavedAtOnceAndTheDialogStaysOpen) {
  Enter("Projekt", dir.path().string());
  form.cmdSave_Click();
  EXPECT_EQ(Favorites(), "Projekt=" + dir.path().string() + std::string(1, '\0'));
  EXPECT_TRUE(form.loaded());

  Enter("projekt", (dir / "..").string());
  form.cmdSave_Click();
  EXPECT_EQ(Favorites(), "Projekt=" + (dir / "..").string() + std::string(1, '\0')) << "one line per label";
  EXPECT_NE(testing::ReadFile(ini).find("[Patterns]\r\n*.plt\r\n"), std::string::npos);
}

TEST_F(AddFavorite, MissingFolderAsksFirst) {
  const std::string missing = (dir / "Saknas").string();
  Enter("Ny", missing);
  const std::string before = testing::ReadFile(ini);

  ui.ExpectBox(kMissingQuestion, MsgResult::Cancel, kYesNoCancelQuestion, "Mapp saknas");
  form.cmdSave_Click();
  EXPECT_EQ(testing::ReadFile(ini), before);
  EXPECT_TRUE(form.loaded());

  ui.ExpectBox(kMissingQuestion, MsgResult::Yes, kYesNoCancelQuestion, "Mapp saknas");
  form.cmdSave_Click();
  EXPECT_EQ(Favorites(), "Ny=" + missing + std::string(1, '\0'));
  EXPECT_TRUE(form.loaded());

  Enter("Annan", missing);
  ui.ExpectBox(kMissingQuestion, MsgResult::No, kYesNoCancelQuestion, "Mapp saknas");
  form.cmdSave_Click();
  EXPECT_EQ(Favorites(), "Ny=" + missing + std::string(1, '\0'));
  EXPECT_FALSE(form.loaded());
}

TEST_F(AddFavorite, LabelsAndPathsTheFileCannotHoldAreRefused) {
  const std::string before = testing::ReadFile(ini);
  for (const std::string& label : std::vector<std::string>{"", "a=b", "[Keys]", "x]", "två\r\nrader", "rad\n",
                                                           std::string("nul\0x", 5), ";kommentar"}) {
    Enter(label, dir.path().string());
    ui.ExpectBox(
        "Mapprubriken kan inte sparas. Den får inte vara tom, börja med ; eller innehålla =, [, ] eller "
        "radbrytningar.",
        MsgResult::Ok, 48, "Mapprubrik");
    form.cmdSave_Click();
  }
  Enter("Bra", dir.path().string() + "\n[Keys]");
  ui.ExpectBox("Sökvägen kan inte sparas. Den får inte innehålla radbrytningar.", MsgResult::Ok, 48, "Sökväg");
  form.cmdSave_Click();
  EXPECT_EQ(testing::ReadFile(ini), before);
  EXPECT_TRUE(form.loaded());
}

TEST_F(AddFavorite, FailedWriteIsReported) {
  state.iniPath = (dir / "saknad mapp" / "Quiremark.ini").string();
  Enter("Projekt", dir.path().string());
  ui.ExpectBox("Kunde inte spara i inställningsfilen " + state.iniPath + ".", MsgResult::Ok, 16, "Fel");
  form.cmdSave_Click();
  EXPECT_TRUE(form.loaded());
}

TEST_F(AddFavorite, CancelCloses) {
  form.cmdCancel_Click();
  EXPECT_FALSE(form.loaded());
}

}  // namespace
}  // namespace quiremark::app
