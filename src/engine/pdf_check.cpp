#include "engine/pdf_check.h"

#include <fstream>
#include <functional>
#include <optional>

namespace quiremark::engine {

bool IsCompletePdf(const std::filesystem::path& pdf) {
  std::ifstream in(pdf, std::ios::binary);
  char head[5] = {};
  if (!in.read(head, sizeof head) || std::string(head, sizeof head) != "%PDF-") return false;
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  const std::streamoff tailSize = std::min<std::streamoff>(size, 1024);
  std::string tail(static_cast<size_t>(tailSize), '\0');
  in.seekg(size - tailSize);
  return in.read(tail.data(), tailSize) && tail.find("%%EOF") != std::string::npos;
}

namespace {

// What `pick` makes of the first line of the log it takes (a line without its
// "\r"); "" when it takes none.
std::string FirstLogLine(const std::filesystem::path& log,
                         const std::function<std::optional<std::string>(const std::string&)>& pick) {
  std::ifstream in(log, std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (std::optional<std::string> picked = pick(line)) return *picked;
  }
  return "";
}

}  // namespace

bool IsErrorLine(const std::string& line) {
  return line.starts_with("Error: ") || line.find("ERROR:") != std::string::npos ||
         line.find("Unrecoverable error") != std::string::npos || line.find("%%[ Error:") != std::string::npos;
}

bool IsStatusLine(const std::string& line) {
  return line.starts_with("%%[") && line.ends_with("]%%") && !IsErrorLine(line);
}

std::string FirstErrorLine(const std::filesystem::path& log) {
  return FirstLogLine(log, [](const std::string& line) -> std::optional<std::string> {
    if (IsErrorLine(line)) return line;
    return std::nullopt;
  });
}

std::string FirstNoticeLine(const std::filesystem::path& log) {
  return FirstLogLine(log, [](const std::string& line) -> std::optional<std::string> {
    const size_t stars = line.find("****");
    if (stars == std::string::npos) return std::nullopt;
    const size_t text = line.find_first_not_of("* ", stars);
    if (text == std::string::npos) return std::nullopt;
    return line.substr(text);
  });
}

std::optional<uint64_t> ErrorFilePosition(const std::filesystem::path& log) {
  constexpr std::string_view kPosition = "Current file position is ";
  const std::string found = FirstLogLine(log, [&](const std::string& line) -> std::optional<std::string> {
    if (line.starts_with(kPosition) && line.size() > kPosition.size() &&
        line.find_first_not_of("0123456789", kPosition.size()) == std::string::npos) {
      return line.substr(kPosition.size());
    }
    return std::nullopt;
  });
  if (found.empty() || found.size() > 18) return std::nullopt;
  return std::stoull(found);
}

}  // namespace quiremark::engine
