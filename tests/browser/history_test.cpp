#include "browser/history.h"

#include <gtest/gtest.h>

#include "settings/registry_settings.h"
#include "support/test_support.h"

namespace quiremark::browser {
namespace {

// name=data pairs of a subkey, in enumeration order.
std::vector<std::pair<std::string, std::string>> Values(const std::string& subKey) {
  std::vector<std::pair<std::string, std::string>> out;
  for (int i = 0;; ++i) {
    auto e = settings::RegEnumValueAt(settings::Hive::CurrentUser, settings::ProgramKeyPath() + "\\" + subKey, i);
    if (!e.found) break;
    out.emplace_back(e.name, e.data);
  }
  return out;
}

class HistoryTest : public ::testing::Test {
 protected:
  testing::TempDir dir;
  testing::ScopedEnv registry{"QUIREMARK_REGISTRY", dir.path().string()};
};

TEST_F(HistoryTest, SameFolderOnTwoDaysLeavesTheNewerEntry) {
  SavePrevious("2026-12-07", "Plot", "/proj/Plot");
  SavePrevious("2026-12-08", "Plot", "/proj/Plot");
  EXPECT_EQ(Values("Previous"), (std::vector<std::pair<std::string, std::string>>{{"2026-12-08|Plot", "/proj/Plot"}}));
}

// Folder names that differ only in letter case are two folders here: only
// the entries of the very same path go.
TEST_F(HistoryTest, EntriesOfThePathGoAndThoseOfOtherFoldersStay) {
  settings::SaveRegSetting("2026-12-01|plot", "/PROJ/plot", "Previous");
  settings::SaveRegSetting("2026-12-02|Plot", "/proj/Plot", "Previous");
  settings::SaveRegSetting("2026-12-03|Other", "/proj/Other", "Previous");
  settings::SaveRegSetting("2026-12-04|Plot", "/proj/Plot", "Previous");
  settings::SaveRegSetting("2026-12-05|plot", "/proj/plot", "Previous");
  SavePrevious("2026-12-08", "Plot", "/proj/Plot");
  EXPECT_EQ(Values("Previous"), (std::vector<std::pair<std::string, std::string>>{
                                    {"2026-12-01|plot", "/PROJ/plot"},
                                    {"2026-12-03|Other", "/proj/Other"},
                                    {"2026-12-05|plot", "/proj/plot"},
                                    {"2026-12-08|Plot", "/proj/Plot"}}));

  SavePrevious("2026-12-09", "ab", "/t/ab");
  SavePrevious("2026-12-10", "AB", "/t/AB");
  RemovePathEntries("Previous", "/PROJ/PLOT");
  EXPECT_EQ(Values("Previous").size(), 6u) << "/t/ab and /t/AB are both kept, and no entry is /PROJ/PLOT";
}

TEST_F(HistoryTest, RootRowMarkersAreStoredAsTheyCome) {
  SavePrevious("2026-12-08", ">", ">");
  EXPECT_EQ(Values("Previous"), (std::vector<std::pair<std::string, std::string>>{{"2026-12-08|>", ">"}}));
  RemovePathEntries("Previous", ">");
  EXPECT_TRUE(Values("Previous").empty());
}

}  // namespace
}  // namespace quiremark::browser
