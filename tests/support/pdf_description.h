#pragma once

#include <filesystem>
#include <string>

namespace quiremark::testing {

// A PDF as a reader meets it, in text for comparing two PDFs: every page (its
// boxes, rotation, annotations with where they go, and content, resource
// names counted in the order they come so that a font's object number does
// not count), how many images it stores, the document information without
// the converter's ID, the catalog but its page tree and names, the named
// destinations, and the outline item by item (every key, pages as their
// numbers, a named destination as where it goes, nesting by indent).
std::string DescribePdf(const std::filesystem::path& pdf);

}  // namespace quiremark::testing
