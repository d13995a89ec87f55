#pragma once

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "engine/temp_ps_file.h"

namespace quiremark::engine {

// Joins PDFs that one converter made of consecutive parts of a bind into the
// PDF of the whole bind, as one run of the converter would have made it: the
// pages of `parts` in order, their content as it is; the document
// information and the catalog of the first part (it carries the bind's
// DOCINFO and catalog lines); and `outline`, the entries the temporary file
// carries, written as the converter writes pdfmark outline entries (a group
// owns the entries after it and shows closed; an entry goes to its page with
// /XYZ null null 0, a group with /XYZ null null null; a plot file's mark is
// kept), in place of the parts' own outlines. `out` is written through
// `writeTo`, an open file the caller owns, which has every byte once this
// returns true (a write that fails, a full disk, fails the join). False, with
// the reason in `why` (English, in qpdf's words where it comes from qpdf),
// when a part cannot be read, an entry goes to a page the parts do not
// have, or the PDF cannot be written; then `writeError`, when given, gets
// the system's reason why a write failed (ENOSPC: the disk is full).
bool MergePdfParts(const std::vector<std::filesystem::path>& parts, const std::vector<WrittenOutlineEntry>& outline,
                   int writeTo, std::string& why, std::error_code* writeError = nullptr);

}  // namespace quiremark::engine
