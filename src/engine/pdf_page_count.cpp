#include "engine/pdf_page_count.h"

#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/raw_file.h"

namespace quiremark::engine {

namespace {

constexpr size_t kNone = std::string_view::npos;
constexpr int kMaxDepth = 64;                     // nesting of objects, and sections followed through /Prev
constexpr size_t kMaxDecoded = size_t{1} << 28;  // a stream that inflates beyond this is not ours

bool IsWhite(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\0'; }
bool IsDelimiter(char c) { return IsWhite(c) || std::strchr("()<>[]{}/%", c) != nullptr; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

size_t SkipWhite(std::string_view t, size_t at) {
  while (at < t.size()) {
    if (IsWhite(t[at])) {
      ++at;
    } else if (t[at] == '%') {
      while (at < t.size() && t[at] != '\r' && t[at] != '\n') ++at;
    } else {
      break;
    }
  }
  return at;
}

// A whole number at `at` (after white space); `at` moves past it.
std::optional<long long> Integer(std::string_view t, size_t& at) {
  size_t p = SkipWhite(t, at);
  const bool negative = p < t.size() && t[p] == '-';
  if (p < t.size() && (t[p] == '-' || t[p] == '+')) ++p;
  long long value = 0;
  size_t digits = 0;
  for (; p < t.size() && IsDigit(t[p]); ++p, ++digits) {
    if (digits == 18) return std::nullopt;
    value = value * 10 + (t[p] - '0');
  }
  if (digits == 0 || (p < t.size() && !IsDelimiter(t[p]))) return std::nullopt;
  at = p;
  return negative ? -value : value;
}

std::optional<long long> IntegerAt(std::string_view t, size_t at) { return Integer(t, at); }

bool Keyword(std::string_view t, size_t& at, std::string_view word) {
  const size_t p = SkipWhite(t, at);
  if (t.substr(p, word.size()) != word || (p + word.size() < t.size() && !IsDelimiter(t[p + word.size()]))) {
    return false;
  }
  at = p + word.size();
  return true;
}

// An indirect reference "n g R"; its object number.
std::optional<long long> Reference(std::string_view t, size_t at) {
  const auto number = Integer(t, at);
  if (!number || !Integer(t, at) || !Keyword(t, at, "R")) return std::nullopt;
  return number;
}

// The position after the object that begins at `at`; kNone when it is broken.
size_t SkipObject(std::string_view t, size_t at, int depth = 0) {
  at = SkipWhite(t, at);
  if (at >= t.size() || depth > kMaxDepth) return kNone;
  const char c = t[at];
  if (c == '(') {
    int open = 0;
    for (; at < t.size(); ++at) {
      if (t[at] == '\\') {
        ++at;
      } else if (t[at] == '(') {
        ++open;
      } else if (t[at] == ')' && --open == 0) {
        return at + 1;
      }
    }
    return kNone;
  }
  if (t.substr(at, 2) == "<<" || c == '[') {
    const std::string_view close = c == '[' ? "]" : ">>";
    at += close.size();
    for (;;) {
      at = SkipWhite(t, at);
      if (at >= t.size()) return kNone;
      if (t.substr(at, close.size()) == close) return at + close.size();
      at = SkipObject(t, at, depth + 1);
      if (at == kNone) return kNone;
    }
  }
  if (c == '<') {
    const size_t end = t.find('>', at);
    return end == kNone ? kNone : end + 1;
  }
  if (c == ')' || c == '>' || c == ']' || c == '{' || c == '}') return kNone;
  if (Reference(t, at)) {  // "n g R" is one value
    size_t p = at;
    Integer(t, p);
    Integer(t, p);
    Keyword(t, p, "R");
    return p;
  }
  size_t end = at + 1;
  while (end < t.size() && !IsDelimiter(t[end])) ++end;
  return end;
}

// Where the value of `key` ("/Root") begins in the dictionary at `at`.
std::optional<size_t> DictEntry(std::string_view t, size_t at, std::string_view key) {
  at = SkipWhite(t, at);
  if (t.substr(at, 2) != "<<") return std::nullopt;
  at += 2;
  for (;;) {
    at = SkipWhite(t, at);
    if (at >= t.size() || t[at] != '/') return std::nullopt;  // ">>" or a broken dictionary
    size_t nameEnd = at + 1;
    while (nameEnd < t.size() && !IsDelimiter(t[nameEnd])) ++nameEnd;
    const std::string_view name = t.substr(at, nameEnd - at);
    const size_t value = SkipWhite(t, nameEnd);
    if (name == key) return value;
    at = SkipObject(t, value);
    if (at == kNone) return std::nullopt;
  }
}

std::optional<long long> IntegerEntry(std::string_view t, size_t dict, std::string_view key) {
  const auto at = DictEntry(t, dict, key);
  return at ? IntegerAt(t, *at) : std::nullopt;
}

std::optional<long long> ReferenceEntry(std::string_view t, size_t dict, std::string_view key) {
  const auto at = DictEntry(t, dict, key);
  return at ? Reference(t, *at) : std::nullopt;
}

std::optional<std::string> Inflate(std::string_view data) {
  z_stream z{};
  if (inflateInit(&z) != Z_OK) return std::nullopt;
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  std::string out;
  int status = Z_OK;
  while (status == Z_OK) {
    const size_t have = out.size();
    out.resize(have + 65536);
    z.next_out = reinterpret_cast<Bytef*>(out.data() + have);
    z.avail_out = 65536;
    status = inflate(&z, Z_NO_FLUSH);
    out.resize(have + 65536 - z.avail_out);
    if (status == Z_BUF_ERROR && z.avail_in == 0) break;  // the data ends without its end mark
    if (out.size() > kMaxDecoded) status = Z_MEM_ERROR;
  }
  inflateEnd(&z);
  if (status != Z_STREAM_END && status != Z_BUF_ERROR) return std::nullopt;
  return out;
}

// Undoes the PNG predictors of rows `columns` bytes wide (each row led by its
// predictor byte).
std::optional<std::string> UndoPngPredictor(const std::string& data, size_t columns) {
  if (columns == 0) return std::nullopt;
  std::string out;
  std::string previous(columns, '\0');
  for (size_t row = 0; row + columns + 1 <= data.size(); row += columns + 1) {
    const auto kind = static_cast<unsigned char>(data[row]);
    std::string current = data.substr(row + 1, columns);
    for (size_t i = 0; i < columns; ++i) {
      const int left = i > 0 ? static_cast<unsigned char>(current[i - 1]) : 0;
      const int up = static_cast<unsigned char>(previous[i]);
      const int upLeft = i > 0 ? static_cast<unsigned char>(previous[i - 1]) : 0;
      int add = 0;
      switch (kind) {
        case 0: break;
        case 1: add = left; break;
        case 2: add = up; break;
        case 3: add = (left + up) / 2; break;
        case 4: {
          const int p = left + up - upLeft;
          const int pa = std::abs(p - left), pb = std::abs(p - up), pc = std::abs(p - upLeft);
          add = pa <= pb && pa <= pc ? left : pb <= pc ? up : upLeft;
          break;
        }
        default: return std::nullopt;
      }
      current[i] = static_cast<char>(static_cast<unsigned char>(current[i]) + add);
    }
    out += current;
    previous = current;
  }
  return out;
}

class PdfFile {
 public:
  explicit PdfFile(std::string_view bytes) : bytes_(bytes) {}

  std::optional<int> PageCount() {
    const size_t mark = bytes_.rfind("startxref");
    if (mark == kNone) return std::nullopt;
    size_t at = mark + 9;
    const auto offset = Integer(bytes_, at);
    if (!offset || !(ReadPlainTable(*offset) || ReadSection(*offset, 0)) || !root_) return std::nullopt;

    const auto catalog = Object(*root_);
    if (!catalog) return std::nullopt;
    const auto pages = ReferenceEntry(catalog->text, catalog->at, "/Pages");
    const auto tree = pages ? Object(*pages) : std::nullopt;
    if (!tree) return std::nullopt;
    const auto count = DictEntry(tree->text, tree->at, "/Count");
    if (!count) return std::nullopt;
    std::optional<long long> value;
    if (const auto indirect = Reference(tree->text, *count)) {
      if (const auto object = Object(*indirect)) value = IntegerAt(object->text, object->at);
    } else {
      value = IntegerAt(tree->text, *count);
    }
    if (!value || *value < 0 || *value > 10'000'000) return std::nullopt;
    return static_cast<int>(*value);
  }

 private:
  struct Entry {
    int type = 0;    // 0 free, 1 at an offset, 2 in an object stream
    long long a = 0;  // offset, or the object stream's number
    long long b = 0;  // index in the object stream
  };
  // An object's value: where it begins in which text (the file or a decoded object stream).
  struct Value {
    std::string_view text;
    size_t at;
  };

  // A cross-reference section that is one table of rows of 20 bytes, with no
  // earlier sections and no streams, as Ghostscript writes it: its rows are
  // read where they stand when an object is looked up, not all beforehand (a
  // PDF of 2,000 pages has a table of 10,000 rows). False when the section at
  // `offset` is anything else; ReadSection reads it then.
  bool ReadPlainTable(long long offset) {
    if (offset < 0 || static_cast<size_t>(offset) >= bytes_.size()) return false;
    size_t at = static_cast<size_t>(offset);
    if (!Keyword(bytes_, at, "xref")) return false;
    std::vector<Subsection> table;
    while (!Keyword(bytes_, at, "trailer")) {
      const auto first = Integer(bytes_, at);
      const auto count = Integer(bytes_, at);
      if (!first || !count || *first < 0 || *count < 0) return false;
      const size_t rows = SkipWhite(bytes_, at);
      if (static_cast<size_t>(*count) > (bytes_.size() - rows) / kRowSize) return false;
      const size_t end = rows + static_cast<size_t>(*count) * kRowSize;
      // Its first and last rows where 20-byte rows put them, or it is no such table.
      if (*count > 0 && (!Row(rows) || !Row(end - kRowSize))) return false;
      table.push_back({*first, *count, rows});
      at = end;
    }
    const size_t dict = SkipWhite(bytes_, at);
    if (DictEntry(bytes_, dict, "/Prev") || DictEntry(bytes_, dict, "/XRefStm")) return false;
    root_ = ReferenceEntry(bytes_, dict, "/Root");
    plainTable_ = std::move(table);
    return true;
  }

  // The row of a plain table at `at`: "oooooooooo ggggg n" (or "f") and its two-byte line end.
  std::optional<Entry> Row(size_t at) const {
    if (at + kRowSize > bytes_.size()) return std::nullopt;
    const std::string_view row = bytes_.substr(at, kRowSize);
    long long offset = 0;
    for (size_t k = 0; k < 10; ++k) {
      if (!IsDigit(row[k])) return std::nullopt;
      offset = offset * 10 + (row[k] - '0');
    }
    for (size_t k = 11; k < 16; ++k) {
      if (!IsDigit(row[k])) return std::nullopt;
    }
    const std::string_view end = row.substr(18);
    if (row[10] != ' ' || row[16] != ' ' || (row[17] != 'n' && row[17] != 'f') ||
        (end != " \r" && end != " \n" && end != "\r\n")) {
      return std::nullopt;
    }
    return Entry{row[17] == 'n' ? 1 : 0, offset, 0};
  }

  std::optional<Entry> Lookup(long long number) const {
    if (plainTable_) {
      for (const Subsection& sub : *plainTable_) {  // the first subsection naming it wins, as in ReadSection
        if (number >= sub.first && number - sub.first < sub.count) {
          return Row(sub.rows + static_cast<size_t>(number - sub.first) * kRowSize);
        }
      }
      return std::nullopt;
    }
    const auto entry = entries_.find(number);
    if (entry == entries_.end()) return std::nullopt;
    return entry->second;
  }

  // Reads the cross-reference section at `offset` and the ones before it;
  // entries already known (from a newer section) stay.
  bool ReadSection(long long offset, int depth) {
    if (offset < 0 || static_cast<size_t>(offset) >= bytes_.size() || depth > kMaxDepth ||
        !visited_.insert(offset).second) {
      return false;
    }
    size_t at = static_cast<size_t>(offset);
    size_t dict = 0;
    if (Keyword(bytes_, at, "xref")) {
      for (;;) {
        if (Keyword(bytes_, at, "trailer")) break;
        const auto first = Integer(bytes_, at);
        const auto count = Integer(bytes_, at);
        if (!first || !count || *count < 0) return false;
        for (long long i = 0; i < *count; ++i) {
          const auto position = Integer(bytes_, at);
          if (!position || !Integer(bytes_, at)) return false;
          at = SkipWhite(bytes_, at);
          if (at >= bytes_.size() || (bytes_[at] != 'n' && bytes_[at] != 'f')) return false;
          entries_.try_emplace(*first + i, Entry{bytes_[at] == 'n' ? 1 : 0, *position, 0});
          ++at;
        }
      }
      dict = SkipWhite(bytes_, at);
      // A file that is read both ways keeps more entries in a stream.
      if (const auto stream = IntegerEntry(bytes_, dict, "/XRefStm")) ReadSection(*stream, depth + 1);
    } else {
      if (!ObjectHeader(at)) return false;
      dict = SkipWhite(bytes_, at);
      if (!ReadXrefStream(dict)) return false;
    }
    if (!root_) root_ = ReferenceEntry(bytes_, dict, "/Root");
    if (const auto previous = IntegerEntry(bytes_, dict, "/Prev")) return ReadSection(*previous, depth + 1);
    return true;
  }

  bool ReadXrefStream(size_t dict) {
    const auto data = StreamData(bytes_, dict);
    const auto widthsAt = DictEntry(bytes_, dict, "/W");
    if (!data || !widthsAt || bytes_[*widthsAt] != '[') return false;
    size_t at = *widthsAt + 1;
    long long widths[3];
    for (long long& width : widths) {
      const auto w = Integer(bytes_, at);
      if (!w || *w < 0 || *w > 8) return false;
      width = *w;
    }
    std::vector<long long> ranges;
    if (const auto indexAt = DictEntry(bytes_, dict, "/Index"); indexAt && bytes_[*indexAt] == '[') {
      at = *indexAt + 1;
      while (const auto n = Integer(bytes_, at)) ranges.push_back(*n);
    } else if (const auto size = IntegerEntry(bytes_, dict, "/Size")) {
      ranges = {0, *size};
    }
    const size_t rowSize = static_cast<size_t>(widths[0] + widths[1] + widths[2]);
    if (rowSize == 0) return false;
    size_t row = 0;
    for (size_t r = 0; r + 1 < ranges.size(); r += 2) {
      for (long long i = 0; i < ranges[r + 1]; ++i, row += rowSize) {
        if (row + rowSize > data->size()) return false;
        long long fields[3];
        size_t p = row;
        for (int f = 0; f < 3; ++f) {
          fields[f] = 0;
          for (long long k = 0; k < widths[f]; ++k) fields[f] = (fields[f] << 8) | static_cast<unsigned char>((*data)[p++]);
        }
        if (widths[0] == 0) fields[0] = 1;
        entries_.try_emplace(ranges[r] + i, Entry{static_cast<int>(fields[0]), fields[1], fields[2]});
      }
    }
    return true;
  }

  // "n g obj" at `at`; `at` moves past it.
  bool ObjectHeader(size_t& at, std::optional<long long> number = std::nullopt) {
    const auto n = Integer(bytes_, at);
    return n && (!number || *n == *number) && Integer(bytes_, at) && Keyword(bytes_, at, "obj");
  }

  // The decoded data of the stream whose dictionary begins at `dict` in `t`.
  std::optional<std::string> StreamData(std::string_view t, size_t dict) {
    size_t at = SkipObject(t, dict);
    if (at == kNone || !Keyword(t, at, "stream")) return std::nullopt;
    if (t.substr(at, 2) == "\r\n") {
      at += 2;
    } else if (at < t.size() && (t[at] == '\n' || t[at] == '\r')) {
      ++at;
    }
    std::optional<long long> length;
    if (const auto lengthAt = DictEntry(t, dict, "/Length")) {
      if (const auto indirect = Reference(t, *lengthAt)) {
        if (const auto object = Object(*indirect)) length = IntegerAt(object->text, object->at);
      } else {
        length = IntegerAt(t, *lengthAt);
      }
    }
    std::string_view raw;
    if (length && *length >= 0 && at + static_cast<size_t>(*length) <= t.size()) {
      raw = t.substr(at, static_cast<size_t>(*length));
    } else {
      const size_t end = t.find("endstream", at);
      if (end == kNone) return std::nullopt;
      raw = t.substr(at, end - at);
    }

    std::string data(raw);
    if (const auto filterAt = DictEntry(t, dict, "/Filter")) {
      size_t p = *filterAt;
      if (t[p] == '[') p = SkipWhite(t, p + 1);
      if (t.substr(p, 12) != "/FlateDecode") return std::nullopt;
      if (t[*filterAt] == '[' && t[SkipWhite(t, p + 12)] != ']') return std::nullopt;  // a chain of filters
      auto inflated = Inflate(raw);
      if (!inflated) return std::nullopt;
      data = std::move(*inflated);
    }
    if (const auto parmsAt = DictEntry(t, dict, "/DecodeParms")) {
      size_t parms = *parmsAt;
      if (t[parms] == '[') parms = SkipWhite(t, parms + 1);
      const long long predictor = IntegerEntry(t, parms, "/Predictor").value_or(1);
      if (predictor >= 10) {
        const long long columns = IntegerEntry(t, parms, "/Columns").value_or(1);
        if (columns <= 0 || columns > 1 << 16) return std::nullopt;
        auto undone = UndoPngPredictor(data, static_cast<size_t>(columns));
        if (!undone) return std::nullopt;
        data = std::move(*undone);
      } else if (predictor != 1) {
        return std::nullopt;
      }
    }
    return data;
  }

  std::optional<Value> Object(long long number, int depth = 0) {
    const std::optional<Entry> entry = Lookup(number);
    if (!entry || depth > 1) return std::nullopt;
    if (entry->type == 1) {
      if (entry->a < 0 || static_cast<size_t>(entry->a) >= bytes_.size()) return std::nullopt;
      size_t at = static_cast<size_t>(entry->a);
      if (!ObjectHeader(at, number)) return std::nullopt;
      return Value{bytes_, SkipWhite(bytes_, at)};
    }
    if (entry->type != 2) return std::nullopt;
    const long long streamNumber = entry->a;
    auto decoded = streams_.find(streamNumber);
    if (decoded == streams_.end()) {
      const auto stream = Object(streamNumber, depth + 1);
      if (!stream || stream->text.data() != bytes_.data()) return std::nullopt;
      auto data = StreamData(bytes_, stream->at);
      const auto first = IntegerEntry(bytes_, stream->at, "/First");
      const auto count = IntegerEntry(bytes_, stream->at, "/N");
      if (!data || !first || !count) return std::nullopt;
      decoded = streams_.emplace(streamNumber, Decoded{std::move(*data), *first, *count}).first;
    }
    const Decoded& objects = decoded->second;
    const std::string_view text = objects.data;
    size_t at = 0;
    for (long long i = 0; i < objects.count; ++i) {
      const auto n = Integer(text, at);
      const auto offset = Integer(text, at);
      if (!n || !offset) return std::nullopt;
      if (*n == number) {
        const long long start = objects.first + *offset;
        if (start < 0 || static_cast<size_t>(start) >= text.size()) return std::nullopt;
        return Value{text, SkipWhite(text, static_cast<size_t>(start))};
      }
    }
    return std::nullopt;
  }

  struct Decoded {
    std::string data;
    long long first = 0;
    long long count = 0;
  };

  struct Subsection {
    long long first = 0;  // its first object number
    long long count = 0;
    size_t rows = 0;  // where its rows begin
  };
  static constexpr size_t kRowSize = 20;

  std::string_view bytes_;
  std::optional<std::vector<Subsection>> plainTable_;  // set when the file has one plain table
  std::unordered_map<long long, Entry> entries_;
  std::set<long long> visited_;
  std::optional<long long> root_;
  std::map<long long, Decoded> streams_;
};

}  // namespace

std::optional<int> PdfPageCountOf(std::string_view bytes) { return PdfFile(bytes).PageCount(); }

std::optional<int> PdfPageCount(const std::filesystem::path& pdf) {
  try {
    const platform::MappedFile file(pdf);
    return PdfPageCountOf(file.bytes());
  } catch (const std::filesystem::filesystem_error&) {
    return std::nullopt;
  }
}

}  // namespace quiremark::engine
