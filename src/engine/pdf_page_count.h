#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>

namespace quiremark::engine {

// The number of pages of a PDF as its page tree gives it, read with qpdf,
// which follows the cross-reference as a viewer does and repairs a damaged
// one. Empty when the file cannot be read that far (missing, not a PDF, no
// page tree) or the reader cannot be loaded; `why` then gets the reason
// (English, in qpdf's words where it comes from qpdf).
std::optional<int> PdfPageCount(const std::filesystem::path& pdf, std::string* why = nullptr);

// Starts loading the PDF reader beside the caller's work (a converter
// running), so that the count after it need not wait for the loading.
// Idempotent; PdfPageCount loads the reader itself where nobody did.
void PreparePdfPageCount();

// The reader library, found as the programs' other libraries are (beside
// them, through their run path), and its one function: the page count of
// the PDF in bytes[0, size), named `name` in messages, or -1 with the
// reason in why[0, whySize), cut short where it does not fit.
inline constexpr const char* kPdfReaderLibrary = "libquiremark_pdf.so";
inline constexpr const char* kPdfPageCountSymbol = "QuiremarkPdfPageCount";
using PdfPageCountFunction = int(const char* name, const char* bytes, std::size_t size, char* why,
                                 std::size_t whySize);

}  // namespace quiremark::engine
