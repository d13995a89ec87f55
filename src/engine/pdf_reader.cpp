// The PDF reader: the one piece of the programs that uses qpdf, in a library
// of its own that a run loads only when it has a PDF to count (see
// pdf_page_count.cpp). qpdf brings in its crypto library and a dozen more,
// whose loading cost every start some 9 ms when the programs linked it.
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <algorithm>
#include <climits>
#include <cstring>
#include <exception>
#include <string>
#include <type_traits>

#include "engine/pdf_page_count.h"

namespace {

int Count(const char* name, const char* bytes, size_t size, std::string& why) {
  try {
    QPDF file;
    file.setSuppressWarnings(true);  // an unattended run's standard error has room for one line only
    file.processMemoryFile(name, bytes, size);
    QPDFObjectHandle tree = file.getRoot().getKeyIfDict("/Pages");
    if (!tree.isDictionary()) {
      // qpdf would count no pages; a file without a page tree is not a PDF of none.
      why = "no page tree (/Pages) in the document catalog";
      return -1;
    }
    // The /Count of the page tree root costs three objects where walking the
    // tree reads every page. It is trusted only when qpdf found nothing to
    // repair on the way there: in a file whose cross-reference had to be
    // rebuilt the tree's own count may no longer agree with its pages, and a
    // missing or odd /Count says nothing; then the pages are counted as a
    // viewer finds them, one by one.
    int count = -1;
    if (tree.getKey("/Count").getValueAsInt(count) && count >= 0 && !file.anyWarnings()) return count;
    const std::vector<QPDFObjectHandle>& pages = file.getAllPages();
    if (pages.size() > static_cast<size_t>(INT_MAX)) {
      why = "more pages than can be counted";
      return -1;
    }
    return static_cast<int>(pages.size());
  } catch (const QPDFExc& e) {
    why = e.getMessageDetail();
  } catch (const std::exception& e) {
    why = e.what();
  } catch (...) {
    why = "unknown error";
  }
  return -1;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int QuiremarkPdfPageCount(const char* name, const char* bytes,
                                                                             size_t size, char* why, size_t whySize) {
  std::string reason;
  const int count = Count(name, bytes, size, reason);
  if (count < 0 && why && whySize > 0) {
    const size_t length = std::min(reason.size(), whySize - 1);
    std::memcpy(why, reason.data(), length);
    why[length] = '\0';
  }
  return count;
}
static_assert(std::is_same_v<decltype(QuiremarkPdfPageCount), quiremark::engine::PdfPageCountFunction>);
