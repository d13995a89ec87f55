#include "platform/profile.h"

#include <algorithm>
#include <optional>
#include <sstream>

#include "platform/environment.h"
#include "platform/raw_file.h"
#include "platform/text_encoding.h"

namespace quiremark::platform {

namespace fs = std::filesystem;

namespace {

// Blanks and tabs around names and values do not count, nor the carriage
// return a line keeps of its CRLF.
std::string TrimSpace(std::string_view text) { return Trim(text, " \t\r"); }

// How a profile file's text is encoded; a rewrite keeps it.
enum class Encoding {
  Ansi,     // Windows-1252 (or plain ASCII); also a new file
  Utf8,     // UTF-8 with characters beyond ASCII
  Utf8Bom,  // UTF-8 after a byte order mark
  Utf16,    // UTF-16LE after a byte order mark, as Windows writes "Unicode" files
};

// The file's lines as they are: a line that ended in CRLF keeps its carriage
// return, so it is written back so; a changed or new line ends as the file's
// first line does (CRLF in a new file).
struct ProfileText {
  std::vector<std::string> lines;
  Encoding encoding = Encoding::Ansi;
  std::string lineEnd = "\r\n";
  bool lastLineEnded = true;  // the file ends with a line end (or is empty)
};

ProfileText ParseProfile(const std::string& bytes) {
  ProfileText result;
  std::string text;
  if (bytes.rfind("\xFF\xFE", 0) == 0) {
    result.encoding = Encoding::Utf16;
    text = DecodeUtf16Le(std::string_view(bytes).substr(2));
  } else {
    if (bytes.rfind("\xEF\xBB\xBF", 0) == 0) {
      result.encoding = Encoding::Utf8Bom;
    } else if (IsValidUtf8(bytes) && std::any_of(bytes.begin(), bytes.end(), [](char c) { return c & 0x80; })) {
      result.encoding = Encoding::Utf8;
    }
    text = DecodeText(bytes);
  }
  if (const size_t first = text.find('\n'); first != std::string::npos) {
    result.lineEnd = first > 0 && text[first - 1] == '\r' ? "\r\n" : "\n";
  }
  result.lastLineEnded = text.empty() || text.back() == '\n';
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) result.lines.push_back(line);
  return result;
}

// The file's lines for a reader: a file that is missing or cannot be read
// reads as an empty one.
ProfileText ReadProfile(const fs::path& file) {
  const auto bytes = TryReadWholeFile(file);
  return bytes ? ParseProfile(*bytes) : ProfileText{};
}

// The bytes of the lines, with their line ends, in the file's own encoding. A file read
// as Windows-1252 stays so while the text fits and its bytes cannot be taken
// for UTF-8 at the next read ("Ã©" is the UTF-8 of "é"); otherwise it becomes
// UTF-8, so every value reads back as it was written.
std::string EncodeProfile(const ProfileText& profile) {
  std::string text;
  for (size_t i = 0; i < profile.lines.size(); ++i) {
    const std::string& line = profile.lines[i];
    text += line;
    if (i + 1 == profile.lines.size() && !profile.lastLineEnded) break;
    text += line.ends_with('\r') ? "\n" : profile.lineEnd;
  }
  switch (profile.encoding) {
    case Encoding::Utf16: return "\xFF\xFE" + EncodeUtf16Le(text);
    case Encoding::Utf8Bom: return "\xEF\xBB\xBF" + text;
    case Encoding::Utf8: return text;
    case Encoding::Ansi: break;
  }
  if (auto single = EncodeWindows1252(text)) {
    const bool readsAsUtf8 =
        IsValidUtf8(*single) && std::any_of(single->begin(), single->end(), [](char c) { return c & 0x80; });
    if (!readsAsUtf8) return *single;
  }
  return text;
}

// Reads, changes and replaces the file under its update lock, so that two
// writers (two instances of the program) never lose the file and an update
// made meanwhile is not lost either. A file that is there but cannot be read
// is never replaced: the write fails.
template <typename Change>
bool UpdateProfile(const fs::path& file, Change change) {
  // A settings file that is a link is written where the link points.
  std::error_code ec;
  const fs::path target = fs::is_symlink(file, ec) ? fs::weakly_canonical(file, ec) : file;
  if (ec && ec != std::errc::no_such_file_or_directory) return false;
  // The lock is on the file itself: a lock file beside it would stay there.
  const auto lock = FileUpdateLock::TakeOnFile(target, 0644);
  if (!lock) return false;
  std::error_code readError;
  const auto bytes = TryReadWholeFile(target, &readError);
  if (!bytes && readError != std::errc::no_such_file_or_directory) return false;
  ProfileText profile = bytes ? ParseProfile(*bytes) : ProfileText{};
  change(profile.lines);
  // A change that leaves the text as it is (a tree scan saves the file
  // patterns after every scan) writes nothing.
  const std::string text = EncodeProfile(profile);
  return (bytes && text == *bytes) || ReplaceFileAtomically(target, text, 0644);
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

void AppendSectionHeader(std::vector<std::string>& lines, const std::string& section) {
  if (!lines.empty() && !TrimSpace(lines.back()).empty()) lines.emplace_back();
  lines.push_back("[" + section + "]");
}

}  // namespace

std::string ReadProfileSection(const fs::path& file, const std::string& section, std::size_t bufferSize) {
  const ProfileText profile = ReadProfile(file);
  const auto& lines = profile.lines;
  const auto range = FindSection(lines, section);
  if (!range) return "";
  std::string text;
  for (std::size_t i = range->first; i < range->end; ++i) {
    if (IsContentLine(lines[i])) text += TrimSpace(lines[i]) + '\0';
  }
  if (bufferSize < 2) return "";
  if (CharCount(text) > bufferSize - 2) text = FirstChars(text, bufferSize - 2);
  return text;
}

std::string ReadProfileString(const fs::path& file, const std::string& section, const std::string& key,
                              const std::string& fallback, std::size_t bufferSize) {
  const ProfileText profile = ReadProfile(file);
  const auto& lines = profile.lines;
  std::optional<std::string> value;
  if (const auto range = FindSection(lines, section)) {
    for (std::size_t i = range->first; i < range->end && !value; ++i) {
      const auto name = KeyOf(lines[i]);
      if (name && EqualsIgnoringCase(*name, TrimSpace(key))) {
        value = TrimSpace(lines[i].substr(lines[i].find('=') + 1));
        if (value->size() >= 2 && value->front() == '"' && value->back() == '"') {
          value = value->substr(1, value->size() - 2);
        }
      }
    }
  }
  const std::string result = value ? *value : fallback;
  return bufferSize == 0 ? "" : FirstChars(result, bufferSize - 1);
}

bool WriteProfileString(const fs::path& file, const std::string& section, const std::string& key,
                        const std::string& value) {
  return UpdateProfile(file, [&](std::vector<std::string>& lines) {
    const std::string newLine = TrimSpace(key) + "=" + value;
    const auto range = FindSection(lines, section);
    if (!range) {
      AppendSectionHeader(lines, TrimSpace(section));
      lines.push_back(newLine);
      return;
    }
    std::size_t insertAt = range->first;
    for (std::size_t i = range->first; i < range->end; ++i) {
      const auto name = KeyOf(lines[i]);
      if (name && EqualsIgnoringCase(*name, TrimSpace(key))) {
        lines[i] = *name + "=" + value;
        return;
      }
      if (IsContentLine(lines[i])) insertAt = i + 1;
    }
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAt), newLine);
  });
}

bool WriteProfileSection(const fs::path& file, const std::string& section, const std::vector<std::string>& lines) {
  return UpdateProfile(file, [&](std::vector<std::string>& all) {
    const auto range = FindSection(all, section);
    if (!range) {
      AppendSectionHeader(all, TrimSpace(section));
      all.insert(all.end(), lines.begin(), lines.end());
      return;
    }
    // Keep the blank lines that separate this section from the next one.
    std::size_t keepFrom = range->end;
    while (keepFrom > range->first && TrimSpace(all[keepFrom - 1]).empty()) --keepFrom;
    std::vector<std::string> result(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(range->first));
    result.insert(result.end(), lines.begin(), lines.end());
    result.insert(result.end(), all.begin() + static_cast<std::ptrdiff_t>(keepFrom), all.end());
    all = std::move(result);
  });
}

}  // namespace quiremark::platform
