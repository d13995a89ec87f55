// A bind run among other runs of the same user, and a bind whose output or
// surroundings are not what the user meant: the PDF reported as made is this
// run's, and no file the user had is lost.
#include "bind_run_fixture.h"

#include <thread>

#include "browser/file_pane.h"
#include "engine/temp_ps_file.h"
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
  std::filesystem::path pdf = out / "Hus.pdf";
};

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
                   " och de efter den saknas.\r\rGhostScript avslutades med felkod 1. \"Error: /undefined in bar\"\r\r(Se loggfilen " +
                   (dir / "tmp" / "QuiremarkTmp.log").string() + ".)",
               MsgResult::Ok, 16, "GhostScript-fel");
  EXPECT_FALSE(CreatePdf(form, kBindPlain));
  EXPECT_EQ(testing::ReadFile(pdf), older);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(out), std::filesystem::directory_iterator()), 1);
  EXPECT_NE(form.BindFailure.find("\"Error: /undefined in bar\""), std::string::npos) << form.BindFailure;
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
