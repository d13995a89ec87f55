#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "support/test_support.h"

namespace quiremark::testing {

// A stand-in converter that stops inside its work until the test lets it go
// on: once started it writes its process number and the path of the output it
// is about to write on the FIFO "ready" (which blocks until the test reads),
// then waits for a line on the FIFO "go". So the test acts while the
// converter works, and never waits a fixed time.
class HeldConverter {
 public:
  // `folder` takes the FIFOs and the script named `name`, whose lines after
  // the pause are `then`; the output path is "$out" (a gs-style
  // -sOutputFile=) or, without one, the second argument.
  HeldConverter(const std::filesystem::path& folder, const std::string& name, const std::string& then)
      : ready_(folder / "ready"), go_(folder / "go"), program_(folder / name) {
    std::filesystem::create_directories(folder);
    ::mkfifo(ready_.c_str(), 0600);
    ::mkfifo(go_.c_str(), 0600);
    // The script keeps "go" open itself, so that letting it go never blocks.
    WriteFile(program_, "#!/bin/sh\nout=$2\nfor a; do case $a in -sOutputFile=*) out=${a#-sOutputFile=};; esac; done\n"
                        "case $out in /*) path=$out;; *) path=$(pwd)/$out;; esac\n"
                        "exec 3<>'" + go_.string() + "'\necho $$ \"$path\" > '" + ready_.string() +
                            "'\nread line <&3\n" + then);
    ::chmod(program_.c_str(), 0755);
  }

  const std::filesystem::path& program() const { return program_; }

  // Waits until the converter is inside its work; false when Release came
  // first (no converter ran).
  bool WaitUntilInside() {
    std::ifstream in(ready_);
    in >> pid_;
    in.ignore(1);
    std::string output;
    std::getline(in, output);
    output_ = output;
    answered_ = true;
    return pid_ > 0;
  }
  pid_t pid() const { return pid_; }
  const std::filesystem::path& output() const { return output_; }

  // Lets the converter go on; false when none waits any more.
  bool LetGo() {
    const int fd = ::open(go_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    const bool written = ::write(fd, "go\n", 3) == 3;
    ::close(fd);
    return written;
  }

  // Ends a WaitUntilInside that no converter will answer (a run that ended
  // before its converter); from another thread, or from the run's process.
  void Release() {
    while (!answered_) {
      if (const int fd = ::open(ready_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC); fd >= 0) {
        ::close(fd);
        return;
      }
      std::this_thread::yield();
    }
  }

 private:
  std::filesystem::path ready_, go_, program_;
  std::atomic<bool> answered_{false};
  pid_t pid_ = 0;
  std::filesystem::path output_;
};

}  // namespace quiremark::testing
