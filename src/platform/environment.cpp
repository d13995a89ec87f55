#include "platform/environment.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <random>

namespace quiremark::platform {

namespace fs = std::filesystem;

std::string GetEnv(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  return value ? value : "";
}

namespace {

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

}  // namespace

fs::path TempFolder() {
  for (const char* name : {"Temp", "TEMP"}) {
    if (const std::string value = GetEnv(name); !value.empty()) return value;
  }
  // A private folder of this user; an existing one must be ours, a real folder and closed to others.
  const std::string base = GetEnv("TMPDIR").empty() ? "/tmp" : GetEnv("TMPDIR");
  const fs::path folder = fs::path(base) / ("quiremark-" + std::to_string(getuid()));
  if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return folder;
  struct stat st{};
  if (lstat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == getuid()) {
    if ((st.st_mode & 0077) != 0) chmod(folder.c_str(), 0700);
    return folder;
  }
  // Someone else holds the name: fall back to a fresh private folder, made
  // once, so every later call (the same run's next file) finds it again.
  static std::mutex mutex;
  static std::map<fs::path, fs::path> fresh;
  const std::lock_guard lock(mutex);
  if (const auto known = fresh.find(folder); known != fresh.end()) return known->second;
  std::string pattern = (fs::path(base) / "quiremark-XXXXXX").string();
  if (!mkdtemp(pattern.data())) return folder;
  return fresh[folder] = pattern;
}

std::string UserName() {
  const std::string name = GetEnv("USERNAME");
  return name.empty() ? GetEnv("USER") : name;
}

std::optional<SafeOutputFile> SafeOutputFile::Open(const fs::path& path, std::string* error) {
  const auto fail = [&](const std::string& why) -> std::optional<SafeOutputFile> {
    if (error) *error = path.string() + ": " + why;
    return std::nullopt;
  };
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0600);
  if (fd < 0) return fail(errno == ELOOP ? "is a symbolic link" : std::strerror(errno));
  SafeOutputFile file(fd);
  struct stat st{};
  if (fstat(fd, &st) != 0) return fail(std::strerror(errno));
  if (!S_ISREG(st.st_mode)) return fail("is no regular file");
  if (st.st_uid != geteuid()) return fail("belongs to another user");
  if (st.st_nlink != 1) return fail("has more than one link");
  // Truncating an empty file is not only useless: on ext4 it makes the close
  // flush everything written (auto_da_alloc), which slows large files down.
  if (st.st_size > 0 && ftruncate(fd, 0) != 0) return fail(std::strerror(errno));
  return file;
}

SafeOutputFile::SafeOutputFile(SafeOutputFile&& other) noexcept : fd_(other.fd_), failed_(other.failed_) {
  other.fd_ = -1;
}

SafeOutputFile& SafeOutputFile::operator=(SafeOutputFile&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = other.fd_;
    failed_ = other.failed_;
    other.fd_ = -1;
  }
  return *this;
}

SafeOutputFile::~SafeOutputFile() { Close(); }

bool SafeOutputFile::Write(std::string_view bytes) {
  if (fd_ < 0) return false;
  if (WriteAll(fd_, bytes)) return true;
  failed_ = true;
  return false;
}

bool SafeOutputFile::Close() {
  if (fd_ < 0) return !failed_;
  if (close(fd_) != 0) failed_ = true;
  fd_ = -1;
  return !failed_;
}

bool WriteFileSafely(const fs::path& path, std::string_view bytes, std::string* error) {
  auto file = SafeOutputFile::Open(path, error);
  if (!file) return false;
  const bool ok = file->Write(bytes) && file->Close();
  if (!ok && error) *error = path.string() + ": " + std::strerror(errno);
  return ok;
}

namespace {

// What ReplaceFileAtomically's temporary files of a file add to its name.
constexpr const char* kTempMark = ".tmp-";

// Temporary files of `path` that a writer which died left behind. Called with
// the file's update lock held: every writer holds it while its temporary
// file exists, so any found then is a leftover.
void RemoveLeftoverTemporaries(const fs::path& path) {
  const std::string prefix = path.filename().string() + kTempMark;
  std::error_code ec;
  fs::directory_iterator it(path.parent_path().empty() ? fs::path(".") : path.parent_path(), ec);
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    if (it->path().filename().string().rfind(prefix, 0) == 0) fs::remove(it->path(), ec);
  }
}

// Creates a temporary file of its own beside `path` (O_EXCL, so no other
// writer, in this process or another, ever shares it). -1 on failure.
int CreateTempBeside(const fs::path& path, unsigned mode, std::string& name) {
  return CreateUniqueFile(path.string() + kTempMark, "", mode, name);
}

}  // namespace

int CreateUniqueFile(const std::string& prefix, const std::string& suffix, unsigned mode, std::string& name) {
  static std::atomic<unsigned> counter{0};
  thread_local std::mt19937 random{std::random_device{}()};
  for (int attempt = 0; attempt < 100; ++attempt) {
    char middle[48];
    std::snprintf(middle, sizeof middle, "%ld-%u-%08x", static_cast<long>(getpid()), counter++,
                  static_cast<unsigned>(random()));
    name = prefix + middle + suffix;
    const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

bool ReplaceFileAtomically(const fs::path& path, std::string_view bytes, unsigned newFileMode) {
  std::string temp;
  const int fd = CreateTempBeside(path, newFileMode, temp);
  if (fd < 0) return false;
  struct stat old{};
  bool ok = stat(path.c_str(), &old) != 0 || fchmod(fd, old.st_mode & 07777) == 0;
  ok = ok && WriteAll(fd, bytes) && fsync(fd) == 0;
  ok = close(fd) == 0 && ok;
  ok = ok && rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) {
    unlink(temp.c_str());
    return false;
  }
  const fs::path folder = path.parent_path().empty() ? fs::path(".") : path.parent_path();
  if (const int folderFd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); folderFd >= 0) {
    fsync(folderFd);
    close(folderFd);
  }
  return true;
}

namespace {

enum class LockOutcome { Taken, Busy, Failed };

// Opens the file `name` and locks it, waiting or not. On Taken `fd` holds
// the locked file.
LockOutcome LockFile(const std::string& name, unsigned newFileMode, bool wait, int& fd, std::error_code* error) {
  const auto fail = [&](int code) {
    if (error) *error = std::error_code(code, std::generic_category());
    return LockOutcome::Failed;
  };
  for (;;) {
    // Read access is enough for the lock, so a lock file made by another user stays usable.
    fd = open(name.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, newFileMode);
    if (fd < 0) return fail(errno);
    int locked;
    while ((locked = flock(fd, wait ? LOCK_EX : LOCK_EX | LOCK_NB)) != 0 && errno == EINTR) {
    }
    if (locked != 0) {
      const int code = errno;
      close(fd);
      fd = -1;
      if (code == EWOULDBLOCK) return LockOutcome::Busy;
      return fail(code);
    }
    // The name must still lead to the file locked: one removed or replaced
    // meanwhile would let the next taker lock another.
    struct stat held{}, named{};
    if (fstat(fd, &held) == 0 && stat(name.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
        held.st_ino == named.st_ino) {
      return LockOutcome::Taken;
    }
    close(fd);
    fd = -1;
  }
}

}  // namespace

std::optional<FileUpdateLock> FileUpdateLock::Take(const fs::path& path, unsigned newFileMode, std::error_code* error) {
  return TakeAt(path.string() + ".lock", path, newFileMode, error);
}

std::optional<FileUpdateLock> FileUpdateLock::TakeOnFile(const fs::path& path, unsigned newFileMode,
                                                         std::error_code* error) {
  return TakeAt(path.string(), path, newFileMode, error);
}

std::optional<FileUpdateLock> FileUpdateLock::TakeAt(const std::string& lockFile, const fs::path& path,
                                                     unsigned newFileMode, std::error_code* error, bool* busy) {
  int fd = -1;
  const LockOutcome outcome = LockFile(lockFile, newFileMode, busy == nullptr, fd, error);
  if (busy) *busy = outcome == LockOutcome::Busy;
  if (outcome != LockOutcome::Taken) return std::nullopt;
  RemoveLeftoverTemporaries(path);
  return FileUpdateLock(fd);
}

std::optional<FileUpdateLock> FileUpdateLock::TryTake(const fs::path& path, unsigned newFileMode, bool& busy,
                                                      std::error_code* error) {
  return TakeAt(path.string() + ".lock", path, newFileMode, error, &busy);
}

FileUpdateLock& FileUpdateLock::operator=(FileUpdateLock&& other) noexcept {
  if (this != &other) {
    Release();
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

FileUpdateLock::~FileUpdateLock() { Release(); }

void FileUpdateLock::Release() {
  if (fd_ < 0) return;
  flock(fd_, LOCK_UN);
  close(fd_);
  fd_ = -1;
}

}  // namespace quiremark::platform
