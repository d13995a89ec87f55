// The page count of the PDF a converter made.
#include "engine/pdf_page_count.h"

#include <gtest/gtest.h>

#include "engine/pdfmark.h"
#include "engine/plot_files.h"
#include "platform/process.h"
#include "support/test_support.h"

namespace qe = quiremark::engine;
namespace qp = quiremark::platform;
namespace qt = quiremark::testing;

TEST(PdfPageCount, GhostscriptOutputAndObjectStreams) {
  qt::TempDir dir;
  qt::WriteFile(dir / "a.ps", qt::DriverPlotFile(3));
  ASSERT_TRUE(qp::RunAndCapture({"gs", "-q", "-dBATCH", "-dNOPAUSE", "-sDEVICE=pdfwrite",
                                 "-sOutputFile=" + (dir / "a.pdf").string(), (dir / "a.ps").string()}));
  EXPECT_EQ(qe::PdfPageCount(dir / "a.pdf"), 3);
  // The same PDF with compressed cross-reference and object streams, as newer writers make it.
  ASSERT_TRUE(qp::RunAndCapture({"qpdf", "--object-streams=generate", (dir / "a.pdf").string(),
                                 (dir / "b.pdf").string()}));
  ASSERT_NE(qt::ReadFile(dir / "b.pdf").find("/ObjStm"), std::string::npos);
  EXPECT_EQ(qe::PdfPageCount(dir / "b.pdf"), 3);
}

// A file a viewer still opens gives the pages the viewer shows, even where
// the page tree's own /Count cannot be trusted.
TEST(PdfPageCount, DamagedFilesAndOddPageTreesAreCountedAsAViewerReadsThem) {
  // Every object 40 bytes further on than its row in the cross-reference says.
  const auto shifted = [](std::string pdf) {
    return pdf.insert(pdf.find('\n') + 1, "%" + std::string(38, 'x') + "\n");
  };
  const struct {
    const char* name;
    std::string bytes;
    int pages;
  } cases[] = {
      {"as written", qt::PagesPdf(4), 4},
      {"rows that miss their objects", shifted(qt::PagesPdf(4)), 4},
      {"rows that miss their objects, and a stale /Count", shifted(qt::PagesPdf(4, "/Count 6")), 4},
      {"no /Count", qt::PagesPdf(2, ""), 2},
      {"a /Count that is no number", qt::PagesPdf(2, "/Count (2)"), 2},
      {"a /Count below zero", qt::PagesPdf(2, "/Count -1"), 2},
      {"no pages", qt::PagesPdf(0), 0},
  };
  qt::TempDir dir;
  for (const auto& c : cases) {
    qt::WriteFile(dir / "a.pdf", c.bytes);
    std::string why;
    EXPECT_EQ(qe::PdfPageCount(dir / "a.pdf", &why), c.pages) << c.name << ": " << why;
  }
}

TEST(PdfPageCount, UnreadableFilesGiveNoCountAndTheReason) {
  const struct {
    const char* name;
    std::optional<std::string> bytes;  // none: no such file
  } cases[] = {
      {"no such file", std::nullopt},
      {"empty", ""},
      {"not a PDF", "%!PS\nshowpage\n"},
      {"a PDF only on its first and last line", "%PDF-1.4 garbage %%EOF\n"},
      {"no page tree", qt::PdfOf({"<< /Type /Catalog >>"})},
      {"a catalog that is no dictionary", qt::PdfOf({"(Catalog)"})},
  };
  qt::TempDir dir;
  for (const auto& c : cases) {
    std::filesystem::remove(dir / "a.pdf");
    if (c.bytes) qt::WriteFile(dir / "a.pdf", *c.bytes);
    std::string why;
    EXPECT_EQ(qe::PdfPageCount(dir / "a.pdf", &why), std::nullopt) << c.name;
    EXPECT_NE(why, "") << c.name;
  }
}

// Where the marked outline items go, read from gs's own output and from the
// same PDF rewritten with its objects in object streams.
TEST(ReadPdfPages, PlotFileStartsAsTheMarkedOutlineItemsGiveThem) {
  qt::TempDir dir;
  const auto mark = [](int file, const std::string& title, int count) {
    const qe::OutlineRecord record{count > 1 ? qe::OutlineRecord::Kind::Group : qe::OutlineRecord::Kind::Page, 1,
                                   count, title};
    return qe::OutlineLineAtCurrentPage(record, file) + "\n";
  };
  const std::string page = "newpath 72 72 moveto 200 200 lineto stroke showpage\n";
  const std::string folder = qe::OutlineLineAtCurrentPage({qe::OutlineRecord::Kind::Group, 1, 2, "Del (B) >>"}, 0) + "\n";
  qt::WriteFile(dir / "a.ps", mark(1, "Plan", 1) + page + folder +
                                  mark(2, "Sektion \\ (A) /Next 1 0 R >> %", 2) +
                                  qe::OutlineLineAtCurrentPage({qe::OutlineRecord::Kind::Page, 2, 0, "(Sid. 1)"}, 0) +
                                  "\n" + qe::OutlineLine({qe::OutlineRecord::Kind::Page, 3, 0, "(Sid. 2)"}) + "\n" +
                                  page + page + mark(3, "Fasad \xE2\x80\x93 \xC3\xB6st", 1) + page +
                                  mark(4, "Tom", 1));
  ASSERT_TRUE(qp::RunAndCapture({"gs", "-q", "-dBATCH", "-dNOPAUSE", "-sDEVICE=pdfwrite",
                                 "-sOutputFile=" + (dir / "a.pdf").string(), (dir / "a.ps").string()}));
  ASSERT_TRUE(qp::RunAndCapture({"qpdf", "--object-streams=generate", (dir / "a.pdf").string(),
                                 (dir / "b.pdf").string()}));
  for (const char* pdf : {"a.pdf", "b.pdf"}) {
    const std::optional<qe::PdfPages> pages = qe::ReadPdfPages(dir / pdf, 5);
    ASSERT_TRUE(pages) << pdf;
    EXPECT_EQ(pages->count, 4) << pdf;
    EXPECT_EQ(pages->fileStarts, (std::vector<int>{1, 2, 4, 5, 0})) << pdf << ": the last one on a page never made";
  }
  qt::WriteFile(dir / "c.pdf", qt::PagesPdf(3));
  const std::optional<qe::PdfPages> unmarked = qe::ReadPdfPages(dir / "c.pdf", 2);
  ASSERT_TRUE(unmarked);
  EXPECT_EQ(unmarked->count, 3);
  EXPECT_EQ(unmarked->fileStarts, (std::vector<int>{0, 0}));
}

// Outline items a converter may write otherwise than gs does, and a damaged
// cross-reference: where the fast reading cannot be sure, qpdf reads them.
TEST(ReadPdfPages, OutlineItemsOfOtherShapesAndADamagedTableGiveTheSameStarts) {
  qt::TempDir dir;
  const auto pdf = [](const std::string& second, bool damaged) {
    std::string bytes = qt::PdfOf({"<< /Type /Catalog /Pages 2 0 R /Outlines 5 0 R >>",
                                   "<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 >>",
                                   "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] >>",
                                   "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] >>",
                                   "<< /Type /Outlines /First 6 0 R /Last 7 0 R /Count 2 >>",
                                   "<< /Title (a) /Parent 5 0 R /Next 7 0 R /Dest [3 0 R /XYZ null null 0] "
                                   "/QuiremarkPlotFile 1 >>",
                                   "<< /Title (b) /Parent 5 0 R /Prev 6 0 R " + second + " >>",
                                   "[4 0 R /XYZ null null 0]"});
    if (damaged) {  // the first item's row points beyond the end of the file
      const size_t row = bytes.find("xref\n") + std::string("xref\n0 9\n").size() + 20 * 6;
      bytes.replace(row, 10, "0099999999");
    }
    return bytes;
  };
  const struct {
    const char* what;
    std::string second;
    bool damaged;
  } cases[] = {
      {"as gs writes it", "/Dest [4 0 R /XYZ null null 0] /QuiremarkPlotFile 2", false},
      {"its destination an object of its own", "/Dest 8 0 R /QuiremarkPlotFile 2", false},
      {"its key written with an escape", "/Dest [4 0 R /XYZ null null 0] /Quiremark#50lotFile 2", false},
      {"a table row beyond the end", "/Dest [4 0 R /XYZ null null 0] /QuiremarkPlotFile 2", true},
  };
  for (const auto& c : cases) {
    qt::WriteFile(dir / "a.pdf", pdf(c.second, c.damaged));
    std::string why;
    const std::optional<qe::PdfPages> pages = qe::ReadPdfPages(dir / "a.pdf", 2, &why);
    ASSERT_TRUE(pages) << c.what << ": " << why;
    EXPECT_EQ(pages->count, 2) << c.what;
    EXPECT_EQ(pages->fileStarts, (std::vector<int>{1, 2})) << c.what;
  }
}
