#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

namespace quiremark::settings {

// A numbered error as the routines that start programs raise it.
class NumberedError : public std::runtime_error {
 public:
  NumberedError(std::int32_t number, std::string source, std::string description)
      : std::runtime_error(description), number_(number), source_(std::move(source)),
        description_(std::move(description)) {}
  std::int32_t number() const { return number_; }
  const std::string& source() const { return source_; }
  const std::string& description() const { return description_; }

 private:
  std::int32_t number_;
  std::string source_;
  std::string description_;
};

inline constexpr std::int32_t kErrExitCode = static_cast<std::int32_t>(0x8004AA00);   // -2147177984
inline constexpr std::int32_t kErrOpenProcess = static_cast<std::int32_t>(0x8004AA01);  // -2147177983
inline constexpr std::int32_t kErrShell = static_cast<std::int32_t>(0x8004AA02);      // -2147177982
inline constexpr std::int32_t kErrFileNotFound = 53;  // the runtime's own error for a missing program

// How ShellSync reaches the operating system; tests put their own.
class ProcessApi {
 public:
  virtual ~ProcessApi() = default;
  // Starts the command line; the process id, 0 when nothing was started.
  // Throws NumberedError kErrFileNotFound when the program does not exist.
  virtual std::int64_t Start(const std::string& command, std::int32_t windowStyle) = 0;
  // A handle to wait on; empty optional when the process cannot be opened.
  virtual std::optional<std::int64_t> Open(std::int64_t processId) = 0;
  // Waits without a time-out; the exit code, or empty with `lastError` set.
  virtual std::optional<std::int32_t> WaitForExitCode(std::int64_t handle, std::int32_t& lastError) = 0;
  virtual void Close(std::int64_t handle) = 0;
  // Makes sure a started process that is no longer waited for is reaped.
  virtual void Abandon(std::int64_t processId) = 0;
};
ProcessApi& SystemProcessApi();

// Starts `command` (the program quoted when it holds blanks) with the window
// style and waits, without a time-out, until it ends; returns its exit code.
// Throws NumberedError with source "ShellSync": kErrShell when nothing was
// started, kErrOpenProcess when the process cannot be opened, kErrExitCode
// ("Failed to retrieve exit code, error N") when the exit code cannot be read.
std::int32_t ShellSync(const std::string& command, std::int32_t windowStyle);
std::int32_t ShellSync(const std::string& command, std::int32_t windowStyle, ProcessApi& api);

}  // namespace quiremark::settings
