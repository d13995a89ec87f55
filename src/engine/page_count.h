#pragma once

#include <cstddef>
#include <filesystem>
#include <string_view>

namespace quiremark::engine {

// Follows the page comments of a plot file while its bytes go by, so the copy
// into the temporary file and the page count read the file once.
//
// A line ends at a carriage return, a line feed or the pair. The printer
// driver writes one line "(%%[Page: n]%%) = flush" per page: a line that
// begins with "(%%[PAGE:" in any letter case, after blanks or none, and
// holds no "(ATEND)" sets the count to the number between its first ":" and
// its last "]", the last such line winning. The keyword counts only at the
// start of a line, where the driver writes it: a listing that prints the
// text "(%%[Page: 1]%%)" writes it inside a string, after the string's own
// "(" and a position, so the pages of a printout are never taken from the
// text it prints. A line whose number is not a page number (1 to 32767) is
// no driver line. Without any driver line the count is the number of
// "%%Page:" comments, and a file with neither is one page. The last
// "%%Page:" comment counts only where a line of PostScript follows it before
// "%%Trailer", "%%EOF" or the end: a converter of drawings writes one more
// before its trailer than it makes pages, and no converter makes a page of it.
//
// A plot file may carry another document inside it, such as an EPS drawing
// between a "%%BeginDocument" line and its "%%EndDocument" line, nested to any
// depth. That document's pages are drawn on the page that holds it, so its
// lines count for nothing: neither its "%%Page:" comments nor its driver
// lines, which make no page of the plot file either. A "%%EndDocument"
// without its beginning is ignored.
//
// Memory stays the same whatever the line length: a line is never kept, only
// the few facts about it that decide whether and how it counts, so a plot
// file that is one line of hundreds of megabytes costs no more than its read
// block. The number is read as its value, so "(%%[Page: 000012]%%)" is 12.
class PageCommentScanner {
 public:
  void Feed(const char* data, size_t size);
  // Ends the last line when the file does not end with a line break.
  void Finish();
  int pages() const;
  // Number of driver lines seen (one per page printed).
  int driverLines() const { return driverLines_; }
  // Number of "%%Page:" comments seen.
  int pageComments() const { return pageComments_; }

 private:
  // Where the reading of a driver line's page number stands.
  enum class Number {
    None,     // the line does not begin with "(%%[PAGE:", or not yet
    Lead,     // blanks after its ":"
    Digits,   // in the number
    Trail,    // blanks after the number
    Closed,   // a "]" ended the number; any later "]" spoils it
    Spoiled,  // the text up to the last "]" is not a number
  };

  // More of the current line.
  void Segment(const char* from, const char* to);
  void ReadNumber(const char* from, const char* to);
  void EndLine();

  // The current line, as far as it has come.
  bool open_ = false;       // it goes on in the next block
  size_t length_ = 0;
  char head_[15] = {};      // its first bytes, for "%%Page:", "%%BeginDocument" and the like
  char key_[9] = {};        // its first bytes after blanks, for the driver's keyword
  size_t keyLength_ = 0;
  char first_ = 0;          // its first byte that is no blank; 0 while there is none
  char tail_[8] = {};       // its last bytes, for an "(ATEND)" split between two blocks
  size_t tailLength_ = 0;
  bool atEnd_ = false;      // holds "(ATEND)"
  Number number_ = Number::None;
  int value_ = 0;           // up to 32768, which stands for any larger number

  size_t embedded_ = 0;  // how many embedded documents the lines are inside
  int driverLines_ = 0;
  int driverPages_ = 1;
  int pageComments_ = 0;
  bool pagePending_ = false;  // the last "%%Page:" comment waits for a line of PostScript
};

// Number of pages of the plot file at `psFile`. Throws std::system_error when
// the file cannot be read.
int CountPsPages(const std::filesystem::path& psFile);

}  // namespace quiremark::engine
