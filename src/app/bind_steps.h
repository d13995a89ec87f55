#pragma once

#include <optional>
#include <string>

namespace quiremark::app {

// Text rules of the bind run that need no window.

// Suffix of the path side file for a bind mode: none for a mode of 0 or less
// (or not a number), "" for exactly 1, ".relation" for any other mode above 0.
std::optional<std::string> PathSideFileSuffix(float mode);

// The path shown in the progress caption: the whole path while its last "/"
// stands at character 80 or before, otherwise the head of the path up to a
// folder boundary before character 80, "..." and the last folder with the
// file name. Positions count characters, not bytes.
std::string ShortenProgressPath(const std::string& fullPath);

// The one line of the DigiTejp batch file: the quoted program, " -t ", the
// settings name without its extension, a blank and the quoted PDF. The
// platform shell reads the file, so quoted texts have the shell's special
// characters escaped and a settings name that would split into several words
// is quoted too; plain names give the line unchanged.
std::string DigiTejpBatchLine(const std::string& exePath, const std::string& settingsFile,
                              const std::string& pdfPath);

}  // namespace quiremark::app
