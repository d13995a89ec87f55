#include "settings/shell_sync.h"

#include <cerrno>

#include "platform/process.h"
#include "version.h"

namespace quiremark::settings {

namespace {

constexpr const char* kSource = "ShellSync";

// Handles are the process ids: a child of this program can always be waited for.
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

  std::optional<std::int64_t> Open(std::int64_t processId) override { return processId; }

  std::optional<std::int32_t> WaitForExitCode(std::int64_t handle, std::int32_t& lastError) override {
    platform::ChildProcess child(static_cast<pid_t>(handle));
    const auto exitCode = child.Wait();
    if (!exitCode) {
      lastError = errno;
      child.Release();  // the caller abandons it
    }
    return exitCode;
  }

  void Close(std::int64_t) override {}

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
