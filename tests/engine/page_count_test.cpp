#include "engine/page_count.h"

#include <gtest/gtest.h>
#include <malloc.h>

#include <algorithm>
#include <vector>

#include "support/test_support.h"

namespace qe = quiremark::engine;
namespace qt = quiremark::testing;

namespace {

int Count(const std::string& content) {
  qt::TempDir dir;
  qt::WriteFile(dir / "a.plt", content);
  return qe::CountPsPages(dir / "a.plt");
}

// Feeds the text in blocks of `size` bytes, as a copy does.
int CountInBlocks(const std::string& content, size_t size) {
  qe::PageCommentScanner scanner;
  for (size_t at = 0; at < content.size(); at += size) {
    scanner.Feed(content.data() + at, std::min(size, content.size() - at));
  }
  scanner.Finish();
  return scanner.pages();
}

std::string DriverPage(int n) { return "(%%[Page: " + std::to_string(n) + "]%%) = flush\r\n"; }

}  // namespace

TEST(CountPsPages, DriverLines) {
  EXPECT_EQ(Count("%!PS-Adobe-3.0\r\nshowpage\r\n"), 1);
  EXPECT_EQ(Count("%!PS\r\n" + DriverPage(1) + "showpage\r\n" + DriverPage(2) + "showpage\r\n" + DriverPage(3)), 3);
  // The last one counts, not the largest.
  EXPECT_EQ(Count(DriverPage(12) + "x\r\n" + DriverPage(2)), 2);
  // Any letter case; "(atend)" in any case disqualifies the line.
  EXPECT_EQ(Count("(%%[page: 4]%%) = flush\r\n"), 4);
  EXPECT_EQ(Count(DriverPage(2) + "(%%[Page: 9]%%) (AtEnd) = flush\r\n"), 2);
  // Blanks around the number; text between the first ":" and the last "]".
  EXPECT_EQ(Count("(%%[Page:   7  ]%%) = flush\r"), 7);
  EXPECT_EQ(Count("(%%[Page: 5]%%) ] = flush"), 1);  // "5]%%) " is no number: stays 1
  // Indented by blanks and tabs, as some drivers write it.
  EXPECT_EQ(Count("%!PS\n  (%%[Page: 1]%%) = flush\nshowpage\n \t(%%[Page: 2]%%) = flush\nshowpage\n"), 2);
}

// A printout of a text that holds the driver's page line: the text is
// printed from strings, so the keyword never begins a line there, and the
// printout's own page comments count.
TEST(CountPsPages, PrintedTextIsNoDriverLine) {
  const std::string pages = "%%Page: 1 1\n%%Page: 2 2\n%%Page: 3 3\n";
  const struct {
    const char* what;
    std::string line;
  } cases[] = {
      {"a listing's text line", "5 742 M (\\(%%[Page: 1]%%\\) = flush) s\n"},
      {"a string on a line of its own", "(\\(%%[Page: 1]%%\\) = flush)\nshow\n"},
      {"unescaped balanced parentheses", "((%%[Page: 1]%%) = flush) show\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Count("%!PS\n" + pages + c.line + c.line), 3) << c.what;
    EXPECT_EQ(Count("%!PS\n" + c.line + DriverPage(2)), 2) << c.what << ", beside a driver line";
  }
}

TEST(CountPsPages, UnusableNumbersKeepThePreviousCount) {
  EXPECT_EQ(Count(DriverPage(3) + "(%%[Page: x]%%)\r\n"), 3);
  EXPECT_EQ(Count(DriverPage(3) + "(%%[Page: 40000]%%)\r\n"), 3);
  EXPECT_EQ(Count(DriverPage(3) + "(%%[Page: 0]%%)\r\n"), 3);
  EXPECT_EQ(Count(DriverPage(3) + "] (%%[Page 4\r\n"), 3);  // "]" before ":"
}

TEST(CountPsPages, LineFeedEndsALine) {
  // With LF-only line ends each driver line is a line of its own.
  EXPECT_EQ(Count("%!PS\n(%%[Page: 1]%%) = flush\nshowpage\n(%%[Page: 2]%%) = flush\nshowpage\n"), 2);
  // A driver line followed by an "(atend)" text on the next LF line is not disqualified.
  EXPECT_EQ(Count("(%%[Page: 2]%%)\n(atend)\n"), 2);
}

TEST(CountPsPages, FallsBackToPageComments) {
  EXPECT_EQ(Count("%!PS-Adobe-3.0\r\n%%Pages: 3\r\n%%Page: 1 1\r\nshowpage\r\n%%Page: 2 2\r\nshowpage\r\n"
                  "%%Page: 3 3\r\nshowpage\r\n%%EOF\r\n"),
            3);
  // Driver lines present: they alone count.
  EXPECT_EQ(Count("%%Page: 1 1\r\n%%Page: 2 2\r\n" + DriverPage(1)), 1);
  // A page comment must begin its line.
  EXPECT_EQ(Count("x %%Page: 1 1\r\n x%%Page: 2 2\r\n"), 1);
}

TEST(CountPsPages, BlockBoundariesDoNotMatter) {
  const std::string text = "%!PS\r\n" + DriverPage(1) + "binary \x00\xff\r data\r\n" + DriverPage(2) +
                           "%%Page: 3 3\n" + DriverPage(10) + "q\r\n(%%[PAGE: 11]%%) (atend)\r\n";
  for (size_t size : {1, 2, 3, 5, 7, 16, 1000}) EXPECT_EQ(CountInBlocks(text, size), 10) << "block " << size;
  const std::string comments = "%%Page: 1 1\r\nx\r\n%%Page: 2 2\r\n%%Page: 3 3\r\n  showpage";
  for (size_t size : {1, 2, 3, 4, 100}) EXPECT_EQ(CountInBlocks(comments, size), 3) << "block " << size;
}

TEST(CountPsPages, EmbeddedDocumentsCountForNothing) {
  const std::string eps = "%%BeginDocument: logo.eps\r\n%!PS-Adobe-3.0 EPSF-3.0\r\n%%Pages: 1\r\n%%Page: 1 1\r\n"
                          "showpage\r\n%%EOF\r\n%%EndDocument\r\n";
  const std::string withEps = "%!PS-Adobe-3.0\r\n%%Page: 1 1\r\n" + eps + "showpage\r\n%%Page: 2 2\r\nshowpage\r\n";
  const struct {
    const char* what;
    std::string text;
    int pages;
    int pageComments;
  } cases[] = {
      {"an EPS with its own page comment", withEps, 2, 2},
      {"nested documents, pages at every depth",
       "%%Page: 1 1\n%%BeginDocument: a\n%%Page: 1 1\n%%BeginDocument: b\n%%Page: 1 1\n%%EndDocument\n"
       "%%Page: 2 2\n%%EndDocument\n%%Page: 2 2\n%%Page: 3 3\nshowpage\n",
       3, 3},
      {"no colon after the keyword", "%%Page: 1 1\r%%BeginDocument\r%%Page: 1 1\r%%EndDocument\r%%Page: 2 2\rshowpage\r", 2, 2},
      {"driver lines inside do not count",
       "%%Page: 1 1\r\n%%Page: 2 2\r\n%%BeginDocument: a\r\n" + DriverPage(7) + "%%EndDocument\r\n", 2, 2},
      {"driver lines outside still do",
       DriverPage(1) + "%%BeginDocument: a\r\n" + DriverPage(7) + "%%EndDocument\r\n" + DriverPage(2), 2, 0},
      {"a stray end goes no deeper than none",
       "%%EndDocument\r\n%%EndDocument\r\n%%BeginDocument: a\r\n%%Page: 1 1\r\n%%EndDocument\r\n%%Page: 1 1\r\n"
       "%%Page: 2 2\r\nshowpage\r\n",
       2, 2},
      {"the keywords must begin their line",
       "%%Page: 1 1\r\n %%BeginDocument: a\r\n%%Page: 2 2\r\nx%%EndDocument\r\n", 2, 2},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Count(c.text), c.pages) << c.what;
    for (size_t size : {1, 3, 16}) {
      EXPECT_EQ(CountInBlocks(c.text, size), c.pages) << c.what << ", block " << size;
    }
    // Two blocks, split at every byte: each keyword also falls across a boundary.
    for (size_t at = 0; at <= c.text.size(); ++at) {
      qe::PageCommentScanner scanner;
      scanner.Feed(c.text.data(), at);
      scanner.Feed(c.text.data() + at, c.text.size() - at);
      scanner.Finish();
      EXPECT_EQ(scanner.pages(), c.pages) << c.what << ", split at " << at;
      EXPECT_EQ(scanner.pageComments(), c.pageComments) << c.what << ", split at " << at;
    }
  }
}

TEST(CountPsPages, MissingFileThrows) {
  qt::TempDir dir;
  EXPECT_THROW(qe::CountPsPages(dir / "none.plt"), std::system_error);
}

TEST(CountPsPages, ZeroPaddedNumbersCountAsTheirValue) {
  EXPECT_EQ(Count("(%%[Page: 000012]%%) = flush\r\n"), 12);
  EXPECT_EQ(Count(DriverPage(2) + "(%%[Page: 00000000000000000007 ]%%)\r\n"), 7) << "any number of zeros";
  EXPECT_EQ(Count(DriverPage(2) + "(%%[Page: 032768]%%)\r\n"), 2) << "beyond a page number";
  EXPECT_EQ(Count(DriverPage(2) + "(%%[Page: 00000]%%)\r\n"), 2) << "zero is no page";
  EXPECT_EQ(Count(DriverPage(2) + "(%%[Page: 1 2]%%)\r\n"), 2) << "two numbers are none";
}

TEST(CountPsPages, OneLongLineCountsLikeShortOnesInAnyBlocks) {
  // A driver line that goes on with a long run of plot data: the keyword, the
  // number and "(ATEND)" may fall across any block boundary.
  const std::string data(5000, 'd');
  const std::string oneLine = "%!PS\r\n(%%[Page: 4]%%) " + data + " = flush\r\n";
  const std::string atEnd = DriverPage(3) + "(%%[Page: 9]%%)" + data + "(AtEnd)" + data;
  const std::string notFirst = DriverPage(3) + data + " (%%[Page: 9]%%)" + data;
  const std::string twoBrackets = DriverPage(3) + "(%%[Page: 9]%%)" + data + "]" + data;
  for (size_t size : {1, 2, 3, 7, 8, 9, 10, 64, 4999, 5007, 100000}) {
    EXPECT_EQ(CountInBlocks(oneLine, size), 4) << "block " << size;
    EXPECT_EQ(CountInBlocks(atEnd, size), 3) << "block " << size;
    EXPECT_EQ(CountInBlocks(notFirst, size), 3) << "block " << size;
    EXPECT_EQ(CountInBlocks(twoBrackets, size), 3) << "block " << size;
  }
}

TEST(CountPsPages, MemoryStaysBoundedByTheBlockWhateverTheLineLength) {
  // 64 blocks of one megabyte, all one line: the scanner must not keep it.
  const std::string block(1 << 20, 'a');
  const auto inUse = [] {
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
  };
  const size_t before = inUse();
  {
    std::vector<char> probe(4 << 20, 'p');
    if (inUse() < before + (4 << 20)) GTEST_SKIP() << "the allocator does not report its use";
  }
  qe::PageCommentScanner scanner;
  scanner.Feed("(%%[Page: 5]%%) ", 16);
  size_t most = before;
  for (int i = 0; i < 64; ++i) {
    scanner.Feed(block.data(), block.size());
    most = std::max(most, inUse());
  }
  scanner.Finish();
  EXPECT_EQ(scanner.pages(), 5);
  EXPECT_LT(most - before, size_t{1} << 20) << "the scanner grew with the line";
}

// A converter of drawings writes a page comment more than it makes pages,
// before its trailer; no converter makes a page of it. A page comment with
// PostScript after it counts, also where the trailer follows.
TEST(CountPsPages, ALastPageCommentWithNothingOnItsPageCountsForNothing) {
  const std::string page = "%%Page: 1 1\r\n/Helvetica findfont 9 scalefont setfont 9 9 moveto (x) show\r\nshowpage\r\n";
  const struct {
    const char* what;
    std::string text;
    int pages;
  } cases[] = {
      {"a stray comment before the trailer",
       "%!PS-Adobe-3.0\r\n" + page + "%%Page: 1 1\r\n% normal end\r\n\r\n%%Trailer\r\n%%Pages: 1\r\n%%EOF\r\n", 1},
      {"before the end of the file", page + "%%Page: 2 2\n%%PageTrailer\n%%EOF\n", 1},
      {"at the very end", page + "%%Page: 2 2", 1},
      {"PostScript after it", page + "%%Page: 2 2\r\n%%BeginPageSetup\r\n  showpage\r\n%%Trailer\r\n", 2},
      {"a trailer of PostScript after a page", page + "%%Trailer\r\nend restore\r\n%%EOF\r\n", 1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Count(c.text), c.pages) << c.what;
    for (size_t size : {1, 2, 5, 64}) EXPECT_EQ(CountInBlocks(c.text, size), c.pages) << c.what << ", block " << size;
  }
}
