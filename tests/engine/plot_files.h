#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace quiremark::testing {

// A plot file as the printer driver writes it: CRLF lines, a Windows-1252
// title comment, "%%Page:" comments and the driver's "(%%[Page: n]%%) = flush"
// line on every page, a little drawing and showpage.
inline std::string DriverPlotFile(int pages, const std::string& label = "Ritning") {
  std::string ps = "%!PS-Adobe-3.0\r\n%%Creator: Plotter driver\r\n%%Title: " + label +
                   " \xE5\xE4\xF6\r\n%%Pages: " + std::to_string(pages) + "\r\n%%EndComments\r\n";
  for (int page = 1; page <= pages; ++page) {
    const std::string n = std::to_string(page);
    ps += "%%Page: " + n + " " + n + "\r\n(%%[Page: " + n + "]%%) = flush\r\n";
    ps += "newpath 72 72 moveto 400 " + std::to_string(100 + 50 * page) + " lineto 2 setlinewidth stroke\r\n";
    ps += "/Helvetica findfont 24 scalefont setfont 72 700 moveto (" + label + " " + n + ") show\r\n";
    ps += "showpage\r\n";
  }
  return ps + "%%EOF\r\n";
}

// A PDF of the given objects (their bodies, numbered from 1; the first is the
// catalog) with a cross-reference table that finds them where they stand.
inline std::string PdfOf(const std::vector<std::string>& objects) {
  std::string pdf = "%PDF-1.4\n";
  std::string table = "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
  for (size_t n = 1; n <= objects.size(); ++n) {
    char row[24];
    std::snprintf(row, sizeof row, "%010zu 00000 n \n", pdf.size());
    table += row;
    pdf += std::to_string(n) + " 0 obj\n" + objects[n - 1] + "\nendobj\n";
  }
  const size_t xref = pdf.size();
  return pdf + table + "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
         std::to_string(xref) + "\n%%EOF\n";
}

// A PDF of `pages` blank pages whose page tree root says `count` ("/Count n" as a converter writes it).
inline std::string PagesPdf(int pages, const std::string& count) {
  std::vector<std::string> objects = {"<< /Type /Catalog /Pages 2 0 R >>", ""};
  std::string kids;
  for (int page = 0; page < pages; ++page) {
    kids += std::to_string(page + 3) + " 0 R ";
    objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] >>");
  }
  objects[1] = "<< /Type /Pages /Kids [ " + kids + "] " + count + " >>";
  return PdfOf(objects);
}
inline std::string PagesPdf(int pages) { return PagesPdf(pages, "/Count " + std::to_string(pages)); }

}  // namespace quiremark::testing
