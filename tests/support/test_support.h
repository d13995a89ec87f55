#pragma once

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace quiremark::testing {

// A fresh folder below the system temporary folder, removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

// Sets (or unsets) an environment variable for the lifetime of the object.
class ScopedEnv {
 public:
  ScopedEnv(std::string name, std::optional<std::string> value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  std::optional<std::string> old_;
};

// Whole-file helpers for tests; bytes are written and read as they are.
void WriteFile(const std::filesystem::path& path, const std::string& bytes);
std::string ReadFile(const std::filesystem::path& path);

// Runs `body` in a child process (a fork of this one) and returns the code it
// ends with; -1 when it did not end normally.
int RunInChildProcess(const std::function<int()>& body);

// For a child process: every write that would make a file longer than `bytes`
// fails (EFBIG), for root as well, so a test can make a write fail.
void LimitFileSize(std::size_t bytes);

// For a child that runs the program as a terminal starts it: a stop signal
// (SIGINT, SIGTERM, SIGHUP) this test process ignores is not ignored; one the
// program handles already keeps its handler.
void UnignoreStopSignals();

// For its lifetime the calling thread is refused what file permissions do
// not grant it, also when it runs as root: it sets aside the capabilities
// that let root read and search past them (and takes them back at the end).
// So a test can make reading a file fail as it fails for a user.
class PermissionsApply {
 public:
  PermissionsApply();
  ~PermissionsApply();
  PermissionsApply(const PermissionsApply&) = delete;
  PermissionsApply& operator=(const PermissionsApply&) = delete;

 private:
  bool changed_ = false;
};

// For a child process: when it runs as root, it goes on as the unprivileged
// user "nobody" (uid and gid 65534), so permissions apply to it.
void DropRootPrivileges();
inline constexpr int kNobody = 65534;

}  // namespace quiremark::testing
