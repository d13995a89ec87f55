#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace quiremark::engine {

// The number of pages of a PDF as its page tree gives it, read with qpdf,
// which follows the cross-reference as a viewer does and repairs a damaged
// one. Empty when the file cannot be read that far (missing, not a PDF, no
// page tree); `why` then gets the reason (English, in qpdf's words where it
// comes from qpdf).
std::optional<int> PdfPageCount(const std::filesystem::path& pdf, std::string* why = nullptr);

}  // namespace quiremark::engine
