#include "settings/shell_sync.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <cerrno>

#include "support/test_support.h"

namespace qs = quiremark::settings;
namespace qt = quiremark::testing;

namespace {

// Scripted operating system: what each step answers.
class FakeApi : public qs::ProcessApi {
 public:
  std::int64_t startResult = 42;
  bool openWorks = true;
  std::optional<std::int32_t> exitCode = 0;
  std::vector<std::string> calls;

  std::int64_t Start(const std::string&, std::int32_t style) override {
    calls.push_back("start " + std::to_string(style));
    return startResult;
  }
  std::optional<std::int64_t> Open(std::int64_t) override {
    calls.push_back("open");
    return openWorks ? std::optional<std::int64_t>(7) : std::nullopt;
  }
  std::optional<std::int32_t> WaitForExitCode(std::int64_t, std::int32_t& lastError) override {
    calls.push_back("wait");
    lastError = 5;
    return exitCode;
  }
  void Close(std::int64_t) override { calls.push_back("close"); }
  void Abandon(std::int64_t) override { calls.push_back("abandon"); }
};

void ExpectError(const std::function<void()>& call, std::int32_t number, const std::string& source,
                 const std::string& description) {
  try {
    call();
    ADD_FAILURE() << "no error raised";
  } catch (const qs::NumberedError& e) {
    EXPECT_EQ(e.number(), number);
    EXPECT_EQ(e.source(), source);
    EXPECT_EQ(e.description(), description);
  }
}

TEST(ShellSync, ReturnsTheChildsExitCodeAndLeavesNoZombie) {
  qt::TempDir dir;
  const auto pidFile = dir / "pid";
  EXPECT_EQ(qs::ShellSync("sh -c \"echo $$ > '" + pidFile.string() + "'; exit 3\"", 1), 3);
  const pid_t pid = std::stoi(qt::ReadFile(pidFile));
  EXPECT_EQ(kill(pid, 0), -1) << "a zombie would still accept signals";
  EXPECT_EQ(errno, ESRCH);
  EXPECT_EQ(qs::ShellSync("true", 0), 0);
}

TEST(ShellSync, QuotedProgramPathWithBlanks) {
  qt::TempDir dir;
  const auto script = dir / "Digi Tejp.sh";
  qt::WriteFile(script, "#!/bin/sh\nexit 4\n");
  std::filesystem::permissions(script, std::filesystem::perms::owner_all);
  EXPECT_EQ(qs::ShellSync("\"" + script.string() + "\"", 1), 4);
}

TEST(ShellSync, MissingProgramFailsBeforeAnyHandle) {
  ExpectError([] { qs::ShellSync("\"/no/such/DigiTejp.bat\"", 1); }, qs::kErrFileNotFound, "Quiremark",
              "File not found");
}

TEST(ShellSync, ItsThreeErrors) {
  EXPECT_EQ(qs::kErrExitCode, -2147177984);
  EXPECT_EQ(qs::kErrOpenProcess, -2147177983);
  EXPECT_EQ(qs::kErrShell, -2147177982);
  ExpectError([] { qs::ShellSync("", 1); }, qs::kErrShell, "ShellSync", "Failed to Shell child process");

  FakeApi notOpened;
  notOpened.openWorks = false;
  ExpectError([&] { qs::ShellSync("x", 6, notOpened); }, qs::kErrOpenProcess, "ShellSync",
              "Failed to open child process");
  EXPECT_EQ(notOpened.calls, (std::vector<std::string>{"start 6", "open", "abandon"}));

  FakeApi noExitCode;
  noExitCode.exitCode = std::nullopt;
  ExpectError([&] { qs::ShellSync("x", 1, noExitCode); }, qs::kErrExitCode, "ShellSync",
              "Failed to retrieve exit code, error 5");
  EXPECT_EQ(noExitCode.calls, (std::vector<std::string>{"start 1", "open", "wait", "close", "abandon"}));

  FakeApi works;
  works.exitCode = 9;
  EXPECT_EQ(qs::ShellSync("x", 1, works), 9);
  EXPECT_EQ(works.calls, (std::vector<std::string>{"start 1", "open", "wait", "close"}));
}

}  // namespace
