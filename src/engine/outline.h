#pragma once

#include <string>
#include <vector>

namespace quiremark::engine {

// One item of the PDF outline the next bind writes.
struct OutlineRecord {
  enum class Kind {
    Page,   // goes to `page`
    Group,  // goes to `page` and owns the `count` records right after it, shown closed
  };
  Kind kind = Kind::Page;
  int page = 0;  // target page, counted from 1
  int count = 0;  // groups only
  // Plain UTF-8 text as the user should see it. Callers never escape it: the
  // pdfmark writer escapes and encodes every title in one place.
  std::string title;

  bool operator==(const OutlineRecord&) const = default;
};

// The outline of the next bind run: its records in order and the number of PDF
// pages they account for so far. A grid run fills it file by file while the
// temporary file is written; a tree scan fills it beforehand with folder groups
// and the same per-file entries, and the run then leaves it as it is.
class OutlineState {
 public:
  // Empties the outline and starts the page count again.
  void ResetScan();

  // A group pointing at the next page (the page count does not move).
  void AddGroupEntry(int count, std::string title);
  // A page entry for the next page; the page count moves on by one.
  void AddPageEntry(std::string title);
  // The entries of one plot file: a one-page file gets one page entry titled
  // `title`; a file of several pages a group titled `title` followed by one page
  // entry per page titled "(Sid. n)". `title` is trimmed of blanks at both ends.
  void AddFileEntries(const std::string& title, int pages);

  const std::vector<OutlineRecord>& records() const { return records_; }
  int pageCounter() const { return pageCounter_; }

 private:
  std::vector<OutlineRecord> records_;
  int pageCounter_ = 0;
};

}  // namespace quiremark::engine
