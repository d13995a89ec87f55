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

// The page a marked outline item goes to, as a page object.
QPDFObjectHandle DestinationPage(QPDFObjectHandle item) {
  QPDFObjectHandle dest = item.getKey("/Dest");
  if (!dest.isArray()) {
    QPDFObjectHandle action = item.getKey("/A");
    if (action.isDictionary()) dest = action.getKey("/D");
  }
  return dest.isArray() && dest.getArrayNItems() > 0 ? dest.getArrayItem(0) : QPDFObjectHandle::newNull();
}

// Where the marked outline items of the plot files go. The outline is
// walked depth first, each item once however its links run.
std::vector<int> FileStarts(QPDF& file, const std::vector<QPDFObjectHandle>& pages, size_t plotFiles) {
  std::vector<int> starts(plotFiles, 0);
  QPDFObjectHandle outlines = file.getRoot().getKeyIfDict("/Outlines");
  if (!outlines.isDictionary() || plotFiles == 0) return starts;
  std::unordered_map<uint64_t, int> pageNumbers;
  pageNumbers.reserve(pages.size());
  for (size_t k = 0; k < pages.size(); ++k) pageNumbers.emplace(Key(pages[k].getObjGen()), static_cast<int>(k) + 1);
  const std::string key = "/" + std::string(kPlotFileKey);
  std::unordered_set<uint64_t> seen;
  std::vector<QPDFObjectHandle> pending{outlines.getKey("/First")};
  while (!pending.empty()) {
    QPDFObjectHandle item = pending.back();
    pending.pop_back();
    for (; item.isDictionary(); item = item.getKey("/Next")) {
      if (item.isIndirect() && !seen.insert(Key(item.getObjGen())).second) break;
      pending.push_back(item.getKey("/First"));
      long long number = 0;
      if (!item.getKey(key).getValueAsInt(number) || number < 1 || static_cast<size_t>(number) > plotFiles) continue;
      QPDFObjectHandle page = DestinationPage(item);
      const auto found = page.isIndirect() ? pageNumbers.find(Key(page.getObjGen())) : pageNumbers.end();
      starts[number - 1] = found != pageNumbers.end() ? found->second : static_cast<int>(pages.size()) + 1;
    }
  }
  return starts;
}

}  // namespace

std::optional<int> PdfPageCount(const std::filesystem::path& pdf, std::string* why) {
  return ReadPdf<int>(pdf, why, [](QPDF& file, QPDFObjectHandle& tree) -> std::optional<int> {
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
  });
}

std::optional<PdfPages> ReadPdfPages(const std::filesystem::path& pdf, size_t plotFiles, std::string* why) {
  return ReadPdf<PdfPages>(pdf, why, [&](QPDF& file, QPDFObjectHandle&) -> std::optional<PdfPages> {
    // The outline's pages are found among the pages themselves, so these are
    // counted one by one.
    const std::vector<QPDFObjectHandle>& pages = file.getAllPages();
    if (pages.size() >= static_cast<size_t>(INT_MAX)) return std::nullopt;
    return PdfPages{static_cast<int>(pages.size()), FileStarts(file, pages, plotFiles)};
  });
}

}  // namespace quiremark::engine
