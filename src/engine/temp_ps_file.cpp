#include "engine/temp_ps_file.h"

#include <cerrno>
#include <cstring>
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

// A write to the temporary file failed: the reason (a full disk) goes with it.
[[noreturn]] void WriteFailed(const std::filesystem::path& file) {
  throw TempWriteError(errno, std::generic_category(), "cannot write " + file.string());
}

}  // namespace

std::filesystem::path TempPsPath() { return std::filesystem::absolute(platform::TempFolder() / "QuiremarkTmp.ps"); }

TempPsFile::TempPsFile(const std::filesystem::path& file, platform::FolderListings* listings)
    : path_(file),
      out_(OpenOutput(file)),
      buffer_(kBufferSize),
      readBuffer_(platform::kReadBlockSize),
      listings_(listings ? listings : &ownListings_) {}

void TempPsFile::Write(std::string_view bytes) {
  if (bytes.size() < kDirectWrite) {
    if (buffered_ + bytes.size() > buffer_.size()) Flush();
    std::memcpy(buffer_.data() + buffered_, bytes.data(), bytes.size());
    buffered_ += bytes.size();
    return;
  }
  Flush();
  if (!out_.Write(bytes)) WriteFailed(path_);
}

void TempPsFile::Flush() {
  if (buffered_ > 0 && !out_.Write(std::string_view(buffer_.data(), buffered_))) WriteFailed(path_);
  buffered_ = 0;
}

int TempPsFile::AppendPlotFile(const std::string& plotFile, OutlineState* outline) {
  // A grid run's files are read through the listing of their folder, which
  // the side files need anyway: the folder is held open for both. A tree
  // scan's files, which need no listing, come folder after folder: the folder
  // of the last one is held open. Either way opening a file looks up its name
  // alone rather than every folder of its path again. The folder and the name
  // are taken as text: parent_path() and filename() make paths of parts for
  // every file.
  const size_t slash = plotFile.rfind('/');
  std::string folderPath = slash == std::string::npos ? "" : slash == 0 ? "/" : plotFile.substr(0, slash);
  const std::string name = plotFile.substr(slash + 1);
  const platform::FolderNames* folder = nullptr;
  if (outline) {
    folder = &listings_->Of(folderPath);
  } else if (!heldFolder_ || heldFolder_->path().native() != folderPath) {
    heldFolder_.emplace(std::move(folderPath));
  }
  PageCommentScanner scanner;
  char last = '\n';
  bool empty = true;
  const auto copy = [&](const char* data, size_t size) {
    scanner.Feed(data, size);
    Write(std::string_view(data, size));
    last = data[size - 1];
    empty = false;
  };
  platform::ReadFileInBlocks(folder ? folder->folder() : *heldFolder_, name, readBuffer_, copy);
  scanner.Finish();
  if (last != '\n' && last != '\r') Write(kLineEnd);
  const int pages = scanner.pages();
  files_.push_back({plotFile, pages, scanner.pageComments(), empty});
  pages_ += pages;
  if (outline) outline->AddFileEntries(PlotFileTitle(plotFile, *folder), pages);
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
  if (!out_.Close()) WriteFailed(path_);
}

}  // namespace quiremark::engine
