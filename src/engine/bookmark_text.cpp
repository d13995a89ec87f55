#include "engine/bookmark_text.h"

#include "platform/file_search.h"
#include "platform/raw_file.h"
#include "platform/text_encoding.h"
#include "settings/text_routines.h"

namespace quiremark::engine {

namespace {

// The decoded text's lines (CR LF, CR or LF) before the first empty one,
// each as `line` makes it, each after one blank.
template <typename Line>
std::string JoinLinesBeforeEmpty(const std::string& bytes, Line line) {
  const std::string text = platform::DecodeText(bytes);
  std::string joined;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find_first_of("\r\n", at);
    if (end == std::string::npos) end = text.size();
    if (end == at) break;  // an empty line ends the text
    joined += ' ';
    joined += line(text.substr(at, end - at));
    at = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
  }
  return joined;
}

std::string BookmarkTextOf(const std::string& bytes) {
  return settings::CollapseSpaces(JoinLinesBeforeEmpty(bytes, settings::CollapseSpaces));
}

// The tree scan's text of a side file's bytes.
std::string ScanBookmarkTextOf(const std::string& bytes) {
  const std::string joined = JoinLinesBeforeEmpty(bytes, [](const std::string& line) { return platform::Trim(line); });
  return platform::Trim(joined).empty() ? std::string() : joined;
}

std::string TitleOrBaseName(const std::string& title, const std::string& base) {
  return title.empty() ? platform::DecodeText(base) : title;
}

}  // namespace

platform::FolderNames SideFileListing(const std::filesystem::path& folder) { return platform::FolderNames(folder); }

std::string ReadBookmarkText(const std::filesystem::path& path) {
  const auto found = platform::FindFileIgnoringCase(path.parent_path(), path.filename().string());
  if (!found || found->filename().string().starts_with(".")) return "";
  return BookmarkTextOf(platform::ReadWholeFile(*found));
}

std::string ReadBookmarkText(const platform::FolderNames& sideFiles, const std::string& name) {
  const std::string* stored = sideFiles.FindName(name);
  return stored ? BookmarkTextOf(platform::ReadWholeFile(sideFiles.folder(), *stored)) : "";
}

std::string ReadScanBookmarkText(const std::filesystem::path& sideFile) {
  return ScanBookmarkTextOf(platform::ReadWholeFile(sideFile));
}

std::string ReadScanBookmarkText(const platform::OpenFolder& folder, const std::string& name) {
  return ScanBookmarkTextOf(platform::ReadWholeFile(folder, name));
}

std::string PlotFileTitle(const std::filesystem::path& plotFile) {
  const std::string base = settings::BaseName(plotFile.filename().string());
  return TitleOrBaseName(ReadBookmarkText(plotFile.parent_path() / (base + ".txt")), base);
}

std::string PlotFileTitle(const std::string& plotFile, const platform::FolderNames& sideFiles) {
  // The name as text, not as filename(), which makes a path of parts per file.
  const std::string base = settings::BaseName(plotFile.substr(plotFile.rfind('/') + 1));
  return TitleOrBaseName(ReadBookmarkText(sideFiles, base + ".txt"), base);
}

}  // namespace quiremark::engine
