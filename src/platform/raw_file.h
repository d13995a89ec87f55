#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>

namespace quiremark::platform {

// Calls `block` with the file's bytes as they are, in large blocks, in order:
// no text-mode translation. Throws std::system_error naming the file when it
// cannot be opened or read.
void ReadFileInBlocks(const std::filesystem::path& file, const std::function<void(const char*, size_t)>& block);

}  // namespace quiremark::platform
