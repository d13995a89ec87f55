#include "engine/pdf_page_count.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <climits>
#include <cstdint>
#include <exception>
#include <map>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "engine/bind_prolog.h"
#include "engine/pdfmark.h"
#include "platform/raw_file.h"

namespace quiremark::engine {

namespace {

uint64_t Key(const QPDFObjGen& id) { return static_cast<uint64_t>(id.getObj()) << 32 | static_cast<uint32_t>(id.getGen()); }

// Opens the PDF and hands it with its page tree to `read`; empty, with the
// reason in `why`, when the file cannot be read that far.
template <typename Result, typename Read>
std::optional<Result> ReadPdf(const std::filesystem::path& pdf, std::string* why, const Read& read) {
  std::string reason;
  try {
    // qpdf reads a file on disk in small reads, each after a seek: some
    // 130,000 system calls and 90 ms for the cross-reference of a PDF of
    // 2,000 pages, where reading the file mapped into memory takes 3 ms.
    const platform::MappedFile bytes(pdf);
    QPDF file;
    file.setSuppressWarnings(true);  // an unattended run's standard error has room for one line only
    file.processMemoryFile(pdf.c_str(), bytes.bytes().data(), bytes.bytes().size());
    QPDFObjectHandle tree = file.getRoot().getKeyIfDict("/Pages");
    if (!tree.isDictionary()) {
      // qpdf would count no pages; a file without a page tree is not a PDF of none.
      reason = "no page tree (/Pages) in the document catalog";
    } else if (std::optional<Result> result = read(file, tree, bytes.bytes())) {
      return result;
    } else {
      reason = "more pages than can be counted";
    }
  } catch (const std::filesystem::filesystem_error& e) {
    reason = e.code().message();
  } catch (const QPDFExc& e) {
    reason = e.getMessageDetail();
  } catch (const std::exception& e) {
    reason = e.what();
  }
  if (why) *why = reason;
  return std::nullopt;
}

// The pages as PdfPageCount counts them.
std::optional<int> CountOfPages(QPDF& file, QPDFObjectHandle& tree) {
  // The /Count of the page tree root costs three objects where walking
  // the tree reads every page. It is trusted only when qpdf found nothing
  // to repair on the way there: in a file whose cross-reference had to be
  // rebuilt the tree's own count may no longer agree with its pages, and
  // a missing or odd /Count says nothing; then the pages are counted as a
  // viewer finds them, one by one.
  int count = -1;
  if (tree.getKey("/Count").getValueAsInt(count) && count >= 0 && !file.anyWarnings()) return count;
  const std::vector<QPDFObjectHandle>& pages = file.getAllPages();
  if (pages.size() <= static_cast<size_t>(INT_MAX)) return static_cast<int>(pages.size());
  return std::nullopt;
}

// The page a marked outline item goes to, as a page object.
QPDFObjectHandle DestinationPage(QPDFObjectHandle item) {
  QPDFObjectHandle dest = item.getKey("/Dest");
  if (!dest.isArray()) {
    QPDFObjectHandle action = item.getKey("/A");
    if (action.isDictionary()) dest = action.getKey("/D");
  }
  return dest.isArray() && dest.getArrayNItems() > 0 ? dest.getArrayItem(0) : QPDFObjectHandle::newNull();
}

// A plot file's marked outline item: the file's index, the page its item
// goes to, and the pages the file made where the item says (0: as counted).
struct MarkedItem {
  size_t file = 0;
  QPDFObjGen page;
  int made = 0;
};

// The marked outline items of the plot files, read through qpdf. The
// outline is walked depth first, each item once however its links run; a
// marked item's own children (its "(Sid. n)" entries) hold no marks.
std::vector<MarkedItem> MarkedItems(QPDF& file, size_t plotFiles) {
  std::vector<MarkedItem> marked;
  QPDFObjectHandle outlines = file.getRoot().getKeyIfDict("/Outlines");
  if (!outlines.isDictionary() || plotFiles == 0) return marked;
  const std::string key = "/" + std::string(kPlotFileKey);
  const std::string madeKey = "/" + std::string(kPlotFilePagesKey);
  std::unordered_set<uint64_t> seen;
  std::vector<QPDFObjectHandle> pending{outlines.getKey("/First")};
  while (!pending.empty()) {
    QPDFObjectHandle item = pending.back();
    pending.pop_back();
    for (; item.isDictionary(); item = item.getKey("/Next")) {
      if (item.isIndirect() && !seen.insert(Key(item.getObjGen())).second) break;
      long long number = 0;
      if (!item.getKey(key).getValueAsInt(number) || number < 1 || static_cast<size_t>(number) > plotFiles) {
        pending.push_back(item.getKey("/First"));
        continue;
      }
      QPDFObjectHandle page = DestinationPage(item);
      long long made = 0;
      if (!item.getKey(madeKey).getValueAsInt(made) || made < 0 || made > INT_MAX) made = 0;
      marked.push_back({static_cast<size_t>(number) - 1, page.isIndirect() ? page.getObjGen() : QPDFObjGen(),
                        static_cast<int>(made)});
    }
  }
  return marked;
}

// What the walk needs of one outline item, read from the file's bytes where
// the cross-reference puts it. qpdf takes some 5 microseconds an object to
// parse, which for the items of thousands of plot files costs more than all
// else a bind does; these few keys are read at a tenth of that. Anything
// this reader is not sure of it gives up on, and qpdf reads the outline.
class OutlineItemReader {
 public:
  struct Item {
    QPDFObjGen next, first, page;
    long long mark = 0;  // the plot file number; 0: none
    long long made = 0;  // the pages it made, where it says; 0: as counted
    bool action = false; // goes somewhere through an action rather than /Dest
  };

  explicit OutlineItemReader(std::string_view bytes) : bytes_(bytes) {}

  std::optional<Item> Read(size_t offset, const QPDFObjGen& id) {
    if (offset >= bytes_.size()) return std::nullopt;  // a damaged table: qpdf repairs it
    at_ = offset;
    long long number = 0, generation = 0;
    if (!Integer(number) || !Integer(generation) || !Word("obj") || number != id.getObj() ||
        generation != id.getGen() || !Skip("<<")) {
      return std::nullopt;
    }
    Item item;
    for (;;) {
      Space();
      if (Skip(">>")) return item;
      std::string_view key;
      if (!Name(key)) return std::nullopt;
      Value value;
      if (!ReadValue(value, 0)) return std::nullopt;
      // A name written with an escape, a link that is no reference and a
      // destination that is an object of its own are left to qpdf.
      if (key.find('#') != std::string_view::npos) return std::nullopt;
      if ((key == "/Next" || key == "/First") && value.ref.getObj() == 0) return std::nullopt;
      if (key == "/Dest" && value.ref.getObj() != 0) return std::nullopt;
      if (key == "/Next") item.next = value.ref;
      if (key == "/First") item.first = value.ref;
      if (key == "/Dest") item.page = value.firstRef;
      if (key == "/A") item.action = true;
      if (key.substr(1) == kPlotFileKey) item.mark = value.isInteger ? value.integer : -1;
      if (key.substr(1) == kPlotFilePagesKey) item.made = value.isInteger ? value.integer : -1;
    }
  }

 private:
  struct Value {
    QPDFObjGen ref;       // an indirect reference
    QPDFObjGen firstRef;  // an array's first element, when it is one
    bool isInteger = false;
    long long integer = 0;
  };

  static bool Delimiter(char c) { return std::string_view("()<>[]{}/%").find(c) != std::string_view::npos; }
  static bool White(char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f' || c == '\0'; }

  void Space() {
    while (at_ < bytes_.size()) {
      if (White(bytes_[at_])) {
        ++at_;
      } else if (bytes_[at_] == '%') {
        while (at_ < bytes_.size() && bytes_[at_] != '\n' && bytes_[at_] != '\r') ++at_;
      } else {
        return;
      }
    }
  }
  bool Skip(std::string_view text) {
    Space();
    if (bytes_.substr(at_, text.size()) != text) return false;
    at_ += text.size();
    return true;
  }
  // A run of regular characters.
  std::string_view Regular() {
    Space();
    const size_t from = at_;
    while (at_ < bytes_.size() && !White(bytes_[at_]) && !Delimiter(bytes_[at_])) ++at_;
    return bytes_.substr(from, at_ - from);
  }
  bool Word(std::string_view word) { return Regular() == word; }
  static bool ParseInteger(std::string_view text, long long& value) {
    if (text.empty() || text.size() > 18) return false;
    size_t k = text[0] == '+' || text[0] == '-' ? 1 : 0;
    if (k == text.size()) return false;
    value = 0;
    for (; k < text.size(); ++k) {
      if (text[k] < '0' || text[k] > '9') return false;
      value = value * 10 + (text[k] - '0');
    }
    if (text[0] == '-') value = -value;
    return true;
  }
  bool Integer(long long& value) { return ParseInteger(Regular(), value); }
  bool Name(std::string_view& name) {
    Space();
    if (at_ >= bytes_.size() || bytes_[at_] != '/') return false;
    const size_t from = at_++;
    while (at_ < bytes_.size() && !White(bytes_[at_]) && !Delimiter(bytes_[at_])) ++at_;
    name = bytes_.substr(from, at_ - from);
    return true;
  }

  bool ReadValue(Value& value, int depth) {
    if (depth > 32) return false;
    Space();
    if (at_ >= bytes_.size()) return false;
    const char c = bytes_[at_];
    if (bytes_.substr(at_, 2) == "<<") {
      at_ += 2;
      for (;;) {
        if (Skip(">>")) return true;
        std::string_view key;
        Value inner;
        if (!Name(key) || !ReadValue(inner, depth + 1)) return false;
      }
    }
    if (c == '[') {
      ++at_;
      for (bool first = true;; first = false) {
        if (Skip("]")) return true;
        Value element;
        if (!ReadValue(element, depth + 1)) return false;
        if (first) value.firstRef = element.ref;
      }
    }
    if (c == '(') return LiteralString();
    if (c == '<') {
      const size_t end = bytes_.find('>', at_);
      if (end == std::string_view::npos) return false;
      at_ = end + 1;
      return true;
    }
    if (c == '/') {
      std::string_view name;
      return Name(name);
    }
    if (Delimiter(c)) return false;
    const std::string_view word = Regular();
    if (word.empty()) return false;
    long long number = 0;
    if (!ParseInteger(word, number)) return true;  // a real, true, false or null
    // An integer, or the object number of a reference "n g R".
    const size_t after = at_;
    long long generation = 0;
    if (Integer(generation) && Word("R")) {
      value.ref = QPDFObjGen(static_cast<int>(number), static_cast<int>(generation));
      return true;
    }
    at_ = after;
    value.isInteger = true;
    value.integer = number;
    return true;
  }

  bool LiteralString() {
    int open = 0;
    for (; at_ < bytes_.size(); ++at_) {
      const char c = bytes_[at_];
      if (c == '\\') {
        ++at_;
      } else if (c == '(') {
        ++open;
      } else if (c == ')' && --open == 0) {
        ++at_;
        return true;
      }
    }
    return false;
  }

  std::string_view bytes_;
  size_t at_ = 0;
};

// The marked items as MarkedItems finds them, read by OutlineItemReader;
// empty when it cannot read every item (one in an object stream, a shape it
// does not know).
std::optional<std::vector<MarkedItem>> ReadMarkedItems(QPDF& file, std::string_view bytes, size_t plotFiles) {
  std::vector<MarkedItem> marked;
  QPDFObjectHandle outlines = file.getRoot().getKeyIfDict("/Outlines");
  if (!outlines.isDictionary() || plotFiles == 0) return marked;
  QPDFObjectHandle first = outlines.getKey("/First");
  if (!first.isIndirect()) return std::nullopt;
  const std::map<QPDFObjGen, QPDFXRefEntry> xref = file.getXRefTable();
  OutlineItemReader reader(bytes);
  std::unordered_set<uint64_t> seen;
  std::vector<QPDFObjGen> pending{first.getObjGen()};
  while (!pending.empty()) {
    QPDFObjGen id = pending.back();
    pending.pop_back();
    while (id.getObj() != 0) {
      if (!seen.insert(Key(id)).second) break;
      const auto entry = xref.find(id);
      if (entry == xref.end() || entry->second.getType() != 1) return std::nullopt;
      const std::optional<OutlineItemReader::Item> item =
          reader.Read(static_cast<size_t>(entry->second.getOffset()), id);
      if (!item || (item->mark != 0 && item->action) || item->made < 0 || item->made > INT_MAX) return std::nullopt;
      if (item->mark < 1 || static_cast<size_t>(item->mark) > plotFiles) {
        if (item->first.getObj() != 0) pending.push_back(item->first);
      } else {
        marked.push_back({static_cast<size_t>(item->mark) - 1, item->page, static_cast<int>(item->made)});
      }
      id = item->next;
    }
  }
  return marked;
}

// The pages of the page tree, counted in order, and the numbers of those
// among `wanted`. A kid that is one of the wanted pages is taken as a page
// without reading it: a tree of thousands of pages, each the first page of a
// plot file, is then read as its nodes alone.
int WalkPages(QPDFObjectHandle tree, const std::unordered_set<uint64_t>& wanted,
              std::unordered_map<uint64_t, int>& numbers) {
  int count = 0;
  std::unordered_set<uint64_t> nodes;  // a tree that holds itself is walked once
  std::vector<std::pair<QPDFObjectHandle, int>> pending{{tree, 0}};  // node, next kid
  while (!pending.empty()) {
    auto& [node, next] = pending.back();
    QPDFObjectHandle kids = node.getKey("/Kids");
    if (!kids.isArray() || next >= kids.getArrayNItems()) {
      pending.pop_back();
      continue;
    }
    QPDFObjectHandle kid = kids.getArrayItem(next++);
    const uint64_t id = Key(kid.getObjGen());
    if (kid.isIndirect() && wanted.count(id)) {
      numbers.emplace(id, ++count);
    } else if (kid.isDictionary() && kid.getKey("/Kids").isArray()) {
      if (!kid.isIndirect() || nodes.insert(id).second) pending.emplace_back(kid, 0);
    } else if (kid.isDictionary()) {
      ++count;
    }
  }
  return count;
}

}  // namespace

std::optional<int> PdfPageCount(const std::filesystem::path& pdf, std::string* why) {
  return ReadPdf<int>(pdf, why, [](QPDF& file, QPDFObjectHandle& tree, std::string_view) { return CountOfPages(file, tree); });
}

std::optional<PdfPages> ReadPdfPages(const std::filesystem::path& pdf, size_t plotFiles, std::string* why) {
  return ReadPdf<PdfPages>(pdf, why, [&](QPDF& file, QPDFObjectHandle& tree, std::string_view bytes) -> std::optional<PdfPages> {
    PdfPages result;
    result.fileStarts.assign(plotFiles, 0);
    std::optional<std::vector<MarkedItem>> read = ReadMarkedItems(file, bytes, plotFiles);
    const std::vector<MarkedItem> marked = read ? std::move(*read) : MarkedItems(file, plotFiles);
    if (marked.empty() || !tree.getKey("/Kids").isArray()) {
      // Nothing to find among the pages: they are counted as PdfPageCount counts them.
      const std::optional<int> count = CountOfPages(file, tree);
      if (!count) return std::nullopt;
      result.count = *count;
      return result;
    }
    // The outline's pages are found among the pages themselves, so these are
    // counted one by one.
    std::unordered_set<uint64_t> wanted;
    for (const MarkedItem& item : marked) wanted.insert(Key(item.page));
    std::unordered_map<uint64_t, int> numbers;
    result.count = WalkPages(tree, wanted, numbers);
    result.fileMade.assign(plotFiles, 0);
    for (const MarkedItem& item : marked) {
      const auto found = numbers.find(Key(item.page));
      result.fileStarts[item.file] = found != numbers.end() ? found->second : result.count + 1;
      result.fileMade[item.file] = item.made;
    }
    return result;
  });
}

}  // namespace quiremark::engine
