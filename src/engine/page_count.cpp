#include "engine/page_count.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "platform/raw_file.h"

namespace quiremark::engine {

namespace {

constexpr std::string_view kKeyword = "(%%[PAGE:";  // upper case
constexpr std::string_view kAtEnd = "(ATEND)";
constexpr std::string_view kPageComment = "%%Page:";
constexpr std::string_view kBeginDocument = "%%BeginDocument";
constexpr std::string_view kEndDocument = "%%EndDocument";
constexpr std::string_view kTrailer = "%%Trailer";
constexpr std::string_view kEof = "%%EOF";
constexpr int kMaxPage = 32767;

const char* FindBreak(const char* from, const char* end) {
  const auto* lf = static_cast<const char*>(std::memchr(from, '\n', end - from));
  const char* limit = lf ? lf : end;
  const auto* cr = static_cast<const char*>(std::memchr(from, '\r', limit - from));
  return cr ? cr : limit;
}

// Where the line holding `at` begins, not before `from`.
const char* LineStart(const char* from, const char* at) {
  const auto* lf = static_cast<const char*>(memrchr(from, '\n', at - from));
  const auto* cr = static_cast<const char*>(memrchr(lf ? lf + 1 : from, '\r', at - (lf ? lf + 1 : from)));
  if (cr) return cr + 1;
  return lf ? lf + 1 : from;
}

// The next "%%" (memchr is far faster than memmem on plot data, where "%" is rare).
const char* FindPercentPair(const char* from, const char* end) {
  while (from < end) {
    const auto* percent = static_cast<const char*>(std::memchr(from, '%', end - from));
    if (!percent || percent + 1 >= end) return nullptr;
    if (percent[1] == '%') return percent;
    from = percent + 1;
  }
  return nullptr;
}

// Whether `upper` stands at `at` in any letter case; false when the text ends first.
bool StartsWithNoCase(const char* at, const char* end, std::string_view upper) {
  if (static_cast<size_t>(end - at) < upper.size()) return false;
  for (size_t k = 0; k < upper.size(); ++k) {
    if (std::toupper(static_cast<unsigned char>(at[k])) != static_cast<unsigned char>(upper[k])) return false;
  }
  return true;
}

}  // namespace

void PageCommentScanner::Segment(const char* from, const char* to) {
  const size_t size = static_cast<size_t>(to - from);
  if (size == 0) return;
  const size_t before = length_;
  for (size_t k = 0; before + k < sizeof head_ && k < size; ++k) head_[before + k] = from[k];
  length_ += size;

  // The driver's keyword begins the line, after blanks or none; the number follows it.
  const char* numberFrom = nullptr;
  if (keyLength_ < kKeyword.size()) {
    const char* p = from;
    for (; p < to && keyLength_ < kKeyword.size(); ++p) {
      if (first_ == 0 && (*p == ' ' || *p == '\t')) continue;
      if (first_ == 0) first_ = *p;
      key_[keyLength_++] = *p;
    }
    if (keyLength_ == kKeyword.size() && StartsWithNoCase(key_, key_ + keyLength_, kKeyword)) {
      number_ = Number::Lead;
      numberFrom = p;
    }
  } else if (number_ != Number::None) {
    numberFrom = from;
  }
  // Only a driver line needs more: its number and whether it holds "(ATEND)".
  if (number_ == Number::None) return;
  if (numberFrom < to) ReadNumber(numberFrom, to);

  // "(ATEND)" may begin in the bytes kept from before.
  if (!atEnd_ && tailLength_ > 0) {
    char joined[sizeof tail_ + sizeof tail_];
    const size_t more = std::min(size, sizeof tail_);
    std::memcpy(joined, tail_, tailLength_);
    std::memcpy(joined + tailLength_, from, more);
    for (size_t k = 0; k < tailLength_ && !atEnd_; ++k) {
      atEnd_ = joined[k] == '(' && StartsWithNoCase(joined + k, joined + tailLength_ + more, kAtEnd);
    }
  }
  for (const char* p = from; p < to && !atEnd_;) {
    const auto* open = static_cast<const char*>(std::memchr(p, '(', to - p));
    if (!open) break;
    atEnd_ = StartsWithNoCase(open, to, kAtEnd);
    p = open + 1;
  }

  // Keep the last bytes of the line for the next segment.
  if (size >= sizeof tail_) {
    std::memcpy(tail_, to - sizeof tail_, sizeof tail_);
    tailLength_ = sizeof tail_;
  } else {
    const size_t keep = std::min(tailLength_, sizeof tail_ - size);
    std::memmove(tail_, tail_ + tailLength_ - keep, keep);
    std::memcpy(tail_ + keep, from, size);
    tailLength_ = keep + size;
  }
}

void PageCommentScanner::ReadNumber(const char* from, const char* to) {
  for (const char* p = from; p < to; ++p) {
    const char c = *p;
    switch (number_) {
      case Number::None:
      case Number::Spoiled:
        return;
      case Number::Closed:
        if (std::memchr(p, ']', to - p)) number_ = Number::Spoiled;
        return;
      case Number::Lead:
      case Number::Digits:
      case Number::Trail:
        if (c == ' ') {
          if (number_ == Number::Digits) number_ = Number::Trail;
        } else if (c >= '0' && c <= '9' && number_ != Number::Trail) {
          number_ = Number::Digits;
          value_ = std::min(value_ * 10 + (c - '0'), kMaxPage + 1);
        } else if (c == ']' && number_ != Number::Lead) {
          number_ = Number::Closed;
        } else {
          number_ = Number::Spoiled;
        }
        break;
    }
  }
}

void PageCommentScanner::EndLine() {
  static_assert(sizeof head_ >= kBeginDocument.size() && sizeof head_ >= kEndDocument.size());
  const std::string_view head(head_, std::min(length_, sizeof head_));
  // The lines that begin and end an embedded document belong to it.
  if (head.starts_with(kBeginDocument)) ++embedded_;
  const bool embedded = embedded_ > 0;
  if (head.starts_with(kEndDocument) && embedded_ > 0) --embedded_;

  if (!embedded && head.starts_with(kPageComment)) {
    ++pageComments_;
    pagePending_ = true;
  } else if (first_ != 0 && first_ != '%') {
    pagePending_ = false;  // a line of PostScript
  } else if (pagePending_ && !embedded && (head.starts_with(kTrailer) || head.starts_with(kEof))) {
    --pageComments_;  // a page comment with nothing on its page
    pagePending_ = false;
  }
  if (!embedded && number_ == Number::Closed && !atEnd_ && value_ >= 1 && value_ <= kMaxPage) {
    ++driverLines_;
    driverPages_ = value_;
  }
  open_ = false;
  length_ = 0;
  keyLength_ = 0;
  first_ = 0;
  tailLength_ = 0;
  atEnd_ = false;
  number_ = Number::None;
  value_ = 0;
}

void PageCommentScanner::Feed(const char* data, size_t size) {
  const char* end = data + size;
  const char* p = data;
  if (open_) {
    const char* lineEnd = FindBreak(p, end);
    Segment(p, lineEnd);
    if (lineEnd == end) return;
    EndLine();
    p = lineEnd;
  }
  // Only lines holding "%%" can count; look at those alone, but for the
  // lines after a page comment, until one of them is PostScript.
  while (p < end) {
    if (pagePending_) {
      const char* lineStart = p;
      while (lineStart < end && (*lineStart == '\r' || *lineStart == '\n')) ++lineStart;
      if (lineStart == end) break;
      const char* lineEnd = FindBreak(lineStart, end);
      Segment(lineStart, lineEnd);
      if (lineEnd == end) {
        open_ = true;
        return;
      }
      EndLine();
      p = lineEnd;
      continue;
    }
    const char* mark = FindPercentPair(p, end);
    if (!mark) break;
    const char* lineStart = LineStart(p, mark);
    const char* lineEnd = FindBreak(mark, end);
    Segment(lineStart, lineEnd);
    if (lineEnd == end) {
      open_ = true;  // it may go on in the next block
      return;
    }
    EndLine();
    p = lineEnd;
  }
  // The last line may go on in the next block, and its "%%" may come there.
  const char* tail = LineStart(p, end);
  if (tail < end) {
    Segment(tail, end);
    open_ = true;
  }
}

void PageCommentScanner::Finish() {
  if (open_) EndLine();
  if (pagePending_) {
    --pageComments_;
    pagePending_ = false;
  }
}

int PageCommentScanner::pages() const {
  if (driverLines_ > 0) return driverPages_;
  return pageComments_ > 0 ? pageComments_ : 1;
}

int CountPsPages(const std::filesystem::path& psFile) {
  PageCommentScanner scanner;
  platform::ReadFileInBlocks(psFile, [&](const char* data, size_t size) { scanner.Feed(data, size); });
  scanner.Finish();
  return scanner.pages();
}

}  // namespace quiremark::engine
