#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <system_error>

namespace quiremark::platform {

// Calls `block` with the file's bytes as they are, in large blocks, in order:
// no text-mode translation. Throws std::system_error naming the file when it
// cannot be opened or read.
void ReadFileInBlocks(const std::filesystem::path& file, const std::function<void(const char*, size_t)>& block);

// The file's bytes; empty optional when it cannot be opened or read, with
// the reason in `error` (no_such_file_or_directory when it does not exist).
std::optional<std::string> ReadWholeFile(const std::filesystem::path& file, std::error_code* error = nullptr);

}  // namespace quiremark::platform
