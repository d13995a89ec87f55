#pragma once

#include <string>

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

}  // namespace quiremark::testing
