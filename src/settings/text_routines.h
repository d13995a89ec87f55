#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

#include "controls/ui_services.h"

namespace quiremark::settings {

// A file error of ReadFirstLine/WriteTextFile, with the runtime's error number
// (53 file not found, 62 input past end of file, 75 path/file access error).
class FileError : public std::runtime_error {
 public:
  FileError(int number, const std::string& message) : std::runtime_error(message), number_(number) {}
  int number() const { return number_; }

 private:
  int number_;
};

// The first line of a text file (up to the first CR or LF, both dropped; the
// whole text when it has none), decoded from Windows-1252 or UTF-8. Throws
// FileError for a missing, unreadable or empty file.
std::string ReadFirstLine(const std::filesystem::path& path);

// Writes `text` and CRLF as the file's only contents (Windows-1252 where the
// text fits it, else UTF-8). Throws FileError when the file cannot be written.
void WriteTextFile(const std::string& text, const std::filesystem::path& path);

// True when dirName names an existing folder (a trailing "/" allowed); false
// for files, missing paths and "".
bool FolderExists(const std::string& dirName);

// The characters after the last "/" ("" when the path ends in "/"; the whole
// text when it holds none).
std::string GetLastPathPart(const std::string& path);

// A file name up to, not including, its last "." (the whole name when it holds none).
std::string BaseName(const std::string& fileName);

// 1-based position of the last (possibly overlapping) occurrence of `find`
// in `text`, case-sensitive; 0 when absent.
std::size_t InStrLast(const std::string& text, const std::string& find);

// Every occurrence of `from` (not empty) replaced by `to`, left to right,
// without looking into what was put in.
std::string ReplaceAll(const std::string& text, std::string_view from, std::string_view to);

// Trims blanks and collapses every run of blanks to one; tabs stay.
std::string CollapseSpaces(const std::string& text);

// Lets pending window messages run once.
void PumpEvents(controls::UiServices& ui);

}  // namespace quiremark::settings
