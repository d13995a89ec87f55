#include "browser/cad_scripts.h"

#include <algorithm>
#include <system_error>

#include "browser/file_grid.h"
#include "platform/process.h"
#include "platform/raw_file.h"
#include "platform/text_encoding.h"
#include "settings/text_routines.h"

namespace quiremark::browser {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kQuotedProject = "\"%m\"";

using settings::ReplaceAll;

bool StartsWithIgnoringCase(std::string_view line, std::string_view prefix) {
  return line.size() >= prefix.size() && platform::EqualsIgnoringCase(line.substr(0, prefix.size()), prefix);
}

// A value on one script line: each line break (CR LF, CR or LF) becomes a blank.
std::string OnOneLine(const std::string& value) {
  std::string out;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '\r' || value[i] == '\n') {
      if (value[i] == '\r' && i + 1 < value.size() && value[i + 1] == '\n') ++i;
      out += ' ';
    } else {
      out += value[i];
    }
  }
  return out;
}

std::string Slashed(std::string text) {
  std::replace(text.begin(), text.end(), '\\', '/');
  return text;
}

std::string Extension(const std::string& fileName) {
  const std::size_t dot = fileName.rfind('.');
  return dot == std::string::npos ? fileName : fileName.substr(dot + 1);
}

// The kept form of a template line: without the text from its last ";" on
// and without trailing blanks.
std::string KeptLine(std::string line) {
  if (const std::size_t semicolon = line.rfind(';'); semicolon != std::string::npos) line.erase(semicolon);
  line.erase(line.find_last_not_of(' ') + 1);
  return line;
}

}  // namespace

ScriptFileList::ScriptFileList() : FileList("FileScr") {
  SetVisible(false);
  SetPattern("*.scr");
  std::error_code ec;
  SetPath(std::filesystem::current_path(ec).string());
}

ScriptTemplate ParseScriptTemplate(std::string_view bytes) {
  ScriptTemplate result;
  result.byteOrderMark = bytes.starts_with(kByteOrderMark);
  result.utf8 = result.byteOrderMark ||
                (platform::IsValidUtf8(bytes) &&
                 std::any_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }));
  const std::string text = platform::DecodeText(bytes);

  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);

    if (line.find(kQuotedProject) != std::string::npos) result.needsProject = true;
    if (StartsWithIgnoringCase(line, "%C")) continue;
    if (StartsWithIgnoringCase(line, "%END")) break;
    result.lines.push_back(KeptLine(line));
  }
  return result;
}

ScriptTemplate ReadScriptTemplate(const std::filesystem::path& file) {
  return ParseScriptTemplate(platform::ReadWholeFile(file));
}

std::string ExpandTemplateLine(const std::string& line, const ScriptValues& values) {
  const std::string folder = OnOneLine(values.folder);
  const std::string fileName = OnOneLine(values.fileName);
  const std::string fullName = folder + "/" + fileName;
  std::string out = ReplaceAll(line, "%f", fullName);
  out = ReplaceAll(out, "%lfullname", Slashed(fullName));
  out = ReplaceAll(out, "%path", folder);
  out = ReplaceAll(out, "%lpath", Slashed(folder));
  out = ReplaceAll(out, "%name", BaseName(fileName));
  out = ReplaceAll(out, "%ext", Extension(fileName));
  out = ReplaceAll(out, "%m", OnOneLine(values.project));
  out = ReplaceAll(out, "%date", OnOneLine(values.date));
  return ReplaceAll(out, "%time", OnOneLine(values.time));
}

std::string BuildScript(const ScriptTemplate& scriptTemplate, const std::vector<std::string>& fileNames,
                        ScriptValues values) {
  std::string text;
  for (const std::string& fileName : fileNames) {
    values.fileName = fileName;
    for (const std::string& line : scriptTemplate.lines) text += ExpandTemplateLine(line, values) + "\r\n";
  }
  text += ".EXIT\r\n";
  if (!scriptTemplate.utf8) return platform::EncodeForFile(text);
  return scriptTemplate.byteOrderMark ? std::string(kByteOrderMark) + text : text;
}

std::string ProjectName(const std::string& databasePath) {
  const std::size_t slash = databasePath.rfind('/');
  const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  const std::size_t dot = databasePath.rfind('.');
  const std::size_t nameEnd = dot == std::string::npos || dot < nameStart ? databasePath.size() : dot;
  return databasePath.substr(nameStart, nameEnd - nameStart);
}

std::vector<std::string> CadStartArguments(const std::string& program, const std::string& parameters,
                                           const std::string& scriptPath) {
  // A bare name is the file in the current folder, as the existence test
  // found it, not a program looked up on PATH.
  const std::string started = program.find('/') == std::string::npos ? "./" + program : program;
  std::vector<std::string> arguments{started, (std::filesystem::path(program).parent_path() / kStartDrawing).string()};
  for (std::string& parameter : platform::SplitCommandLine(parameters)) arguments.push_back(std::move(parameter));
  arguments.push_back("/b");
  arguments.push_back(scriptPath);
  return arguments;
}

}  // namespace quiremark::browser
