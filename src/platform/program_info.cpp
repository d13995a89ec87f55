#include "platform/program_info.h"

#include <cstdlib>
#include <system_error>

namespace quiremark::platform {

namespace {
std::filesystem::path ExecutablePath() {
  std::error_code ec;
  auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::filesystem::path() : exe;
}
}  // namespace

std::filesystem::path ProgramFolder() {
  if (const char* dir = std::getenv("QUIREMARK_PROGRAM_DIR"); dir && *dir) return dir;
  return ExecutableFolder();
}

std::filesystem::path ExecutableFolder() {
  auto exe = ExecutablePath();
  return exe.empty() ? std::filesystem::current_path() : exe.parent_path();
}

std::string ProgramName() { return ExecutablePath().stem().string(); }

}  // namespace quiremark::platform
