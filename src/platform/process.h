#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/types.h>
#include <cstdint>
#include <vector>

namespace quiremark::platform {

// Splits a command line into arguments by the Windows rules: blanks and tabs
// separate arguments, double quotes group (a doubled "" inside quotes is one
// quote), backslashes before a quote escape it. No shell is involved.
std::vector<std::string> SplitCommandLine(const std::string& commandLine);

// Window show states the callers pass (the Windows numbers). A child on Linux
// has no window the program controls, so they are accepted and ignored.
namespace show {
inline constexpr int kHide = 0;
inline constexpr int kNormalFocus = 1;
inline constexpr int kMinimizedFocus = 2;
inline constexpr int kMaximized = 3;
inline constexpr int kNormalNoFocus = 4;
inline constexpr int kShow = 5;
inline constexpr int kMinimizedNoFocus = 6;
}  // namespace show

struct StartOptions {
  int showState = show::kNormalFocus;
  std::filesystem::path workingFolder;  // empty: the current folder
  // A folder held open to start in, in place of workingFolder: no path is
  // followed to it.
  int workingFolderFd = -1;
  // Empty: inherit; else stdout and stderr go there, replacing the file, which
  // must not be a symbolic link (ELOOP).
  std::filesystem::path outputFile;
  // In place of outputFile: an open descriptor (a pipe the caller reads)
  // that stdout goes to; stderr then goes nowhere.
  int outputFd = -1;
  // "NAME=value" entries that the child gets besides the inherited
  // environment, each in place of an inherited value of that name.
  std::vector<std::string> environment;
  // For a converter: the child runs in a process group of its own, which a
  // stop signal of this program ends (platform/signal_cleanup.h) and which
  // ends with the child; and the child is killed when the thread that started
  // it ends, so also when this program is killed. Start it from a thread that
  // outlives it.
  bool endsWithProgram = false;
};

// A started child process. A child that is neither waited for nor still owned
// when this object goes away is reaped in the background, so no zombie stays.
class ChildProcess {
 public:
  explicit ChildProcess(pid_t pid) : pid_(pid) {}
  // A child that leads a process group of its own, ended with its group;
  // guarded in `guardSlot` (GuardProcessGroup), or -1 when no slot was free.
  ChildProcess(pid_t pid, int guardSlot) : pid_(pid), guard_(guardSlot), ownGroup_(true) {}
  ChildProcess(ChildProcess&& other) noexcept;
  ChildProcess& operator=(ChildProcess&& other) noexcept;
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  ~ChildProcess();

  pid_t pid() const { return pid_; }
  // Blocks until the child has ended (no time-out) and returns its exit code;
  // a child killed by a signal gives 128 + the signal number. Empty optional
  // when the child cannot be waited for (errno tells why). What the group of
  // a child that leads its own still runs when the child has ended is killed.
  std::optional<int> Wait();
  // Whether the child has ended, without waiting and without reaping it
  // (Wait then returns at once); a child that cannot be waited for counts
  // as ended.
  bool Ended() const;
  // Ends the child at once (with its process group, when it leads its own);
  // Wait then reaps it.
  void Kill();
  // How far the running child has read the file `device`/`inode` it holds
  // open: the position of its descriptor of it, found on the first call and
  // kept in `fd`. Empty when it does not hold it (yet) or the system does not tell.
  std::optional<uint64_t> ReadPosition(dev_t device, ino_t inode, int& fd) const;
  // The signal that ended the child, once Wait saw it end so; else 0.
  int terminatingSignal() const { return signal_; }
  // Leaves the child running; it is reaped in the background when it ends.
  void Detach();
  // Hands the child over to the caller, who must reap it; a stop signal no
  // longer ends it.
  pid_t Release();

 private:
  void Unguard();

  pid_t pid_ = 0;
  int guard_ = -1;
  bool ownGroup_ = false;
  int signal_ = 0;
};

struct StartResult {
  std::optional<ChildProcess> process;  // empty when nothing was started
  int error = 0;                        // errno of the failure (ENOENT: program not found)
};

// Starts the command line's program with its arguments. The program is looked
// up on PATH unless it names a path.
StartResult StartProcess(const std::string& commandLine, const StartOptions& options = {});
StartResult StartProcess(const std::vector<std::string>& arguments, const StartOptions& options = {});

// Starts a command line and waits for it; the exit code, or empty when it
// could not be started or waited for.
std::optional<int> RunAndWait(const std::string& commandLine, const StartOptions& options = {});

// Runs a program with its arguments and returns what it wrote on standard
// output; empty optional when it could not be started or did not exit with 0.
std::optional<std::string> RunAndCapture(const std::vector<std::string>& arguments);
// The same for a program that may never end (an outside program asked for
// what it is): it runs as a converter runs (StartOptions::endsWithProgram),
// so a stop signal of this program, or its end, ends it; one that has not
// ended within `timeLimit` is ended with its group, and `timedOut` is set.
std::optional<std::string> RunAndCapture(const std::vector<std::string>& arguments,
                                         std::chrono::milliseconds timeLimit, bool& timedOut);

// The executable file `name` (no "/" in it) in the first folder of PATH that
// holds one; empty when none does.
std::optional<std::filesystem::path> FindOnPath(const std::string& name);

// The processors this program may run on, 1 at least.
size_t UsableProcessors();
// The memory the system can give without swapping (MemAvailable), in bytes;
// empty when it does not tell.
std::optional<uint64_t> AvailableMemory();
// How many tasks of other programs run or wait for a processor now, the
// least of a few looks a moment apart (a task that only passes by is not
// counted); empty when the system does not tell.
std::optional<size_t> OtherRunnableTasks();

// Opens a document, folder or address with the desktop's associated program
// (xdg-open), without waiting. False when xdg-open could not be started.
bool ShellOpen(const std::string& target);

}  // namespace quiremark::platform
