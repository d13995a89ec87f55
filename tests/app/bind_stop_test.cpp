// A bind run stopped while its converter works: by a stop signal (Ctrl+C, a
// scheduler's stop, a closed terminal), killed outright, or asked to stop by
// the user (Escape on the progress window, the main window closed). Nothing
// of the run goes on running, and what it leaves is removed by the next run.
#include <sys/prctl.h>
#include <sys/wait.h>

#include <csignal>
#include <functional>

#include "bind_run_fixture.h"
#include "browser/file_pane.h"
#include "engine/temp_ps_file.h"
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

// A gs that notes its process number in `inside` and then works for long,
// unless it is ended.
fs::path LongConverter(const fs::path& folder, const fs::path& inside, const fs::path& made) {
  fs::create_directories(folder);
  const fs::path script = folder / "gs";
  testing::WriteFile(script, "#!/bin/sh\nfor a; do case $a in -sOutputFile=*) out=${a#-sOutputFile=};; esac; done\n"
                             "echo $$ > '" + inside.string() + ".new'; mv '" + inside.string() + ".new' '" +
                                 inside.string() + "'\nsleep 30\ncat '" + made.string() + "' > \"$out\"\n");
  fs::permissions(script, fs::perms::owner_all);
  return script;
}

// The user asks the run to stop wherever it yields: while it waits for
// another run, while it writes the temporary file, while gs converts. It
// ends there, with no box, and leaves nothing of its own: the PDF from
// before and the record of the bind before stay.
TEST_F(BindStop, AStopTheUserAsksForEndsTheRunWhereverItIsAndMakesNoPdf) {
  const fs::path inside = dir / "inside";
  form.GhostscriptProgram = LongConverter(dir / "long", inside, made).string();
  const std::string older = "%PDF-1.4 last week's PDF\n%%EOF\n";
  testing::WriteFile(pdf, older);
  testing::WriteFile(dir / "tmp" / "QuiremarkTmp.ps", "the bind before\n");
  const struct {
    const char* where;
    std::function<bool()> reached;
  } places[] = {
      {"waiting for another run", [&] { return form.frmSplash.progressText().starts_with("Väntar på att en annan"); }},
      {"writing the temporary file", [&] { return form.frmSplash.progressText().starts_with("Bearbetar "); }},
      {"converting", [&] { return fs::exists(inside); }},
  };
  for (const auto& place : places) {
    SCOPED_TRACE(place.where);
    fs::remove(inside);
    std::optional<platform::FileUpdateLock> other;
    if (place.where == places[0].where) other = platform::FileUpdateLock::Take(engine::TempPsPath(), 0600);
    int stoppedAt = -1;
    ui.onYield = [&] {
      if (stoppedAt < 0 && place.reached()) {
        stoppedAt = ui.yields;
        form.frmSplash.stopRequested = true;
      }
      if (stoppedAt > 0 && ui.yields > stoppedAt + 100) other.reset();  // a run that waits on fails, not hangs
    };
    EXPECT_FALSE(CreatePdf(form, kBindPlain));
    ASSERT_GT(stoppedAt, 0);
    EXPECT_EQ(ui.yields, stoppedAt) << "the run looked no further";
    EXPECT_EQ(form.BindFailure, "Bindningen avbröts.");
    EXPECT_EQ(testing::ReadFile(pdf), older);
    EXPECT_EQ(RunFolders(out, ".QuiremarkTmp"), std::vector<std::string>{});
    EXPECT_EQ(RunFolders(dir / "tmp", "QuiremarkTmp-"), std::vector<std::string>{});
    EXPECT_EQ(testing::ReadFile(dir / "tmp" / "QuiremarkTmp.ps"), "the bind before\n");
    if (fs::exists(inside)) {
      EXPECT_NE(::kill(std::stoi(testing::ReadFile(inside)), 0), 0) << "gs was ended and reaped";
    }
    EXPECT_FALSE(form.state.bindRunActive);
    EXPECT_FALSE(form.frmSplash.visible());
  }
}

// gs converting the bind in one run: the window goes on painting while it
// works, and the bar shows how far it has read.
TEST_F(BindStop, WhileOneGsConvertsTheWindowPaintsAndTheBarFollowsIt) {
  const fs::path half = dir / "half", go = dir / "go";
  fs::create_directories(dir / "reading");
  const fs::path script = dir / "reading" / "gs";
  // Reads half its input, waits for the test (for long at most), then the rest.
  testing::WriteFile(script, "#!/bin/sh\nfor a; do case $a in -sOutputFile=*) out=${a#-sOutputFile=};; esac; ps=$a; done\n"
                             "exec 4< \"$ps\"\ndd bs=$(($(stat -c %s \"$ps\") / 2)) count=1 <&4 >/dev/null 2>&1\n"
                             ": > '" + half.string() + "'\ni=0\nwhile [ ! -e '" + go.string() +
                                 "' ] && [ $i -lt 3000 ]; do sleep 0.01; i=$((i + 1)); done\n"
                                 "cat <&4 >/dev/null\ncat '" + made.string() + "' > \"$out\"\n");
  fs::permissions(script, fs::perms::owner_all);
  form.GhostscriptProgram = script.string();
  std::vector<int> whileHalfRead;  // the bar at each yield while gs has read half
  ui.onYield = [&] {
    if (!fs::exists(half) || fs::exists(go)) return;
    whileHalfRead.push_back(form.frmSplash.value());
    if (form.frmSplash.value() > 0) testing::WriteFile(go, "");
  };
  ASSERT_TRUE(CreatePdf(form, kBindPlain)) << form.BindFailure;
  ASSERT_FALSE(whileHalfRead.empty()) << "the run yielded while gs worked";
  EXPECT_EQ(form.frmSplash.max(), 100);
  EXPECT_GE(whileHalfRead.back(), 49);
  EXPECT_LE(whileHalfRead.back(), 50);
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
