#include "settings/text_routines.h"

#include <gtest/gtest.h>

#include "support/scripted_ui.h"
#include "support/test_support.h"

namespace qs = quiremark::settings;
namespace qt = quiremark::testing;

namespace {

TEST(ReadFirstLine, ReturnsTheFirstLineWithoutItsBreak) {
  qt::TempDir dir;
  qt::WriteFile(dir / "Quiremark.path", "/srv/PDF/Projekt A\r\nmore\r\n");
  EXPECT_EQ(qs::ReadFirstLine(dir / "Quiremark.path"), "/srv/PDF/Projekt A");
  qt::WriteFile(dir / "unix.path", "/srv/pdf\nmore\n");
  EXPECT_EQ(qs::ReadFirstLine(dir / "unix.path"), "/srv/pdf");
  qt::WriteFile(dir / "bare.path", "  /srv/x  ");
  EXPECT_EQ(qs::ReadFirstLine(dir / "bare.path"), "  /srv/x  ");
  qt::WriteFile(dir / "ansi.path", "/srv/K\xF6k\r\n");
  EXPECT_EQ(qs::ReadFirstLine(dir / "ansi.path"), "/srv/Kök");
}

TEST(ReadFirstLine, FileErrorsReachTheCaller) {
  qt::TempDir dir;
  qt::WriteFile(dir / "empty", "");
  try {
    qs::ReadFirstLine(dir / "missing");
    FAIL();
  } catch (const qs::FileError& e) {
    EXPECT_EQ(e.number(), 53);
  }
  try {
    qs::ReadFirstLine(dir / "empty");
    FAIL();
  } catch (const qs::FileError& e) {
    EXPECT_EQ(e.number(), 62);
  }
}

TEST(WriteTextFile, WritesOneCrLfLineThatReadsBack) {
  qt::TempDir dir;
  qt::WriteFile(dir / "p", "old\r\nlonger contents\r\n");
  qs::WriteTextFile("/srv/Sökväg med blanksteg", dir / "p");
  EXPECT_EQ(qt::ReadFile(dir / "p"), "/srv/S\xF6kv\xE4g med blanksteg\r\n");
  EXPECT_EQ(qs::ReadFirstLine(dir / "p"), "/srv/Sökväg med blanksteg");
  EXPECT_THROW(qs::WriteTextFile("x", dir / "no" / "such" / "p"), qs::FileError);
}

TEST(FolderExists, OnlyForFolders) {
  qt::TempDir dir;
  qt::WriteFile(dir / "f", "");
  EXPECT_TRUE(qs::FolderExists(dir.path().string()));
  EXPECT_TRUE(qs::FolderExists(dir.path().string() + "/"));
  EXPECT_FALSE(qs::FolderExists((dir / "f").string()));
  EXPECT_FALSE(qs::FolderExists((dir / "missing").string()));
  EXPECT_FALSE(qs::FolderExists(""));
}

TEST(PathAndStringRoutines, Examples) {
  EXPECT_EQ(qs::GetLastPathPart("/srv/A/B"), "B");
  EXPECT_EQ(qs::GetLastPathPart("B"), "B");
  EXPECT_EQ(qs::GetLastPathPart("/srv/A/"), "");
  EXPECT_EQ(qs::InStrLast("/A/B.plt", "/"), 3u);
  EXPECT_EQ(qs::InStrLast("C:\\A\\B.plt", "\\"), 5u);
  EXPECT_EQ(qs::InStrLast("B.plt", "/"), 0u);
  EXPECT_EQ(qs::InStrLast("aaa", "aa"), 2u);
  EXPECT_EQ(qs::CollapseSpaces("  a   b  c "), "a b c");
  EXPECT_EQ(qs::CollapseSpaces("a\t\tb"), "a\t\tb");
  EXPECT_EQ(qs::CollapseSpaces("   "), "");
  EXPECT_EQ(qs::ReplaceAll("%f-%f", "%f", "%f%f"), "%f%f-%f%f") << "what was put in is not looked into";
  EXPECT_EQ(qs::ReplaceAll("aaa", "aa", "b"), "ba");
  EXPECT_EQ(qs::ReplaceAll("abc", "x", "y"), "abc");
}

TEST(PumpEvents, YieldsOnce) {
  qt::ScriptedUi ui;
  qs::PumpEvents(ui);
  EXPECT_EQ(ui.yields, 1);
}

}  // namespace
