#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace quiremark::engine {

// Follows the page comments of a plot file while its bytes go by, so the copy
// into the temporary file and the page count read the file once.
//
// A line ends at a carriage return, a line feed or the pair. The printer
// driver writes one line "(%%[Page: n]%%) = flush" per page: a line holding
// "(%%[PAGE:" in any letter case and no "(ATEND)" sets the count to the number
// between its first ":" and its last "]", the last such line winning. Without
// any driver line the count is the number of "%%Page:" comments, and a file
// with neither is one page. A driver line whose number is not a page number
// (1 to 32767) leaves the count as it was.
class PageCommentScanner {
 public:
  void Feed(const char* data, size_t size);
  // Ends the last line when the file does not end with a line break.
  void Finish();
  int pages() const;
  // Number of driver lines seen (one per page printed).
  int driverLines() const { return driverLines_; }

 private:
  void Line(std::string_view line);

  std::string partial_;  // a line that goes on in the next block
  int driverLines_ = 0;
  int driverPages_ = 1;
  int pageComments_ = 0;
};

// Number of pages of the plot file at `psFile`. Throws std::system_error when
// the file cannot be read.
int CountPsPages(const std::filesystem::path& psFile);

}  // namespace quiremark::engine
