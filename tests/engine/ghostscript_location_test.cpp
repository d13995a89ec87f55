#include "engine/ghostscript_location.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace qe = quiremark::engine;
namespace qp = quiremark::platform;
namespace qt = quiremark::testing;

namespace {

class GhostscriptLocation : public ::testing::Test {
 protected:
  void Put(const std::string& key, const std::string& name, const std::string& data) {
    ASSERT_TRUE(qp::SetValue(qp::Hive::LocalMachine, key, name, qp::REG_SZ, qp::TextData(data)));
  }
  std::vector<std::string> Find(const std::string& key) {
    std::vector<std::string> list{""};
    qe::FindRegValues(qp::Hive::LocalMachine, key, "GS_DLL", list);
    return list;
  }

  qt::TempDir dir;
  qt::ScopedEnv registry{"QUIREMARK_REGISTRY", dir.path().string()};
  qt::ScopedEnv path{"PATH", (dir.path() / "no-gs-here").string()};  // no installed gs in the hive
};

}  // namespace

TEST_F(GhostscriptLocation, TwoVersionsInSubkeyOrder) {
  Put("SOFTWARE\\GPL Ghostscript\\9.10", "GS_DLL", "/opt/gs910/bin/gsdll32.dll");
  Put("SOFTWARE\\GPL Ghostscript\\9.05", "GS_DLL", "/opt/gs905/bin/gsdll32.dll");
  Put("SOFTWARE\\GPL Ghostscript\\9.05", "GS_LIB", "/opt/gs905/lib");
  EXPECT_EQ(qe::GhostscriptDllPaths(),
            (std::vector<std::string>{"", "/opt/gs905/bin/gsdll32.dll", "/opt/gs910/bin/gsdll32.dll"}));
}

TEST_F(GhostscriptLocation, DuplicatesIgnoreCaseAndOtherSpellingsAreNotCollected) {
  Put("SOFTWARE\\T\\a", "GS_DLL", "/Opt/GS/gsdll.so");
  Put("SOFTWARE\\T\\b", "GS_DLL", "/opt/gs/GSDLL.SO");
  Put("SOFTWARE\\T\\c", "gs_dll", "/other/gsdll.so");
  EXPECT_EQ(Find("SOFTWARE\\T\\"), (std::vector<std::string>{"", "/Opt/GS/gsdll.so"}));
}

TEST_F(GhostscriptLocation, DepthFirstWithTheStartKeysOwnValueFirst) {
  Put("SOFTWARE\\T\\a\\deep", "GS_DLL", "/a/deep");
  Put("SOFTWARE\\T\\b", "GS_DLL", "/b");
  Put("SOFTWARE\\T\\a", "GS_DLL", "/a");
  Put("SOFTWARE\\T", "GS_DLL", "/start");
  Put("SOFTWARE\\T\\a", "Other", "Not Found");  // a "Not Found" data text ends nothing
  Put("SOFTWARE\\T\\a", "GS_DLL2", "/x");
  EXPECT_EQ(Find("SOFTWARE\\T\\"), (std::vector<std::string>{"", "/start", "/a", "/a/deep", "/b"}));
}

TEST_F(GhostscriptLocation, EmptyOrMissingKeyAddsNothing) {
  ASSERT_TRUE(qp::CreateKey(qp::Hive::LocalMachine, "SOFTWARE\\Empty"));
  EXPECT_EQ(Find("SOFTWARE\\Empty\\"), std::vector<std::string>{""});
  EXPECT_EQ(Find("SOFTWARE\\Missing\\"), std::vector<std::string>{""});
}

TEST_F(GhostscriptLocation, FirstCandidateFolderHoldingGsWins) {
  std::filesystem::create_directories(dir / "one");
  std::filesystem::create_directories(dir / "two");
  qt::WriteFile(dir / "one" / "gs", "");
  qt::WriteFile(dir / "two" / "gs", "");
  const std::string none = (dir / "none" / "libgs.so").string();
  const std::string one = (dir / "one" / "libgs.so").string();
  const std::string two = (dir / "two" / "libgs.so").string();
  EXPECT_EQ(qe::FindGhostscriptProgram({"", "gsdll32.dll", none, two, one}), dir / "two" / "gs");
  EXPECT_EQ(qe::FindGhostscriptProgram({"", none}), std::nullopt);
}

TEST_F(GhostscriptLocation, InstalledGsIsFoundThroughTheHive) {
  qt::ScopedEnv realPath{"PATH", "/usr/bin:/bin"};
  const auto gs = qe::FindGhostscriptProgram(qe::GhostscriptDllPaths());
  ASSERT_TRUE(gs.has_value()) << "Ghostscript is installed for the tests";
  EXPECT_EQ(gs->filename(), "gs");
}

// With several installations the gs that runs is the one a shell runs: the
// first on PATH, whatever the registry's order of their versions.
TEST_F(GhostscriptLocation, TheFirstGsOnPathRunsWhateverItsVersion) {
  const std::pair<const char*, const char*> installations[] = {{"nine", "9.56.1"}, {"ten", "10.00.0"}};
  for (const auto& [folder, version] : installations) {
    std::filesystem::create_directories(dir / folder);
    qt::WriteFile(dir / folder / "gs", std::string("#!/bin/sh\necho ") + version + "\n");
    std::filesystem::permissions(dir / folder / "gs", std::filesystem::perms::owner_all);
  }
  std::filesystem::create_directories(dir / "link");
  std::filesystem::create_symlink(dir / "ten" / "gs", dir / "link" / "gs");
  const struct {
    std::string path;
    std::filesystem::path runs;
  } cases[] = {
      {(dir / "nine").string() + ":" + (dir / "ten").string(), dir / "nine" / "gs"},
      {(dir / "ten").string() + "/:" + (dir / "nine").string(), dir / "ten" / "gs"},
      {(dir / "link").string() + ":" + (dir / "nine").string() + ":" + (dir / "ten").string(), dir / "link" / "gs"},
  };
  for (const auto& c : cases) {
    qt::ScopedEnv onPath{"PATH", c.path};
    EXPECT_EQ(qe::FindGhostscriptProgram(qe::GhostscriptDllPaths()), c.runs) << c.path;
  }
}
