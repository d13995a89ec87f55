#include "engine/pdf_page_count.h"

#include <dlfcn.h>

#include <future>
#include <system_error>

#include "platform/program_info.h"
#include "platform/raw_file.h"

namespace quiremark::engine {

namespace {

struct Reader {
  PdfPageCountFunction* count = nullptr;
  std::string error;  // why it cannot be loaded
};

// Beside the program, as its window library is; where it is not there (a
// test or a tool built elsewhere), where the dynamic linker looks for a
// library. The sanitizers' dlopen would look in their own run path, not
// the caller's: a test run under them names the folder in LD_LIBRARY_PATH.
Reader LoadReader() {
  std::error_code error;
  std::filesystem::path beside;
  try {
    beside = platform::ExecutableFolder() / kPdfReaderLibrary;
  } catch (const std::filesystem::filesystem_error&) {  // no folder of its own to be had
  }
  const bool there = !beside.empty() && std::filesystem::exists(beside, error);
  void* library = dlopen(there ? beside.c_str() : kPdfReaderLibrary, RTLD_NOW | RTLD_LOCAL);
  if (!library) return {nullptr, dlerror()};
  auto* count = reinterpret_cast<PdfPageCountFunction*>(dlsym(library, kPdfPageCountSymbol));
  if (!count) return {nullptr, dlerror()};
  return {count, {}};
}

// The reader, loaded once per process on a thread of its own: a converter
// runs for a tenth of a second at the least, time enough to load it unseen.
const std::shared_future<Reader>& PendingReader() {
  static const std::shared_future<Reader> reader = [] {
    try {
      return std::async(std::launch::async, LoadReader).share();
    } catch (const std::system_error&) {  // no thread to be had: load it when it is asked for
      return std::async(std::launch::deferred, LoadReader).share();
    }
  }();
  return reader;
}

}  // namespace

void PreparePdfPageCount() { PendingReader(); }

std::optional<int> PdfPageCount(const std::filesystem::path& pdf, std::string* why) {
  const Reader& reader = PendingReader().get();
  if (!reader.count) {
    if (why) *why = "the PDF reader cannot be loaded: " + reader.error;
    return std::nullopt;
  }
  try {
    // qpdf reads a file on disk in small reads, each after a seek: some
    // 130,000 system calls and 90 ms for the cross-reference of a PDF of
    // 2,000 pages, where reading the file mapped into memory takes 3 ms.
    const platform::MappedFile bytes(pdf);
    char reason[512] = {};
    const int count = reader.count(pdf.c_str(), bytes.bytes().data(), bytes.bytes().size(), reason, sizeof reason);
    if (count >= 0) return count;
    if (why) *why = reason;
  } catch (const std::filesystem::filesystem_error& e) {
    if (why) *why = e.code().message();
  } catch (const std::exception& e) {
    if (why) *why = e.what();
  }
  return std::nullopt;
}

}  // namespace quiremark::engine
