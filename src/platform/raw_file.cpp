#include "platform/raw_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <system_error>

namespace quiremark::platform {

namespace {

constexpr size_t kBlockSize = 1 << 20;

[[noreturn]] void Fail(const std::filesystem::path& file, const char* what) {
  throw std::system_error(errno, std::generic_category(), std::string(what) + " " + file.string());
}

}  // namespace

void ReadFileInBlocks(const std::filesystem::path& file, const std::function<void(const char*, size_t)>& block) {
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) Fail(file, "cannot open");
  const std::unique_ptr<char[]> buffer(new char[kBlockSize]);
  try {
    for (;;) {
      const ssize_t got = ::read(fd, buffer.get(), kBlockSize);
      if (got < 0) {
        if (errno == EINTR) continue;
        Fail(file, "cannot read");
      }
      if (got == 0) break;
      block(buffer.get(), static_cast<size_t>(got));
    }
  } catch (...) {
    ::close(fd);
    throw;
  }
  ::close(fd);
}

std::optional<std::string> ReadWholeFile(const std::filesystem::path& file, std::error_code* error) {
  std::string bytes;
  try {
    ReadFileInBlocks(file, [&](const char* data, size_t size) { bytes.append(data, size); });
  } catch (const std::system_error& e) {
    if (error) *error = e.code();
    return std::nullopt;
  }
  if (error) error->clear();
  return bytes;
}

}  // namespace quiremark::platform
