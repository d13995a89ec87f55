#include "app/bind_steps.h"

#include <cmath>
#include <cstddef>
#include <vector>

namespace quiremark::app {
namespace {

// Byte offsets where each UTF-8 character begins.
std::vector<std::size_t> CharStarts(const std::string& s) {
  std::vector<std::size_t> starts;
  for (std::size_t i = 0; i < s.size(); ++i)
    if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) starts.push_back(i);
  return starts;
}

std::string DoubleQuoted(const std::string& s) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '"' || c == '\\' || c == '$' || c == '`') out += '\\';
    out += c;
  }
  return out + "\"";
}

bool IsPlainShellWord(const std::string& s) {
  if (s.empty()) return false;
  for (char c : s) {
    const auto u = static_cast<unsigned char>(c);
    const bool plain = u >= 0x80 || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       std::string_view("-_.,+:@%/=").find(c) != std::string_view::npos;
    if (!plain) return false;
  }
  return true;
}

}  // namespace

std::optional<std::string> PathSideFileSuffix(float mode) {
  if (std::isnan(mode) || mode <= 0) return std::nullopt;
  return mode == 1.0f ? std::string() : std::string(".relation");
}

std::string ShortenProgressPath(const std::string& fullPath) {
  // No "/" of a path of 80 bytes or fewer lies beyond character 80.
  if (fullPath.size() <= 80) return fullPath;
  const std::vector<std::size_t> starts = CharStarts(fullPath);
  // 1-based character positions of every "/".
  std::vector<std::size_t> seps;
  for (std::size_t i = 0; i < starts.size(); ++i)
    if (fullPath[starts[i]] == '/') seps.push_back(i + 1);
  if (seps.empty() || seps.back() <= 80) return fullPath;

  std::size_t a = 0;  // last "/" at or before character 80
  for (std::size_t p : seps)
    if (p <= 80) a = p;
  std::size_t headEnd = 0;  // last "/" before a, kept with the head
  for (std::size_t p : seps)
    if (p < a) headEnd = p;
  // The second-to-last "/" opens the tail; a path with one "/" keeps it whole.
  const std::size_t b = seps.size() >= 2 ? seps[seps.size() - 2] : 1;

  const std::size_t headBytes = headEnd == 0 ? 0 : starts[headEnd - 1] + 1;
  return fullPath.substr(0, headBytes) + "..." + fullPath.substr(starts[b - 1]);
}

std::string DigiTejpBatchLine(const std::string& exePath, const std::string& settingsFile,
                              const std::string& pdfPath) {
  const std::size_t dot = settingsFile.rfind('.');
  const std::string name = dot == std::string::npos ? settingsFile : settingsFile.substr(0, dot);
  return DoubleQuoted(exePath) + " -t " + (IsPlainShellWord(name) ? name : DoubleQuoted(name)) + " " +
         DoubleQuoted(pdfPath);
}

}  // namespace quiremark::app
