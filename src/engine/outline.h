#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>
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
// and one entry per plot file whose pages are counted only when the bind copies
// the file (the scan reads no plot file), and the run then leaves it as it is.
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

  // The entries of the plot file at `file` (its path as the bind opens it),
  // as AddFileEntries makes them once its pages are known: FileCounted gives
  // them. Every entry after it points at pages counted from there.
  void AddUncountedFile(const std::string& title, std::string file);
  // A bind copied `file` and counted `pages` in what it copied: the outline
  // takes them, also in place of an earlier count of the same file. A path
  // the outline does not hold changes nothing.
  void FileCounted(const std::string& file, int pages);
  // Counts the pages of the files no bind has counted yet (reads them); a file
  // that cannot be read counts as one page. Nothing to do after a full bind.
  void CountRemainingFiles();
  // Whether every file's pages are known: only then are there records.
  bool complete() const { return uncounted_ == 0; }

  // A bind writes each plot file's records right before the file, with the
  // records of the folder groups in front of it, so that they go to the page
  // where the file begins. Each call takes the records of the items not
  // taken yet, in order, up to and including the entries of one plot file:
  // TakeRecordsThroughLast those of the file added last (a grid run),
  // TakeRecordsThrough those of the next entries of `file` (a tree scan,
  // once the bind counted it). Nothing is taken, and the result is empty,
  // when `file` has no entries after those taken or an item before them is
  // a file not counted yet (a bind in another order than the scan's): its
  // records then come with a later file's or at the end. The records have
  // the page numbers records() gives them.
  std::vector<OutlineRecord> TakeRecordsThroughLast();
  std::vector<OutlineRecord> TakeRecordsThrough(const std::string& file);
  // The records not taken, for the end of the file. Throws as records() does.
  std::vector<OutlineRecord> TakeRemainingRecords();
  // The next bind takes the records from the first again (a tree scan's
  // outline serves every bind until the next scan).
  void RewindTaking() {
    taken_ = 0;
    takenPages_ = 0;
  }

  // The records, and the pages they point to. Throws std::logic_error while
  // a file's pages are not known (see CountRemainingFiles).
  const std::vector<OutlineRecord>& records() const;
  int pageCounter() const;

 private:
  // What was added, in order; the records follow from it.
  struct Item {
    enum class Type { Group, Page, File };
    Type type = Type::Page;
    int count = 0;  // a group's entries, a file's pages (-1: not counted yet)
    std::string title;
  };
  void Build() const;
  // Appends the records of `item` to `records`, moving `pageCounter` on.
  static void AppendRecords(const Item& item, int& pageCounter, std::vector<OutlineRecord>& records);
  std::vector<OutlineRecord> Take(std::size_t end);

  std::vector<Item> items_;
  std::unordered_map<std::string, std::vector<std::size_t>> files_;  // path of an uncounted file -> its items
  std::size_t uncounted_ = 0;
  std::size_t taken_ = 0;  // items whose records a bind has taken
  int takenPages_ = 0;     // the pages those records account for
  mutable std::vector<OutlineRecord> records_;
  mutable int pageCounter_ = 0;
  mutable bool built_ = true;
};

}  // namespace quiremark::engine
