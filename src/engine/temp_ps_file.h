#pragma once

#include <filesystem>

#include "engine/outline.h"
#include "engine/pdfmark.h"
#include "platform/environment.h"

namespace quiremark::engine {

// "QuiremarkTmp.ps" in the temporary folder.
std::filesystem::path TempPsPath();

// The temporary PostScript file of a bind run: the plot files one after the
// other, then the document information, the catalog lines and the outline.
// The run creates it, appends the numbered plot files in their order and
// finishes it; then it is converted. File errors throw std::runtime_error
// (std::system_error for a plot file that cannot be read); the file is then
// incomplete and must not be converted.
class TempPsFile {
 public:
  // Creates the file or empties it; a planted link is refused.
  explicit TempPsFile(const std::filesystem::path& file);

  // Copies the plot file's bytes as they are, adding CR LF only when it does
  // not end with a line break, and counts its pages while copying (one read).
  // With `outline`, the file's entries are added to it, titled from its
  // bookmark side file or its base name (a grid run; a tree scan has built its
  // outline already and passes nullptr). Returns the page count.
  int AppendPlotFile(const std::filesystem::path& plotFile, OutlineState* outline);

  // Writes the DOCINFO line, the three catalog lines, "% BOOKMARKS", one
  // tab-indented line per outline record and "%%EOF", and closes the file.
  void Finish(const DocInfo& info, const CatalogChoices& catalog, const OutlineState& outline);

 private:
  void Write(std::string_view bytes);

  std::filesystem::path path_;
  platform::SafeOutputFile out_;
};

}  // namespace quiremark::engine
