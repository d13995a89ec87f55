#include "engine/pdf_page_count.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <climits>
#include <cstdint>
#include <exception>
#include <unordered_map>
#include <unordered_set>

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
    } else if (std::optional<Result> result = read(file, tree)) {
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

// The marked outline items of the plot files: plot file number and the page
// object its item goes to. The outline is walked depth first, each item once
// however its links run; a marked item's own children (its "(Sid. n)"
// entries) hold no marks.
std::vector<std::pair<size_t, QPDFObjGen>> MarkedItems(QPDF& file, size_t plotFiles) {
  std::vector<std::pair<size_t, QPDFObjGen>> marked;
  QPDFObjectHandle outlines = file.getRoot().getKeyIfDict("/Outlines");
  if (!outlines.isDictionary() || plotFiles == 0) return marked;
  const std::string key = "/" + std::string(kPlotFileKey);
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
      marked.emplace_back(static_cast<size_t>(number) - 1, page.isIndirect() ? page.getObjGen() : QPDFObjGen());
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
  return ReadPdf<int>(pdf, why, CountOfPages);
}

std::optional<PdfPages> ReadPdfPages(const std::filesystem::path& pdf, size_t plotFiles, std::string* why) {
  return ReadPdf<PdfPages>(pdf, why, [&](QPDF& file, QPDFObjectHandle& tree) -> std::optional<PdfPages> {
    PdfPages result;
    result.fileStarts.assign(plotFiles, 0);
    const std::vector<std::pair<size_t, QPDFObjGen>> marked = MarkedItems(file, plotFiles);
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
    for (const auto& item : marked) wanted.insert(Key(item.second));
    std::unordered_map<uint64_t, int> numbers;
    result.count = WalkPages(tree, wanted, numbers);
    for (const auto& [index, page] : marked) {
      const auto found = numbers.find(Key(page));
      result.fileStarts[index] = found != numbers.end() ? found->second : result.count + 1;
    }
    return result;
  });
}

}  // namespace quiremark::engine
