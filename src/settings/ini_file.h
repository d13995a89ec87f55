#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace quiremark::settings {

// The text before the first NUL; the whole text when it holds none.
std::string StripNull(const std::string& text);

// Names of the entries (files and folders) matching a path with wildcards,
// e.g. "/data/DigiTejp/*.dtt", in name order ignoring case, without the
// folder. Always at least one element: a single "" when nothing matches.
std::vector<std::string> GetFileList(const std::string& pattern);

// The section's lines, each followed by one NUL, read with a 1,024-character
// buffer (a larger section comes back cut at 1,022 characters); "" when the
// section is missing or empty.
std::string GetIniSection(const std::string& section, const std::filesystem::path& file);
// The lines of a GetIniSection result.
std::vector<std::string> SplitIniSection(const std::string& sectionText);

// The key's value (at most 2,046 characters), "" when missing.
std::string GetIniString(const std::string& section, const std::string& key, const std::filesystem::path& file);

// Writes key=value, creating the file, section or key; true on success.
bool WriteIniString(const std::string& section, const std::string& key, const std::string& value,
                    const std::filesystem::path& file);

// Replaces the whole section with `lines` (each written as it is); true on success.
bool WriteIniSection(const std::string& section, const std::vector<std::string>& lines,
                     const std::filesystem::path& file);

}  // namespace quiremark::settings
