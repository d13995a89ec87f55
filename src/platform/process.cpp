#include "platform/process.h"

#include <fcntl.h>
#include <linux/close_range.h>
#include <signal.h>
#include <spawn.h>
#include <dirent.h>
#include <sched.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <chrono>
#include <thread>

#include "platform/signal_cleanup.h"

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

// The inherited environment with the `extra` entries in place of inherited
// ones of their names, as execve takes it.
std::vector<char*> EnvironmentWith(const std::vector<std::string>& extra) {
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
  return envp;
}

// Starts the program of arguments[0] (looked up on PATH unless it names a
// path) with the file actions and the inherited environment, `extra`
// entries in place of inherited ones of their names; 0 or the error number.
int Spawn(const std::vector<std::string>& arguments, const posix_spawn_file_actions_t& actions, pid_t& pid,
          const std::vector<std::string>& extra = {}) {
  std::vector<char*> argv;
  for (const auto& arg : arguments) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  if (extra.empty()) return posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  std::vector<char*> envp = EnvironmentWith(extra);
  return posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
}

}  // namespace

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : pid_(other.pid_), guard_(other.guard_), ownGroup_(other.ownGroup_), signal_(other.signal_) {
  other.pid_ = 0;
  other.guard_ = -1;
  other.ownGroup_ = false;
}

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
  if (this != &other) {
    Detach();
    pid_ = other.pid_;
    guard_ = other.guard_;
    ownGroup_ = other.ownGroup_;
    signal_ = other.signal_;
    other.pid_ = 0;
    other.guard_ = -1;
    other.ownGroup_ = false;
  }
  return *this;
}

ChildProcess::~ChildProcess() { Detach(); }

namespace {

// Waits for the child to end and reaps it; its wait status, or -1 with errno.
// A child that leads its own group is first seen to end without being
// reaped: until it is, its number and its group's cannot be another's, so
// what its group still runs can be killed and its guard given back safely.
int Reap(pid_t pid, bool ownGroup, int& guard) {
  if (ownGroup) {
    siginfo_t info{};
    int seen;
    while ((seen = waitid(P_PID, pid, &info, WEXITED | WNOWAIT)) < 0 && errno == EINTR) {
    }
    if (seen == 0) kill(-pid, SIGKILL);  // not when it is not this process's to wait for
    if (guard >= 0) UnguardProcessGroup(guard);
    guard = -1;
  }
  int status = 0;
  pid_t result;
  while ((result = waitpid(pid, &status, 0)) < 0 && errno == EINTR) {
  }
  return result < 0 ? -1 : status;
}

}  // namespace

void ChildProcess::Unguard() {
  UnguardProcessGroup(guard_);
  guard_ = -1;
}

std::optional<int> ChildProcess::Wait() {
  if (pid_ <= 0) {
    errno = ECHILD;
    return std::nullopt;
  }
  const int status = Reap(pid_, ownGroup_, guard_);
  if (status < 0) return std::nullopt;
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
  std::thread([pid = pid_, ownGroup = ownGroup_, guard = guard_]() mutable { Reap(pid, ownGroup, guard); }).detach();
  pid_ = 0;
  guard_ = -1;
  ownGroup_ = false;
}

bool ChildProcess::Ended() const {
  if (pid_ <= 0) return true;
  siginfo_t info{};
  int result;
  while ((result = waitid(P_PID, pid_, &info, WEXITED | WNOHANG | WNOWAIT)) < 0 && errno == EINTR) {
  }
  return result < 0 || info.si_pid == pid_;
}

void ChildProcess::Kill() {
  if (pid_ <= 0) return;
  // The number of the child's group is not given to another process before
  // the child is reaped.
  ::kill(ownGroup_ ? -pid_ : pid_, SIGKILL);
}

std::optional<uint64_t> ChildProcess::ReadPosition(dev_t device, ino_t inode, int& fd) const {
  if (pid_ <= 0) return std::nullopt;
  const std::string process = "/proc/" + std::to_string(pid_);
  if (fd < 0) {
    DIR* folder = ::opendir((process + "/fd").c_str());
    if (!folder) return std::nullopt;
    while (const dirent* entry = ::readdir(folder)) {
      struct stat st{};
      if (entry->d_name[0] == '.' || ::stat((process + "/fd/" + entry->d_name).c_str(), &st) != 0) continue;
      if (st.st_dev == device && st.st_ino == inode) {
        fd = std::atoi(entry->d_name);
        break;
      }
    }
    ::closedir(folder);
    if (fd < 0) return std::nullopt;
  }
  // "pos:\t1234" is the first line.
  char text[64] = {};
  const int info = ::open((process + "/fdinfo/" + std::to_string(fd)).c_str(), O_RDONLY | O_CLOEXEC);
  if (info < 0) return std::nullopt;
  const ssize_t n = ::read(info, text, sizeof text - 1);
  ::close(info);
  if (n <= 0 || std::string_view(text).substr(0, 4) != "pos:") return std::nullopt;
  return std::strtoull(text + 4, nullptr, 10);
}

pid_t ChildProcess::Release() {
  Unguard();
  const pid_t pid = pid_;
  pid_ = 0;
  ownGroup_ = false;
  return pid;
}

namespace {

// What the child of StartGuarded needs, made before it is started.
struct GuardedChild {
  pid_t parent;
  sigset_t mask;  // the signal mask it runs the program with
  const StartOptions* options;
  int output;  // its standard output and error, or -1
  int errors;  // its standard error in place of `output`, or -1
  const char* program;
  char* const* argv;
  char* const* scriptArgv;  // the program run by /bin/sh, for a script without "#!"
  char* const* envp;
  int report;               // where it writes the error number when the program cannot be run
};

// The child, between vfork and exec: system calls only, and nothing of the
// parent's memory changed.
[[noreturn]] void RunGuardedChild(const GuardedChild& child) {
  setpgid(0, 0);
  // Killed with the thread that started it; a parent gone already is not
  // waited for.
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (getppid() != child.parent) _exit(127);
  ResetStopSignalsInChild();
  pthread_sigmask(SIG_SETMASK, &child.mask, nullptr);
  const StartOptions& options = *child.options;
  bool ready = true;
  if (options.workingFolderFd >= 0) {
    ready = fchdir(options.workingFolderFd) == 0;
  } else if (!options.workingFolder.empty()) {
    ready = chdir(options.workingFolder.c_str()) == 0;
  }
  if (ready && child.output >= 0) {
    ready = dup2(child.output, STDOUT_FILENO) >= 0 &&
            dup2(child.errors >= 0 ? child.errors : STDOUT_FILENO, STDERR_FILENO) >= 0;
  }
  if (ready) {
    // The program gets no descriptor of this one's beyond its standard
    // streams: one a library left open would keep a pipe or a lock of this
    // program's alive in whatever the converter leaves running.
    close_range(STDERR_FILENO + 1, ~0U, CLOSE_RANGE_CLOEXEC);
    execve(child.program, child.argv, child.envp);
    if (errno == ENOEXEC) execve("/bin/sh", child.scriptArgv, child.envp);
  }
  const int error = errno;
  (void)!write(child.report, &error, sizeof error);
  _exit(127);
}

// vfork: the child borrows this process's memory until it runs the program,
// so a large process (the window's libraries) costs no copy of its page
// tables. Kept apart, so that nothing of the caller's lives across it.
[[gnu::noinline]] pid_t StartChild(const GuardedChild& child) {
  const pid_t pid = vfork();
  if (pid == 0) RunGuardedChild(child);
  return pid;
}

// Starts a converter: the child makes its process group and asks to die
// with its parent before it runs the program (which posix_spawn cannot do);
// it is guarded before a stop signal can be handled in this thread. 0 or the
// error number.
int StartGuarded(const std::vector<std::string>& arguments, const StartOptions& options, ChildProcess& child) {
  // The program as this process finds it; the child starts it from its own folder.
  std::string program = arguments.front();
  if (program.find('/') == std::string::npos) {
    const std::optional<std::filesystem::path> found = FindOnPath(program);
    if (!found) return ENOENT;
    program = found->string();
  }
  std::error_code ec;
  if (program.front() != '/') program = std::filesystem::absolute(program, ec).string();
  std::vector<char*> argv;
  std::vector<char*> scriptArgv{const_cast<char*>("/bin/sh"), program.data()};
  for (size_t k = 0; k < arguments.size(); ++k) {
    argv.push_back(const_cast<char*>(arguments[k].c_str()));
    if (k > 0) scriptArgv.push_back(const_cast<char*>(arguments[k].c_str()));
  }
  argv.push_back(nullptr);
  scriptArgv.push_back(nullptr);
  const std::vector<char*> envp = EnvironmentWith(options.environment);
  int output = -1;
  int errors = -1;
  if (options.outputFd >= 0) {
    output = fcntl(options.outputFd, F_DUPFD_CLOEXEC, 0);
    errors = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (output < 0 || errors < 0) {
      const int error = errno;
      if (output >= 0) close(output);
      if (errors >= 0) close(errors);
      return error;
    }
  } else if (!options.outputFile.empty()) {
    // O_NOFOLLOW: a link planted at a fixed log name must not redirect (and empty) another file.
    output = open(options.outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (output < 0) return errno;
  }
  int report[2];
  if (pipe2(report, O_CLOEXEC) != 0) {
    const int error = errno;
    if (output >= 0) close(output);
    if (errors >= 0) close(errors);
    return error;
  }
  int error = 0;
  {
    const StopSignalsBlocked blocked;
    const GuardedChild setup{getpid(), blocked.before(), &options, output, errors, program.c_str(), argv.data(),
                             scriptArgv.data(), envp.data(), report[1]};
    const pid_t pid = StartChild(setup);
    if (pid < 0) {
      error = errno;
    } else {
      setpgid(pid, pid);  // the child makes it too; whoever comes first
      child = ChildProcess(pid, GuardProcessGroup(pid));
    }
  }
  close(report[1]);
  if (output >= 0) close(output);
  if (errors >= 0) close(errors);
  if (error == 0) {
    ssize_t got;
    while ((got = read(report[0], &error, sizeof error)) < 0 && errno == EINTR) {
    }
    if (got != static_cast<ssize_t>(sizeof error)) error = 0;  // the program runs
    if (error != 0) child.Wait();
  }
  close(report[0]);
  return error;
}

}  // namespace

StartResult StartProcess(const std::vector<std::string>& arguments, const StartOptions& options) {
  StartResult result;
  if (arguments.empty() || arguments.front().empty()) {
    result.error = EINVAL;
    return result;
  }
  if (options.endsWithProgram) {
    ChildProcess child(0);
    result.error = StartGuarded(arguments, options, child);
    if (result.error == 0) result.process.emplace(std::move(child));
    return result;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (options.workingFolderFd >= 0) {
    posix_spawn_file_actions_addfchdir_np(&actions, options.workingFolderFd);
  } else if (!options.workingFolder.empty()) {
    posix_spawn_file_actions_addchdir_np(&actions, options.workingFolder.c_str());
  }
  if (options.outputFd >= 0) {
    posix_spawn_file_actions_adddup2(&actions, options.outputFd, STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  } else if (!options.outputFile.empty()) {
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

std::optional<std::string> RunAndCapture(const std::vector<std::string>& arguments,
                                         std::chrono::milliseconds timeLimit, bool& timedOut) {
  timedOut = false;
  int pipeFds[2];
  if (arguments.empty() || pipe2(pipeFds, O_CLOEXEC) != 0) return std::nullopt;
  StartOptions options;
  options.showState = show::kHide;
  options.outputFd = pipeFds[1];
  options.endsWithProgram = true;
  StartResult started = StartProcess(arguments, options);
  close(pipeFds[1]);
  if (!started.process) {
    close(pipeFds[0]);
    return std::nullopt;
  }
  ChildProcess& child = *started.process;
  // Ended on every way out: waited for when it is done, else killed first.
  struct EndOnExit {
    ChildProcess& child;
    ~EndOnExit() {
      if (child.pid() <= 0) return;
      child.Kill();
      child.Wait();
    }
  } endOnExit{child};
  // Its output until it closes it, then its end, both within the time: a
  // descriptor of the process itself tells when it has ended.
  const int ended = static_cast<int>(syscall(SYS_pidfd_open, child.pid(), 0));
  const auto deadline = std::chrono::steady_clock::now() + timeLimit;
  std::string output;
  bool reading = true;
  bool lost = false;  // the system would not wait (the child is ended on the way out)
  while (reading || !child.Ended()) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      timedOut = true;
      break;
    }
    // (A system that gives no such descriptor is asked again and again.)
    const bool watched = reading || ended >= 0;
    pollfd wait{reading ? pipeFds[0] : ended, POLLIN, 0};
    const int timeout = static_cast<int>(std::min<int64_t>(left.count(), watched ? 1000 : 10));
    const int ready = poll(&wait, watched ? 1 : 0, timeout);
    if (ready < 0 && errno != EINTR) {
      lost = true;
      break;
    }
    if (ready <= 0 || !reading) continue;
    char buffer[4096];
    const ssize_t n = read(pipeFds[0], buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0 || output.size() > (1u << 20)) {
      reading = false;
      continue;
    }
    output.append(buffer, static_cast<size_t>(n));
  }
  if (ended >= 0) close(ended);
  close(pipeFds[0]);
  if (timedOut || lost) return std::nullopt;
  const std::optional<int> exitCode = child.Wait();
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

size_t UsableProcessors() {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (sched_getaffinity(0, sizeof set, &set) == 0) return std::max(1, CPU_COUNT(&set));
  return std::max(1u, std::thread::hardware_concurrency());
}

std::optional<uint64_t> AvailableMemory() {
  const int fd = ::open("/proc/meminfo", O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  char text[4096] = {};
  const ssize_t n = ::read(fd, text, sizeof text - 1);
  ::close(fd);
  if (n <= 0) return std::nullopt;
  const char* line = std::strstr(text, "MemAvailable:");
  if (!line) return std::nullopt;
  return std::strtoull(line + 13, nullptr, 10) * 1024;  // in kB
}

std::optional<size_t> OtherRunnableTasks() {
  std::optional<size_t> least;
  for (int look = 0; look < 3; ++look) {
    if (look > 0) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    // "0.52 0.58 0.59 3/447 12345": runnable tasks, this one among them, over all tasks.
    const int fd = ::open("/proc/loadavg", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return least;
    char text[256] = {};
    const ssize_t n = ::read(fd, text, sizeof text - 1);
    ::close(fd);
    const char* slash = n > 0 ? std::strchr(text, '/') : nullptr;
    if (!slash) return least;
    const char* digits = slash;
    while (digits > text && digits[-1] >= '0' && digits[-1] <= '9') --digits;
    if (digits == slash) return least;
    const size_t running = std::strtoull(digits, nullptr, 10);
    const size_t others = running > 0 ? running - 1 : 0;
    least = least ? std::min(*least, others) : others;
  }
  return least;
}

}  // namespace quiremark::platform
