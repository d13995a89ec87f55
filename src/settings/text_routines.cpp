#include "settings/text_routines.h"

#include <fstream>
#include <system_error>

#include "platform/raw_file.h"
#include "platform/text_encoding.h"

namespace quiremark::settings {

namespace fs = std::filesystem;

namespace {
constexpr int kErrFileNotFound = 53;
constexpr int kErrPastEnd = 62;
constexpr int kErrAccess = 75;
}  // namespace

std::string ReadFirstLine(const fs::path& path) {
  std::string raw;
  try {
    raw = platform::ReadWholeFile(path);
  } catch (const fs::filesystem_error& error) {
    if (error.code() == std::errc::no_such_file_or_directory) {
      throw FileError(kErrFileNotFound, "File not found: " + path.string());
    }
    throw FileError(kErrAccess, "Path/File access error: " + path.string());
  }
  if (raw.empty()) throw FileError(kErrPastEnd, "Input past end of file: " + path.string());
  return platform::DecodeText(raw.substr(0, raw.find_first_of("\r\n")));
}

void WriteTextFile(const std::string& text, const fs::path& path) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (out) out << platform::EncodeForFile(text) << "\r\n";
  out.close();
  if (!out) throw FileError(kErrAccess, "Path/File access error: " + path.string());
}

bool FolderExists(const std::string& dirName) {
  if (dirName.empty()) return false;
  std::error_code ec;
  return fs::is_directory(dirName, ec);
}

std::string GetLastPathPart(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string BaseName(const std::string& fileName) {
  const std::size_t dot = fileName.rfind('.');
  return dot == std::string::npos ? fileName : fileName.substr(0, dot);
}

std::string ReplaceAll(const std::string& text, std::string_view from, std::string_view to) {
  std::string out;
  std::size_t start = 0;
  for (std::size_t at; (at = text.find(from, start)) != std::string::npos; start = at + from.size()) {
    out.append(text, start, at - start);
    out.append(to);
  }
  out.append(text, start);
  return out;
}

std::size_t InStrLast(const std::string& text, const std::string& find) {
  std::size_t last = 0;
  for (auto pos = text.find(find); pos != std::string::npos; pos = text.find(find, pos + 1)) last = pos + 1;
  return last;
}

std::string CollapseSpaces(const std::string& text) {
  const std::string trimmed = platform::Trim(text);
  std::string out;
  for (std::size_t i = 0; i < trimmed.size(); ++i) {
    if (trimmed[i] != ' ' || trimmed[i - 1] != ' ') out += trimmed[i];
  }
  return out;
}

void PumpEvents(controls::UiServices& ui) { ui.Yield(); }

}  // namespace quiremark::settings
