#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace quiremark::engine {

// The number of pages of a PDF as its page tree gives it, read with qpdf,
// which follows the cross-reference as a viewer does and repairs a damaged
// one. Empty when the file cannot be read that far (missing, not a PDF, no
// page tree); `why` then gets the reason (English, in qpdf's words where it
// comes from qpdf).
std::optional<int> PdfPageCount(const std::filesystem::path& pdf, std::string* why = nullptr);

// A PDF's pages and where its plot files begin.
struct PdfPages {
  int count = 0;
  // For plot file n (1 for the first) at index n - 1: the page, counted from
  // 1, that its marked outline entry goes to (kPlotFileKey); count + 1 when
  // that is a page the PDF never got; 0 when the PDF has no such entry (a
  // converter that drops what it does not know, a file it never came to).
  std::vector<int> fileStarts;
  // For the same files: the pages the file made where its entry says so
  // (kPlotFilePagesKey: another number than it was bound with); 0 where it
  // does not. Empty where no entry was found.
  std::vector<int> fileMade;
};

// The pages of a PDF as PdfPageCount counts them and, for `plotFiles` plot
// files, the pages where they begin. Empty as PdfPageCount is.
std::optional<PdfPages> ReadPdfPages(const std::filesystem::path& pdf, size_t plotFiles, std::string* why = nullptr);

}  // namespace quiremark::engine
