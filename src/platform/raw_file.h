#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace quiremark::platform {

// The error of a path that names something other than a regular file: a
// FIFO, a device, a socket or a folder. Reading such a thing could block for
// ever (a FIFO without a writer) or never end (a device).
std::error_code NotRegularFileError();

// The reason of a file error in the user's words (Swedish), for messages:
// "filen finns inte", "ingen vanlig fil (en FIFO, en enhet eller en mapp)", ...
std::string FileErrorText(const std::error_code& error);

// A folder held open so that the files in it are opened by their names: the
// system then looks up one name per file instead of walking the whole path
// again (a bind opens thousands of plot and side files in one folder). It
// needs only the right to pass through the folder, not to list it. When the
// folder cannot be opened, fd() is -1 (error() tells why) and its files are
// opened by their whole paths, which then fail as they would have.
class OpenFolder {
 public:
  explicit OpenFolder(std::filesystem::path folder);
  ~OpenFolder();
  OpenFolder(OpenFolder&& other) noexcept;
  OpenFolder& operator=(OpenFolder&&) = delete;
  OpenFolder(const OpenFolder&) = delete;
  OpenFolder& operator=(const OpenFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  int fd() const { return fd_; }
  int error() const { return error_; }  // errno of the failed open; 0 when open

 private:
  std::filesystem::path path_;
  int fd_ = -1;
  int error_ = 0;
};

// A regular file opened for reading, the one way plot files and side files
// are opened. Opening never blocks: anything but a regular file (a symbolic
// link to one is fine) is refused at once with NotRegularFileError(). Errors
// throw std::filesystem::filesystem_error, which names the file.
class ReadOnlyFile {
 public:
  explicit ReadOnlyFile(const std::filesystem::path& file);
  // The same for a path held as text.
  explicit ReadOnlyFile(const std::string& file);
  // The file `name` in `folder`; errors name it as folder / name.
  ReadOnlyFile(const OpenFolder& folder, const std::string& name);
  ~ReadOnlyFile();
  ReadOnlyFile(const ReadOnlyFile&) = delete;
  ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

  // Up to `size` bytes; 0 at the end of the file.
  size_t Read(char* buffer, size_t size);
  // Up to `size` bytes from `offset` on, wherever the reading stands; 0 at
  // or past the end of the file.
  size_t ReadAt(char* buffer, size_t size, uint64_t offset);
  size_t size() const { return size_; }  // as it was when opened
  // When the file was last written, as it was when opened: the look at the
  // file that opening makes tells it.
  const std::timespec& modified() const { return modified_; }
  int fd() const { return fd_; }

 private:
  void Open(const char* name, int folderFd);
  // The file's path for errors, made only when one is thrown.
  std::filesystem::path Path() const { return folder_ ? folder_->path() / name_ : std::filesystem::path(path_); }

  std::string path_;  // as text: a copy of a path object costs more than opening the file
  const OpenFolder* folder_ = nullptr;
  std::string name_;
  int fd_ = -1;
  size_t size_ = 0;
  std::timespec modified_{};
};

// A regular file's bytes mapped into memory for reading at random places
// without copying them. Opened as ReadOnlyFile opens, and throws as it does.
class MappedFile {
 public:
  explicit MappedFile(const std::filesystem::path& file);
  ~MappedFile();
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  std::string_view bytes() const { return {static_cast<const char*>(data_), size_}; }

 private:
  void* data_ = nullptr;
  size_t size_ = 0;
};

// A buffer that starts on a page boundary, for file bytes. The kernel copies
// file bytes into (and out of) a buffer that does not start on a cache line
// at well under half speed: 200 MB took 0.11 s instead of 0.03 s to read into
// a buffer 16 bytes past a page, which is where `new char[]` puts a large one.
class AlignedBuffer {
 public:
  explicit AlignedBuffer(size_t size);
  ~AlignedBuffer();
  AlignedBuffer(const AlignedBuffer&) = delete;
  AlignedBuffer& operator=(const AlignedBuffer&) = delete;

  char* data() { return data_; }
  const char* data() const { return data_; }
  size_t size() const { return size_; }

 private:
  char* data_;
  size_t size_;
};

// The block size of ReadFileInBlocks: it fits the processor cache, which the
// copy and the page scan of a plot file then share.
inline constexpr size_t kReadBlockSize = 128 * 1024;

// Calls `block` with the file's bytes as they are, in blocks of at most
// kReadBlockSize, in order: no text-mode translation. The bytes are those the
// file held when it was opened: a file that grows meanwhile is read to its old
// size, one that shrinks to its new end. Throws as ReadOnlyFile does.
void ReadFileInBlocks(const std::filesystem::path& file, const std::function<void(const char*, size_t)>& block);
// The same through the caller's buffer, in blocks of its size: a caller that
// reads many files keeps one.
void ReadFileInBlocks(const std::filesystem::path& file, AlignedBuffer& buffer,
                      const std::function<void(const char*, size_t)>& block);
// The same for a path held as text.
void ReadFileInBlocks(const std::string& file, AlignedBuffer& buffer,
                      const std::function<void(const char*, size_t)>& block);
// The same for the file `name` in `folder`.
void ReadFileInBlocks(const OpenFolder& folder, const std::string& name, AlignedBuffer& buffer,
                      const std::function<void(const char*, size_t)>& block);

// The file's bytes, as many as it held when opened. Throws as ReadOnlyFile does.
std::string ReadWholeFile(const std::filesystem::path& file);
std::string ReadWholeFile(const OpenFolder& folder, const std::string& name);

// The file's bytes as ReadWholeFile reads them; an empty optional when it
// cannot be opened or read, with the reason in `error`
// (no_such_file_or_directory when it does not exist).
std::optional<std::string> TryReadWholeFile(const std::filesystem::path& file, std::error_code* error = nullptr);

}  // namespace quiremark::platform
