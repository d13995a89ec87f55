#include "settings/ini_file.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace qs = quiremark::settings;
namespace qt = quiremark::testing;

namespace {

using Lines = std::vector<std::string>;

class IniFile : public ::testing::Test {
 protected:
  qt::TempDir dir;
  std::filesystem::path ini = dir / "Quiremark.ini";
};

TEST_F(IniFile, SectionLinesEachEndWithNul) {
  qt::WriteFile(ini, "[Keys]\r\nAcro=AcroExch.Distiller\r\n\r\n[patterns]\r\n*.plt\r\n  *.eps;*.ps \r\n; a comment\r\n\r\n[Empty]\r\n");
  const std::string patterns = qs::GetIniSection("Patterns", ini);
  EXPECT_EQ(patterns, std::string("*.plt\0*.eps;*.ps\0", 17));
  EXPECT_EQ(qs::SplitIniSection(patterns), (Lines{"*.plt", "*.eps;*.ps"}));
  EXPECT_EQ(qs::GetIniSection("Empty", ini), "");
  EXPECT_EQ(qs::GetIniSection("Missing", ini), "");
  EXPECT_EQ(qs::GetIniSection("Keys", dir / "none.ini"), "");
}

TEST_F(IniFile, SectionIsCutAtTheBufferSize) {
  std::string file = "[Patterns]\r\n";
  for (int i = 0; i < 200; ++i) file += "*.p" + std::to_string(1000 + i) + "\r\n";  // 9 characters and NUL each
  qt::WriteFile(ini, file);
  const std::string section = qs::GetIniSection("Patterns", ini);
  EXPECT_EQ(section.size(), 1022u);
  EXPECT_EQ(section.substr(0, 10), std::string("*.p1000\0*.", 10));
}

TEST_F(IniFile, WritingCreatesReplacesAndKeepsTheRest) {
  EXPECT_TRUE(qs::WriteIniString("Favorite", "Projekt A", "/srv/ritningar/Projekt A", ini));
  EXPECT_EQ(qt::ReadFile(ini), "[Favorite]\r\nProjekt A=/srv/ritningar/Projekt A\r\n");
  qs::WriteIniString("Keys", "Acro", "AcroExch", ini);
  qs::WriteIniString("favorite", "Hus", "/srv/hus", ini);
  qs::WriteIniString("FAVORITE", "projekt a", "/srv/b", ini);
  EXPECT_EQ(qt::ReadFile(ini),
            "[Favorite]\r\nProjekt A=/srv/b\r\nHus=/srv/hus\r\n\r\n[Keys]\r\nAcro=AcroExch\r\n");
  EXPECT_EQ(qs::GetIniString("favorite", "HUS", ini), "/srv/hus");
  EXPECT_EQ(qs::GetIniString("Favorite", "Nope", ini), "");
}

TEST_F(IniFile, WholeSectionIsReplaced) {
  qt::WriteFile(ini, "[Patterns]\r\n*.plt\r\n\r\n[Keys]\r\nA=B\r\n");
  EXPECT_TRUE(qs::WriteIniSection("Patterns", {"*.plt", "*.eps", "ritn*.plt;*.ps"}, ini));
  EXPECT_EQ(qt::ReadFile(ini), "[Patterns]\r\n*.plt\r\n*.eps\r\nritn*.plt;*.ps\r\n\r\n[Keys]\r\nA=B\r\n");
  EXPECT_TRUE(qs::WriteIniSection("New", {"x"}, ini));
  EXPECT_EQ(qs::SplitIniSection(qs::GetIniSection("new", ini)), (Lines{"x"}));
}

TEST_F(IniFile, Windows1252FileStaysWindows1252) {
  qt::WriteFile(ini, "[Favorite]\r\nK\xF6k=/srv/k\xF6k\r\n");
  EXPECT_EQ(qs::GetIniString("Favorite", "kök", ini), "/srv/kök");
  qs::WriteIniString("Favorite", "Bad", "/srv/bad", ini);
  EXPECT_EQ(qt::ReadFile(ini), "[Favorite]\r\nK\xF6k=/srv/k\xF6k\r\nBad=/srv/bad\r\n");
}

TEST_F(IniFile, Utf8FileStaysUtf8) {
  qt::WriteFile(ini, "[Favorite]\nKök=/srv/kök\n");
  qs::WriteIniString("Favorite", "Bad", "/srv/bad", ini);
  EXPECT_EQ(qt::ReadFile(ini), "[Favorite]\nKök=/srv/kök\nBad=/srv/bad\n") << "and keeps its line ends";
}

TEST(StripNull, CutsAtTheFirstNul) {
  std::string field = "A-40.plt";
  field.resize(260, '\0');
  EXPECT_EQ(qs::StripNull(field), "A-40.plt");
  EXPECT_EQ(qs::StripNull("plain"), "plain");
  EXPECT_EQ(qs::StripNull(std::string("\0x", 2)), "");
  EXPECT_EQ(qs::StripNull(""), "");
}

TEST(GetFileList, NamesInOrderOrOneEmptyElement) {
  qt::TempDir dir;
  EXPECT_EQ(qs::GetFileList((dir / "*.dtt").string()), (Lines{""}));
  EXPECT_EQ(qs::GetFileList("/no/such/folder/*.dtt"), (Lines{""}));
  for (const char* name : {"Stamp B.DTT", "a.dtt", "c.dtt", "x.txt"}) qt::WriteFile(dir / name, "");
  std::filesystem::create_directory(dir / "folder.dtt");
  EXPECT_EQ(qs::GetFileList((dir / "*.dtt").string()), (Lines{"a.dtt", "c.dtt", "folder.dtt", "Stamp B.DTT"}));
}

}  // namespace
