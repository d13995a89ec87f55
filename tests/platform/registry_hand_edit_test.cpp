#include <gtest/gtest.h>

#include "platform/registry.h"
#include "support/test_support.h"

namespace qp = quiremark::platform;
namespace qt = quiremark::testing;

namespace {

// Hives as a hand edit or a damage leaves them, with the damage notices caught.
class HandEditedHive : public ::testing::Test {
 protected:
  void SetUp() override {
    qp::SetHiveDamageHandler([](const qp::HiveDamage&) {});  // drops notices of earlier tests
    qp::SetHiveDamageHandler([this](const qp::HiveDamage& damage) { notices.push_back(damage); });
  }
  void TearDown() override { qp::SetHiveDamageHandler(nullptr); }

  std::filesystem::path hive() const { return dir / "HKEY_CURRENT_USER.reg"; }
  std::string text(const std::string& key, const std::string& name) const {
    auto value = qp::QueryValue(qp::Hive::CurrentUser, key, name);
    return value ? value->data.substr(0, value->data.find('\0')) : "<missing>";
  }

  qt::TempDir dir;
  qt::ScopedEnv registry{"QUIREMARK_REGISTRY", dir.path().string()};
  std::vector<qp::HiveDamage> notices;
};

TEST_F(HandEditedHive, BlanksAroundLinesAndEqualSignsAreHarmless) {
  qt::WriteFile(hive(),
                "Windows Registry Editor Version 5.00\r\n\r\n"
                "[HKEY_CURRENT_USER\\Software\\NORV\\Quiremark] \r\n"
                "\"Theme\"=\"3\" \r\n"
                "\"LastFolder\" = \"/srv/ritningar\"\r\n"
                "\"Bars\"\t=\tdword:0000000f\t\r\n"
                "@ =\"default\"\r\n"
                "\"Padded\"=\" kept \"  \r\n");
  EXPECT_EQ(text("Software\\NORV\\Quiremark", "Theme"), "3");
  EXPECT_EQ(text("Software\\NORV\\Quiremark", "LastFolder"), "/srv/ritningar");
  EXPECT_EQ(qp::QueryValue(qp::Hive::CurrentUser, "Software\\NORV\\Quiremark", "Bars")->data, qp::DwordData(15));
  EXPECT_EQ(text("Software\\NORV\\Quiremark", ""), "default");
  EXPECT_EQ(text("Software\\NORV\\Quiremark", "Padded"), " kept ") << "blanks inside the quotes are the text's";
  // The next write keeps them all.
  ASSERT_TRUE(qp::SetValue(qp::Hive::CurrentUser, "Software\\NORV\\Quiremark", "Width", qp::REG_SZ, qp::TextData("9060")));
  EXPECT_EQ(text("Software\\NORV\\Quiremark", "Theme"), "3");
  EXPECT_EQ(text("Software\\NORV\\Quiremark", "LastFolder"), "/srv/ritningar");
  EXPECT_EQ(text("Software\\NORV\\Quiremark", "Padded"), " kept ");
  EXPECT_TRUE(notices.empty());
  EXPECT_FALSE(std::filesystem::exists(hive().string() + ".damaged"));
}

TEST_F(HandEditedHive, EveryDamageIsKeptUnderItsOwnNameAndToldOnce) {
  const std::string header = "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\K]\r\n\"Good\"=\"g\"\r\n";
  const std::string first = header + "\"Bad\"=dwo\r\n";
  const std::string second = header + "garbage\r\n";
  qt::WriteFile(hive(), first);
  EXPECT_EQ(text("K", "Good"), "g");
  qp::SetValue(qp::Hive::CurrentUser, "K", "New", qp::REG_SZ, qp::TextData("n"));
  ASSERT_EQ(notices.size(), 1u) << "once, though read and written";
  EXPECT_EQ(notices[0].file, hive());
  EXPECT_EQ(notices[0].copy, hive().string() + ".damaged");
  EXPECT_EQ(qt::ReadFile(notices[0].copy), first);
  EXPECT_EQ(text("K", "New"), "n");

  qt::WriteFile(hive(), second);
  EXPECT_EQ(text("K", "Good"), "g");
  qp::SetValue(qp::Hive::CurrentUser, "K", "New", qp::REG_SZ, qp::TextData("n2"));
  ASSERT_EQ(notices.size(), 2u);
  EXPECT_EQ(notices[1].copy, hive().string() + ".damaged-2");
  EXPECT_EQ(qt::ReadFile(notices[1].copy), second);
  EXPECT_EQ(qt::ReadFile(notices[0].copy), first) << "the first copy is not overwritten";
}

TEST_F(HandEditedHive, DamageFoundBeforeAHandlerIsHandedToIt) {
  qp::SetHiveDamageHandler(nullptr);
  qt::WriteFile(hive(), "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\K]\r\nnot a value\r\n");
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(text("K", "x"), "<missing>");
  const std::string report = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(report.find(hive().string() + " is damaged"), std::string::npos) << report;
  EXPECT_TRUE(notices.empty());
  qp::SetHiveDamageHandler([this](const qp::HiveDamage& damage) { notices.push_back(damage); });
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_EQ(notices[0].copy, hive().string() + ".damaged");
}

// A key path with a line break could be written but never read back, and
// made the whole hive read as damaged.
TEST_F(HandEditedHive, KeyPathsWithLineBreaksAreRefused) {
  ASSERT_TRUE(qp::SetValue(qp::Hive::CurrentUser, "Software\\A", "Kept", qp::REG_SZ, qp::TextData("1")));
  for (const std::string& bad : std::vector<std::string>{"Software\\A\r\nB", "Software\\A\nB", "Software\\A\rB",
                                                        std::string("Software\\A\0B", 12)}) {
    EXPECT_FALSE(qp::SetValue(qp::Hive::CurrentUser, bad, "V", qp::REG_SZ, qp::TextData("x")));
    EXPECT_FALSE(qp::CreateKey(qp::Hive::CurrentUser, bad));
  }
  EXPECT_EQ(text("Software\\A", "Kept"), "1");
  EXPECT_EQ(qp::EnumKey(qp::Hive::CurrentUser, "Software\\A", 0), std::nullopt);
  EXPECT_TRUE(notices.empty());
}

}  // namespace
