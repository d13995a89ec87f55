#include "app/settings_damage.h"

#include <gtest/gtest.h>

#include "app/main_form.h"
#include "settings/registry_settings.h"
#include "support/scripted_ui.h"
#include "support/test_support.h"

namespace quiremark::app {
namespace {

class SettingsDamageTest : public ::testing::Test {
 protected:
  void SetUp() override { platform::SetHiveDamageHandler([](const platform::HiveDamage&) {}); }  // earlier tests' notices
  void TearDown() override {  // notices still waiting for a window are not the next test's
    platform::SetHiveDamageHandler([](const platform::HiveDamage&) {});
    platform::SetHiveDamageHandler(nullptr);
  }

  void DamageTheUserHive() {
    testing::WriteFile(hive, "Windows Registry Editor Version 5.00\r\n\r\n"
                             "[HKEY_CURRENT_USER\\Software\\NORV\\Quiremark]\r\n\"Theme\"=\"3\"\r\n\"Width\"=dwo\r\n");
  }

  testing::TempDir dir;
  testing::ScopedEnv registry{"QUIREMARK_REGISTRY", dir.path().string()};
  std::filesystem::path hive = dir / "HKEY_CURRENT_USER.reg";
  testing::ScriptedUi ui;
  settings::AppState state;
};

TEST_F(SettingsDamageTest, TheWindowTellsOnceWhichFileAndWhereItsCopyIs) {
  MainForm form(state, ui);
  DamageTheUserHive();
  const std::string copy = hive.string() + ".damaged";
  ui.ExpectBox("Inställningsfilen " + hive.string() +
                   " är skadad. De inställningar som gick att läsa används, de andra försvinner när filen sparas "
                   "nästa gång.\rFilen som den var har sparats som " + copy + ".",
               controls::MsgResult::Ok, controls::mb::kOkOnly + controls::mb::kExclamation, "");
  EXPECT_EQ(settings::GetRegSetting("Theme", "6"), "3");
  settings::SaveRegSetting("Width", "9060");
  EXPECT_EQ(settings::GetRegSetting("Theme", "6"), "3");
  EXPECT_EQ(ui.shown.size(), 1u);
  EXPECT_TRUE(std::filesystem::exists(copy));
}

TEST_F(SettingsDamageTest, DamageFoundBeforeTheWindowIsToldWhenItIsMade) {
  platform::SetHiveDamageHandler(nullptr);
  DamageTheUserHive();
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(settings::GetRegSetting("Theme", "6"), "3");
  ::testing::internal::GetCapturedStderr();
  ui.ExpectBox(SettingsDamageNotices::Text({hive, hive.string() + ".damaged"}), controls::MsgResult::Ok);
  {
    MainForm form(state, ui);
    EXPECT_EQ(ui.shown.size(), 1u);
  }
  // Once the window is gone, nobody is left to show a box.
  testing::WriteFile(hive, testing::ReadFile(hive) + "more damage\r\n");
  ::testing::internal::CaptureStderr();
  settings::GetRegSetting("Theme", "6");
  EXPECT_NE(::testing::internal::GetCapturedStderr().find("is damaged"), std::string::npos);
  EXPECT_EQ(ui.shown.size(), 1u);
}

}  // namespace
}  // namespace quiremark::app
