#include "platform/process.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <cerrno>

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

TEST(Process, CaptureReturnsStandardOutput) {
  EXPECT_EQ(qp::RunAndCapture(Args{"sh", "-c", "echo 10.0; echo noise >&2"}), "10.0\n");
  EXPECT_EQ(qp::RunAndCapture(Args{"sh", "-c", "exit 1"}), std::nullopt);
}
