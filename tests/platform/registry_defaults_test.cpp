// The classes root's defaults beside the program, under the user's own hive.
#include <gtest/gtest.h>

#include "platform/registry.h"
#include "support/test_support.h"

namespace qp = quiremark::platform;
namespace qt = quiremark::testing;

namespace {

std::string Default(const std::string& key) {
  const auto value = qp::QueryValue(qp::Hive::ClassesRoot, key, "");
  return value ? value->data.substr(0, value->data.find('\0')) : "<missing>";
}

TEST(ClassesRootDefaults, ShippedKeysShowUnderTheUsersOwnWhichWinsAndAloneIsWritten) {
  qt::TempDir dir;
  qt::ScopedEnv registry("QUIREMARK_REGISTRY", (dir / "reg").string());
  qt::ScopedEnv program("QUIREMARK_PROGRAM_DIR", dir.path().string());
  const std::string shipped =
      "Windows Registry Editor Version 5.00\r\n\r\n; defaults\r\n"
      "[HKEY_CLASSES_ROOT\\Conv\\shell\\open\\command]\r\n@=\"ps2pdf %1\"\r\n"
      "[HKEY_CLASSES_ROOT\\.plt]\r\n@=\"Plottfil\"\r\n";
  qt::WriteFile(dir / "HKEY_CLASSES_ROOT.reg", shipped);

  EXPECT_EQ(Default("conv\\SHELL\\open\\command"), "ps2pdf %1");
  EXPECT_TRUE(qp::KeyExists(qp::Hive::ClassesRoot, "Conv\\shell"));
  EXPECT_EQ(qp::EnumKey(qp::Hive::ClassesRoot, "", 0), ".plt");

  ASSERT_TRUE(qp::SetValue(qp::Hive::ClassesRoot, "Conv\\shell\\open\\command", "", qp::REG_SZ,
                           qp::TextData("/opt/conv/bin/conv \"%1\"")));
  ASSERT_TRUE(qp::SetValue(qp::Hive::ClassesRoot, "Egen", "", qp::REG_SZ, qp::TextData("x")));
  EXPECT_EQ(Default("Conv\\shell\\open\\command"), "/opt/conv/bin/conv \"%1\"") << "the user's value wins";
  EXPECT_EQ(Default(".plt"), "Plottfil") << "other defaults stay";
  EXPECT_EQ(Default("Egen"), "x");
  EXPECT_EQ(qt::ReadFile(dir / "HKEY_CLASSES_ROOT.reg"), shipped) << "the shipped file is only read";
  const std::string own = qt::ReadFile(dir / "reg" / "HKEY_CLASSES_ROOT.reg");
  EXPECT_EQ(own.find("Plottfil"), std::string::npos) << "defaults are not copied into the user's hive";

  EXPECT_TRUE(qp::DeleteValue(qp::Hive::ClassesRoot, "Conv\\shell\\open\\command", ""));
  EXPECT_EQ(Default("Conv\\shell\\open\\command"), "ps2pdf %1") << "without the user's value the default shows again";
}

}  // namespace
