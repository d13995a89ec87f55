#include "platform/process.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <iterator>
#include <thread>

#include "platform/environment.h"
#include "platform/signal_cleanup.h"
#include "support/test_support.h"

namespace qp = quiremark::platform;
namespace qt = quiremark::testing;

using Args = std::vector<std::string>;

TEST(SplitCommandLine, FollowsWindowsQuoting) {
  EXPECT_EQ(qp::SplitCommandLine("  \"/opt/Digi Tejp/DigiTejp\" -t  x  \"\""),
            (Args{"/opt/Digi Tejp/DigiTejp", "-t", "x", ""}));
  EXPECT_EQ(qp::SplitCommandLine(R"(a"b c"d e)"), (Args{"ab cd", "e"}));
  EXPECT_EQ(qp::SplitCommandLine(R"("say ""hi""" \"q\" C:\dir\ "x\\")"), (Args{"say \"hi\"", "\"q\"", "C:\\dir\\", "x\\"}));
  EXPECT_TRUE(qp::SplitCommandLine("   ").empty());
}

TEST(Process, WaitGivesTheExitCodeAndOutputCanGoToAFile) {
  qt::TempDir dir;
  qp::StartOptions options;
  options.outputFile = dir / "out.log";
  options.workingFolder = dir.path();
  options.showState = qp::show::kHide;
  auto started = qp::StartProcess("sh -c \"pwd; echo err >&2; exit 7\"", options);
  ASSERT_TRUE(started.process);
  EXPECT_EQ(started.process->Wait(), 7);
  EXPECT_EQ(qt::ReadFile(dir / "out.log"), dir.path().string() + "\nerr\n");
}

TEST(Process, TheChildGetsTheExtraEnvironmentInPlaceOfInheritedValues) {
  qt::TempDir dir;
  qt::ScopedEnv kept{"QUIREMARK_KEPT", "kept"};
  qt::ScopedEnv replaced{"QUIREMARK_REPLACED", "old"};
  qp::StartOptions options;
  options.outputFile = dir / "out.log";
  options.environment = {"QUIREMARK_REPLACED=new", "QUIREMARK_ADDED=added"};
  auto started = qp::StartProcess(
      Args{"sh", "-c", "echo $QUIREMARK_KEPT $QUIREMARK_REPLACED $QUIREMARK_ADDED; env | grep -c QUIREMARK_REPLACED"},
      options);
  ASSERT_TRUE(started.process);
  EXPECT_EQ(started.process->Wait(), 0);
  EXPECT_EQ(qt::ReadFile(dir / "out.log"), "kept new added\n1\n");
}

TEST(Process, OutputFileThatIsALinkIsRefused) {
  qt::TempDir dir;
  qt::WriteFile(dir / "victim", "precious");
  std::filesystem::create_symlink(dir / "victim", dir / "QuiremarkTmp.log");
  qp::StartOptions options;
  options.outputFile = dir / "QuiremarkTmp.log";
  auto started = qp::StartProcess(Args{"echo", "overwritten"}, options);
  EXPECT_FALSE(started.process);
  EXPECT_EQ(started.error, ELOOP);
  EXPECT_EQ(qt::ReadFile(dir / "victim"), "precious");
}

TEST(Process, MissingProgramIsReportedBeforeAnythingRuns) {
  auto started = qp::StartProcess("/no/such/program arg");
  EXPECT_FALSE(started.process);
  EXPECT_EQ(started.error, ENOENT);
  EXPECT_EQ(qp::RunAndWait("no-such-program-anywhere"), std::nullopt);
}

TEST(Process, KilledChildReportsTheSignal) {
  auto started = qp::StartProcess(Args{"sleep", "30"});
  ASSERT_TRUE(started.process);
  kill(started.process->pid(), SIGTERM);
  EXPECT_EQ(started.process->Wait(), 128 + SIGTERM);
}

namespace {

// A converter that starts programs of its own (a script around gs): a shell
// that starts a program and becomes another, which reaps nothing. A shell
// that waited could reap its child itself when the group is killed, before
// this process, which takes the orphans, comes to look.
qp::StartResult StartConverterWithHelper(const qt::TempDir& dir) {
  qp::StartOptions options;
  options.endsWithProgram = true;
  options.outputFile = dir / "helper.log";
  return qp::StartProcess(Args{"sh", "-c", "sleep 1000 & exec sleep 1001"}, options);
}

// The program the converter started, once the converter has become the other.
pid_t HelperChild(pid_t converter) {
  const std::string proc = "/proc/" + std::to_string(converter);
  const auto read = [](const std::string& file) {
    std::ifstream in(file);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  for (;;) {
    const std::string children = read(proc + "/task/" + std::to_string(converter) + "/children");
    if (read(proc + "/comm") == "sleep\n" && !children.empty()) return static_cast<pid_t>(std::stol(children));
    std::this_thread::yield();
  }
}

// Killed already; one still running would end by this SIGTERM instead.
bool EndedByKill(pid_t pid) {
  kill(pid, SIGTERM);
  int status = 0;
  return waitpid(pid, &status, 0) == pid && WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

// Every guard slot taken while this lives, by numbers above the most the
// system gives a process (2^22), so that a stop signal meanwhile ends nothing.
struct GuardSlotsTaken {
  GuardSlotsTaken() {
    for (pid_t none = (1 << 22) + 1;; ++none) {
      const int slot = qp::GuardProcessGroup(none);
      if (slot < 0) break;
      slots.push_back(slot);
    }
  }
  ~GuardSlotsTaken() {
    for (const int slot : slots) qp::UnguardProcessGroup(slot);
  }
  std::vector<int> slots;
};

}  // namespace

// What a converter started ends with its process group, when a stop signal
// ends this program and when the converter itself has ended.
TEST(Process, WhatAConverterStartedEndsWithItsGroup) {
  qt::TempDir dir;
  ASSERT_EQ(prctl(PR_SET_CHILD_SUBREAPER, 1), 0);  // the orphans are this process's to reap
  EXPECT_EXIT(
      {
        auto started = StartConverterWithHelper(dir);
        qt::WriteFile(dir / "stopped", std::to_string(HelperChild(started.process->pid())));
        raise(SIGTERM);
      },
      ::testing::KilledBySignal(SIGTERM), "");
  EXPECT_TRUE(EndedByKill(static_cast<pid_t>(std::stol(qt::ReadFile(dir / "stopped")))));

  auto started = StartConverterWithHelper(dir);
  ASSERT_TRUE(started.process);
  const pid_t sleeper = HelperChild(started.process->pid());
  kill(started.process->pid(), SIGKILL);  // the converter alone
  EXPECT_EQ(started.process->Wait(), 128 + SIGKILL);
  EXPECT_TRUE(EndedByKill(sleeper));
  prctl(PR_SET_CHILD_SUBREAPER, 0);
}

// A converter started when no guard slot is free still leads a group of its
// own, which ends with it: by Kill, and when the converter has ended.
TEST(Process, AConverterWithoutAGuardSlotStillEndsWithItsGroup) {
  qt::TempDir dir;
  ASSERT_EQ(prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
  const GuardSlotsTaken taken;
  for (const bool byKill : {true, false}) {
    auto started = StartConverterWithHelper(dir);
    ASSERT_TRUE(started.process);
    const pid_t sleeper = HelperChild(started.process->pid());
    if (byKill) {
      started.process->Kill();
    } else {
      kill(started.process->pid(), SIGKILL);  // the converter alone
    }
    EXPECT_EQ(started.process->Wait(), 128 + SIGKILL);
    EXPECT_TRUE(EndedByKill(sleeper)) << (byKill ? "by Kill" : "ended alone");
  }
  prctl(PR_SET_CHILD_SUBREAPER, 0);
}

TEST(Process, CaptureReturnsStandardOutput) {
  EXPECT_EQ(qp::RunAndCapture(Args{"sh", "-c", "echo 10.0; echo noise >&2"}), "10.0\n");
  EXPECT_EQ(qp::RunAndCapture(Args{"sh", "-c", "exit 1"}), std::nullopt);
}

TEST(Process, ShellOpenPassesTheTargetAndKeepsTheOpenersComplaintsOffOurStreams) {
  qt::TempDir dir;
  const std::filesystem::path opener = dir / "xdg-open";
  qt::WriteFile(opener, "#!/bin/sh\necho 'no method available' >&2\necho \"$1\" >\"$0.target\"\n");
  std::filesystem::permissions(opener, std::filesystem::perms::owner_all);
  qt::ScopedEnv path("PATH", dir.path().string() + ":" + qp::GetEnv("PATH"));

  // Our standard error goes to a file while the opener runs.
  const std::filesystem::path caught = dir / "stderr.txt";
  fflush(stderr);
  const int saved = dup(STDERR_FILENO);
  const int file = open(caught.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  dup2(file, STDERR_FILENO);
  close(file);
  const bool started = qp::ShellOpen("/srv/ut/A-40.pdf");
  // The opener complains before it writes the target.
  for (int i = 0; i < 500 && (!std::filesystem::exists(dir / "xdg-open.target") ||
                              qt::ReadFile(dir / "xdg-open.target").empty());
       ++i)
    usleep(10000);
  dup2(saved, STDERR_FILENO);
  close(saved);

  EXPECT_TRUE(started);
  EXPECT_EQ(qt::ReadFile(dir / "xdg-open.target"), "/srv/ut/A-40.pdf\n");
  EXPECT_EQ(qt::ReadFile(caught), "");
}

// How far a child has read a file it holds: what the progress of a
// conversion is read from.
TEST(Process, TheChildsPositionInAFileItHoldsIsRead) {
  qt::TempDir dir;
  qt::WriteFile(dir / "input.ps", std::string(1000, 'x'));
  qt::WriteFile(dir / "other.ps", "x");
  struct stat input{}, other{};
  ASSERT_EQ(::stat((dir / "input.ps").c_str(), &input), 0);
  ASSERT_EQ(::stat((dir / "other.ps").c_str(), &other), 0);
  auto started = qp::StartProcess(Args{"sh", "-c", "exec 3< '" + (dir / "input.ps").string() +
                                                       "'; dd bs=100 count=1 <&3 >/dev/null 2>&1; exec sleep 1000"});
  ASSERT_TRUE(started.process);
  // Once the shell has become the program that keeps the file open.
  const std::string comm = "/proc/" + std::to_string(started.process->pid()) + "/comm";
  for (;;) {
    std::ifstream in(comm);
    if (std::string(std::istreambuf_iterator<char>(in), {}) == "sleep\n") break;
    std::this_thread::yield();
  }
  int fd = -1;
  EXPECT_EQ(started.process->ReadPosition(input.st_dev, input.st_ino, fd), 100u);
  int none = -1;
  EXPECT_EQ(started.process->ReadPosition(other.st_dev, other.st_ino, none), std::nullopt) << "a file it does not hold";
  EXPECT_FALSE(started.process->Ended());
  started.process->Kill();
  EXPECT_EQ(started.process->Wait(), 128 + SIGKILL);
}
