#include "engine/page_count.h"

#include <cctype>
#include <cstring>

#include "platform/raw_file.h"

namespace quiremark::engine {

namespace {

bool IsBreak(char c) { return c == '\r' || c == '\n'; }

const char* FindBreak(const char* from, const char* end) {
  const auto* lf = static_cast<const char*>(std::memchr(from, '\n', end - from));
  const char* limit = lf ? lf : end;
  const auto* cr = static_cast<const char*>(std::memchr(from, '\r', limit - from));
  return cr ? cr : limit;
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

bool ContainsNoCase(std::string_view text, std::string_view upperNeedle) {
  if (upperNeedle.size() > text.size()) return false;
  for (size_t at = 0; at + upperNeedle.size() <= text.size(); ++at) {
    size_t k = 0;
    while (k < upperNeedle.size() &&
           std::toupper(static_cast<unsigned char>(text[at + k])) == static_cast<unsigned char>(upperNeedle[k])) {
      ++k;
    }
    if (k == upperNeedle.size()) return true;
  }
  return false;
}

// A page number between the first ":" and the last "]" of a driver line.
int DriverPageNumber(std::string_view line) {
  const size_t colon = line.find(':');
  const size_t bracket = line.rfind(']');
  if (colon == std::string_view::npos || bracket == std::string_view::npos || bracket <= colon) return 0;
  std::string_view number = line.substr(colon + 1, bracket - colon - 1);
  while (!number.empty() && number.front() == ' ') number.remove_prefix(1);
  while (!number.empty() && number.back() == ' ') number.remove_suffix(1);
  if (number.empty() || number.size() > 5) return 0;
  int value = 0;
  for (char c : number) {
    if (c < '0' || c > '9') return 0;
    value = value * 10 + (c - '0');
  }
  return value <= 32767 ? value : 0;
}

}  // namespace

void PageCommentScanner::Line(std::string_view line) {
  if (line.starts_with("%%Page:")) ++pageComments_;
  if (!ContainsNoCase(line, "(%%[PAGE:") || ContainsNoCase(line, "(ATEND)")) return;
  ++driverLines_;
  if (const int number = DriverPageNumber(line); number > 0) driverPages_ = number;
}

void PageCommentScanner::Feed(const char* data, size_t size) {
  const char* end = data + size;
  const char* p = data;
  if (!partial_.empty()) {
    const char* lineEnd = FindBreak(p, end);
    partial_.append(p, lineEnd);
    if (lineEnd == end) return;
    Line(partial_);
    partial_.clear();
    p = lineEnd;
  }
  // Only lines holding "%%" can matter; find those and look at each whole line.
  while (p < end) {
    const char* mark = FindPercentPair(p, end);
    if (!mark) break;
    const char* lineStart = mark;
    while (lineStart > p && !IsBreak(lineStart[-1])) --lineStart;
    const char* lineEnd = FindBreak(mark, end);
    if (lineEnd == end) {
      // A line at the block's end may go on in the next block.
      partial_.assign(lineStart, end);
      return;
    }
    Line(std::string_view(lineStart, lineEnd - lineStart));
    p = lineEnd;
  }
  // Keep the unfinished last line: a "%%" may be split between two blocks.
  const char* tail = end;
  while (tail > p && !IsBreak(tail[-1])) --tail;
  partial_.assign(tail, end);
}

void PageCommentScanner::Finish() {
  if (!partial_.empty()) Line(partial_);
  partial_.clear();
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
