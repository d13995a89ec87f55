// Faults found by binding real folders: each case goes through the whole bind
// run with the real gs.
#include <sys/stat.h>
#include <unistd.h>

#include "app/options_form.h"
#include "bind_run_fixture.h"
#include "engine/json_lite.h"
#include "engine/pdfmark.h"
#include "engine/trailer_options.h"
#include "platform/process.h"

namespace quiremark::app {
namespace {

using controls::MsgResult;

ino_t Inode(const std::filesystem::path& file) {
  struct stat st {};
  return ::stat(file.c_str(), &st) == 0 ? st.st_ino : 0;
}

class BindRunFaults : public BindRunTest {
 protected:
  void NumberAll() {
    browser::FilePane pane = FilePaneOf(form);
    browser::NumberAll(pane);
  }
  std::filesystem::path pdf = out / "Hus.pdf";
};

TEST_F(BindRunFaults, PlotFileEndingInQuitLeavesNoPdfAndSaysWhichFile) {
  Plot("A-01.plt", 1, "Plan");
  testing::WriteFile(drawings / "A-02.plt", testing::DriverPlotFile(1, "Sektion") + "quit\r\n");
  Plot("A-03.plt", 1, "Fasad");
  SelectDrawings();
  NumberAll();
  state.outFileArg = pdf.string();
  ui.ExpectBox("Ingen PDF skapades.\r\rPDF-filen fick 2 sidor, men plotfilerna har 3 sidor. Sidorna tar slut efter "
               "plotfilen " + (drawings / "A-02.plt").string() + "; plotfilen " + (drawings / "A-03.plt").string() +
                   " och de efter den saknas.",
               MsgResult::Ok, 16, "GhostScript-fel");
  EXPECT_FALSE(CreatePdf(form, kBindPlain)) << "an unattended run ends with a failure";
  EXPECT_FALSE(std::filesystem::exists(pdf));
  EXPECT_EQ(state.lastPdfPath, "");
}

// A plot file cut short in a string after its page: the string swallows the
// plot files after it, and gs fails at the end without saying where. The
// plot file gs came to last is named as the one it failed in.
TEST_F(BindRunFaults, APlotFileCutShortInAStringIsNamedAsTheOneGsFailedIn) {
  Plot("R-01.plt", 1, "Plan");
  testing::WriteFile(drawings / "R-02.plt", testing::DriverPlotFile(1, "Sektion") + "(%%[LastPage");
  Plot("R-1.plt", 1, "Fasad");
  Plot("R-2.plt", 1, "Detalj");
  SelectDrawings();
  NumberAll();
  state.outFileArg = pdf.string();
  ui.ExpectBoxContaining("Felet finns i plotfilen " + (drawings / "R-02.plt").string() + ".", MsgResult::Ok);
  EXPECT_FALSE(CreatePdf(form, kBindPlain));
  EXPECT_EQ(form.BindFailure.find("Felet finns i plotfilen " + (drawings / "R-1.plt").string()), std::string::npos)
      << form.BindFailure;
  EXPECT_FALSE(std::filesystem::exists(pdf));
}

TEST_F(BindRunFaults, EmbeddedEpsPageCommentIsNoPageOfItsPlotFile) {
  // Page comments alone, and an EPS drawing placed on the first page with a
  // page comment of its own.
  const std::string eps = "%%BeginDocument: logo.eps\r\n%!PS-Adobe-3.0 EPSF-3.0\r\n%%BoundingBox: 0 0 100 100\r\n"
                          "%%Pages: 1\r\n%%Page: 1 1\r\nnewpath 0 0 moveto 100 100 lineto stroke\r\nshowpage\r\n"
                          "%%EOF\r\n%%EndDocument\r\n";
  const std::string plot = "%!PS-Adobe-3.0\r\n%%Pages: 2\r\n%%EndComments\r\n%%Page: 1 1\r\n"
                           "/saved save def /showpage {} def\r\n" + eps + "saved restore\r\n"
                           "/Helvetica findfont 24 scalefont setfont 72 700 moveto (Logo 1) show\r\nshowpage\r\n"
                           "%%Page: 2 2\r\n72 700 moveto (Logo 2) show\r\nshowpage\r\n%%EOF\r\n";
  Plot("A-01.plt", 1, "Plan");
  testing::WriteFile(drawings / "A-02.plt", plot);
  Plot("A-03.plt", 1, "Fasad");
  SelectDrawings();
  NumberAll();
  state.outFileArg = pdf.string();
  ASSERT_TRUE(CreatePdf(form, kBindPlain));
  EXPECT_EQ(*platform::RunAndCapture({"qpdf", "--show-npages", pdf.string()}), "4\n");
}

TEST_F(BindRunFaults, ADosEpsFileCutShortFailsTheRunByName) {
  Plot("A-01.plt", 1, "Plan");
  // The header gives 400 bytes of PostScript from byte 30 on; the file ends before.
  testing::WriteFile(drawings / "A-02.plt", std::string("\xC5\xD0\xD3\xC6\x1E\0\0\0\x90\x01\0\0", 12) +
                                                std::string(16, '\0') + "\xFF\xFF%!PS-Adobe-3.0 EPSF-3.0\r\n");
  SelectDrawings();
  NumberAll();
  state.outFileArg = pdf.string();
  ui.ExpectBox("Plotfilen " + (drawings / "A-02.plt").string() +
                   " är en EPS-fil med förhandsbild (DOS EPS) vars huvud inte stämmer med filen: PostScript-delen ska "
                   "ligga på byte 30 till 430, men filen har 55 byte.\r\rIngen PDF skapades.",
               MsgResult::Ok, 16, "Fel");
  EXPECT_FALSE(CreatePdf(form, kBindPlain));
  EXPECT_FALSE(std::filesystem::exists(pdf));
}

TEST_F(BindRunFaults, RelativeTemporaryFolderStillBinds) {
  Plot("A-01.plt", 1, "Plan");
  SelectDrawings();
  NumberAll();
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  testing::ScopedEnv relative{"Temp", "tmp"};
  state.outFileArg = pdf.string();
  const bool made = CreatePdf(form, kBindPlain);
  std::filesystem::current_path(before);
  EXPECT_TRUE(made);
  EXPECT_TRUE(std::filesystem::exists(pdf));
  EXPECT_TRUE(std::filesystem::exists(dir / "tmp" / "QuiremarkTmp.log")) << "gs wrote its log where it was asked";
}

TEST_F(BindRunFaults, SideFileGoneDuringTheRunIsTheFileNamed) {
  Plot("A-01.plt", 1, "Plan", "Plan\r\n");
  Plot("A-02.plt", 1, "Fasad", "Fasad\r\n");
  SelectDrawings();
  NumberAll();
  state.outFileArg = pdf.string();
  ui.onYield = [&] {
    if (ui.yields == 2) std::filesystem::remove(drawings / "A-02.txt");  // after the folder's side files were listed
  };
  ui.ExpectBox("Filen " + (drawings / "A-02.txt").string() +
                   " saknas eller kan inte läsas (filen finns inte).\r\rIngen PDF skapades.",
               MsgResult::Ok, 16, "Fel");
  EXPECT_FALSE(CreatePdf(form, kBindPlain));
}

// The title file is read after the plot files; one that cannot be read
// fails the bind as a plot file's side file does, and is named.
TEST_F(BindRunFaults, AnUnreadableTitleFileIsTheFileNamed) {
  Plot("A-01.plt", 1, "Plan");
  const std::filesystem::path title = drawings / "QuiremarkTitle.txt";
  testing::WriteFile(title, "Kv Björken\r\n");
  ::chmod(title.c_str(), 0);
  SelectDrawings();
  NumberAll();
  state.outFileArg = pdf.string();
  ui.ExpectBox("Filen " + title.string() + " saknas eller kan inte läsas (behörighet saknas).\r\rIngen PDF skapades.",
               MsgResult::Ok, 16, "Fel");
  const testing::PermissionsApply asAUser;
  EXPECT_FALSE(CreatePdf(form, kBindPlain));
  EXPECT_FALSE(std::filesystem::exists(pdf));
}

TEST_F(BindRunFaults, Windows1252FileNamesShowDecodedAndStillBind) {
  testing::WriteFile(drawings / "R\xF6" "d-01.plt", testing::DriverPlotFile(1, "Rod"));  // Latin-1 "Röd-01.plt"
  Plot("Gr\xC3\xB6n-02.plt", 1, "Gron");                                                  // UTF-8 "Grön-02.plt"
  SelectDrawings();
  ASSERT_EQ(form.fgFiles.rows(), 3);
  EXPECT_EQ(form.fgFiles.TextMatrix(1, browser::kColFileName), "Grön-02.plt");
  EXPECT_EQ(form.fgFiles.TextMatrix(2, browser::kColFileName), "Röd-01.plt");
  EXPECT_EQ(form.fgFiles.TextMatrix(2, browser::kColBookmark), "Röd-01") << "no side file: the base name, decoded";
  NumberAll();
  state.outFileArg = pdf.string();
  ASSERT_TRUE(CreatePdf(form, kBindPlain));
  const auto outlines = testing::Json::Parse(
      *platform::RunAndCapture({"qpdf", "--json", "--json-key=outlines", pdf.string()}))["outlines"];
  ASSERT_EQ(outlines.items.size(), 2u);
  EXPECT_EQ(outlines[0]["title"].text, "Grön-02");
  EXPECT_EQ(outlines[1]["title"].text, "Röd-01");
  EXPECT_NE(TempPs().find("(Rod 1) show"), std::string::npos) << "the Latin-1 file was bound";
}

TEST_F(BindRunFaults, RunWritesTheHiveOnceAndLooksTheConverterUpOnce) {
  Plot("A-01.plt", 1, "Plan");
  SelectDrawings();
  NumberAll();
  state.outFileArg = pdf.string();
  const std::filesystem::path hive = dir / "reg" / "HKEY_CURRENT_USER.reg";
  const ino_t before = Inode(hive);
  bool changedWhileWriting = false;
  ui.onYield = [&] {
    // While the plot files are written; the window goes on yielding while gs converts, after the write.
    if (form.frmSplash.progressText().starts_with("Bearbetar "))
      changedWhileWriting = changedWhileWriting || Inode(hive) != before;
  };
  ASSERT_TRUE(CreatePdf(form, kBindPlain));
  EXPECT_FALSE(changedWhileWriting) << "the history and first-run options wait for the one write";
  EXPECT_NE(Inode(hive), before);
  EXPECT_EQ(settings::GetRegSetting("cboShow", "!", "Options"), "1") << "first-run options stored";
  EXPECT_EQ(settings::GetRegSetting("chkDistiller", "!", "Options"), "1");
  EXPECT_EQ(settings::RegEnumValueAt(settings::Hive::CurrentUser, settings::ProgramKeyPath() + "\\Previous", 0).data,
            drawings.string());

  // The gs the first run found serves the next one without another search.
  ASSERT_FALSE(form.GhostscriptProgram.empty());
  testing::ScopedEnv path{"PATH", (dir / "empty").string()};
  EXPECT_TRUE(CreatePdf(form, kBindPlain));
}

TEST(OptionsAndPdf, AStoredIndexOutsideItsListGivesThePdfWhatTheDialogShows) {
  testing::TempDir dir;
  testing::ScopedEnv registry{"QUIREMARK_REGISTRY", (dir / "reg").string()};
  settings::AppState state;
  testing::ScriptedUi ui;
  for (const char* stored : {"5", "3", "-1", "x", "1"}) {
    for (const char* name : {"cboShow", "cboLayout", "cboZoom"}) settings::SaveRegSetting(name, stored, "Options");
    OptionsForm options(state, ui);
    options.LoadOptions();
    const engine::CatalogChoices shown{std::to_string(options.cboShow.listIndex()),
                                       std::to_string(options.cboLayout.listIndex()),
                                       std::to_string(options.cboZoom.listIndex())};
    EXPECT_EQ(engine::CatalogLines(engine::ReadCatalogChoices()), engine::CatalogLines(shown)) << "stored " << stored;
  }
  settings::SaveRegSetting("cboShow", "5", "Options");
  OptionsForm options(state, ui);
  options.LoadOptions();
  EXPECT_EQ(options.cboShow.text(), "Sida och miniatyrer");
  EXPECT_EQ(engine::CatalogLines(engine::ReadCatalogChoices())[1], "[ {Catalog} << /PageMode /UseThumbs >> /PUT pdfmark");
}

}  // namespace
}  // namespace quiremark::app
