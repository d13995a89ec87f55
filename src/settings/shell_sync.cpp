#include "settings/shell_sync.h"

#include <poll.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

#include "platform/process.h"
#include "version.h"

namespace quiremark::settings {

namespace {

constexpr const char* kSource = "ShellSync";

// Handles are pidfds; where the kernel has none, the negated process id.
class SystemApi : public ProcessApi {
 public:
  std::int64_t Start(const std::string& command, std::int32_t windowStyle) override {
    platform::StartOptions options;
    options.showState = windowStyle;
    auto started = platform::StartProcess(command, options);
    if (started.error == ENOENT || started.error == ENOTDIR) {
      throw NumberedError(kErrFileNotFound, version::kProductName, "File not found");
    }
    return started.process ? started.process->Release() : 0;
  }

  std::optional<std::int64_t> Open(std::int64_t processId) override {
    const long fd = syscall(SYS_pidfd_open, static_cast<pid_t>(processId), 0);
    if (fd >= 0) return fd;
    if (errno == ENOSYS || errno == EPERM) return -processId;
    return std::nullopt;
  }

  std::optional<std::int32_t> WaitForExitCode(std::int64_t handle, std::int32_t& lastError) override {
    siginfo_t info{};
    int rc;
    if (handle >= 0) {
      pollfd wait{static_cast<int>(handle), POLLIN, 0};
      while (poll(&wait, 1, -1) < 0 && errno == EINTR) {
      }
      do {
        rc = waitid(static_cast<idtype_t>(P_PIDFD), static_cast<id_t>(handle), &info, WEXITED);
      } while (rc < 0 && errno == EINTR);
    } else {
      do {
        rc = waitid(P_PID, static_cast<id_t>(-handle), &info, WEXITED);
      } while (rc < 0 && errno == EINTR);
    }
    if (rc < 0) {
      lastError = errno;
      return std::nullopt;
    }
    return info.si_code == CLD_EXITED ? info.si_status : 128 + info.si_status;
  }

  void Close(std::int64_t handle) override {
    if (handle >= 0) close(static_cast<int>(handle));
  }

  void Abandon(std::int64_t processId) override { platform::ChildProcess(static_cast<pid_t>(processId)).Detach(); }
};

}  // namespace

ProcessApi& SystemProcessApi() {
  static SystemApi api;
  return api;
}

std::int32_t ShellSync(const std::string& command, std::int32_t windowStyle) {
  return ShellSync(command, windowStyle, SystemProcessApi());
}

std::int32_t ShellSync(const std::string& command, std::int32_t windowStyle, ProcessApi& api) {
  const std::int64_t processId = api.Start(command, windowStyle);
  if (processId == 0) throw NumberedError(kErrShell, kSource, "Failed to Shell child process");
  const auto handle = api.Open(processId);
  if (!handle) {
    api.Abandon(processId);
    throw NumberedError(kErrOpenProcess, kSource, "Failed to open child process");
  }
  std::int32_t lastError = 0;
  const auto exitCode = api.WaitForExitCode(*handle, lastError);
  api.Close(*handle);
  if (!exitCode) {
    api.Abandon(processId);
    throw NumberedError(kErrExitCode, kSource, "Failed to retrieve exit code, error " + std::to_string(lastError));
  }
  return *exitCode;
}

}  // namespace quiremark::settings
