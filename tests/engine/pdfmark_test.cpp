#include "engine/pdfmark.h"

#include <gtest/gtest.h>

namespace qe = quiremark::engine;

TEST(PdfMarkString, CleanTextStaysAsItIs) {
  EXPECT_EQ(qe::PdfMarkString("Plan 1 våning 2"), "(Plan 1 v\xE5ning 2)");
  EXPECT_EQ(qe::PdfMarkString(""), "()");
  EXPECT_EQ(qe::PdfMarkString("ÅÄÖ åäö é ü"), "(\xC5\xC4\xD6 \xE5\xE4\xF6 \xE9 \xFC)");
}

TEST(PdfMarkString, EscapesBackslashAndParentheses) {
  EXPECT_EQ(qe::PdfMarkString("Plan (A"), "(Plan \\(A)");
  EXPECT_EQ(qe::PdfMarkString("a)b\\c"), "(a\\)b\\\\c)");
  EXPECT_EQ(qe::PdfMarkString("(Sid. 2)"), "(\\(Sid. 2\\))");
  EXPECT_EQ(qe::PdfMarkString("tab\there\r\n"), "(tab\\011here\\015\\012)");
}

TEST(PdfMarkString, TextBeyondPdfDocEncodingBecomesUtf16Hex) {
  // En dash, euro sign and curly quotes are Windows-1252 0x80-0x9F bytes.
  EXPECT_EQ(qe::PdfMarkString("Plan – å"), "<FEFF0050006C0061006E00202013002000E5>");
  EXPECT_EQ(qe::PdfMarkString("€"), "<FEFF20AC>");
  EXPECT_EQ(qe::PdfMarkString("“x”"), "<FEFF201C0078201D>");
  // Latin-1 code points that PDFDocEncoding places elsewhere.
  EXPECT_EQ(qe::PdfMarkString("\u00A0"), "<FEFF00A0>");
  EXPECT_EQ(qe::PdfMarkString("\u00AD"), "<FEFF00AD>");
  // Beyond the basic plane: a surrogate pair; parentheses need no escape in hex.
  EXPECT_EQ(qe::PdfMarkString("(\U0001F600)"), "<FEFF0028D83DDE000029>");
}

TEST(PdfMarkString, InvalidUtf8IsReplacedNotPassedThrough) {
  EXPECT_EQ(qe::PdfMarkString("a\xE5" "b"), "<FEFF0061FFFD0062>");
  EXPECT_EQ(qe::PdfMarkString("\xC3"), "<FEFFFFFD>");
  EXPECT_EQ(qe::PdfMarkString("\xC0\xAF"), "<FEFFFFFDFFFD>");  // overlong "/"
}

TEST(PdfDate, HasOffsetInPdfForm) {
  std::tm t{};
  t.tm_year = 2026 - 1900;
  t.tm_mon = 11;
  t.tm_mday = 8;
  t.tm_hour = 9;
  t.tm_min = 5;
  t.tm_sec = 7;
  t.tm_gmtoff = 3600;
  EXPECT_EQ(qe::PdfDate(t), "D:20261208090507+01'00'");
  t.tm_gmtoff = -(5 * 3600 + 30 * 60);
  EXPECT_EQ(qe::PdfDate(t), "D:20261208090507-05'30'");
  t.tm_gmtoff = 0;
  EXPECT_EQ(qe::PdfDate(t), "D:20261208090507+00'00'");
}

TEST(OutlineLine, ShapesOfPageAndGroupEntries) {
  using Kind = qe::OutlineRecord::Kind;
  EXPECT_EQ(qe::OutlineLine({Kind::Page, 1, 0, "Plan"}), "[/Page 1 /View [/XYZ null null 0] /Title (Plan) /OUT pdfmark");
  EXPECT_EQ(qe::OutlineLine({Kind::Group, 2, 3, "Sektion"}), "[/Page 2/Count -3  /Title (Sektion) /OUT pdfmark");
  EXPECT_EQ(qe::OutlineLine({Kind::Page, 12, 0, "A(B"}), "[/Page 12 /View [/XYZ null null 0] /Title (A\\(B) /OUT pdfmark");
}

TEST(DocInfoLine, CleanValuesGiveThePlainLine) {
  const qe::DocInfo info{"Hus A", "anna", "DocSubject", "DocKeywords", "D:20261208090507+01'00'", ""};
  EXPECT_EQ(qe::DocInfoLine(info),
            "[ /Title (Hus A) /Author (anna) /Subject (DocSubject) /Keywords (DocKeywords) /Creator (" +
                std::string(qe::kCreator) + ") /ModDate (D:20261208090507+01'00') /DOCINFO pdfmark");
}

TEST(DocInfoLine, PlaceholdersAreReplacedInTheirOrder) {
  // A title naming a later placeholder gets its value; a later value naming an
  // earlier placeholder keeps the text.
  // The date reads as the user's date and time there; /ModDate keeps the PDF date.
  const qe::DocInfo info{"T %NORV_Date %NORV_Author", "a %NORV_Title %NORV_Keywords", "s", "k", "D:1",
                         "2026-12-08 14:00:00"};
  const std::string line = qe::DocInfoLine(info);
  EXPECT_NE(line.find("/Title (T 2026-12-08 14:00:00 a %NORV_Title k) /Author (a %NORV_Title k)"),
            std::string::npos)
      << line;
  EXPECT_NE(line.find("/ModDate (D:1)"), std::string::npos) << line;
}

TEST(DocInfoLine, ValuesAreEscapedAndEncoded) {
  const qe::DocInfo info{"Hus (A", "Åsa – B", "C:\\x", "k", "D:1", ""};
  const std::string line = qe::DocInfoLine(info);
  EXPECT_NE(line.find("/Title (Hus \\(A) /Author <FEFF00C5007300610020201300200042> /Subject (C:\\\\x)"),
            std::string::npos)
      << line;
}

TEST(CatalogLines, DefaultsGiveSinglePageAndOutlines) {
  const auto lines = qe::CatalogLines({});
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "[ {Catalog} << /PageLayout /SinglePage >> /PUT pdfmark");
  EXPECT_EQ(lines[1], "[ {Catalog} << /PageMode /UseOutlines >> /PUT pdfmark");
  EXPECT_EQ(lines[2], "[ {Catalog} << /OpenAction [{Page1} /Fit] >> /PUT pdfmark");
}

TEST(CatalogLines, EachOptionDoesWhatItsLabelSays) {
  auto lines = qe::CatalogLines({"0", "1", "0"});
  EXPECT_EQ(lines[0], "[ {Catalog} << /PageLayout /OneColumn >> /PUT pdfmark");
  EXPECT_EQ(lines[1], "[ {Catalog} << /PageMode /UseNone >> /PUT pdfmark");
  EXPECT_EQ(lines[2], "[ {Catalog} << /OpenAction [{Page1} /FitH null] >> /PUT pdfmark");
  lines = qe::CatalogLines({"2", "2", "2"});
  EXPECT_EQ(lines[0], "[ {Catalog} << /PageLayout /TwoPageLeft >> /PUT pdfmark");
  EXPECT_EQ(lines[1], "[ {Catalog} << /PageMode /UseThumbs >> /PUT pdfmark");
  EXPECT_EQ(lines[2], "[ {Catalog} << /OpenAction [{Page1} /XYZ null null 1] >> /PUT pdfmark");
}

TEST(CatalogLines, OutOfRangeChoicesAreWhatTheOptionsDialogShows) {
  // The dialog shows an index past its list as the last item and a negative
  // one as the first; only a text that is no number gives the default.
  const qe::CatalogChoices last{"2", "2", "2"}, first{"0", "0", "0"};
  const std::vector<std::pair<const char*, qe::CatalogChoices>> cases = {
      {"3", last}, {"5", last}, {"0003", last}, {"-1", first}, {"-7", first},
      {"", {}},    {"x", {}},   {"1.5", {}},    {" 1", {}},    {"99999999999", {}},
  };
  for (const auto& [stored, shown] : cases) {
    EXPECT_EQ(qe::CatalogLines({stored, stored, stored}), qe::CatalogLines(shown)) << "stored \"" << stored << "\"";
  }
}
