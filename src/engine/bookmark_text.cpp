#include "engine/bookmark_text.h"

#include "platform/raw_file.h"
#include "platform/text_encoding.h"
#include "settings/text_routines.h"

namespace quiremark::engine {

namespace {

std::string BookmarkTextOf(const std::optional<std::filesystem::path>& file) {
  if (!file) return "";
  const std::string text = platform::DecodeText(platform::ReadWholeFile(*file));
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

std::string BaseNameOf(const std::filesystem::path& plotFile) {
  const std::string name = plotFile.filename().string();
  return name.substr(0, name.rfind('.'));
}

std::string TitleOrBaseName(const std::string& title, const std::string& base) {
  return title.empty() ? platform::DecodeText(base) : title;
}

}  // namespace

platform::FolderNames SideFileListing(const std::filesystem::path& folder) { return platform::FolderNames(folder); }

std::string ReadBookmarkText(const std::filesystem::path& path) {
  const auto found = platform::FindNameIgnoringCase(path.parent_path(), path.filename().string());
  std::error_code ec;
  if (!found || !std::filesystem::is_regular_file(*found, ec) || found->filename().string().starts_with(".")) {
    return "";
  }
  return BookmarkTextOf(found);
}

std::string ReadBookmarkText(const platform::FolderNames& sideFiles, const std::string& name) {
  return BookmarkTextOf(sideFiles.Find(name));
}

std::string PlotFileTitle(const std::filesystem::path& plotFile) {
  const std::string base = BaseNameOf(plotFile);
  return TitleOrBaseName(ReadBookmarkText(plotFile.parent_path() / (base + ".txt")), base);
}

std::string PlotFileTitle(const std::filesystem::path& plotFile, const platform::FolderNames& sideFiles) {
  const std::string base = BaseNameOf(plotFile);
  return TitleOrBaseName(ReadBookmarkText(sideFiles, base + ".txt"), base);
}

}  // namespace quiremark::engine
