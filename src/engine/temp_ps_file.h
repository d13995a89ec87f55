#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <system_error>
#include <vector>

#include "engine/outline.h"
#include "engine/pdfmark.h"
#include "platform/environment.h"
#include "platform/file_search.h"
#include "platform/raw_file.h"

namespace quiremark::engine {

// "QuiremarkTmp.ps" in the temporary folder, as an absolute path: the
// temporary file as the last bind left it (RunFiles), and the name beside
// which runs take turns.
std::filesystem::path TempPsPath();

// What one plot file put into the temporary file.
struct BoundFile {
  std::string path;      // as text: a bind of thousands of files makes no path object per file
  int pages = 1;         // as its page comments give them, and as the outline counts them
  int pageComments = 0;  // its "%%Page:" comments
  bool empty = false;    // it holds no bytes at all, so it prints no page
  bool marked = false;   // its first outline entry marks the page where it begins (kPlotFileKey)
  bool eps = false;      // an EPS file, placed on a page of its own
  // Where it lies in the temporary file, its outline entries and the lines
  // around it included: [begin, end).
  uint64_t begin = 0;
  uint64_t end = 0;
};

// An outline record as the temporary file carries it, with the number of
// the plot file whose beginning it marks (kPlotFileKey; 0: none).
struct WrittenOutlineEntry {
  OutlineRecord record;
  int plotFile = 0;
};

// The plot file of `files` (as TempPsFile::files() gives them) that holds
// `offset`, a place in the temporary file; nullptr where none does.
const BoundFile* PlotFileAt(const std::vector<BoundFile>& files, uint64_t offset);

// A plot file that cannot be bound as it is; what() says why, naming it, in
// Swedish for the user.
class PlotFileRefused : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A write to the temporary file that failed; code() tells why.
class TempWriteError : public std::system_error {
 public:
  using std::system_error::system_error;
};

// The temporary PostScript file of a bind run: the plot files one after the
// other, each with its outline entries in front of it, then the document
// information, the catalog lines and the outline entries not written yet.
// The run creates it, appends the numbered plot files in their order and
// finishes it; then it is converted. File errors throw: a plot file or side
// file that cannot be read std::filesystem::filesystem_error naming it, a plot
// file that cannot be bound PlotFileRefused, a write to the temporary file
// that fails TempWriteError with its reason (a full disk), a temporary file
// that cannot be made std::runtime_error; the file is then incomplete and
// must not be converted.
//
// Each plot file is converted as it would be alone (BindProlog): nothing it
// sets, defines or draws after its last page reaches the next file, and its
// own pdfmarks act on its own pages. An EPS file (first line "%!PS-Adobe-...
// EPSF-...") is placed as its format asks of a host: its own showpage does
// nothing, and the bind ends its page, so it makes one page whether it shows
// its page or not (one whose page comments count several pages is taken as
// the document it is). Of a DOS EPS binary file (a header C5 D0 D3 C6 and a
// TIFF or WMF preview beside the PostScript) only the PostScript section is
// bound. Every byte that is bound stays as it is.
class TempPsFile {
 public:
  // Creates the file or empties it; a planted link is refused. Side files
  // are looked up in `listings` (the run's listings of its folders, which the
  // run then uses for its other lookups), or in listings of its own.
  explicit TempPsFile(const std::filesystem::path& file, platform::FolderListings* listings = nullptr);
  TempPsFile(const TempPsFile&) = delete;
  TempPsFile& operator=(const TempPsFile&) = delete;

  // Copies the plot file's bytes as they are, adding CR LF only when it does
  // not end with a line break, after counting its pages (a file larger than
  // one read block is read twice). With `outline`, the file's entries are
  // added to it, titled from its bookmark side file or its base name (a grid
  // run), or, with `scanned`, the outline holds them already and takes the
  // pages counted (a tree scan); either way they are written in front of the
  // file with those of the folder groups before it, its first one marking
  // the page where it begins. Returns the page count. A
  // plot file or side file that is not a regular file (a FIFO, a device) is
  // refused at once, and so is a DOS EPS binary file whose header does not
  // fit the file (PlotFileRefused). Side files are looked up in a listing of
  // each folder made on the first file from it.
  int AppendPlotFile(const std::string& plotFile, OutlineState* outline, bool scanned = false);

  // The plot files appended so far, in order, and their pages together: the
  // pages the PDF must get.
  const std::vector<BoundFile>& files() const { return files_; }
  int pages() const { return pages_; }

  // The outline as the file carries it, in order: the records written in
  // front of the plot files and those of the end.
  const std::vector<WrittenOutlineEntry>& outline() const { return outline_; }
  // How many of those came at the end, after "% BOOKMARKS".
  size_t trailingRecords() const { return trailingRecords_; }
  // Whether an entry in front of a plot file names a page of the whole bind
  // (an entry of no plot file's): the bind is then converted in one run.
  bool pagesNamed() const { return pagesNamed_; }
  // Where the parts of the finished file lie: the line before the first
  // plot file ends at headerEnd; the document information and the catalog
  // lines fill [trailerBegin, bookmarksBegin); "% BOOKMARKS" and what
  // follows it end the file at size.
  uint64_t headerEnd() const { return headerEnd_; }
  uint64_t trailerBegin() const { return trailerBegin_; }
  uint64_t bookmarksBegin() const { return bookmarksBegin_; }
  uint64_t size() const { return written_; }

  // Writes the DOCINFO line, the three catalog lines, "% BOOKMARKS", one
  // tab-indented line per outline record not written in front of a plot
  // file and "%%EOF", and closes the file.
  void Finish(const DocInfo& info, const CatalogChoices& catalog, OutlineState& outline);

 private:
  // Small writes (a plot file of a few hundred bytes) gather in a buffer of
  // bounded size; one system call then writes many files.
  void Write(std::string_view bytes);
  void Flush();
  // The outline records taken for the plot file about to be written, number
  // `plotFile` of `pages` pages: those in front of its own are written in
  // front of it; the titles of its own, as pdfmark strings, are returned
  // for the line after it.
  std::vector<std::string> WriteRecords(const std::vector<OutlineRecord>& records, int plotFile, int pages);
  // `outline` is the one this bind writes: the first time, its records are
  // taken from the first again.
  void Writing(OutlineState& outline);

  std::filesystem::path path_;
  platform::SafeOutputFile out_;
  platform::AlignedBuffer buffer_;  // what is gathered for the next write
  size_t buffered_ = 0;
  platform::AlignedBuffer readBuffer_;  // one block of the plot file being copied
  std::vector<BoundFile> files_;
  int pages_ = 0;
  uint64_t written_ = 0;  // bytes passed to Write so far
  uint64_t headerEnd_ = 0, trailerBegin_ = 0, bookmarksBegin_ = 0;
  std::vector<WrittenOutlineEntry> outline_;
  size_t trailingRecords_ = 0;
  bool pagesNamed_ = false;
  platform::FolderListings ownListings_;
  platform::FolderListings* listings_;
  std::optional<platform::OpenFolder> heldFolder_;  // the folder of the last plot file without a listing
  const OutlineState* writing_ = nullptr;  // the outline whose records this file takes
};

}  // namespace quiremark::engine
