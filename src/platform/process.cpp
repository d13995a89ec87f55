#include "platform/process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <string_view>
#include <thread>

extern char** environ;

namespace quiremark::platform {

std::vector<std::string> SplitCommandLine(const std::string& commandLine) {
  std::vector<std::string> args;
  std::string current;
  bool inArgument = false;
  bool inQuotes = false;
  for (std::size_t i = 0; i < commandLine.size(); ++i) {
    const char c = commandLine[i];
    if (c == '\\') {
      std::size_t slashes = 0;
      while (i < commandLine.size() && commandLine[i] == '\\') ++slashes, ++i;
      if (i < commandLine.size() && commandLine[i] == '"') {
        current.append(slashes / 2, '\\');
        if (slashes % 2 == 1) {
          current += '"';
        } else {
          --i;  // the quote is handled as a quote
        }
      } else {
        current.append(slashes, '\\');
        --i;
      }
      inArgument = true;
    } else if (c == '"') {
      if (inQuotes && i + 1 < commandLine.size() && commandLine[i + 1] == '"') {
        current += '"';
        ++i;
      } else {
        inQuotes = !inQuotes;
      }
      inArgument = true;
    } else if ((c == ' ' || c == '\t') && !inQuotes) {
      if (inArgument) args.push_back(std::move(current));
      current.clear();
      inArgument = false;
    } else {
      current += c;
      inArgument = true;
    }
  }
  if (inArgument) args.push_back(std::move(current));
  return args;
}

namespace {

// Starts the program of arguments[0] (looked up on PATH unless it names a
// path) with the file actions and the inherited environment, `extra`
// entries in place of inherited ones of their names; 0 or the error number.
int Spawn(const std::vector<std::string>& arguments, const posix_spawn_file_actions_t& actions, pid_t& pid,
          const std::vector<std::string>& extra = {}) {
  std::vector<char*> argv;
  for (const auto& arg : arguments) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  if (extra.empty()) return posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  std::vector<char*> envp;
  for (char** entry = environ; *entry; ++entry) {
    const std::string_view inherited(*entry);
    const std::string_view name = inherited.substr(0, inherited.find('=') + 1);
    if (std::none_of(extra.begin(), extra.end(), [&](const std::string& e) { return e.starts_with(name); })) {
      envp.push_back(*entry);
    }
  }
  for (const auto& entry : extra) envp.push_back(const_cast<char*>(entry.c_str()));
  envp.push_back(nullptr);
  return posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
}

}  // namespace

ChildProcess::ChildProcess(ChildProcess&& other) noexcept : pid_(other.pid_), signal_(other.signal_) { other.pid_ = 0; }

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
  if (this != &other) {
    Detach();
    pid_ = other.pid_;
    signal_ = other.signal_;
    other.pid_ = 0;
  }
  return *this;
}

ChildProcess::~ChildProcess() { Detach(); }

std::optional<int> ChildProcess::Wait() {
  if (pid_ <= 0) {
    errno = ECHILD;
    return std::nullopt;
  }
  int status = 0;
  pid_t result;
  do {
    result = waitpid(pid_, &status, 0);
  } while (result < 0 && errno == EINTR);
  if (result < 0) return std::nullopt;
  pid_ = 0;
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) {
    signal_ = WTERMSIG(status);
    return 128 + signal_;
  }
  return std::nullopt;
}

void ChildProcess::Detach() {
  if (pid_ <= 0) return;
  std::thread([pid = pid_] {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }).detach();
  pid_ = 0;
}

pid_t ChildProcess::Release() {
  const pid_t pid = pid_;
  pid_ = 0;
  return pid;
}

StartResult StartProcess(const std::vector<std::string>& arguments, const StartOptions& options) {
  StartResult result;
  if (arguments.empty() || arguments.front().empty()) {
    result.error = EINVAL;
    return result;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (!options.workingFolder.empty()) {
    posix_spawn_file_actions_addchdir_np(&actions, options.workingFolder.c_str());
  }
  if (!options.outputFile.empty()) {
    // No O_CLOEXEC: this descriptor is the child's standard output and must survive exec.
    // O_NOFOLLOW: a link planted at a fixed log name must not redirect (and empty) another file.
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, options.outputFile.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW, 0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
  }
  pid_t pid = 0;
  const int rc = Spawn(arguments, actions, pid, options.environment);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    result.error = rc;
  } else {
    result.process.emplace(pid);
  }
  return result;
}

StartResult StartProcess(const std::string& commandLine, const StartOptions& options) {
  return StartProcess(SplitCommandLine(commandLine), options);
}

std::optional<int> RunAndWait(const std::string& commandLine, const StartOptions& options) {
  auto started = StartProcess(commandLine, options);
  if (!started.process) return std::nullopt;
  return started.process->Wait();
}

std::optional<std::string> RunAndCapture(const std::vector<std::string>& arguments) {
  if (arguments.empty()) return std::nullopt;
  int pipeFds[2];
  if (pipe2(pipeFds, O_CLOEXEC) != 0) return std::nullopt;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int rc = Spawn(arguments, actions, pid);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeFds[1]);
  std::string output;
  if (rc == 0) {
    char buffer[4096];
    ssize_t n;
    while ((n = read(pipeFds[0], buffer, sizeof buffer)) != 0) {
      if (n < 0) {
        if (errno == EINTR) continue;
        break;
      }
      output.append(buffer, static_cast<std::size_t>(n));
    }
  }
  close(pipeFds[0]);
  if (rc != 0) return std::nullopt;
  const auto exitCode = ChildProcess(pid).Wait();
  if (exitCode != 0) return std::nullopt;
  return output;
}

std::optional<std::filesystem::path> FindOnPath(const std::string& name) {
  if (name.empty() || name.find('/') != std::string::npos) return std::nullopt;
  const char* path = std::getenv("PATH");
  std::string_view folders = path ? path : "";
  while (true) {
    const std::size_t colon = folders.find(':');
    const std::string_view folder = folders.substr(0, colon);
    if (!folder.empty()) {
      const std::filesystem::path candidate = std::filesystem::path(folder) / name;
      std::error_code error;
      if (std::filesystem::is_regular_file(candidate, error) && access(candidate.c_str(), X_OK) == 0)
        return candidate;
    }
    if (colon == std::string_view::npos) return std::nullopt;
    folders.remove_prefix(colon + 1);
  }
}

bool ShellOpen(const std::string& target) {
  // What xdg-open says when the desktop has no program for the target (no
  // display, no viewer) goes nowhere, as a failed open does on Windows.
  StartOptions quiet;
  quiet.outputFile = "/dev/null";
  auto started = StartProcess(std::vector<std::string>{"xdg-open", target}, quiet);
  return started.process.has_value();  // the child is reaped in the background
}

}  // namespace quiremark::platform
