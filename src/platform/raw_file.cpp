#include "platform/raw_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace quiremark::platform {

namespace {

class FileErrorCategory : public std::error_category {
 public:
  const char* name() const noexcept override { return "quiremark.file"; }
  std::string message(int) const override { return "not a regular file"; }
};

[[noreturn]] void Fail(const std::filesystem::path& file, const char* what, std::error_code code) {
  throw std::filesystem::filesystem_error(what, file, code);
}

[[noreturn]] void FailWithErrno(const std::filesystem::path& file, const char* what) {
  Fail(file, what, std::error_code(errno, std::generic_category()));
}

}  // namespace

std::error_code NotRegularFileError() {
  static const FileErrorCategory category;
  return {1, category};
}

std::string FileErrorText(const std::error_code& error) {
  if (error == NotRegularFileError()) return "ingen vanlig fil (en FIFO, en enhet eller en mapp)";
  if (error.category() != std::generic_category() && error.category() != std::system_category()) {
    return "fel " + std::to_string(error.value());
  }
  switch (error.value()) {
    case ENOENT: return "filen finns inte";
    case ENOTDIR: return "en del av sökvägen är ingen mapp";
    case EACCES:
    case EPERM: return "behörighet saknas";
    case EISDIR: return "det är en mapp";
    case ELOOP: return "sökvägen är en symbolisk länk";
    case ENOSPC:
    case EDQUOT: return "disken är full";
    case EFBIG: return "filen blir för stor";
    case EROFS: return "disken är skrivskyddad";
    case EIO: return "läs- eller skrivfel på disken";
    case ENAMETOOLONG: return "sökvägen är för lång";
    default: return "felkod " + std::to_string(error.value());
  }
}

OpenFolder::OpenFolder(std::filesystem::path folder) : path_(std::move(folder)) {
  // O_PATH: passing through the folder is all it needs.
  fd_ = ::open(path_.empty() ? "." : path_.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (fd_ < 0) error_ = errno;
}

OpenFolder::~OpenFolder() {
  if (fd_ >= 0) ::close(fd_);
}

OpenFolder::OpenFolder(OpenFolder&& other) noexcept
    : path_(std::move(other.path_)), fd_(other.fd_), error_(other.error_) {
  other.fd_ = -1;
}

ReadOnlyFile::ReadOnlyFile(const std::filesystem::path& file) : ReadOnlyFile(file.native()) {}

ReadOnlyFile::ReadOnlyFile(const std::string& file) : path_(file) { Open(path_.c_str(), AT_FDCWD); }

ReadOnlyFile::ReadOnlyFile(const OpenFolder& folder, const std::string& name) : folder_(&folder), name_(name) {
  if (folder.fd() >= 0 && name.find('/') == std::string::npos) {
    Open(name.c_str(), folder.fd());
  } else {
    path_ = Path().native();
    folder_ = nullptr;
    Open(path_.c_str(), AT_FDCWD);
  }
}

void ReadOnlyFile::Open(const char* name, int folderFd) {
  // O_NONBLOCK: opening a FIFO that no one writes to would otherwise wait for
  // a writer. A regular file ignores the flag.
  fd_ = ::openat(folderFd, name, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd_ < 0) FailWithErrno(Path(), "cannot open");
  struct stat st {};
  if (::fstat(fd_, &st) != 0) {
    const int error = errno;
    ::close(fd_);
    Fail(Path(), "cannot open", std::error_code(error, std::generic_category()));
  }
  if (!S_ISREG(st.st_mode)) {
    ::close(fd_);
    Fail(Path(), "cannot open", NotRegularFileError());
  }
  size_ = static_cast<size_t>(st.st_size);
  modified_ = st.st_mtim;
}

ReadOnlyFile::~ReadOnlyFile() {
  if (fd_ >= 0) ::close(fd_);
}

size_t ReadOnlyFile::Read(char* buffer, size_t size) {
  for (;;) {
    const ssize_t got = ::read(fd_, buffer, size);
    if (got >= 0) return static_cast<size_t>(got);
    if (errno != EINTR) FailWithErrno(Path(), "cannot read");
  }
}

size_t ReadOnlyFile::ReadAt(char* buffer, size_t size, uint64_t offset) {
  for (;;) {
    const ssize_t got = ::pread(fd_, buffer, size, static_cast<off_t>(offset));
    if (got >= 0) return static_cast<size_t>(got);
    if (errno != EINTR) FailWithErrno(Path(), "cannot read");
  }
}

MappedFile::MappedFile(const std::filesystem::path& file) {
  const ReadOnlyFile in(file);
  if (in.size() == 0) return;
  void* data = ::mmap(nullptr, in.size(), PROT_READ, MAP_PRIVATE, in.fd(), 0);
  if (data == MAP_FAILED) FailWithErrno(file, "cannot map");
  data_ = data;
  size_ = in.size();
}

MappedFile::~MappedFile() {
  if (data_) ::munmap(data_, size_);
}

AlignedBuffer::AlignedBuffer(size_t size) : size_(size) {
  constexpr size_t kPage = 4096;
  data_ = static_cast<char*>(std::aligned_alloc(kPage, std::max<size_t>(1, (size + kPage - 1) / kPage) * kPage));
  if (!data_) throw std::bad_alloc();
}

AlignedBuffer::~AlignedBuffer() { std::free(data_); }

void ReadFileInBlocks(const std::filesystem::path& file, const std::function<void(const char*, size_t)>& block) {
  AlignedBuffer buffer(kReadBlockSize);
  ReadFileInBlocks(file, buffer, block);
}

namespace {

void ReadInBlocks(ReadOnlyFile& in, AlignedBuffer& buffer, const std::function<void(const char*, size_t)>& block) {
  // The bytes the file held when it was opened (to its end when its size is
  // not known): no extra read to find the end of a small file.
  size_t left = in.size() > 0 ? in.size() : SIZE_MAX;
  while (left > 0) {
    const size_t got = in.Read(buffer.data(), std::min(buffer.size(), left));
    if (got == 0) break;
    block(buffer.data(), got);
    if (left != SIZE_MAX) left -= got;
  }
}

std::string ReadWhole(ReadOnlyFile& in) {
  std::string bytes(in.size(), '\0');
  size_t have = 0;
  while (have < bytes.size()) {
    const size_t got = in.Read(bytes.data() + have, bytes.size() - have);
    if (got == 0) break;
    have += got;
  }
  bytes.resize(have);
  if (in.size() > 0) return bytes;  // as large as it was when opened
  // A size of 0 may stand for "not known" (as in /proc): read to the end.
  char more[4096];
  while (const size_t got = in.Read(more, sizeof more)) bytes.append(more, got);
  return bytes;
}

}  // namespace

void ReadFileInBlocks(const std::filesystem::path& file, AlignedBuffer& buffer,
                      const std::function<void(const char*, size_t)>& block) {
  ReadFileInBlocks(file.native(), buffer, block);
}

void ReadFileInBlocks(const std::string& file, AlignedBuffer& buffer,
                      const std::function<void(const char*, size_t)>& block) {
  ReadOnlyFile in(file);
  ReadInBlocks(in, buffer, block);
}

void ReadFileInBlocks(const OpenFolder& folder, const std::string& name, AlignedBuffer& buffer,
                      const std::function<void(const char*, size_t)>& block) {
  ReadOnlyFile in(folder, name);
  ReadInBlocks(in, buffer, block);
}

std::string ReadWholeFile(const std::filesystem::path& file) {
  ReadOnlyFile in(file);
  return ReadWhole(in);
}

std::string ReadWholeFile(const OpenFolder& folder, const std::string& name) {
  ReadOnlyFile in(folder, name);
  return ReadWhole(in);
}

std::optional<std::string> TryReadWholeFile(const std::filesystem::path& file, std::error_code* error) {
  try {
    std::string bytes = ReadWholeFile(file);
    if (error) error->clear();
    return bytes;
  } catch (const std::system_error& e) {
    if (error) *error = e.code();
    return std::nullopt;
  }
}

}  // namespace quiremark::platform
