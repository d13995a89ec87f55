#include "app/about_form.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "app/main_commands.h"
#include "app/main_form.h"
#include "platform/environment.h"
#include "support/scripted_ui.h"
#include "support/test_support.h"
#include "version.h"

namespace quiremark::app {
namespace {

namespace fs = std::filesystem;
using controls::MsgResult;
using platform::Hive;

constexpr const char* kMsInfo = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
constexpr const char* kMsInfoLocation = "SOFTWARE\\Microsoft\\Shared Tools Location";

TEST(AboutTexts, VersionText) {
  const std::tuple<int, int, int, const char*> cases[] = {
      {2, 5, 0, "Version 2.05"},     {1, 10, 3, "Version 1.10c"}, {1, 0, 12, "Version 1.00l"},
      {1, 0, 26, "Version 1.00z"},   {1, 0, 1, "Version 1.00a"},  {3, 123, 0, "Version 3.123"},
      {1, 0, 27, "Version 1.00.27"},
  };
  for (const auto& [major, minor, revision, text] : cases) EXPECT_EQ(VersionText(major, minor, revision), text);
}

TEST(AboutTexts, AmpersandFollowedByABlankIsDoubled) {
  const std::pair<const char*, const char*> cases[] = {
      {"A & B", "A && B"}, {"A&B", "A&B"}, {"A &", "A &"}, {"& x & y", "&& x && y"}, {"", ""}};
  for (const auto& [text, shown] : cases) EXPECT_EQ(DoubleSpacedAmpersands(text), shown) << text;
}

TEST(AboutTexts, MailLinkEncodesTheSubject) {
  EXPECT_EQ(MailLink("a@b.se", "Quiremark - Version 1.0"), "mailto:a@b.se?Subject=Quiremark%20-%20Version%201.0");
  EXPECT_EQ(MailLink("a@b.se", "Ö&x=1?#"), "mailto:a@b.se?Subject=%C3%96%26x%3D1%3F%23");
}

class AboutBox : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(bin);
    testing::WriteFile(bin / "xdg-open", "#!/bin/sh\nprintf '%s' \"$1\" > '" + record.string() + ".part'\nmv '" +
                                             record.string() + ".part' '" + record.string() + "'\n");
    ::chmod((bin / "xdg-open").c_str(), 0755);
  }
  void TearDown() override { AboutForm::AttachView() = nullptr; }

  // A program that records `word` whole: the record appears with its text in it.
  std::string RecordingScript(const std::string& word) const {
    return "#!/bin/sh\necho " + word + " > '" + record.string() + ".part'\nmv '" + record.string() + ".part' '" +
           record.string() + "'\n";
  }
  std::string Recorded() const {
    for (int i = 0; i < 300 && !fs::exists(record); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return fs::exists(record) ? testing::ReadFile(record) : "";
  }

  testing::TempDir dir;
  testing::ScopedEnv registry{"QUIREMARK_REGISTRY", (dir / "reg").string()};
  fs::path bin = dir / "bin";
  fs::path record = dir / "record.txt";
  testing::ScopedEnv path{"PATH", bin.string() + ":" + platform::GetEnv("PATH")};
  settings::AppState state;
  testing::ScriptedUi ui;
  MainForm main{state, ui};
};

TEST_F(AboutBox, ShowAboutFillsTheBoxAndSwapsTheMainIconWhileItIsOpen) {
  state.themeBaseColor = 0xC0D0E0;
  std::string mainIconMeanwhile;
  AboutForm::AttachView() = [&](AboutForm& about) {
    about.onShowRequest = [&](bool modal) {
      EXPECT_TRUE(modal);
      mainIconMeanwhile = main.icon;
      EXPECT_EQ(about.caption, std::string("Om ") + version::kTitle);
      EXPECT_EQ(about.lblTitle.caption(), version::kTitle);
      EXPECT_EQ(about.lblVersion.caption(), VersionText(version::kMajor, version::kMinor, version::kRevision));
      EXPECT_EQ(about.lblDescription.caption(), version::kFileDescription);
      EXPECT_EQ(about.lblCopyright.caption(), "Copyright © 2026 NORV. Alla rättigheter förbehållna.");
      EXPECT_EQ(about.icon, "imgIcon");
      EXPECT_EQ(about.imgIcon.picture, "imgIconLarge");
      EXPECT_EQ(about.backColor(), 0xC0D0E0u);
      EXPECT_EQ(about.LblMail.backColor(), 0xC0D0E0u);
      EXPECT_NE(about.cmdOK.backColor(), 0xC0D0E0u);
      about.cmdOK_Click();
      EXPECT_FALSE(about.loaded());
    };
  };
  ShowAbout(main);
  EXPECT_EQ(mainIconMeanwhile, "imgIconLarge");
  EXPECT_EQ(main.icon, "imgIcon");
}

TEST_F(AboutBox, LinksOpenAMailWithSubjectAndTheWebAddressOnAnyButton) {
  AboutForm about(main);
  about.Load();
  about.LblMail_Click();
  EXPECT_EQ(Recorded(), std::string("mailto:") + AboutForm::kMailAddress + "?Subject=" + version::kProductName +
                            "%20-%20Version%20" + std::to_string(version::kMajor) + "." +
                            std::to_string(version::kMinor));
  fs::remove(record);
  about.Lblwww_MouseUp(2, 1, 10, 10);  // a right click with Shift
  EXPECT_EQ(Recorded(), AboutForm::kWebAddress);
}

TEST_F(AboutBox, GetKeyValueReadsTextsAndNumbers) {
  platform::SetValue(Hive::LocalMachine, "K", "Text", platform::REG_SZ, std::string("abc\0def\0", 8));
  platform::SetValue(Hive::LocalMachine, "K", "Number", platform::REG_DWORD, platform::DwordData(0x105));
  platform::SetValue(Hive::LocalMachine, "K", "Raw", platform::REG_BINARY, "xy");
  std::string value = "before";
  EXPECT_TRUE(GetKeyValue(Hive::LocalMachine, "K", "Text", value));
  EXPECT_EQ(value, "abc");
  EXPECT_TRUE(GetKeyValue(Hive::LocalMachine, "K", "Number", value));
  EXPECT_EQ(value, "&h00000105");
  EXPECT_TRUE(GetKeyValue(Hive::LocalMachine, "K", "Raw", value));
  EXPECT_EQ(value, "&h00000105") << "another type leaves the value as it was";
  EXPECT_FALSE(GetKeyValue(Hive::LocalMachine, "K", "Missing", value));
  EXPECT_EQ(value, "");
  value = "x";
  EXPECT_FALSE(GetKeyValue(Hive::LocalMachine, "Nowhere", "Text", value));
  EXPECT_EQ(value, "");
}

TEST_F(AboutBox, SysInfoStartsThePathValueWithoutLookingForIt) {
  testing::WriteFile(bin / "sysinfo", RecordingScript("started"));
  ::chmod((bin / "sysinfo").c_str(), 0755);
  platform::SetValue(Hive::LocalMachine, kMsInfo, "PATH", platform::REG_SZ,
                     platform::TextData((bin / "sysinfo").string()));
  StartSysInfo(ui);
  EXPECT_EQ(Recorded(), "started\n");
}

TEST_F(AboutBox, SysInfoFindsTheProgramInTheLocationFolderIgnoringCase) {
  const fs::path tools = dir / "Shared Tools";
  fs::create_directories(tools);
  testing::WriteFile(tools / "msinfo32.exe", RecordingScript("found"));
  ::chmod((tools / "msinfo32.exe").c_str(), 0755);
  platform::SetValue(Hive::LocalMachine, kMsInfoLocation, "MSINFO", platform::REG_SZ,
                     platform::TextData(tools.string()));
  StartSysInfo(ui);
  EXPECT_EQ(Recorded(), "found\n");
}

TEST_F(AboutBox, SysInfoUnavailableIsSaid) {
  const auto expectUnavailable = [this] {
    ui.ExpectBox("System Information Is Unavailable At This Time", MsgResult::Ok, 0, version::kTitle);
    StartSysInfo(ui);
  };
  expectUnavailable();  // neither value
  platform::SetValue(Hive::LocalMachine, kMsInfoLocation, "MSINFO", platform::REG_SZ,
                     platform::TextData(dir.path().string()));
  expectUnavailable();  // the folder holds no program
  platform::SetValue(Hive::LocalMachine, kMsInfo, "PATH", platform::REG_SZ,
                     platform::TextData((dir / "none").string()));
  expectUnavailable();  // a path that cannot be started
  platform::SetValue(Hive::LocalMachine, kMsInfo, "PATH", platform::REG_DWORD, platform::DwordData(1));
  expectUnavailable();  // a number where the path belongs
}

}  // namespace
}  // namespace quiremark::app
