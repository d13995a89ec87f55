// A bind run among other runs of the same user, and a bind whose output or
// surroundings are not what the user meant: the PDF reported as made is this
// run's, and no file the user had is lost.
#include <sys/fsuid.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <sched.h>
#include <unistd.h>

#include <condition_variable>
#include <mutex>
#include <thread>

#include "bind_run_fixture.h"
#include "browser/file_pane.h"
#include "engine/temp_ps_file.h"
#include "held_converter.h"
#include "platform/environment.h"
#include "platform/process.h"

namespace quiremark::app {
namespace {

using controls::MsgResult;

class BindSafety : public BindRunTest {
 protected:
  void SetUp() override {
    BindRunTest::SetUp();
    form.StatusBar.AddPane(browser::kNoticePane);
  }
  void NumberAll() {
    browser::FilePane pane = FilePaneOf(form);
    browser::NumberAll(pane);
  }
  // The text of a PDF's pages.
  static std::string PdfText(const std::filesystem::path& file) {
    return platform::RunAndCapture({"pdftotext", file.string(), "-"}).value_or("(unreadable)");
  }
  std::filesystem::path pdf = out / "Hus.pdf";
};

// What a co-worker with write access to the PDF's folder (and no other) can
// do while a converter works: put a link to a file of the user's where the
// converter is about to write. Where the converter's folder is closed to
// them, they move that folder away and put a folder of theirs with the link
// in its place.
void PutLinkInPlaceOf(const std::filesystem::path& output, const std::filesystem::path& victim) {
  namespace fs = std::filesystem;
  ::setfsgid(testing::kNobody);
  ::setfsuid(testing::kNobody);  // and with it the rights past file permissions go
  std::error_code ec;
  fs::remove(output, ec);
  fs::create_symlink(victim, output, ec);
  if (ec) {
    const fs::path folder = output.parent_path();
    const fs::path theirs = folder.parent_path() / "kollegans mapp";
    fs::rename(folder, folder.parent_path() / "undanflyttad", ec);
    fs::create_directory(theirs, ec);
    fs::create_symlink(victim, theirs / output.filename(), ec);
    fs::create_directory_symlink(theirs, folder, ec);
  }
  ::setfsuid(0);
  ::setfsgid(0);
}

TEST_F(BindSafety, ALinkPutWhereTheConverterWritesOverwritesNothing) {
  namespace fs = std::filesystem;
  Plot("A-01.plt", 1, "Plan");
  SelectDrawings();
  NumberAll();
  state.outFileArg = pdf.string();
  fs::permissions(out, fs::perms::all);  // a folder the whole office writes to
  const fs::path victim = dir / "anteckningar.txt";
  const fs::path made = dir / "made.pdf";
  testing::WriteFile(made, testing::PagesPdf(1));
  for (const settings::Converter converter : {settings::Converter::Ghostscript, settings::Converter::Distiller}) {
    const bool gs = converter == settings::Converter::Ghostscript;
    SCOPED_TRACE(gs ? "GhostScript" : "the converter command");
    testing::WriteFile(victim, "the user's own notes");
    testing::HeldConverter held(dir / (gs ? "gs" : "distill"), gs ? "gs" : "distill",
                                "cat '" + made.string() + "' > \"$out\"\n");
    state.converterSelector = converter;
    form.GhostscriptProgram = held.program().string();
    form.DistillerProgram = held.program().string();
    std::thread coworker([&] {
      if (held.WaitUntilInside()) PutLinkInPlaceOf(held.output(), victim);
      held.LetGo();
    });
    const bool madePdf = CreatePdf(form, kBindPlain);
    held.Release();
    coworker.join();
    EXPECT_EQ(testing::ReadFile(victim), "the user's own notes");
    EXPECT_TRUE(madePdf) << form.BindFailure;
    EXPECT_FALSE(fs::is_symlink(pdf));
    EXPECT_EQ(testing::ReadFile(pdf), testing::PagesPdf(1)) << "the PDF is what the converter made";
    for (const auto& entry : fs::directory_iterator(out)) fs::remove_all(entry.path());
  }
}

// A co-worker who may write the output folder and the temporary folder
// (without the sticky bit) cannot remove the user's own folders there, but
// can rename them to the names of runs' folders: the user's next bind,
// which removes what killed runs left, keeps them with what they hold.
TEST_F(BindSafety, AFolderRenamedToARunsNameIsNoRunsToRemove) {
  namespace fs = std::filesystem;
  Plot("A-01.plt", 1, "Plan");
  SelectDrawings();
  NumberAll();
  state.outFileArg = pdf.string();
  const fs::path renamed[] = {out / ".QuiremarkTmp-Ab12Cd", dir / "tmp" / "QuiremarkTmp-Zz9Yy8"};
  for (const fs::path& folder : renamed) {
    fs::create_directory(folder);
    testing::WriteFile(folder / "privat.txt", "the user's own");
    fs::permissions(folder, fs::perms::owner_all);
  }
  ASSERT_TRUE(CreatePdf(form, kBindPlain)) << form.BindFailure;
  for (const fs::path& folder : renamed) EXPECT_EQ(testing::ReadFile(folder / "privat.txt"), "the user's own");
}

// The PDF's name is a link to another user's file that anyone may write
// (or run as its owner): the link is replaced by the new PDF, which takes
// neither the file's rights nor its set-id bits, and the file stays as it was.
TEST_F(BindSafety, ALinkAtThePdfsNameLendsItNoRights) {
  namespace fs = std::filesystem;
  Plot("A-01.plt", 1, "Plan");
  SelectDrawings();
  NumberAll();
  state.outFileArg = pdf.string();
  const fs::path theirs = dir / "kollegans.pdf";
  for (const mode_t mode : {0666, 06777}) {
    SCOPED_TRACE(mode);
    testing::WriteFile(theirs, "%PDF-1.4 a co-worker's\n%%EOF\n");
    ASSERT_EQ(::chown(theirs.c_str(), testing::kNobody, testing::kNobody), 0);
    ASSERT_EQ(::chmod(theirs.c_str(), mode), 0);
    fs::remove(pdf);
    fs::create_symlink(theirs, pdf);
    ASSERT_TRUE(CreatePdf(form, kBindPlain)) << form.BindFailure;
    struct stat made{}, left{};
    ASSERT_EQ(::lstat(pdf.c_str(), &made), 0);
    EXPECT_TRUE(S_ISREG(made.st_mode));
    EXPECT_EQ(made.st_mode & (S_ISUID | S_ISGID | S_ISVTX | S_IWOTH), 0u) << std::oct << made.st_mode;
    ASSERT_EQ(::stat(theirs.c_str(), &left), 0);
    EXPECT_EQ(left.st_mode & 07777, mode);
    EXPECT_EQ(testing::ReadFile(theirs), "%PDF-1.4 a co-worker's\n%%EOF\n");
  }
}

// A cleaner of the temporary folder removes the lock file while a run holds
// it (its date never changes), and a second run binds another folder of as
// many pages meanwhile: each PDF holds its own folder's pages, and the
// temporary file is the record of the bind that ended last.
TEST_F(BindSafety, ARunWhoseLockFileIsRemovedStillConvertsOnlyWhatItWrote) {
  namespace fs = std::filesystem;
  Plot("A-01.plt", 2, "Hus A");
  SelectDrawings();
  NumberAll();
  state.outFileArg = pdf.string();
  const fs::path other = dir / "Annan";
  fs::create_directories(other);
  testing::WriteFile(other / "B-01.plt", testing::DriverPlotFile(2, "Hus B"));
  const fs::path otherPdf = out / "Annan.pdf";
  const std::optional<fs::path> gs = platform::FindOnPath("gs");
  ASSERT_TRUE(gs);
  // Only the first run's converter stops inside its work.
  testing::HeldConverter held(dir / "held", "gs", "exec '" + gs->string() + "' \"$@\"\n");
  const fs::path wrapper = dir / "held" / "first-gs";
  testing::WriteFile(wrapper, "#!/bin/sh\nif mkdir '" + (dir / "held" / "first").string() + "' 2>/dev/null; then exec '" +
                                  held.program().string() + "' \"$@\"; fi\nexec '" + gs->string() + "' \"$@\"\n");
  ::chmod(wrapper.c_str(), 0755);
  form.GhostscriptProgram = wrapper.string();

  // The other run is a fork of this process, which must not happen while the
  // run here allocates as it follows its gs: the forked child would find the
  // allocator's lock taken for good (the sanitizers' allocator has no fork
  // handling). The run here waits at a yield until the fork is made.
  std::mutex forking;
  std::condition_variable changed;
  bool waiting = false, forked = false;
  ui.onYield = [&] {
    if (forked || !fs::exists(dir / "held" / "first")) return;
    std::unique_lock lock(forking);
    waiting = true;
    changed.notify_all();
    changed.wait(lock, [&] { return forked; });
  };
  int otherRun = -1;
  std::thread cleanerAndOtherRun([&] {
    const auto forkMade = [&] {
      const std::lock_guard lock(forking);
      forked = true;
      changed.notify_all();
    };
    if (!held.WaitUntilInside()) return forkMade();
    fs::remove(dir / "tmp" / "QuiremarkTmp.ps.lock");
    std::unique_lock lock(forking);
    changed.wait(lock, [&] { return waiting; });
    lock.unlock();
    const pid_t child = ::fork();
    if (child == 0) {
      // A run of its own: nothing of this one's open files (their locks) goes with it.
      ::close_range(3, ~0U, 0);
      settings::AppState otherState;
      testing::ScriptedUi otherUi;
      MainForm second{otherState, otherUi};
      otherState.converterSelector = settings::Converter::Ghostscript;
      second.File1.SetPattern("*.plt");
      ConnectFileGrid(second, {});
      second.GhostscriptProgram = wrapper.string();
      second.Dir1.SetPath(other.string());
      browser::FilePane pane = FilePaneOf(second);
      browser::NumberAll(pane);
      otherState.outFileArg = otherPdf.string();
      ::_exit(CreatePdf(second, kBindPlain) ? 0 : 1);
    }
    forkMade();
    int status = 0;
    ::waitpid(child, &status, 0);
    otherRun = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    held.LetGo();
  });
  const bool made = CreatePdf(form, kBindPlain);
  held.Release();
  cleanerAndOtherRun.join();
  EXPECT_TRUE(made) << form.BindFailure;
  EXPECT_EQ(otherRun, 0);
  EXPECT_EQ(platform::RunAndCapture({"qpdf", "--show-npages", pdf.string()}), "2\n");
  EXPECT_EQ(platform::RunAndCapture({"qpdf", "--show-npages", otherPdf.string()}), "2\n");
  const std::string text = PdfText(pdf);
  EXPECT_TRUE(text.find("Hus A 2") != std::string::npos && text.find("Hus B") == std::string::npos) << text;
  const std::string otherText = PdfText(otherPdf);
  EXPECT_TRUE(otherText.find("Hus B 2") != std::string::npos && otherText.find("Hus A") == std::string::npos)
      << otherText;
  EXPECT_NE(TempPs().find("(Hus A 1) show"), std::string::npos) << "the record of the bind that ended last";
}

TEST_F(BindSafety, ARunWaitsForTheOneThatHoldsTheTemporaryFileAndConvertsOnlyWhatItWrote) {
  Plot("A-01.plt", 2, "Plan", "Plan");
  SelectDrawings();
  NumberAll();
  state.outFileArg = pdf.string();
  form.StatusBar.SetPaneText(browser::kNoticePane, "1 bokmärkesfil kunde inte läsas");

  // Another run holds the temporary file; when it is done, what it leaves
  // there is its own, and this run must write and convert its own.
  const std::filesystem::path psFile = engine::TempPsPath();
  std::optional<platform::FileUpdateLock> other = platform::FileUpdateLock::Take(psFile, 0600);
  ASSERT_TRUE(other);
  std::vector<std::string> notices;
  const auto keepCaptions = ui.onYield;
  ui.onYield = [&] {
    keepCaptions();
    notices.push_back(form.StatusBar.FindPane(browser::kNoticePane)->text);
    if (other && notices.size() == 3) {
      testing::WriteFile(psFile, testing::DriverPlotFile(5, "Annan mapp"));
      other.reset();
    }
  };
  ASSERT_TRUE(CreatePdf(form, kBindPlain));
  const std::string waiting =
      "Väntar på att en annan körning blir klar med den temporära filen " + psFile.string() + "...";
  EXPECT_EQ(notices.front(), waiting);
  EXPECT_TRUE(captions.front().starts_with(waiting)) << captions.front();
  EXPECT_EQ(form.StatusBar.FindPane(browser::kNoticePane)->text, "1 bokmärkesfil kunde inte läsas")
      << "the notice from before is back when the wait is over";
  EXPECT_EQ(platform::RunAndCapture({"qpdf", "--show-npages", pdf.string()}), "2\n");
  EXPECT_EQ(TempPs().find("Annan mapp"), std::string::npos);
}

TEST_F(BindSafety, AnOutputPathThatNamesAFolderIsRefusedAndTheFolderKept) {
  Plot("A-01.plt", 1, "Plan");
  SelectDrawings();
  NumberAll();
  std::filesystem::create_directories(pdf);  // an empty folder named Hus.pdf
  state.outFileArg = pdf.string();
  ui.ExpectBox("Utfilen " + pdf.string() + " är en mapp.\r\rIngen PDF skapades.", MsgResult::Ok, 16, "Fel");
  EXPECT_FALSE(CreatePdf(form, kBindPlain));
  EXPECT_TRUE(std::filesystem::is_directory(pdf));
  EXPECT_EQ(form.BindFailure, "Utfilen " + pdf.string() + " är en mapp.");
  EXPECT_EQ(ui.yields, 0) << "refused before any work";
}

TEST_F(BindSafety, AFailedConversionKeepsTheOlderPdfAndLeavesNothingHalfMade) {
  Plot("A-01.plt", 1, "Plan");
  testing::WriteFile(drawings / "A-02.plt", "%!PS\r\n/foo bar\r\nshowpage\r\n");
  SelectDrawings();
  NumberAll();
  const std::string older = "%PDF-1.4 last week's PDF\n%%EOF\n";
  testing::WriteFile(pdf, older);
  state.outFileArg = pdf.string();
  ui.ExpectBox("Ingen PDF skapades.\r\rPDF-filen fick 1 sida, men plotfilerna har 2 sidor. Sidorna tar slut efter "
               "plotfilen " + (drawings / "A-01.plt").string() + "; plotfilen " + (drawings / "A-02.plt").string() +
                   " och de efter den saknas.\r\rGhostScript avslutades med felkod 1. \"Error: /undefined in bar\" Felet finns i "
                   "plotfilen " + (drawings / "A-02.plt").string() + ".\r\r(Se loggfilen " +
                   (dir / "tmp" / "QuiremarkTmp.log").string() + ".)",
               MsgResult::Ok, 16, "GhostScript-fel");
  EXPECT_FALSE(CreatePdf(form, kBindPlain));
  EXPECT_EQ(testing::ReadFile(pdf), older);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(out), std::filesystem::directory_iterator()), 1);
  EXPECT_NE(form.BindFailure.find("\"Error: /undefined in bar\""), std::string::npos) << form.BindFailure;
}

// A run that cannot use the temporary folder or replace the PDF names the
// cause as the user knows it: the folder or the PDF.
TEST_F(BindSafety, AFailureNamesTheFolderOrThePdfItComesFrom) {
  namespace fs = std::filesystem;
  Plot("A-01.plt", 1, "Plan");
  SelectDrawings();
  NumberAll();
  state.outFileArg = pdf.string();
  const fs::path tmp = dir / "tmp";
  const std::string older = "%PDF-1.4 last week's PDF\n%%EOF\n";
  const struct {
    const char* what;
    std::function<void()> arrange;
    std::string why;
  } cases[] = {
      {"no temporary folder", [&] { fs::remove_all(tmp); }, "Den temporära mappen " + tmp.string() + " finns inte."},
      {"a temporary folder that takes no files",
       [&] {
         testing::WriteFile(tmp / "QuiremarkTmp.ps.lock", "");  // as any run before leaves it
         fs::permissions(tmp, fs::perms::owner_read | fs::perms::owner_exec);
       },
       "I den temporära mappen " + tmp.string() + " kan inga filer skapas: behörighet saknas."},
      {"a write-protected PDF",
       [&] {
         testing::WriteFile(pdf, older);
         fs::permissions(pdf, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
       },
       "PDF-filen " + pdf.string() + " är skrivskyddad."},
      {"another user's PDF, in a folder the user may write",
       [&] {
         fs::permissions(out, fs::perms::all);
         ASSERT_EQ(::chown(pdf.c_str(), testing::kNobody, testing::kNobody), 0);
         fs::permissions(pdf, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                                  fs::perms::others_read);
       },
       "PDF-filen " + pdf.string() + " är skrivskyddad."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    fs::create_directories(tmp);
    c.arrange();
    ui.ExpectBox(c.why + "\r\rIngen PDF skapades.", MsgResult::Ok, 16, "Fel");
    {
      const testing::PermissionsApply asAUser;
      EXPECT_FALSE(CreatePdf(form, kBindPlain));
    }
    EXPECT_EQ(form.BindFailure, c.why);
    std::error_code ec;
    fs::permissions(tmp, fs::perms::owner_all, ec);
  }
  EXPECT_EQ(testing::ReadFile(pdf), older);
}

// The temporary folder's disk fills up while the run writes (a sparse plot
// file of a few gigabytes does it on any disk): the run says the disk is
// full, and no part of its temporary file stays to fill the disk.
TEST_F(BindSafety, AFullDiskIsToldAndThePartWrittenGoes) {
  namespace fs = std::filesystem;
  testing::WriteFile(drawings / "A-01.plt", testing::DriverPlotFile(1) + "%" + std::string(1 << 20, 'x') + "\r\n");
  SelectDrawings();
  NumberAll();
  state.outFileArg = pdf.string();
  const fs::path tmp = dir / "tmp";
  const fs::path seen = dir / "seen.txt";
  const std::string why = "Den temporära filen " + (tmp / "QuiremarkTmp.ps").string() + " kunde inte skrivas: disken är full.";
  const int status = testing::RunInChildProcess([&] {
    // A disk of its own for the temporary folder, seen by this process only.
    if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        ::mount("tmpfs", tmp.c_str(), "tmpfs", 0, "size=256k") != 0) {
      return 77;
    }
    ui.ExpectBox(why + "\r\rIngen PDF skapades.", MsgResult::Ok, 16, "Fel");
    const bool made = CreatePdf(form, kBindPlain);
    std::string left;
    for (const auto& entry : fs::directory_iterator(tmp)) left += entry.path().filename().string() + "\n";
    testing::WriteFile(seen, form.BindFailure + "\n" + left);
    return made ? 1 : 0;
  });
  if (status == 77) GTEST_SKIP() << "no disk of its own can be mounted here";
  EXPECT_EQ(status, 0);
  EXPECT_EQ(testing::ReadFile(seen), why + "\nQuiremarkTmp.ps.lock\n");
}

// A drawing folder of PostScript files named *.ps, bound into a PDF of the
// same base name beside them: opening the PDF must not take the drawing.
TEST_F(BindSafety, OpeningThePdfKeepsTheDrawingItWasMadeFrom) {
  form.File1.SetPattern("*.ps");
  testing::WriteFile(drawings / "Plan.ps", testing::DriverPlotFile(1, "Plan"));
  SelectDrawings();
  NumberAll();
  settings::SaveRegSetting("chkOpenPdf", "1", "Options");
  const auto bin = dir / "bin";
  std::filesystem::create_directories(bin);
  testing::WriteFile(bin / "xdg-open", "#!/bin/sh\nexit 0\n");
  std::filesystem::permissions(bin / "xdg-open", std::filesystem::perms::owner_all);
  testing::ScopedEnv path("PATH", bin.string() + ":" + platform::GetEnv("PATH"));
  state.outFileArg = (drawings / "Plan.pdf").string();
  ASSERT_TRUE(CreatePdf(form, kBindPlain));
  EXPECT_TRUE(std::filesystem::exists(drawings / "Plan.ps"));
  EXPECT_EQ(state.lastPdfByProducts, std::vector<std::string>{});
}

}  // namespace
}  // namespace quiremark::app
