// A bind run lists its drawing folder once for the side files, the title file
// and the Markdown file; what the user changes while the run waits for them
// still counts.
#include "app/bind_run_fixture.h"
#include "app/options_form.h"

namespace quiremark::app {
namespace {

TEST_F(BindRunTest, TitleFileMadeDuringTheMetadataPromptIsRead) {
  Plot("A-01.plt", 1, "Plan", "Plan\r\n");
  SelectDrawings();
  Click(1);
  settings::SaveRegSetting("chkMetadata", "1", "Options");
  OptionsForm::AttachView() = [&](OptionsForm& dialog) {
    dialog.onShowRequest = [&](bool) {
      testing::WriteFile(drawings / "quiremarktitle.txt", "Kv. Asken\r\n");
      dialog.cmdSaveChanges_Click();
    };
  };
  state.outFileArg = (out / "Hus.pdf").string();
  const bool made = CreatePdf(form, kBindPlain);
  OptionsForm::AttachView() = nullptr;
  ASSERT_TRUE(made);
  EXPECT_NE(TempPs().find("/Title (Kv. Asken) /Author"), std::string::npos);
}

TEST_F(BindRunTest, SideTitleAndMarkdownFilesFoundInOneListingIgnoringCase) {
  Plot("A-01.plt", 1, "Plan");
  Plot("A-02.plt", 1, "Sektion");
  testing::WriteFile(drawings / "a-01.TXT", "Plan 1\r\n");
  testing::WriteFile(drawings / "QUIREMARKTITLE.TXT", "Kv. Eken\r\n");
  testing::WriteFile(drawings / "hus.PDF.md", "# Hus\r\n");
  SelectDrawings();
  Click(1);
  Click(2);
  state.outFileArg = (out / "Hus.pdf").string();
  ASSERT_TRUE(CreatePdf(form, kBindPlain));
  const std::string ps = TempPs();
  EXPECT_NE(ps.find("/Title (Kv. Eken) /Author"), std::string::npos);
  EXPECT_NE(ps.find("[(Plan 1) ] QuiremarkFileEnd"), std::string::npos);
  EXPECT_NE(ps.find("[(A-02) ] QuiremarkFileEnd"), std::string::npos);
  EXPECT_EQ(testing::ReadFile(out / "Hus.pdf.md"), "# Hus\r\n");
}

}  // namespace
}  // namespace quiremark::app
