#include "engine/bookmark_text.h"

#include "platform/file_search.h"
#include "platform/raw_file.h"
#include "platform/text_encoding.h"
#include "settings/text_routines.h"

namespace quiremark::engine {

namespace {

std::string ReadBytes(const std::filesystem::path& file) {
  std::string bytes;
  platform::ReadFileInBlocks(file, [&](const char* data, size_t size) { bytes.append(data, size); });
  return bytes;
}

// The bytes of the normal file at `path` (name ignoring case); empty optional
// when there is none. Hidden files count as missing.
std::optional<std::string> ReadSideFile(const std::filesystem::path& path) {
  const auto found = platform::FindNameIgnoringCase(path.parent_path(), path.filename().string());
  std::error_code ec;
  if (!found || !std::filesystem::is_regular_file(*found, ec) || found->filename().string().starts_with(".")) {
    return std::nullopt;
  }
  return ReadBytes(*found);
}

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

}  // namespace

std::string ReadBookmarkText(const std::filesystem::path& path) {
  const auto bytes = ReadSideFile(path);
  if (!bytes) return "";
  return settings::CollapseSpaces(JoinLinesBeforeEmpty(*bytes, settings::CollapseSpaces));
}

std::string ReadScanBookmarkText(const std::filesystem::path& sideFile) {
  const std::string joined =
      JoinLinesBeforeEmpty(ReadBytes(sideFile), [](const std::string& line) { return platform::Trim(line); });
  return platform::Trim(joined).empty() ? std::string() : joined;
}

std::string PlotFileTitle(const std::filesystem::path& plotFile) {
  const std::string name = plotFile.filename().string();
  const std::string base = settings::BaseName(name);
  const std::string title = ReadBookmarkText(plotFile.parent_path() / (base + ".txt"));
  return title.empty() ? base : title;
}

}  // namespace quiremark::engine
