#include <gtest/gtest.h>

#include "support/test_support.h"
#include "version.h"

namespace qt = quiremark::testing;

TEST(Build, VersionInformationNamesTheProgramKey) {
  EXPECT_STREQ(quiremark::version::kCompanyName, "NORV");
  EXPECT_STREQ(quiremark::version::kProductName, "Quiremark");
}

TEST(TestSupport, TempDirIsRemoved) {
  std::filesystem::path kept;
  {
    qt::TempDir dir;
    kept = dir.path();
    qt::WriteFile(dir / "a.txt", "x\r\ny");
    EXPECT_EQ(qt::ReadFile(dir / "a.txt"), "x\r\ny");
  }
  EXPECT_FALSE(std::filesystem::exists(kept));
}
