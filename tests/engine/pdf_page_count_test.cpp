// The page count of a PDF, read from its page tree however its
// cross-reference is written.
#include "engine/pdf_page_count.h"

#include <gtest/gtest.h>

#include "engine/plot_files.h"
#include "platform/process.h"
#include "support/test_support.h"

namespace qe = quiremark::engine;
namespace qp = quiremark::platform;
namespace qt = quiremark::testing;

namespace {

// A PDF of the given objects ("<< ... >>" bodies, numbered from 1) with a
// cross-reference table; `previous` is an earlier revision it updates.
std::string Pdf(const std::vector<std::pair<int, std::string>>& objects, const std::string& previous = "") {
  std::string pdf = previous.empty() ? "%PDF-1.4\n" : previous;
  std::vector<std::pair<int, size_t>> offsets;
  for (const auto& [number, body] : objects) {
    offsets.emplace_back(number, pdf.size());
    pdf += std::to_string(number) + " 0 obj\n" + body + "\nendobj\n";
  }
  const size_t xref = pdf.size();
  pdf += "xref\n";
  for (const auto& [number, offset] : offsets) {
    char entry[32];
    std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", offset);
    pdf += std::to_string(number) + " 1\n" + entry;
  }
  pdf += "trailer\n<< /Size 9 /Root 1 0 R";
  if (!previous.empty()) pdf += " /Prev " + std::to_string(std::stoul(previous.substr(previous.rfind("startxref") + 10)));
  pdf += " >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
  return pdf;
}

}  // namespace

TEST(PdfPageCount, TablesUpdatesAndIndirectCounts) {
  const std::string catalog = "<< /Type /Catalog /Pages 2 0 R /PageMode /UseOutlines >>";
  const std::string first = Pdf({{1, catalog}, {2, "<< /Type /Pages /Kids [] /Count 1 >>"}});
  EXPECT_EQ(qe::PdfPageCountOf(first), 1);
  // An update replaces the page tree; the newest section wins, the older one still gives the catalog.
  const std::string updated = Pdf({{2, "<< /Type /Pages /Kids [] /Count 2 >>"}}, first);
  EXPECT_EQ(qe::PdfPageCountOf(updated), 2);
  EXPECT_EQ(qe::PdfPageCountOf(Pdf({{1, catalog}, {2, "<< /Type /Pages /Kids [3 0 R] /Count 3 0 R >>"}, {3, "4"}})),
            4);
  // Nested dictionaries, strings and names that only look like keys.
  EXPECT_EQ(qe::PdfPageCountOf(Pdf({{1, "<< /Type /Catalog /X << /Pages 7 0 R >> /T (/Pages 8 0 R) /Pages 2 0 R >>"},
                                    {2, "<< /Type /Pages /CountX 9 /Count 5 >>"}})),
            5);
}

TEST(PdfPageCount, UnreadableFilesGiveNoCount) {
  const std::string good = Pdf({{1, "<< /Type /Catalog /Pages 2 0 R >>"}, {2, "<< /Type /Pages /Count 1 >>"}});
  const std::vector<std::pair<const char*, std::string>> cases = {
      {"empty", ""},
      {"not a PDF", "%!PS\nshowpage\n"},
      {"cut short", good.substr(0, good.size() / 2)},
      {"offsets wrong", std::string(7, ' ') + good},
      {"no page tree", Pdf({{1, "<< /Type /Catalog >>"}})},
  };
  for (const auto& [name, bytes] : cases) EXPECT_FALSE(qe::PdfPageCountOf(bytes)) << name;
  qt::TempDir dir;
  EXPECT_FALSE(qe::PdfPageCount(dir / "none.pdf"));
}

TEST(PdfPageCount, GhostscriptOutputAndObjectStreams) {
  qt::TempDir dir;
  qt::WriteFile(dir / "a.ps", qt::DriverPlotFile(3));
  ASSERT_TRUE(qp::RunAndCapture({"gs", "-q", "-dBATCH", "-dNOPAUSE", "-sDEVICE=pdfwrite",
                                 "-sOutputFile=" + (dir / "a.pdf").string(), (dir / "a.ps").string()}));
  EXPECT_EQ(qe::PdfPageCount(dir / "a.pdf"), 3);
  // The same PDF with compressed cross-reference and object streams (PNG
  // predictors on the cross-reference stream), as newer writers make it.
  ASSERT_TRUE(qp::RunAndCapture({"qpdf", "--object-streams=generate", (dir / "a.pdf").string(),
                                 (dir / "b.pdf").string()}));
  ASSERT_NE(qt::ReadFile(dir / "b.pdf").find("/ObjStm"), std::string::npos);
  EXPECT_EQ(qe::PdfPageCount(dir / "b.pdf"), 3);
}

// A table is read row by row where its rows stand only when every row is 20
// bytes; any other table is read whole, with the same result.
TEST(PdfPageCount, TablesReadWhereTheirRowsStandOrWhole) {
  // One object per page as a writer of many pages makes it, then the catalog
  // and the page tree at the end, in one subsection of many rows.
  std::string pdf = "%PDF-1.7\n";
  std::vector<size_t> offsets = {0};
  const int pages = 1500;
  for (int n = 1; n <= pages; ++n) {
    offsets.push_back(pdf.size());
    pdf += std::to_string(n) + " 0 obj\n<< /Type /Page /Parent " + std::to_string(pages + 2) + " 0 R >>\nendobj\n";
  }
  offsets.push_back(pdf.size());
  pdf += std::to_string(pages + 1) + " 0 obj\n<< /Type /Catalog /Pages " + std::to_string(pages + 2) +
         " 0 R >>\nendobj\n";
  offsets.push_back(pdf.size());
  pdf += std::to_string(pages + 2) + " 0 obj\n<< /Type /Pages /Count " + std::to_string(pages) + " >>\nendobj\n";
  const auto withTable = [&](const char* rowEnd, char catalogKind) {
    std::string file = pdf;
    const size_t xref = file.size();
    file += "xref\n0 " + std::to_string(offsets.size()) + "\n";
    for (size_t n = 0; n < offsets.size(); ++n) {
      char row[32];
      const char kind = n == 0 ? 'f' : n == static_cast<size_t>(pages + 1) ? catalogKind : 'n';
      std::snprintf(row, sizeof row, "%010zu %05d %c%s", offsets[n], n == 0 ? 65535 : 0, kind, rowEnd);
      file += row;
    }
    file += "trailer\n<< /Size " + std::to_string(offsets.size()) + " /Root " + std::to_string(pages + 1) +
            " 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
    return file;
  };
  for (const char* rowEnd : {" \n", " \r", "\r\n"}) {
    EXPECT_EQ(qe::PdfPageCountOf(withTable(rowEnd, 'n')), pages) << "20-byte rows";
    EXPECT_FALSE(qe::PdfPageCountOf(withTable(rowEnd, 'f'))) << "the catalog's row marks it free";
  }
  EXPECT_EQ(qe::PdfPageCountOf(withTable("\n", 'n')), pages) << "19-byte rows, as some writers make them";

  // Two subsections naming one object: the first wins, as in a table read whole.
  const std::string catalog = "<< /Type /Catalog /Pages 2 0 R >>";
  std::string twice = "%PDF-1.4\n";
  const size_t one = twice.size();
  twice += "1 0 obj\n" + catalog + "\nendobj\n";
  const size_t good = twice.size();
  twice += "2 0 obj\n<< /Type /Pages /Count 7 >>\nendobj\n";
  const size_t stale = twice.size();
  twice += "2 0 obj\n<< /Type /Pages /Count 9 >>\nendobj\n";
  const size_t xref = twice.size();
  char rows[96];
  std::snprintf(rows, sizeof rows, "1 2\n%010zu 00000 n \n%010zu 00000 n \n2 1\n%010zu 00000 n \n", one, good, stale);
  twice += std::string("xref\n") + rows + "trailer\n<< /Size 3 /Root 1 0 R >>\nstartxref\n" + std::to_string(xref) +
           "\n%%EOF\n";
  EXPECT_EQ(qe::PdfPageCountOf(twice), 7);
}
