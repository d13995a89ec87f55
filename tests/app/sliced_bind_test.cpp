// A bind large enough to be converted in slices, each by its own gs at once:
// a slice that fails fails the bind, naming its plot file, and a stop signal
// ends every gs.
#include <sys/wait.h>

#include <chrono>
#include <csignal>
#include <thread>

#include "bind_run_fixture.h"
#include "browser/file_pane.h"
#include "platform/process.h"

namespace quiremark::app {
namespace {

namespace fs = std::filesystem;

class SlicedBind : public BindRunTest {
 protected:
  void SetUp() override {
    BindRunTest::SetUp();
    if (platform::UsableProcessors() < 2) GTEST_SKIP() << "one processor: a bind is converted in one run";
    // Four plot files of a megabyte each (mostly comment lines, which gs
    // reads at once): enough for a slice each.
    for (int k = 1; k <= 4; ++k) {
      std::string padding;
      for (int line = 0; line < 16000; ++line) padding += "% " + std::string(60, 'x') + "\r\n";
      const std::string name = "A-0" + std::to_string(k) + ".plt";
      testing::WriteFile(drawings / name,
                         padding + testing::DriverPlotFile(1, "Plan " + std::to_string(k)) + (k == 3 ? faulty_ : ""));
    }
    SelectDrawings();
    browser::FilePane pane = FilePaneOf(form);
    browser::NumberAll(pane);
    state.outFileArg = pdf.string();
  }

  // gs as the bind starts it, through a script that notes each start in
  // `starts` and then does `then` ("exec gs" by default).
  void Converter(const std::string& then) {
    fs::create_directories(starts);
    const fs::path script = dir / "gs";
    testing::WriteFile(script, "#!/bin/sh\ntouch '" + starts.string() + "'/$$\n" + then + "\n");
    fs::permissions(script, fs::perms::owner_all);
    form.GhostscriptProgram = script.string();
  }
  size_t Started() const { return static_cast<size_t>(std::distance(fs::directory_iterator(starts), {})); }
  size_t Slices() const { return std::min<size_t>(platform::UsableProcessors(), 4); }

  static std::vector<std::string> RunFolders(const fs::path& folder, const std::string& prefix) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
      if (entry.path().filename().string().starts_with(prefix)) names.push_back(entry.path().filename().string());
    }
    return names;
  }

  std::string faulty_;
  fs::path pdf = out / "Hus.pdf";
  fs::path starts = dir / "starts";
};

class SlicedBindFault : public SlicedBind {
 protected:
  void SetUp() override {
    faulty_ = "/foo bar\r\n";
    SlicedBind::SetUp();
  }
};

TEST_F(SlicedBind, TheWholeBindIsConvertedInSlicesAtOnce) {
  Converter("exec gs \"$@\"");
  ASSERT_TRUE(CreatePdf(form, kBindPlain)) << form.BindFailure;
  EXPECT_EQ(Started(), Slices());
  EXPECT_EQ(platform::RunAndCapture({"qpdf", "--show-npages", pdf.string()}), "4\n");
  EXPECT_EQ(RunFolders(out, ".QuiremarkTmp"), std::vector<std::string>{});
}

// Whether gs says where it stopped or only that it failed (which a bind in
// one run could not pin on a plot file), the plot file of its slice is
// named, and the PDF made before stays as it was.
TEST_F(SlicedBindFault, ASliceThatFailsFailsTheBindNamingItsPlotFile) {
  const struct {
    const char* name;
    std::string converter;
    std::string says;
  } cases[] = {
      {"an error in the PostScript", "exec gs \"$@\"",
       "\"Error: /undefined in bar\" Felet finns i plotfilen " + (drawings / "A-03.plt").string() + "."},
      // The slice's plot files are named: A-03 alone, where it has a slice of its own.
      {"gs ends without a word", "for a; do last=$a; done\ngrep -q 'foo bar' \"$last\" && exit 1\nexec gs \"$@\"",
       "GhostScript avslutades med felkod 1. Felet finns i " +
           std::string(Slices() == 4 ? "plotfilen " : "en av plotfilerna ")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(starts);
    Converter(c.converter);
    const std::string older = "%PDF-1.4 last week's PDF\n%%EOF\n";
    testing::WriteFile(pdf, older);
    ui.ExpectBoxContaining(c.says, controls::MsgResult::Ok);
    // (How many gs noted their start is not told: the slices' gs are ended
    // as soon as one fails, some before they come to it.)
    EXPECT_FALSE(CreatePdf(form, kBindPlain));
    EXPECT_NE(form.BindFailure.find(c.says), std::string::npos) << form.BindFailure;
    EXPECT_NE(form.BindFailure.find((drawings / "A-03.plt").string()), std::string::npos) << form.BindFailure;
    EXPECT_EQ(testing::ReadFile(pdf), older);
    EXPECT_EQ(RunFolders(out, ".QuiremarkTmp"), std::vector<std::string>{});
    EXPECT_EQ(RunFolders(dir / "tmp", "QuiremarkTmp-"), std::vector<std::string>{});
  }
}

TEST_F(SlicedBind, AStopSignalEndsEveryGsOfTheSlicesAndLeavesNothingOfTheRun) {
  // Each gs notes its start, then waits for a line that never comes.
  const fs::path never = dir / "never";
  ASSERT_EQ(::mkfifo(never.c_str(), 0600), 0);
  Converter("exec 3<>'" + never.string() + "'\nread line <&3");
  const pid_t program = ::fork();
  if (program == 0) {
    testing::UnignoreStopSignals();
    CreatePdf(form, kBindPlain);
    ::_exit(0);
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (Started() < Slices() && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
  ASSERT_EQ(Started(), Slices()) << "every slice's gs runs at once";
  ::kill(program, SIGTERM);
  int status = 0;
  ASSERT_EQ(::waitpid(program, &status, 0), program);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
  for (const auto& entry : fs::directory_iterator(starts)) {
    const pid_t gs = static_cast<pid_t>(std::stol(entry.path().filename().string()));
    EXPECT_NE(::kill(gs, 0), 0) << "gs " << gs << " was ended and reaped with the program";
  }
  EXPECT_EQ(RunFolders(out, ".QuiremarkTmp"), std::vector<std::string>{});
  EXPECT_EQ(RunFolders(dir / "tmp", "QuiremarkTmp-"), std::vector<std::string>{});
  EXPECT_FALSE(fs::exists(pdf));
}

TEST_F(SlicedBind, AStopTheUserAsksForEndsEveryGsOfTheSlicesAndLeavesNothingOfTheRun) {
  const fs::path finished = dir / "finished";
  Converter("sleep 30\ntouch '" + finished.string() + "'");  // each gs notes its start, then works for long
  ui.onYield = [&] {
    if (Started() == Slices()) form.frmSplash.stopRequested = true;
  };
  EXPECT_FALSE(CreatePdf(form, kBindPlain));
  EXPECT_EQ(form.BindFailure, "Bindningen avbröts.");
  ASSERT_EQ(Started(), Slices());
  for (const auto& entry : fs::directory_iterator(starts)) {
    const pid_t gs = static_cast<pid_t>(std::stol(entry.path().filename().string()));
    EXPECT_NE(::kill(gs, 0), 0) << "gs " << gs << " was reaped";
  }
  EXPECT_FALSE(fs::exists(finished)) << "every gs was ended";
  EXPECT_EQ(RunFolders(out, ".QuiremarkTmp"), std::vector<std::string>{});
  EXPECT_EQ(RunFolders(dir / "tmp", "QuiremarkTmp-"), std::vector<std::string>{});
  EXPECT_FALSE(fs::exists(pdf));
}

}  // namespace
}  // namespace quiremark::app
