#include "settings/ini_file.h"

#include "platform/file_search.h"
#include "platform/profile.h"

namespace quiremark::settings {

namespace {
constexpr std::size_t kSectionBuffer = 1024;
constexpr std::size_t kStringBuffer = 2047;
}  // namespace

std::string StripNull(const std::string& text) { return text.substr(0, text.find('\0')); }

std::vector<std::string> GetFileList(const std::string& pattern) {
  const auto [folder, names] = platform::SplitPattern(pattern);
  std::vector<std::string> list;
  for (const auto& entry : platform::FindEntries(folder, names)) list.push_back(StripNull(entry.name));
  if (list.empty()) list.emplace_back();
  return list;
}

std::string GetIniSection(const std::string& section, const std::filesystem::path& file) {
  std::string text = platform::ReadProfileSection(file, section, kSectionBuffer);
  return text.size() < 2 ? std::string() : text;
}

std::vector<std::string> SplitIniSection(const std::string& sectionText) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < sectionText.size()) {
    auto end = sectionText.find('\0', start);
    if (end == std::string::npos) end = sectionText.size();
    lines.push_back(sectionText.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

std::string GetIniString(const std::string& section, const std::string& key, const std::filesystem::path& file) {
  return platform::ReadProfileString(file, section, key, "", kStringBuffer);
}

bool WriteIniString(const std::string& section, const std::string& key, const std::string& value,
                    const std::filesystem::path& file) {
  return platform::WriteProfileString(file, section, key, value);
}

bool WriteIniSection(const std::string& section, const std::vector<std::string>& lines,
                     const std::filesystem::path& file) {
  return platform::WriteProfileSection(file, section, lines);
}

}  // namespace quiremark::settings
