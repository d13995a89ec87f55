#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace quiremark::platform {

// Windows-style profile (.ini) files: "[Section]" headers and "key=value" lines.
// Section and key names are matched without regard to case; files are read as
// Windows-1252, UTF-8 or (after its byte order mark) UTF-16LE and written
// back in their own encoding, except that a Windows-1252 file becomes UTF-8
// when its bytes would otherwise read back as other text. A write leaves the
// lines it does not change as they were, with their own line ends (LF or
// CRLF); the lines it writes end as the file's first line does (CRLF in a new
// file). Comment lines (";") and blank lines are not part of a section's
// contents. Writers of one file take turns (a lock on the file itself), and a
// file is replaced in one step, so two programs writing at once never lose it.

// The section's lines, each followed by one NUL, as the buffer of
// `bufferSize` characters receives them: when they do not fit, the text is cut
// at bufferSize - 2 characters. "" when the file or section is missing.
std::string ReadProfileSection(const std::filesystem::path& file, const std::string& section,
                               std::size_t bufferSize);

// The key's value (blanks around it removed), cut to bufferSize - 1
// characters; `fallback` when the file, section or key is missing.
std::string ReadProfileString(const std::filesystem::path& file, const std::string& section,
                              const std::string& key, const std::string& fallback, std::size_t bufferSize);

// Writes key=value, creating the file, the section or the key as needed and
// replacing an existing key's value. False when the file cannot be written,
// or when it is there but cannot be read (it is then left as it is).
bool WriteProfileString(const std::filesystem::path& file, const std::string& section, const std::string& key,
                        const std::string& value);

// Replaces the whole contents of a section with `lines` (created at the end of
// the file when missing). False as for WriteProfileString.
bool WriteProfileSection(const std::filesystem::path& file, const std::string& section,
                         const std::vector<std::string>& lines);

}  // namespace quiremark::platform
