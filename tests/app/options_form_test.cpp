#include "app/options_form.h"

#include <gtest/gtest.h>

#include "settings/registry_settings.h"
#include "support/scripted_ui.h"
#include "support/test_support.h"

namespace quiremark::app {
namespace {

using settings::GetRegSetting;
using settings::SaveRegSetting;

class OptionsFormTest : public ::testing::Test {
 protected:
  testing::TempDir dir;
  testing::ScopedEnv registry{"QUIREMARK_REGISTRY", dir.path().string()};
  testing::ScopedEnv user{"USERNAME", "anna"};
  settings::AppState state;
  testing::ScriptedUi ui;
};

TEST_F(OptionsFormTest, FirstOpeningShowsTheDefaults) {
  OptionsForm form(state, ui);
  form.Load();
  EXPECT_EQ(form.caption, "Alternativ");
  EXPECT_EQ(form.cboShow.text(), "Sida och bokmärken");
  EXPECT_EQ(form.cboLayout.text(), "En sida");
  EXPECT_EQ(form.cboZoom.text(), "Anpassa till sida");
  EXPECT_EQ(form.cboDocTitle.items(), std::vector<std::string>{"<QuiremarkTitle.txt>"});
  EXPECT_EQ(form.cboDocTitle.listIndex(), 0);
  EXPECT_EQ(form.cboDocAuthor.items(), std::vector<std::string>{"anna"});
  EXPECT_EQ(form.cboDocAuthor.text(), "anna");
  EXPECT_EQ(form.cboDocSubject.listCount(), 0);
  EXPECT_EQ(form.txtDocKeywords.text(), "");
  EXPECT_EQ(form.chkOpenPdf.value(), 1);
  EXPECT_EQ(form.chkMetadata.value(), 0);
  EXPECT_EQ(form.cboHistoryDays.text(), "14");
  EXPECT_EQ(form.chkDistiller.value(), 1);
  EXPECT_EQ(form.chkGS.value(), 0);
  EXPECT_EQ(form.width(), 7860);
  EXPECT_EQ(form.height(), 6000);
}

TEST_F(OptionsFormTest, SavingTheDefaultsStoresEveryValue) {
  OptionsForm form(state, ui);
  form.Load();
  form.cmdSaveChanges_Click();
  EXPECT_FALSE(form.loaded());
  const std::pair<const char*, const char*> expected[] = {
      {"cboShow", "1"},     {"cboLayout", "0"},   {"cboZoom", "1"},       {"cboDocTitle", "0"},
      {"DocTitle", "<QuiremarkTitle.txt>"},       {"cboDocAuthor", "0"},  {"DocAuthor", "anna"},
      {"cboDocSubject", "-1"}, {"cboHistoryDays", "6"}, {"chkOpenPdf", "1"}, {"chkMetadata", "0"},
      {"chkDistiller", "1"}};
  for (const auto& [name, value] : expected) EXPECT_EQ(GetRegSetting(name, "?", "Options"), value) << name;
  EXPECT_EQ(GetRegSetting("DocSubject", "?", "Options"), "?") << "an empty text is stored without data";
  EXPECT_EQ(GetRegSetting("Width", "?", "Options"), "7860") << "placement saved on unload";
}

TEST_F(OptionsFormTest, OnlyTheChosenAuthorIsStoredBack) {
  SaveRegSetting("DocAuthor", "Anna Berg|Per Ek", "Options");
  OptionsForm form(state, ui);
  form.Load();
  EXPECT_EQ(form.cboDocAuthor.items(), (std::vector<std::string>{"Anna Berg", "Per Ek"}));
  form.cboDocAuthor.ChooseItem(1);
  form.cmdSaveChanges_Click();
  EXPECT_EQ(GetRegSetting("DocAuthor", "?", "Options"), "Per Ek");
  EXPECT_EQ(GetRegSetting("cboDocAuthor", "?", "Options"), "1");

  // Reopened: one item, and the stored index 1 is beyond it.
  form.Load();
  EXPECT_EQ(form.cboDocAuthor.items(), std::vector<std::string>{"Per Ek"});
  EXPECT_EQ(form.cboDocAuthor.text(), "Per Ek");
  EXPECT_EQ(form.cboShow.listCount(), 3) << "a second load does not add the items again";
}

TEST_F(OptionsFormTest, TypedTextsAndOutOfRangeIndexesStillOpen) {
  SaveRegSetting("cboShow", "7", "Options");
  SaveRegSetting("cboZoom", "-1", "Options");
  SaveRegSetting("cboHistoryDays", "many", "Options");
  SaveRegSetting("chkOpenPdf", "5", "Options");
  OptionsForm form(state, ui);
  form.Load();
  EXPECT_EQ(form.cboShow.text(), "Sida och miniatyrer");
  EXPECT_EQ(form.cboZoom.text(), "Sidbredd");
  EXPECT_EQ(form.cboHistoryDays.text(), "14");
  EXPECT_EQ(form.chkOpenPdf.value(), 1);

  form.cboDocTitle.SetText("Kv. Eken");
  form.cboDocSubject.SetText("Bygglov");
  form.cmdSaveChanges_Click();
  EXPECT_EQ(GetRegSetting("cboDocTitle", "?", "Options"), "-1");
  EXPECT_EQ(GetRegSetting("DocTitle", "?", "Options"), "Kv. Eken");
  EXPECT_EQ(GetRegSetting("DocSubject", "?", "Options"), "Bygglov");
  form.Load();
  EXPECT_EQ(form.cboDocTitle.text(), "Kv. Eken");
}

TEST_F(OptionsFormTest, ConverterBoxesFlipEachOther) {
  OptionsForm form(state, ui);
  form.Load();
  form.chkDistiller.SetValue(0);
  EXPECT_EQ(form.chkGS.value(), 1);
  form.chkGS.SetValue(0);
  EXPECT_EQ(form.chkDistiller.value(), 1);
  form.chkGS.SetValue(1);
  EXPECT_EQ(form.chkDistiller.value(), 0);
}

TEST_F(OptionsFormTest, CancelKeepsTheValuesButStoresThePlacement) {
  SaveRegSetting("chkMetadata", "1", "Options");
  SaveRegSetting("Height", "3000", "Options");
  OptionsForm form(state, ui);
  form.Load();
  EXPECT_EQ(form.height(), 6000) << "never smaller than the minimum";
  form.chkMetadata.SetValue(0);
  form.Move(120, 240, 9000, 7000);
  form.cmdCancel_Click();
  EXPECT_EQ(GetRegSetting("chkMetadata", "?", "Options"), "1");
  EXPECT_EQ(GetRegSetting("Top", "?", "Options"), "240");
  EXPECT_EQ(GetRegSetting("Left", "?", "Options"), "120");
  EXPECT_EQ(GetRegSetting("Width", "?", "Options"), "9000");
}

TEST_F(OptionsFormTest, ColouredWithTheShadeButNotItsButtonsAndLists) {
  state.themeBaseColor = 0x00F0F0FA;  // red 250: the shade carries into green
  OptionsForm form(state, ui);
  form.Load();
  EXPECT_EQ(form.backColor(), 0x00F0F104u);
  EXPECT_EQ(form.fraMetadata.backColor(), 0x00F0F104u);
  EXPECT_EQ(form.chkOpenPdf.backColor(), 0x00F0F104u);
  EXPECT_EQ(form.cboShow.backColor(), controls::kSystemWindowColor);
  EXPECT_EQ(form.cmdSaveChanges.backColor(), controls::kSystemWindowColor);
  EXPECT_EQ(form.txtDocKeywords.backColor(), controls::kSystemWindowColor);
}

}  // namespace
}  // namespace quiremark::app
