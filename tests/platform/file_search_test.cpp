#include "platform/file_search.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace qp = quiremark::platform;
namespace qt = quiremark::testing;

namespace {

std::vector<std::string> Names(const std::vector<qp::FoundEntry>& entries) {
  std::vector<std::string> names;
  for (const auto& e : entries) names.push_back(e.name);
  return names;
}

TEST(Wildcards, FollowWindowsRulesIgnoringCase) {
  EXPECT_TRUE(qp::WildcardMatch("*.plt", "A-40.PLT"));
  EXPECT_TRUE(qp::WildcardMatch("*.PLT", "a-40.plt"));
  EXPECT_TRUE(qp::WildcardMatch("ritning?.eps", "RITNING7.EPS"));
  EXPECT_FALSE(qp::WildcardMatch("ritning?.eps", "ritning.eps"));
  EXPECT_FALSE(qp::WildcardMatch("*.plt", "a.plt.bak"));
  EXPECT_TRUE(qp::WildcardMatch("*.*", "README"));
  EXPECT_TRUE(qp::WildcardMatch("readme.*", "README"));
  EXPECT_TRUE(qp::WildcardMatch("*.", "README"));
  EXPECT_FALSE(qp::WildcardMatch("*.", "a.txt"));
  EXPECT_TRUE(qp::WildcardMatch("*ÅR*", "plan år 2.plt")) << "letters beyond ASCII ignore case too";
  EXPECT_TRUE(qp::WildcardMatch("?r.txt", "år.txt")) << "? takes one whole character";
  EXPECT_TRUE(qp::WildcardMatch("a*b*c", "aXbYbZc"));
}

TEST(Wildcards, ManyStarsAgainstALongNameEndQuickly) {
  // Trying every split of the name per "*" would take hours here.
  const std::string name(250, 'a');
  EXPECT_FALSE(qp::WildcardMatch("*a*a*a*a*a*a*a*a*b", name));
  EXPECT_TRUE(qp::WildcardMatch("*a*a*a*a*a*a*a*a*", name));
  EXPECT_TRUE(qp::WildcardMatch("*a?a*", name));
}

TEST(Wildcards, SeveralPatternsSeparatedBySemicolons) {
  EXPECT_TRUE(qp::WildcardMatchAny("*.plt;*.eps", "x.EPS"));
  EXPECT_TRUE(qp::WildcardMatchAny("*.plt; *.eps ", "x.eps"));
  EXPECT_FALSE(qp::WildcardMatchAny("*.plt;*.eps", "x.ps"));
  EXPECT_FALSE(qp::WildcardMatchAny("", "x.ps"));
}

class FileSearchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"b.PLT", "A.plt", "c.eps", ".hidden.plt", "notes.txt"}) qt::WriteFile(dir / name, "x");
    std::filesystem::create_directory(dir / "Folder.plt");
  }
  qt::TempDir dir;
};

TEST_F(FileSearchTest, EntriesComeInNameOrderIgnoringCase) {
  EXPECT_EQ(Names(qp::FindEntries(dir.path(), "*.plt")),
            (std::vector<std::string>{".hidden.plt", "A.plt", "b.PLT", "Folder.plt"}));
  qp::FileSearch search(dir.path(), "*.PLT;*.eps", {qp::EntryKind::Files, false});
  std::vector<std::string> names;
  while (auto entry = search.Next()) names.push_back(entry->name);
  EXPECT_EQ(names, (std::vector<std::string>{"A.plt", "b.PLT", "c.eps"}));
  EXPECT_EQ(Names(qp::FindEntries(dir.path(), "*", {qp::EntryKind::Folders, true})),
            (std::vector<std::string>{"Folder.plt"}));
  EXPECT_TRUE(qp::FindEntries(dir / "missing", "*").empty());
}

TEST_F(FileSearchTest, EntriesCarryTheFilesSizeAndTime) {
  qt::WriteFile(dir / "A.plt", "12345");
  const auto entries = qp::FindEntries(dir.path(), "a.plt");
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].size, 5u);
  EXPECT_EQ(entries[0].modified, std::filesystem::last_write_time(dir / "A.plt"));
  EXPECT_FALSE(entries[0].isFolder);
}

TEST_F(FileSearchTest, NamedFileIsFoundIgnoringCaseExactSpellingFirst) {
  EXPECT_EQ(qp::FindNameIgnoringCase(dir.path(), "a.PLT"), dir / "A.plt");
  EXPECT_EQ(qp::FindNameIgnoringCase(dir.path(), "NOTES.TXT"), dir / "notes.txt");
  qt::WriteFile(dir / "NOTES.TXT", "y");
  EXPECT_EQ(qp::FindNameIgnoringCase(dir.path(), "NOTES.TXT"), dir / "NOTES.TXT");
  EXPECT_EQ(qp::FindNameIgnoringCase(dir.path(), "none.txt"), std::nullopt);
}

TEST_F(FileSearchTest, NamedNormalFileIsFoundIgnoringCaseFoldersAndMissingNamesAreNot) {
  std::filesystem::create_symlink(dir / "A.plt", dir / "link.plt");
  EXPECT_EQ(qp::FindFileIgnoringCase(dir.path(), "a.PLT"), dir / "A.plt");
  EXPECT_EQ(qp::FindFileIgnoringCase(dir.path(), "LINK.plt"), dir / "link.plt") << "a link to a file counts";
  EXPECT_EQ(qp::FindFileIgnoringCase(dir.path(), "folder.PLT"), std::nullopt) << "a folder is no file";
  EXPECT_EQ(qp::FindFileIgnoringCase(dir.path(), "none.txt"), std::nullopt);
  EXPECT_EQ(qp::FindFileIgnoringCase(dir / "saknas", "A.plt"), std::nullopt);
}

// Names looked for together, in one look through the folder, are found as
// each one alone would be.
TEST_F(FileSearchTest, SeveralNamesAreFoundAsEachAloneWouldBe) {
  std::filesystem::create_symlink(dir / "A.plt", dir / "link.plt");
  qt::WriteFile(dir / "NOTES.txt", "y");
  const std::vector<std::string> names = {"a.PLT", "Notes.TXT", "folder.PLT", "none.txt", "", "LINK.plt", "A.plt", "b.plt"};
  const auto found = qp::FindFilesIgnoringCase(dir.path(), names);
  ASSERT_EQ(found.size(), names.size());
  for (std::size_t i = 0; i < names.size(); ++i) {
    EXPECT_EQ(found[i], qp::FindFileIgnoringCase(dir.path(), names[i])) << names[i];
  }
  EXPECT_EQ(found[0], dir / "A.plt");
  EXPECT_EQ(found[1], dir / "NOTES.txt") << "the first in name order of the names equal ignoring case";
  EXPECT_EQ(found[7], dir / "b.PLT");
  EXPECT_TRUE(qp::FindFilesIgnoringCase(dir / "saknas", {"A.plt", "b.plt"}) ==
              (std::vector<std::optional<std::filesystem::path>>{std::nullopt, std::nullopt}));
}

TEST(SplitPattern, SeparatesFolderAndPattern) {
  EXPECT_EQ(qp::SplitPattern("/a b/C/*.dtt"), std::make_pair(std::filesystem::path("/a b/C"), std::string("*.dtt")));
  EXPECT_EQ(qp::SplitPattern("*.dtt").first, ".");
  EXPECT_EQ(qp::SplitPattern("/x.dtt").first, "/");
}

}  // namespace
