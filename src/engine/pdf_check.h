#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace quiremark::engine {

// True when the file is a PDF that was written to its end: it begins with
// "%PDF-" and its last kilobyte holds "%%EOF".
bool IsCompletePdf(const std::filesystem::path& pdf);

// Whether a line of a converter's output reports an error ("Error: ...",
// "... ERROR: ...", "Unrecoverable error", "%%[ Error: ...").
bool IsErrorLine(const std::string& line);

// Whether it is a status report of the "%%[ ... ]%%" kind that is no error:
// a page done ("%%[Page: 2]%%"), the time taken.
bool IsStatusLine(const std::string& line);

// The first line of a converter's log that reports an error ("Error: ...",
// "... ERROR: ...", "Unrecoverable error", "%%[ Error: ..."); "" when none.
// A PostScript error or an outline entry beyond the last page shows only
// there, not in the exit code.
std::string FirstErrorLine(const std::filesystem::path& log);

// The first notice gs wrote in its log ("GPL Ghostscript 10.00.0: **** Could
// not open the file ..."), from the text after its stars; "" when none. gs
// writes warnings the same way in runs that succeed, so a notice tells why
// only when the run failed.
std::string FirstNoticeLine(const std::filesystem::path& log);

// Where in its input gs stood when it stopped on an error ("Current file
// position is 1234", in bytes from the start); empty when its log says not.
std::optional<uint64_t> ErrorFilePosition(const std::filesystem::path& log);

}  // namespace quiremark::engine
