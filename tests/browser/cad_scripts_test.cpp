#include "browser/cad_scripts.h"

#include <gtest/gtest.h>

#include <system_error>

#include "support/test_support.h"

namespace quiremark::browser {
namespace {

using Lines = std::vector<std::string>;

TEST(ScriptTemplate, CommentsEndAndSemicolonsShapeTheKeptLines) {
  const ScriptTemplate t = ParseScriptTemplate(
      "%c lower-case comment %f\r\n"
      "%Comment written out\r\n"
      "OPEN %f\r\n"
      "LINE 0,0 10,10;comment;more\r\n"
      "ZOOM E  ;\r\n"
      "\r\n"
      "  indented  \r\n"
      "%ENDE\r\n"
      "NEVER READ\r\n");
  EXPECT_EQ(t.lines, (Lines{"OPEN %f", "LINE 0,0 10,10;comment", "ZOOM E", "", "  indented"}));
  EXPECT_FALSE(t.needsProject);
}

TEST(ScriptTemplate, LinesEndAtCrLfCrOrLf) {
  EXPECT_EQ(ParseScriptTemplate("A\rB\nC\r\nD").lines, (Lines{"A", "B", "C", "D"}));
  EXPECT_EQ(ParseScriptTemplate("A\r\n\r\n").lines, (Lines{"A", ""}));
  EXPECT_TRUE(ParseScriptTemplate("").lines.empty());
  EXPECT_TRUE(ParseScriptTemplate("%end\r\nSAVE\r\n").lines.empty()) << "a first line %end keeps nothing";
}

TEST(ScriptTemplate, OnlyTheQuotedLowerCaseProjectMarkAsksForAProject) {
  const std::pair<const char*, bool> cases[] = {
      {"%C uses \"%m\"\r\n", true},            // in a comment
      {"OPEN %f ; project \"%m\"\r\n", true},  // in the text cut at the last ";"
      {"%END \"%m\"\r\n", true},               // on the end line
      {"%END\r\n\"%m\"\r\n", false},           // after it
      {"SETVAR \"%M\"\r\n", false},            // upper case
      {"SETVAR %m\r\n", false},                // without quotes
  };
  for (const auto& [text, asks] : cases) EXPECT_EQ(ParseScriptTemplate(text).needsProject, asks) << text;
}

TEST(ScriptTemplate, EncodingIsTakenFromTheFile) {
  const ScriptTemplate latin = ParseScriptTemplate("TEXT \xC5r\r\n");
  EXPECT_FALSE(latin.utf8);
  EXPECT_EQ(latin.lines, Lines{"TEXT År"});
  const ScriptTemplate utf8 = ParseScriptTemplate("TEXT \xC3\x85r\r\n");
  EXPECT_TRUE(utf8.utf8);
  EXPECT_EQ(utf8.lines, Lines{"TEXT År"});
  const ScriptTemplate marked = ParseScriptTemplate("\xEF\xBB\xBF%C comment\r\nZOOM\r\n");
  EXPECT_TRUE(marked.byteOrderMark);
  EXPECT_EQ(marked.lines, Lines{"ZOOM"}) << "the mark does not hide the comment";
}

TEST(ScriptTemplate, MissingFileThrows) {
  testing::TempDir dir;
  EXPECT_THROW(ReadScriptTemplate(dir / "none.scr"), std::system_error);
}

ScriptValues Values(const std::string& folder, const std::string& fileName) {
  return {folder, fileName, "Bridge.rev2", "2024-03-05", "14:30:00"};
}

TEST(ScriptLine, PlaceholdersOfAPlainFileName) {
  const ScriptValues v = Values("/Ritn", "A-101.plt");
  const std::pair<const char*, const char*> cases[] = {
      {"%f", "/Ritn/A-101.plt"},
      {"%lfullname", "/Ritn/A-101.plt"},
      {"%path|%lpath", "/Ritn|/Ritn"},
      {"%name.%ext", "A-101.plt"},
      {"%m %date %time", "Bridge.rev2 2024-03-05 14:30:00"},
      {"%F %M %Date %Name", "%F %M %Date %Name"},
      {"%f;%f", "/Ritn/A-101.plt;/Ritn/A-101.plt"},
  };
  for (const auto& [line, expected] : cases) EXPECT_EQ(ExpandTemplateLine(line, v), expected) << line;
}

TEST(ScriptLine, TreeScanNamesAndNamesWithoutExtension) {
  const ScriptValues scanned = Values("/Ritn", "/Hus A/A-101.plt");
  EXPECT_EQ(ExpandTemplateLine("%f", scanned), "/Ritn//Hus A/A-101.plt") << "two slashes at the join";
  EXPECT_EQ(ExpandTemplateLine("%name|%ext", scanned), "/Hus A/A-101|plt");
  EXPECT_EQ(ExpandTemplateLine("%name|%ext", Values("/Ritn", "README")), "README|README");
  EXPECT_EQ(ExpandTemplateLine("%lfullname", Values("C:\\Ritn", "A.plt")), "C:/Ritn/A.plt");
}

TEST(ScriptLine, ValuesAreReplacedAgainByLaterPlaceholders) {
  EXPECT_EQ(ExpandTemplateLine("%path", Values("/proj/%date", "A.plt")), "/proj/2024-03-05");
  EXPECT_EQ(ExpandTemplateLine("%f", Values("/%name", "A.plt")), "/A/A.plt");
}

TEST(ScriptLine, LineBreaksInValuesBecomeBlanks) {
  EXPECT_EQ(ExpandTemplateLine("OPEN %f", Values("/a\r\nb", "c\nd\re.plt")), "OPEN /a b/c d e.plt");
  ScriptValues v = Values("/x", "A.plt");
  v.project = "P\r\n";
  EXPECT_EQ(ExpandTemplateLine("[%m]", v), "[P ]");
}

TEST(Script, EveryLineForEachFileThenExit) {
  const ScriptTemplate t = ParseScriptTemplate("OPEN \"%f\"\r\nQSAVE\r\n");
  EXPECT_EQ(BuildScript(t, {"A.dwg", "B.dwg"}, Values("/R", "")),
            "OPEN \"/R/A.dwg\"\r\nQSAVE\r\nOPEN \"/R/B.dwg\"\r\nQSAVE\r\n.EXIT\r\n");
  EXPECT_EQ(BuildScript(t, {}, Values("/R", "")), ".EXIT\r\n");
  EXPECT_EQ(BuildScript(ParseScriptTemplate("%END\r\nQSAVE\r\n"), {"A.dwg"}, Values("/R", "")), ".EXIT\r\n");
}

TEST(Script, WrittenInTheTemplatesEncoding) {
  const ScriptValues v = Values("/Ritn", "Å.dwg");
  EXPECT_EQ(BuildScript(ParseScriptTemplate("OPEN %f\r\n"), {"Å.dwg"}, v), "OPEN /Ritn/\xC5.dwg\r\n.EXIT\r\n");
  EXPECT_EQ(BuildScript(ParseScriptTemplate("; \xC3\xA5\r\nOPEN %f\r\n"), {"Å.dwg"}, v),
            "\r\nOPEN /Ritn/\xC3\x85.dwg\r\n.EXIT\r\n");
  EXPECT_EQ(BuildScript(ParseScriptTemplate("\xEF\xBB\xBFOPEN %f\r\n"), {"Å.dwg"}, v),
            "\xEF\xBB\xBFOPEN /Ritn/\xC3\x85.dwg\r\n.EXIT\r\n");
  // A name Windows-1252 cannot hold is not lost.
  EXPECT_EQ(BuildScript(ParseScriptTemplate("OPEN %f\r\n"), {"Ω.dwg"}, v), "OPEN /Ritn/\xCE\xA9.dwg\r\n.EXIT\r\n");
}

TEST(Script, LongLinesAndLongTemplatesStayWhole) {
  const std::string longLine(100000, 'x');
  EXPECT_EQ(BuildScript(ParseScriptTemplate(longLine + "%f\r\n"), {"A"}, Values("/R", "")),
            longLine + "/R/A\r\n.EXIT\r\n");

  std::string text;
  for (int i = 0; i < 40000; ++i) text += "L" + std::to_string(i) + "\r\n";
  const ScriptTemplate many = ParseScriptTemplate(text);
  ASSERT_EQ(many.lines.size(), 40000u);
  const std::string script = BuildScript(many, {"A"}, Values("/R", ""));
  EXPECT_NE(script.find("\r\nL32767\r\nL32768\r\n"), std::string::npos);
  EXPECT_TRUE(script.ends_with("L39999\r\n.EXIT\r\n"));
}

TEST(ScriptRun, ProjectNameAndProgramArguments) {
  EXPECT_EQ(ProjectName("/P/Proj/Bridge.rev2.pds"), "Bridge.rev2");
  EXPECT_EQ(ProjectName("/P/Proj.d/Bridge"), "Bridge");
  EXPECT_EQ(
      CadStartArguments("/opt/cad/bricscad", "/p \"Min profil\" -nologo", "/tmp/ScriptIt.scr"),
      (Lines{"/opt/cad/bricscad", "/opt/cad/elprscr.dwg", "/p", "Min profil", "-nologo", "/b", "/tmp/ScriptIt.scr"}));
  EXPECT_EQ(CadStartArguments("acad.exe", "", "/t/S.scr"), (Lines{"./acad.exe", "elprscr.dwg", "/b", "/t/S.scr"}));
}

}  // namespace
}  // namespace quiremark::browser
