// The page count of the PDF a converter made.
#include "engine/pdf_page_count.h"

#include <gtest/gtest.h>

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
