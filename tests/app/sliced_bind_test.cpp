// A bind large enough to be converted in slices, each by its own gs at once:
// a slice that fails fails the bind, naming its plot file, and a stop signal
// ends every gs.
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <random>
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
  size_t Slices() const { return 4; }

  static std::vector<std::string> RunFolders(const fs::path& folder, const std::string& prefix) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
      if (entry.path().filename().string().starts_with(prefix)) names.push_back(entry.path().filename().string());
    }
    return names;
  }

  // Four slices on any machine, a plot file each.
  testing::ScopedEnv slices_{"QUIREMARK_SLICES", "4"};
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

// For a child process: `folder` becomes a disk of its own of `size` ("1m"),
// seen by this process only; false where none can be mounted.
bool MountDisk(const fs::path& folder, const char* size) {
  return ::unshare(CLONE_NEWNS) == 0 && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
         ::mount("tmpfs", folder.c_str(), "tmpfs", 0, (std::string("size=") + size).c_str()) == 0;
}

// Fills the disk of `file`'s folder with it.
void FillDisk(const fs::path& file) {
  const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  const std::string block(1 << 16, 'x');
  while (fd >= 0 && ::write(fd, block.data(), block.size()) > 0) {
  }
  ::close(fd);
}

std::string SortedNames(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  std::string text;
  for (const std::string& name : names) text += name + " ";
  return text;
}

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

// A slice's gs that fails for a cause outside the plot files, which the
// user should know as such: the temporary folder's disk filled up (by
// another program) while the slices ran, or the system killed gs (as it
// does when the memory runs out). No plot file is blamed.
TEST_F(SlicedBind, AFailureFromOutsideThePlotFilesIsToldAsItsCause) {
  const fs::path tmp = dir / "tmp";
  const struct {
    const char* name;
    std::string converter;
    bool ownDisk;  // the temporary folder on a disk of its own, filled by the converter
    std::string says;
  } cases[] = {
      {"the temporary folder fills up", "cat /dev/zero > \"$Temp/fyllnad\" 2>/dev/null\nexec gs \"$@\"", true,
       "Disken där den temporära mappen " + tmp.string() + " finns är full."},
      {"gs killed by the system", "for a; do last=$a; done\ngrep -q 'Plan 3' \"$last\" && kill -9 $$\nexec gs \"$@\"",
       false, "GhostScript avbröts av signalen 9 (processen dödades). Minnet kan ha tagit slut."},
  };
  for (int k = 1; k <= 4; ++k) {  // small: the temporary folder's disk needs little room besides the slices'
    const std::string n = std::to_string(k);
    testing::WriteFile(drawings / ("A-0" + n + ".plt"), testing::DriverPlotFile(1, "Plan " + n));
  }
  const fs::path seen = dir / "seen.txt";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Converter(c.converter);
    const int status = testing::RunInChildProcess([&] {
      if (c.ownDisk && !MountDisk(tmp, "70m")) return 77;
      ui.ExpectBoxContaining("Ingen PDF skapades.", controls::MsgResult::Ok);
      const bool made = CreatePdf(form, kBindPlain);
      testing::WriteFile(seen, form.BindFailure);
      return made ? 1 : 0;
    });
    if (status == 77) GTEST_SKIP() << "no disk of its own can be mounted here";
    EXPECT_EQ(status, 0);
    const std::string failure = testing::ReadFile(seen);
    EXPECT_TRUE(failure.starts_with(c.says)) << failure;
    EXPECT_EQ(failure.find("Felet finns i"), std::string::npos) << failure;
    EXPECT_FALSE(fs::exists(pdf));
  }
}

// The output folder's disk has room for half the joined PDF, or none from
// the start: the join fails as one gs fails, saying that the disk is full,
// and the PDF made before stays as it was.
TEST_F(SlicedBind, AFullOutputDiskFailsTheJoinAndKeepsThePdfMadeBefore) {
  // Pages of text that packs badly: a joined PDF of many disk pages.
  std::mt19937 random(31);
  for (int k = 1; k <= 4; ++k) {
    std::string text;
    for (int c = 0; c < 8000; ++c) text += static_cast<char>('a' + random() % 26);
    testing::WriteFile(drawings / ("A-0" + std::to_string(k) + ".plt"), testing::DriverPlotFile(1, text));
  }
  Converter("exec gs \"$@\"");
  ASSERT_TRUE(CreatePdf(form, kBindPlain)) << form.BindFailure;
  const uintmax_t size = fs::file_size(pdf);
  ASSERT_GT(size, 8192u) << "more than the pages of a disk that fits half of it";
  const std::string older = "%PDF-1.4 last week's PDF\n%%EOF\n";
  const fs::path seen = dir / "seen.txt";
  for (const bool nearlyFull : {true, false}) {
    SCOPED_TRACE(nearlyFull ? "nearly full" : "full from the start");
    const int status = testing::RunInChildProcess([&] {
      if (!MountDisk(out, "1m")) return 77;
      testing::WriteFile(pdf, older);
      testing::WriteFile(out / "lucka", std::string(size / 2, 'x'));
      FillDisk(out / "fyllnad");
      if (nearlyFull) fs::remove(out / "lucka");
      ui.ExpectBoxContaining("Ingen PDF skapades.", controls::MsgResult::Ok);
      const bool made = CreatePdf(form, kBindPlain);
      testing::WriteFile(seen, form.BindFailure + "\n" + testing::ReadFile(pdf) + SortedNames(out));
      return made ? 1 : 0;
    });
    if (status == 77) GTEST_SKIP() << "no disk of its own can be mounted here";
    EXPECT_EQ(status, 0);
    const std::string after = testing::ReadFile(seen);
    EXPECT_TRUE(after.starts_with("Disken där PDF-filen skulle sparas är full.")) << after;
    EXPECT_TRUE(after.ends_with("\n" + older + "Hus.pdf fyllnad " + (nearlyFull ? "" : "lucka "))) << after;
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
