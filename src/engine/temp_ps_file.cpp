#include "engine/temp_ps_file.h"

#include <stdexcept>

#include "engine/bookmark_text.h"
#include "engine/page_count.h"
#include "platform/raw_file.h"

namespace quiremark::engine {

namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr size_t kBufferSize = 256 * 1024;
constexpr size_t kDirectWrite = 32 * 1024;  // larger pieces skip the buffer

platform::SafeOutputFile OpenOutput(const std::filesystem::path& file) {
  // A new file rather than the old one emptied: emptying a large file makes
  // ext4 flush the whole new content at close (auto_da_alloc).
  std::error_code ec;
  std::filesystem::remove(file, ec);
  std::string error;
  auto out = platform::SafeOutputFile::Open(file, &error);
  if (!out) throw std::runtime_error("cannot create " + error);
  return std::move(*out);
}

}  // namespace

std::filesystem::path TempPsPath() { return std::filesystem::absolute(platform::TempFolder() / "QuiremarkTmp.ps"); }

TempPsFile::TempPsFile(const std::filesystem::path& file) : path_(file), out_(OpenOutput(file)) {}

void TempPsFile::Write(std::string_view bytes) {
  if (bytes.size() < kDirectWrite) {
    if (buffer_.size() + bytes.size() > kBufferSize) Flush();
    buffer_.append(bytes);
    return;
  }
  Flush();
  if (!out_.Write(bytes)) throw std::runtime_error("cannot write " + path_.string());
}

void TempPsFile::Flush() {
  if (!buffer_.empty() && !out_.Write(buffer_)) throw std::runtime_error("cannot write " + path_.string());
  buffer_.clear();
}

int TempPsFile::AppendPlotFile(const std::filesystem::path& plotFile, OutlineState* outline) {
  PageCommentScanner scanner;
  char last = '\n';
  bool empty = true;
  platform::ReadFileInBlocks(plotFile, [&](const char* data, size_t size) {
    scanner.Feed(data, size);
    Write(std::string_view(data, size));
    last = data[size - 1];
    empty = false;
  });
  scanner.Finish();
  if (last != '\n' && last != '\r') Write(kLineEnd);
  const int pages = scanner.pages();
  files_.push_back({plotFile, pages, scanner.pageComments(), empty});
  pages_ += pages;
  if (outline) {
    const std::filesystem::path folder = plotFile.parent_path();
    auto listing = sideFiles_.find(folder.native());
    if (listing == sideFiles_.end()) listing = sideFiles_.emplace(folder.native(), SideFileListing(folder)).first;
    outline->AddFileEntries(PlotFileTitle(plotFile, listing->second), pages);
  }
  return pages;
}

void TempPsFile::Finish(const DocInfo& info, const CatalogChoices& catalog, const OutlineState& outline) {
  std::string trailer = DocInfoLine(info);
  trailer += kLineEnd;
  for (const std::string& line : CatalogLines(catalog)) {
    trailer += line;
    trailer += kLineEnd;
  }
  trailer += "% BOOKMARKS";
  trailer += kLineEnd;
  for (const OutlineRecord& record : outline.records()) {
    trailer += '\t';
    trailer += OutlineLine(record);
    trailer += kLineEnd;
  }
  trailer += "%%EOF";
  trailer += kLineEnd;
  Write(trailer);
  Flush();
  if (!out_.Close()) throw std::runtime_error("cannot write " + path_.string());
}

}  // namespace quiremark::engine
