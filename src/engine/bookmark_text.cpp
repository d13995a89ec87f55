#include "engine/bookmark_text.h"

#include "platform/file_search.h"
#include "platform/raw_file.h"
#include "platform/text_encoding.h"
#include "settings/text_routines.h"

namespace quiremark::engine {

namespace {

// The bytes of the normal file at `path` (name ignoring case); empty optional
// when there is none. Hidden files count as missing.
std::optional<std::string> ReadSideFile(const std::filesystem::path& path) {
  const auto found = platform::FindNameIgnoringCase(path.parent_path(), path.filename().string());
  std::error_code ec;
  if (!found || !std::filesystem::is_regular_file(*found, ec) || found->filename().string().starts_with(".")) {
    return std::nullopt;
  }
  std::string bytes;
  platform::ReadFileInBlocks(*found, [&](const char* data, size_t size) { bytes.append(data, size); });
  return bytes;
}

}  // namespace

std::string ReadBookmarkText(const std::filesystem::path& path) {
  const auto bytes = ReadSideFile(path);
  if (!bytes) return "";
  const std::string text = platform::DecodeText(*bytes);
  std::string joined;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find_first_of("\r\n", at);
    if (end == std::string::npos) end = text.size();
    if (end == at) break;  // an empty line ends the text
    joined += ' ';
    joined += settings::CollapseSpaces(text.substr(at, end - at));
    at = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
  }
  return settings::CollapseSpaces(joined);
}

std::string PlotFileTitle(const std::filesystem::path& plotFile) {
  const std::string name = plotFile.filename().string();
  const std::string base = name.substr(0, name.rfind('.'));
  const std::string title = ReadBookmarkText(plotFile.parent_path() / (base + ".txt"));
  return title.empty() ? base : title;
}

}  // namespace quiremark::engine
