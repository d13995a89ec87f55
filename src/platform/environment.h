#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace quiremark::platform {

// The variable's value, "" when it is not set.
std::string GetEnv(const std::string& name);

// The temporary folder: `Temp`, else `TEMP` (either spelling serves), else a
// private per-user folder (mode 0700, owned by the user) below the system's
// temporary folder, created when missing. Never a folder others can write to
// unless the user's own variables name one.
std::filesystem::path TempFolder();

// USERNAME, else USER, else "".
std::string UserName();

// A file with a fixed name (e.g. in the temporary folder) opened for writing
// so that a planted symbolic or hard link cannot redirect it: the final name
// must not be a symbolic link, and an existing file must be a regular file of
// this user with a single link. The file is emptied on open (or created 0600).
class SafeOutputFile {
 public:
  // Empty optional on failure; `error` then holds a readable reason.
  static std::optional<SafeOutputFile> Open(const std::filesystem::path& path, std::string* error = nullptr);

  SafeOutputFile(SafeOutputFile&& other) noexcept;
  SafeOutputFile& operator=(SafeOutputFile&& other) noexcept;
  SafeOutputFile(const SafeOutputFile&) = delete;
  SafeOutputFile& operator=(const SafeOutputFile&) = delete;
  ~SafeOutputFile();

  bool Write(std::string_view bytes);
  // Flushes and closes; false when anything written did not reach the file.
  bool Close();

 private:
  explicit SafeOutputFile(int fd) : fd_(fd) {}
  int fd_ = -1;
  bool failed_ = false;
};

// Writes the whole file through SafeOutputFile.
bool WriteFileSafely(const std::filesystem::path& path, std::string_view bytes, std::string* error = nullptr);

// Replaces a settings file in one step: the bytes go to a temporary file of
// its own in the same folder ("<path>.tmp" and a suffix no other call uses),
// reach the disk and are renamed over `path`, so a crash leaves either the
// old or the new file whole and two writers never write into one temporary
// file. The file keeps the permission bits of the one it replaces; a new one
// gets `newFileMode` less the umask. False when any step failed; the old file
// is then unchanged. Writers that read, change and replace a file take a
// FileUpdateLock first, so no update is lost in between.
bool ReplaceFileAtomically(const std::filesystem::path& path, std::string_view bytes, unsigned newFileMode);

// Creates a new file named `prefix`, a part no other call (in this process
// or another) gives, and `suffix`, with O_EXCL and `mode` less the umask; its
// path goes to `name`. Returns the open file descriptor (write only), or -1
// with errno set.
int CreateUniqueFile(const std::string& prefix, const std::string& suffix, unsigned mode, std::string& name);

// Serialises the writers (processes or threads) of one file: an exclusive
// lock on "<path>.lock" beside it, or on the file itself, held while the
// object lives. Taking it removes the temporary files that writers of the
// file which died before their replace was done left behind. A file locked
// that was removed or replaced while a taker waited on it (by a cleaner, or
// by the writer before, whose replace puts a new file under the name) is not
// trusted: the taker locks the file that then stands under the name, where
// the next taker will look.
class FileUpdateLock {
 public:
  // Waits for the lock. Empty optional when the lock file cannot be opened
  // or created (`error` then holds the reason).
  static std::optional<FileUpdateLock> Take(const std::filesystem::path& path, unsigned newFileMode,
                                            std::error_code* error = nullptr);
  // The same with the lock on the file itself, which is created (empty, with
  // `newFileMode`) when missing: nothing else appears beside it.
  static std::optional<FileUpdateLock> TakeOnFile(const std::filesystem::path& path, unsigned newFileMode,
                                                  std::error_code* error = nullptr);
  // Takes the lock only when nobody holds it: an empty optional with `busy`
  // set when another holder has it, so a caller with a window to keep alive
  // can wait in steps of its own.
  static std::optional<FileUpdateLock> TryTake(const std::filesystem::path& path, unsigned newFileMode, bool& busy,
                                               std::error_code* error = nullptr);

  FileUpdateLock(FileUpdateLock&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  FileUpdateLock& operator=(FileUpdateLock&& other) noexcept;
  FileUpdateLock(const FileUpdateLock&) = delete;
  FileUpdateLock& operator=(const FileUpdateLock&) = delete;
  ~FileUpdateLock();

 private:
  explicit FileUpdateLock(int fd) : fd_(fd) {}
  // Takes the lock on `lockFile`, for writers of `path`: waits for it, or
  // with `busy` does not, and sets it when another holder has the lock.
  static std::optional<FileUpdateLock> TakeAt(const std::string& lockFile, const std::filesystem::path& path,
                                              unsigned newFileMode, std::error_code* error, bool* busy = nullptr);
  void Release();
  int fd_ = -1;
};

}  // namespace quiremark::platform
