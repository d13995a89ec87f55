#pragma once

#include <filesystem>
#include <string>

namespace quiremark::engine {

// True when the file is a PDF that was written to its end: it begins with
// "%PDF-" and its last kilobyte holds "%%EOF".
bool IsCompletePdf(const std::filesystem::path& pdf);

// The first line of a converter's log that reports an error ("Error: ...",
// "... ERROR: ...", "Unrecoverable error", "%%[ Error: ..."); "" when none.
// A PostScript error or an outline entry beyond the last page shows only
// there, not in the exit code.
std::string FirstErrorLine(const std::filesystem::path& log);

}  // namespace quiremark::engine
