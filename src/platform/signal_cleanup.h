#pragma once

#include <csignal>
#include <string>
#include <sys/types.h>

namespace quiremark::platform {

// What must not outlive the program when SIGINT, SIGTERM or SIGHUP end it
// (Ctrl+C, a scheduler's stop, a closed terminal). The handler first ends the
// whole process group of every guarded child (the converters, each started in
// a group of its own) and reaps the child, so that nothing of theirs writes on;
// then it removes the guarded folders with what they hold; then the program
// ends as the signal would have ended it. A signal the program was started
// ignoring (nohup) stays ignored. Room for kMaxGuarded children and as many
// folders at a time; further ones are not guarded.
inline constexpr int kMaxGuarded = 64;

// Guards the child `leader`, the leader of a process group of its own; the
// slot to give back when the child has ended (before it is reaped, so that
// its number cannot be another process's yet), or -1 when none is free.
int GuardProcessGroup(pid_t leader);
void UnguardProcessGroup(int slot);

// A folder of the program's own, removed with what it holds by a stop signal
// while this object lives. `parentFd` is the folder it is in, `name` its name
// there and `fd` the folder itself, opened for reading; the caller keeps both
// open meanwhile.
class RemoveFolderOnSignal {
 public:
  RemoveFolderOnSignal(int parentFd, const std::string& name, int fd);
  ~RemoveFolderOnSignal();
  RemoveFolderOnSignal(const RemoveFolderOnSignal&) = delete;
  RemoveFolderOnSignal& operator=(const RemoveFolderOnSignal&) = delete;

 private:
  int slot_ = -1;
};

// Whether `name` in the folder `parentFd` still leads to the folder open as
// `fd`: in a folder others may write to, it may lead elsewhere by now.
bool StillNamed(int parentFd, const char* name, int fd);
// Removes the folder open as `fd` with what it holds: everything in it
// (folders in it too, at any depth; links are removed, not followed), then
// the folder itself when `name` in `parentFd` still leads to it. Through
// descriptors only, with no call a signal handler may not make, and errno as
// it was.
void RemoveFolder(int parentFd, const char* name, int fd);

// The stop signals held back in the calling thread while this object lives.
// A child started meanwhile is guarded before this thread handles a stop
// signal, and a child started by vfork, which runs on this thread's memory
// and signal mask until it runs its program, cannot run the handler. Other
// threads are not held back: one of them may handle a stop signal sent to
// the process before the child is guarded, and the handler then passes over
// the child and its group.
class StopSignalsBlocked {
 public:
  StopSignalsBlocked();
  ~StopSignalsBlocked();
  StopSignalsBlocked(const StopSignalsBlocked&) = delete;
  StopSignalsBlocked& operator=(const StopSignalsBlocked&) = delete;

  // The signal mask from before, for a child to start with.
  const sigset_t& before() const { return before_; }

 private:
  sigset_t before_;
};

// For a child between fork and exec: the stop signals get their default
// action back (the handler above belongs to the parent), except those ignored.
void ResetStopSignalsInChild();

}  // namespace quiremark::platform
