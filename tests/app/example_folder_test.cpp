// The example folder shipped with the program binds into a PDF.
#include "bind_run_fixture.h"

#include "platform/process.h"

namespace quiremark::app {
namespace {

class ExampleFolder : public BindRunTest {};

TEST_F(ExampleFolder, AllRowsNumberedBindIntoOnePdf) {
  const std::filesystem::path example = QUIREMARK_SOURCE_DIR "/example/A-40";
  drawings = example;
  form.Dir1.SetPath(example.string());
  ASSERT_EQ(form.fgFiles.rows(), 4) << "header and three plot files";
  EXPECT_EQ(form.fgFiles.TextMatrix(3, 2), "Fasad mot norr – rev B");

  browser::FilePane pane = FilePaneOf(form);
  browser::NumberAll(pane);
  const std::filesystem::path pdf = out / "A-40.pdf";
  state.outFileArg = pdf.string();
  ASSERT_TRUE(CreatePdf(form, kBindPlain));

  const auto pages = platform::RunAndCapture({"qpdf", "--show-npages", pdf.string()});
  ASSERT_TRUE(pages);
  EXPECT_EQ(*pages, "4\n");
  const auto info = platform::RunAndCapture({"pdfinfo", "-enc", "UTF-8", pdf.string()});
  ASSERT_TRUE(info);
  EXPECT_NE(info->find("Kv. Björken, hus A"), std::string::npos) << *info;
  EXPECT_FALSE(std::filesystem::exists(example / "A-40.pdf")) << "nothing is written into the example";
}

}  // namespace
}  // namespace quiremark::app
