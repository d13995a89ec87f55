// Name lookups made once per folder, and names shown decoded that must still
// find their files.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/file_search.h"
#include "support/test_support.h"

namespace qp = quiremark::platform;
namespace qt = quiremark::testing;

TEST(FolderNames, AnswersAsTheSearchOfTheFolderWould) {
  qt::TempDir dir;
  for (const char* name : {"A-01.txt", "b-02.TXT", "B-02.txt", "C-03.Txt", ".dold.txt", "A-01.plt"}) {
    qt::WriteFile(dir / name, "x");
  }
  std::filesystem::create_directory(dir / "Mapp.txt");
  ::mkfifo((dir / "Rör.txt").c_str(), 0600);
  const qp::FolderNames names(dir.path());
  const std::vector<std::pair<const char*, std::optional<std::string>>> cases = {
      {"A-01.txt", "A-01.txt"},  // exact
      {"a-01.TXT", "A-01.txt"},  // any letter case
      {"B-02.txt", "B-02.txt"},  // the exact spelling before a case-folded one
      {"b-02.txt", "B-02.txt"},  // several spellings: the first in name order
      {"c-03.txt", "C-03.Txt"},
      {".dold.txt", std::nullopt},  // hidden files count as missing
      {"Mapp.txt", std::nullopt},   // folders are no side files
      {"Rör.txt", std::nullopt},    // nor is a FIFO
      {"D-04.txt", std::nullopt},
  };
  for (const auto& [name, expected] : cases) {
    const auto found = names.Find(name);
    ASSERT_EQ(found.has_value(), expected.has_value()) << name;
    if (expected) EXPECT_EQ(*found, dir / *expected) << name;
  }
  // Listed once: a file added later is not seen by this listing.
  qt::WriteFile(dir / "E-05.txt", "x");
  EXPECT_FALSE(names.Find("E-05.txt"));
}

TEST(FindShownPath, FindsNamesStoredInWindows1252) {
  qt::TempDir dir;
  std::filesystem::create_directories(dir / "Del \xE5");  // "Del å" as an old share wrote it
  qt::WriteFile(dir / "Del \xE5" / "R\xF6" "d.plt", "x");
  qt::WriteFile(dir / "Gr\xC3\xB6n.plt", "y");  // UTF-8 "Grön"
  EXPECT_EQ(qp::FindShownPath(dir.path(), "Gr\xC3\xB6n.plt"), dir / "Gr\xC3\xB6n.plt");
  EXPECT_EQ(qp::FindShownPath(dir.path(), "/Del \xC3\xA5/R\xC3\xB6" "d.plt"), dir / "Del \xE5" / "R\xF6" "d.plt");
  EXPECT_EQ(qp::FindShownPath(dir.path(), "Saknas \xC3\xB6.plt"), dir / "Saknas \xC3\xB6.plt") << "none: as shown";

  // Shown: each part decoded on its own; a pattern written as shown finds the file.
  EXPECT_EQ(qp::ShownPath("/Del \xE5/Gr\xC3\xB6n.plt"), "/Del \xC3\xA5/Gr\xC3\xB6n.plt");
  const auto found = qp::FindEntries(dir / "Del \xE5", "x.plt;r\xC3\xB6" "d.plt", {qp::EntryKind::Files, false});
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].name, "R\xF6" "d.plt");
}
