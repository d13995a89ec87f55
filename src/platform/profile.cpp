#include "platform/profile.h"

#include <algorithm>
#include <fstream>
#include <optional>
#include <sstream>

#include "platform/environment.h"
#include "platform/text_encoding.h"

namespace quiremark::platform {

namespace fs = std::filesystem;

namespace {

// Blanks and tabs around names and values do not count.
std::string TrimSpace(std::string_view text) { return Trim(text, " \t"); }

// A profile file's lines and how its text was encoded, so a rewrite keeps it.
struct ProfileText {
  std::vector<std::string> lines;
  bool utf8 = false;       // UTF-8 with characters beyond ASCII
  bool byteOrderMark = false;
};

std::optional<ProfileText> ReadLines(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream stream;
  stream << in.rdbuf();
  const std::string bytes = stream.str();
  ProfileText result;
  result.byteOrderMark = bytes.rfind("\xEF\xBB\xBF", 0) == 0;
  result.utf8 = result.byteOrderMark ||
                (IsValidUtf8(bytes) && std::any_of(bytes.begin(), bytes.end(), [](char c) { return c & 0x80; }));
  std::istringstream text(DecodeText(bytes));
  std::string line;
  while (std::getline(text, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    result.lines.push_back(line);
  }
  return result;
}

// The section name of a "[name]" line, empty optional for other lines.
std::optional<std::string> SectionName(const std::string& line) {
  const std::string trimmed = TrimSpace(line);
  if (trimmed.size() < 2 || trimmed.front() != '[') return std::nullopt;
  const auto close = trimmed.find(']');
  if (close == std::string::npos) return std::nullopt;
  return TrimSpace(trimmed.substr(1, close - 1));
}

bool IsContentLine(const std::string& line) {
  const std::string trimmed = TrimSpace(line);
  return !trimmed.empty() && trimmed[0] != ';';
}

// Lines [first, end) of a section's body; empty optional when the section is missing.
struct SectionRange {
  std::size_t header;
  std::size_t first;
  std::size_t end;
};
std::optional<SectionRange> FindSection(const std::vector<std::string>& lines, const std::string& section) {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    auto name = SectionName(lines[i]);
    if (!name || !EqualsIgnoringCase(*name, TrimSpace(section))) continue;
    std::size_t end = i + 1;
    while (end < lines.size() && !SectionName(lines[end])) ++end;
    return SectionRange{i, i + 1, end};
  }
  return std::nullopt;
}

std::optional<std::string> KeyOf(const std::string& line) {
  if (!IsContentLine(line)) return std::nullopt;
  const auto eq = line.find('=');
  if (eq == std::string::npos) return std::nullopt;
  return TrimSpace(line.substr(0, eq));
}

// The first `count` characters of a UTF-8 text.
std::string FirstCharacters(const std::string& text, std::size_t count) {
  std::size_t pos = 0;
  for (std::size_t n = 0; n < count && pos < text.size(); ++n) {
    ++pos;
    while (pos < text.size() && (static_cast<unsigned char>(text[pos]) & 0xC0) == 0x80) ++pos;
  }
  return text.substr(0, pos);
}

std::size_t CharacterCount(const std::string& text) {
  std::size_t count = 0;
  for (const char c : text) count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return count;
}

// Writes the lines with CRLF in the file's own encoding (Windows-1252 for a
// new file where the text fits it), replacing the file in one step.
bool WriteLines(const fs::path& file, const ProfileText& profile) {
  std::string text;
  for (const auto& line : profile.lines) text += line + "\r\n";
  const std::string bytes = profile.utf8 ? (profile.byteOrderMark ? "\xEF\xBB\xBF" : "") + text : EncodeForFile(text);
  // A settings file that is a link is written where the link points.
  std::error_code ec;
  const fs::path target = fs::is_symlink(file, ec) ? fs::weakly_canonical(file, ec) : file;
  if (ec && ec != std::errc::no_such_file_or_directory) return false;
  return ReplaceFileAtomically(target, bytes, 0644);
}

void AppendSectionHeader(std::vector<std::string>& lines, const std::string& section) {
  if (!lines.empty() && !TrimSpace(lines.back()).empty()) lines.emplace_back();
  lines.push_back("[" + section + "]");
}

}  // namespace

std::string ReadProfileSection(const fs::path& file, const std::string& section, std::size_t bufferSize) {
  const auto profile = ReadLines(file);
  if (!profile) return "";
  const auto* lines = &profile->lines;
  const auto range = FindSection(*lines, section);
  if (!range) return "";
  std::string text;
  for (std::size_t i = range->first; i < range->end; ++i) {
    if (IsContentLine((*lines)[i])) text += TrimSpace((*lines)[i]) + '\0';
  }
  if (bufferSize < 2) return "";
  if (CharacterCount(text) > bufferSize - 2) text = FirstCharacters(text, bufferSize - 2);
  return text;
}

std::string ReadProfileString(const fs::path& file, const std::string& section, const std::string& key,
                              const std::string& fallback, std::size_t bufferSize) {
  const auto profile = ReadLines(file);
  const auto* lines = profile ? &profile->lines : nullptr;
  std::optional<std::string> value;
  if (lines) {
    if (const auto range = FindSection(*lines, section)) {
      for (std::size_t i = range->first; i < range->end && !value; ++i) {
        const auto name = KeyOf((*lines)[i]);
        if (name && EqualsIgnoringCase(*name, TrimSpace(key))) {
          value = TrimSpace((*lines)[i].substr((*lines)[i].find('=') + 1));
          if (value->size() >= 2 && value->front() == '"' && value->back() == '"') {
            value = value->substr(1, value->size() - 2);
          }
        }
      }
    }
  }
  const std::string result = value ? *value : fallback;
  return bufferSize == 0 ? "" : FirstCharacters(result, bufferSize - 1);
}

bool WriteProfileString(const fs::path& file, const std::string& section, const std::string& key,
                        const std::string& value) {
  auto profile = ReadLines(file).value_or(ProfileText{});
  auto& lines = profile.lines;
  const std::string newLine = TrimSpace(key) + "=" + value;
  auto range = FindSection(lines, section);
  if (!range) {
    AppendSectionHeader(lines, TrimSpace(section));
    lines.push_back(newLine);
    return WriteLines(file, profile);
  }
  std::size_t insertAt = range->first;
  for (std::size_t i = range->first; i < range->end; ++i) {
    const auto name = KeyOf(lines[i]);
    if (name && EqualsIgnoringCase(*name, TrimSpace(key))) {
      lines[i] = *name + "=" + value;
      return WriteLines(file, profile);
    }
    if (IsContentLine(lines[i])) insertAt = i + 1;
  }
  lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAt), newLine);
  return WriteLines(file, profile);
}

bool WriteProfileSection(const fs::path& file, const std::string& section, const std::vector<std::string>& lines) {
  auto profile = ReadLines(file).value_or(ProfileText{});
  auto& all = profile.lines;
  const auto range = FindSection(all, section);
  if (!range) {
    AppendSectionHeader(all, TrimSpace(section));
    all.insert(all.end(), lines.begin(), lines.end());
    return WriteLines(file, profile);
  }
  // Keep the blank lines that separate this section from the next one.
  std::size_t keepFrom = range->end;
  while (keepFrom > range->first && TrimSpace(all[keepFrom - 1]).empty()) --keepFrom;
  std::vector<std::string> result(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(range->first));
  result.insert(result.end(), lines.begin(), lines.end());
  result.insert(result.end(), all.begin() + static_cast<std::ptrdiff_t>(keepFrom), all.end());
  all = std::move(result);
  return WriteLines(file, profile);
}

}  // namespace quiremark::platform
