// A bind run stopped while its converter works: by a stop signal (Ctrl+C, a
// scheduler's stop, a closed terminal) or killed outright. Nothing of the run
// goes on running, and what it leaves is removed by the next run.
#include <sys/prctl.h>
#include <sys/wait.h>

#include <csignal>

#include "bind_run_fixture.h"
#include "browser/file_pane.h"
#include "held_converter.h"
#include "platform/private_folder.h"
#include "platform/process.h"

namespace quiremark::app {
namespace {

namespace fs = std::filesystem;

class BindStop : public BindRunTest {
 protected:
  void SetUp() override {
    BindRunTest::SetUp();
    Plot("A-01.plt", 1, "Plan");
    SelectDrawings();
    browser::FilePane pane = FilePaneOf(form);
    browser::NumberAll(pane);
    state.outFileArg = pdf.string();
    testing::WriteFile(made, testing::PagesPdf(1));
  }

  // The program: a process of its own that binds with `converter` and ends.
  pid_t StartProgram(testing::HeldConverter& converter) {
    form.GhostscriptProgram = converter.program().string();
    const pid_t program = ::fork();
    if (program == 0) {
      testing::UnignoreStopSignals();
      CreatePdf(form, kBindPlain);
      converter.Release();  // the run ended before its converter
      ::_exit(0);
    }
    return program;
  }

  // The folders of runs in `folder`: the private folders named `prefix` and six letters.
  static std::vector<std::string> RunFolders(const fs::path& folder, const std::string& prefix) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
      const std::string name = entry.path().filename().string();
      if (name.starts_with(prefix)) names.push_back(name);
    }
    return names;
  }

  std::string Then() const { return "cat '" + made.string() + "' > \"$out\"\n"; }

  fs::path pdf = out / "Hus.pdf";
  fs::path made = dir / "made.pdf";
};

TEST_F(BindStop, AStopSignalEndsTheConverterFirstAndLeavesNothingOfTheRun) {
  for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
    SCOPED_TRACE(strsignal(signal));
    testing::HeldConverter converter(dir / ("gs-" + std::to_string(signal)), "gs", Then());
    const pid_t program = StartProgram(converter);
    ASSERT_TRUE(converter.WaitUntilInside());
    ::kill(program, signal);
    int status = 0;
    ASSERT_EQ(::waitpid(program, &status, 0), program);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << "ends as the signal asks: " << status;
    EXPECT_NE(::kill(converter.pid(), 0), 0) << "the converter was ended and reaped with the program";
    converter.LetGo();  // a converter still running would now write its PDF
    EXPECT_EQ(RunFolders(out, ".QuiremarkTmp"), std::vector<std::string>{});
    EXPECT_EQ(RunFolders(dir / "tmp", "QuiremarkTmp-"), std::vector<std::string>{});
    EXPECT_FALSE(fs::exists(pdf));
  }
}

TEST_F(BindStop, AKilledRunsConverterDiesWithItAndTheNextBindRemovesOnlyWhatDeadRunsLeft) {
  // The converter, orphaned, is this process's to reap.
  ASSERT_EQ(::prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
  testing::HeldConverter converter(dir / "gs", "gs", Then());
  const pid_t program = StartProgram(converter);
  ASSERT_TRUE(converter.WaitUntilInside());
  ::kill(program, SIGKILL);
  ::waitpid(program, nullptr, 0);
  converter.LetGo();  // one that lived on would go on to the end of its work
  int status = 0;
  ASSERT_EQ(::waitpid(converter.pid(), &status, 0), converter.pid());
  ::prctl(PR_SET_CHILD_SUBREAPER, 0);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "died with the program: " << status;
  ASSERT_EQ(RunFolders(out, ".QuiremarkTmp-").size(), 1u) << "the killed run's folder is left";
  ASSERT_EQ(RunFolders(dir / "tmp", "QuiremarkTmp-").size(), 1u);

  // Another run still going in the same folders: its folders stay.
  int error = 0;
  std::optional<platform::PrivateFolder> running = platform::PrivateFolder::Create(out, ".QuiremarkTmp-", error);
  std::optional<platform::PrivateFolder> runningTemp =
      platform::PrivateFolder::Create(dir / "tmp", "QuiremarkTmp-", error);
  ASSERT_TRUE(running && runningTemp);
  form.GhostscriptProgram.clear();  // the real gs
  ASSERT_TRUE(CreatePdf(form, kBindPlain)) << form.BindFailure;
  EXPECT_EQ(RunFolders(out, ".QuiremarkTmp-"), std::vector<std::string>{running->name()});
  EXPECT_EQ(RunFolders(dir / "tmp", "QuiremarkTmp-"), std::vector<std::string>{runningTemp->name()});
}

}  // namespace
}  // namespace quiremark::app
