#include "engine/temp_ps_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <stdexcept>

#include "engine/bind_prolog.h"
#include "engine/bookmark_text.h"
#include "engine/page_count.h"
#include "platform/raw_file.h"
#include "platform/text_encoding.h"

namespace quiremark::engine {

namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr size_t kBufferSize = 256 * 1024;
constexpr size_t kDirectWrite = 32 * 1024;  // larger pieces skip the buffer

// The part of a plot file that is bound: all of it, or a DOS EPS binary
// file's PostScript section.
struct Section {
  uint64_t from = 0;
  uint64_t end = 0;
};

constexpr size_t kDosEpsHeader = 30;  // magic, three offset and length pairs, checksum

uint32_t LittleEndian32(const char* at) {
  const auto* b = reinterpret_cast<const unsigned char*>(at);
  return b[0] | b[1] << 8 | b[2] << 16 | static_cast<uint32_t>(b[3]) << 24;
}

bool IsDosEps(const char* head, size_t size) { return size >= 4 && std::memcmp(head, "\xC5\xD0\xD3\xC6", 4) == 0; }

std::string Bytes(uint64_t n) { return std::to_string(n) + " byte"; }

// The PostScript section a DOS EPS binary header gives; PlotFileRefused when
// the header does not fit the file (a file cut short, or not such a file).
Section DosEpsSection(const std::string& plotFile, const char* head, size_t got, uint64_t size) {
  const auto refuse = [&](const std::string& why) {
    throw PlotFileRefused("Plotfilen " + platform::DecodeText(plotFile) +
                          " är en EPS-fil med förhandsbild (DOS EPS) vars huvud inte stämmer med filen: " + why + ".");
  };
  if (got < kDosEpsHeader) refuse("huvudet är kortare än " + Bytes(kDosEpsHeader));
  const struct {
    const char* name;
    uint64_t offset, length;
  } parts[] = {{"PostScript-delen", LittleEndian32(head + 4), LittleEndian32(head + 8)},
               {"WMF-bilden", LittleEndian32(head + 12), LittleEndian32(head + 16)},
               {"TIFF-bilden", LittleEndian32(head + 20), LittleEndian32(head + 24)}};
  if (parts[0].length == 0) refuse("PostScript-delen är tom");
  for (const auto& part : parts) {
    if (part.offset == 0 && part.length == 0) continue;  // no such part
    if (part.offset < kDosEpsHeader || part.offset + part.length > size) {
      refuse(std::string(part.name) + " ska ligga på byte " + std::to_string(part.offset) + " till " +
             std::to_string(part.offset + part.length) + ", men filen har " + Bytes(size));
    }
  }
  return {parts[0].offset, parts[0].offset + parts[0].length};
}

// Whether the bytes begin with an EPS file's first line, "%!PS-Adobe-3.0 EPSF-3.0".
bool IsEps(const char* data, size_t size) {
  constexpr std::string_view kHeader = "%!PS-Adobe-";
  const std::string_view text(data, size);
  if (!text.starts_with(kHeader)) return false;
  const size_t lineEnd = text.find_first_of("\r\n");
  return text.substr(0, lineEnd).find("EPSF-", kHeader.size()) != std::string_view::npos;
}

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

const BoundFile* PlotFileAt(const std::vector<BoundFile>& files, uint64_t offset) {
  const auto file = std::upper_bound(files.begin(), files.end(), offset,
                                     [](uint64_t at, const BoundFile& f) { return at < f.end; });
  return file != files.end() && file->begin <= offset ? &*file : nullptr;
}

std::filesystem::path TempPsPath() { return std::filesystem::absolute(platform::TempFolder() / "QuiremarkTmp.ps"); }

TempPsFile::TempPsFile(const std::filesystem::path& file, platform::FolderListings* listings)
    : path_(file),
      out_(OpenOutput(file)),
      buffer_(kBufferSize),
      readBuffer_(platform::kReadBlockSize),
      listings_(listings ? listings : &ownListings_) {
  Write(BindProlog());
  headerEnd_ = written_;
}

void TempPsFile::Write(std::string_view bytes) {
  written_ += bytes.size();
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

void TempPsFile::Writing(OutlineState& outline) {
  if (writing_ == &outline) return;
  outline.RewindTaking();
  writing_ = &outline;
}

std::vector<std::string> TempPsFile::WriteRecords(const std::vector<OutlineRecord>& records, int plotFile, int pages) {
  // The file's own records come last: they go after it, where the
  // converter knows the page it began on (BindProlog). Those in front of
  // them, the folder groups, go to the page being made, where the file
  // begins; one going to another page (an entry of a page of its own, not
  // of a plot file) names its page.
  std::vector<std::string> titles;
  if (records.empty()) return titles;  // none go with this file
  const size_t own = pages == 1 ? 1 : static_cast<size_t>(pages) + 1;
  if (records.size() < own) throw std::logic_error("the outline gave fewer records than the plot file has");
  const size_t first = records.size() - own;
  for (size_t k = 0; k < records.size(); ++k) {
    const OutlineRecord& record = records[k];
    if (k >= first) {
      titles.push_back(PdfMarkString(record.title));
      outline_.push_back({record, k == first ? plotFile : 0});
      continue;
    }
    const bool here = record.page == records[first].page;
    if (!here) pagesNamed_ = true;
    std::string line = here ? OutlineLineAtCurrentPage(record, 0) : OutlineLine(record);
    line += kLineEnd;
    Write(line);
    outline_.push_back({record, 0});
  }
  return titles;
}

int TempPsFile::AppendPlotFile(const std::string& plotFile, OutlineState* outline, bool scanned) {
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
  const bool gridRun = outline && !scanned;
  const platform::FolderNames* folder = nullptr;
  if (gridRun) {
    folder = &listings_->Of(folderPath);
  } else if (!heldFolder_ || heldFolder_->path().native() != folderPath) {
    heldFolder_.emplace(std::move(folderPath));
  }
  platform::ReadOnlyFile in(folder ? folder->folder() : *heldFolder_, name);

  // The first block tells what the file is and, for most plot files, holds
  // all of it.
  char* const block = readBuffer_.data();
  const uint64_t size = in.size();
  const size_t asked = static_cast<size_t>(std::min<uint64_t>(readBuffer_.size(), size));
  const size_t got = in.ReadAt(block, asked, 0);
  Section section{0, got < asked ? got : size};  // a file that shrank ends where its bytes end
  if (IsDosEps(block, got)) section = DosEpsSection(plotFile, block, got, section.end);

  // The pages are counted before the file is written: its outline entries
  // go in front of it.
  PageCommentScanner scanner;
  bool eps = false;
  // The bound bytes block by block: those of the first block where they all
  // lie in it, else read again from the file. A file that shrinks while it
  // is counted ends where its bytes end.
  const bool inBlock = section.end <= got;
  const auto eachBlock = [&](bool shrink, const auto& take) {
    if (inBlock) {
      if (section.end > section.from) take(block + section.from, section.end - section.from, true);
      return;
    }
    for (uint64_t at = section.from; at < section.end;) {
      const size_t n = in.ReadAt(block, static_cast<size_t>(std::min<uint64_t>(readBuffer_.size(), section.end - at)), at);
      if (n == 0) {
        if (shrink) section.end = at;
        break;
      }
      take(block, n, at == section.from);
      at += n;
    }
  };
  eachBlock(true, [&](const char* data, size_t n, bool first) {
    if (first) eps = IsEps(data, n);
    scanner.Feed(data, n);
  });
  scanner.Finish();
  // A file that calls itself an EPS file but holds the comments of several
  // pages is a document of those pages, as gs alone makes it.
  eps = eps && scanner.pages() == 1;
  const int pages = scanner.pages();

  std::vector<OutlineRecord> records;
  if (outline) {
    Writing(*outline);
    if (gridRun) {
      outline->AddFileEntries(PlotFileTitle(plotFile, *folder), pages);
      records = outline->TakeRecordsThroughLast();
    } else {
      outline->FileCounted(plotFile, pages);
      records = outline->TakeRecordsThrough(plotFile);
    }
  }
  const int number = static_cast<int>(files_.size()) + 1;
  const uint64_t begin = written_;
  const bool empty = section.end == section.from;
  const std::vector<std::string> titles = WriteRecords(records, number, pages);
  Write(PlotFileBeginLine(number, pages, eps, empty));

  char last = '\n';
  eachBlock(false, [&](const char* data, size_t n, bool) {
    Write(std::string_view(data, n));
    last = data[n - 1];
  });
  if (last != '\n' && last != '\r') Write(kLineEnd);
  Write(PlotFileEndLine(titles));

  files_.push_back({plotFile, pages, scanner.pageComments(), empty, !records.empty(), eps, begin, written_});
  pages_ += pages;
  return pages;
}

void TempPsFile::Finish(const DocInfo& info, const CatalogChoices& catalog, OutlineState& outline) {
  trailerBegin_ = written_;
  std::string trailer = DocInfoLine(info);
  trailer += kLineEnd;
  for (const std::string& line : CatalogLines(catalog)) {
    trailer += line;
    trailer += kLineEnd;
  }
  bookmarksBegin_ = trailerBegin_ + trailer.size();
  trailer += "% BOOKMARKS";
  trailer += kLineEnd;
  Writing(outline);
  for (OutlineRecord& record : outline.TakeRemainingRecords()) {
    trailer += '\t';
    trailer += OutlineLine(record);
    trailer += kLineEnd;
    outline_.push_back({std::move(record), 0});
    ++trailingRecords_;
  }
  trailer += "%%EOF";
  trailer += kLineEnd;
  Write(trailer);
  Flush();
  if (!out_.Close()) WriteFailed(path_);
}

}  // namespace quiremark::engine
