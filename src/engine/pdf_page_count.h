#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

namespace quiremark::engine {

// The number of pages of a PDF as its page tree gives it: the /Count of the
// page tree root that the catalog names. The cross-reference is followed as a
// viewer follows it: tables and cross-reference streams, earlier sections
// through /Prev, and objects kept in object streams (Flate-compressed, with or
// without PNG predictors). Empty when the file cannot be read that far (not a
// PDF, a damaged cross-reference, another compression).
std::optional<int> PdfPageCount(const std::filesystem::path& pdf);
std::optional<int> PdfPageCountOf(std::string_view bytes);

}  // namespace quiremark::engine
