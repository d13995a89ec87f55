#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

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

// Replaces a settings file in one step: the bytes go to "<path>.tmp", reach
// the disk and are renamed over `path`, so a crash leaves either the old or the
// new file whole. The file keeps the permission bits of the one it replaces; a
// new one gets `newFileMode` less the umask. False when any step failed; the
// old file is then unchanged.
bool ReplaceFileAtomically(const std::filesystem::path& path, std::string_view bytes, unsigned newFileMode);

}  // namespace quiremark::platform
