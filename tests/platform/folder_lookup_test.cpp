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
  for (const char* name : {"A-01.txt", "b-02.TXT", "B-02.txt", "C-03.Txt", ".dold.txt", "A-01.plt", "LÄSMIG", "Ö.PDF.md"}) {
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
      {"läsmig", "LÄSMIG"},         // no extension, letters beyond ASCII
      {"ö.pdf.MD", "Ö.PDF.md"},     // the last "." decides the extension
      {"A-01.pdf", std::nullopt},   // an extension no name has
      {"A-01", std::nullopt},
  };
  for (const auto& [name, expected] : cases) {
    const auto found = names.Find(name);
    ASSERT_EQ(found.has_value(), expected.has_value()) << name;
    if (expected) {
      EXPECT_EQ(*found, dir / *expected) << name;
    }
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
  // Plain ASCII is taken as it stands, below the folder however it is written.
  EXPECT_EQ(qp::FindShownPath(dir.path(), "A-01.plt").native(), (dir / "A-01.plt").native());
  EXPECT_EQ(qp::FindShownPath(dir.path(), "/Del/A-01.plt").native(), (dir / "Del/A-01.plt").native());
  EXPECT_EQ(qp::FindShownPath(dir.path().string() + "/", "A-01.plt").native(), (dir / "A-01.plt").native());

  // Shown: each part decoded on its own; a pattern written as shown finds the file.
  EXPECT_EQ(qp::ShownPath("/Del \xE5/Gr\xC3\xB6n.plt"), "/Del \xC3\xA5/Gr\xC3\xB6n.plt");
  const auto found = qp::FindEntries(dir / "Del \xE5", "x.plt;r\xC3\xB6" "d.plt", {qp::EntryKind::Files, false});
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].name, "R\xF6" "d.plt");
}

// The listing reads each entry's type from the folder and looks only at links:
// a link counts as what it points at.
TEST(FolderNames, LinksCountAsWhatTheyPointAt) {
  qt::TempDir dir;
  qt::WriteFile(dir / "A-01.txt", "x");
  std::filesystem::create_directory(dir / "Mapp");
  ::mkfifo((dir / "Rör").c_str(), 0600);
  std::filesystem::create_symlink(dir / "A-01.txt", dir / "B-02.txt");
  std::filesystem::create_symlink(dir / "Mapp", dir / "C-03.txt");
  std::filesystem::create_symlink(dir / "Rör", dir / "D-04.txt");
  std::filesystem::create_symlink(dir / "saknas.txt", dir / "E-05.txt");
  const qp::FolderNames names(dir.path());
  EXPECT_EQ(names.Find("b-02.TXT"), dir / "B-02.txt") << "a link to a file";
  for (const char* name : {"C-03.txt", "D-04.txt", "E-05.txt"}) EXPECT_FALSE(names.Find(name)) << name;
  EXPECT_FALSE(qp::FolderNames(dir / "saknas").Find("A-01.txt")) << "a missing folder lists nothing";
}

TEST(FolderListings, OneListingPerFolderUntilForgotten) {
  qt::TempDir dir;
  qt::WriteFile(dir / "A-01.txt", "x");
  qp::FolderListings listings;
  const qp::FolderNames& first = listings.Of(dir.path().string());
  EXPECT_EQ(&listings.Of(dir.path().string() + "/"), &first) << "a trailing / names the same folder";
  qt::WriteFile(dir / "B-02.txt", "x");
  EXPECT_FALSE(listings.Of(dir.path().string()).Find("B-02.txt")) << "listed once";
  listings.Forget();
  EXPECT_TRUE(listings.Of(dir.path().string()).Find("B-02.txt")) << "listed again after Forget";
}

// Names handed over at once, and names added one by one after lookups have
// been made, answer alike: the exact spelling first, else the first in name order.
TEST(NameLookup, NamesGivenAtOnceOrAddedLaterAnswerAlike) {
  const std::vector<std::string> names = {"b-02.TXT", "B-02.txt", "A-01.txt", "läsmig.txt"};
  const qp::NameLookup atOnce(names);
  qp::NameLookup added;
  EXPECT_EQ(added.Find("a-01.txt"), nullptr) << "nothing yet";
  for (const std::string& name : names) {
    added.Add(name);
    ASSERT_NE(added.Find(name), nullptr) << name << " found at once after it was added";
  }
  const std::vector<std::pair<const char*, const char*>> cases = {
      {"A-01.txt", "A-01.txt"}, {"a-01.TXT", "A-01.txt"}, {"b-02.TXT", "b-02.TXT"},
      {"B-02.TXT", "B-02.txt"}, {"LÄSMIG.TXT", "läsmig.txt"}, {"C-03.txt", nullptr}, {"A-01.plt", nullptr},
  };
  for (const auto& [name, expected] : cases) {
    for (const qp::NameLookup* lookup : {&atOnce, static_cast<const qp::NameLookup*>(&added)}) {
      const std::string* found = lookup->Find(name);
      ASSERT_EQ(found != nullptr, expected != nullptr) << name;
      if (expected) {
        EXPECT_EQ(*found, expected) << name;
      }
    }
  }
}
