// From numbered grid rows to a PDF with the real gs, checked with qpdf and pdfinfo.
#include "bind_run_fixture.h"

#include "engine/json_lite.h"
#include "platform/process.h"

namespace quiremark::app {
namespace {

std::string Output(const std::vector<std::string>& arguments) {
  const auto output = platform::RunAndCapture(arguments);
  if (!output) throw std::runtime_error("failed: " + arguments.front());
  return *output;
}

// The value of one "Name: value" line of pdfinfo.
std::string InfoField(const std::string& info, const std::string& name) {
  const std::string key = "\n" + name + ":";
  std::size_t at = ("\n" + info).find(key);
  if (at == std::string::npos) return "(none)";
  at += key.size() - 1;
  const std::size_t end = info.find('\n', at);
  const std::string value = info.substr(at, end - at);
  return value.substr(value.find_first_not_of(' ') == std::string::npos ? value.size() : value.find_first_not_of(' '));
}

class BindRunEndToEnd : public BindRunTest {};

TEST_F(BindRunEndToEnd, NumberedRowsBecomeAPdfWithOutlineAndDocumentInformation) {
  Plot("A-10-1-01.plt", 1, "Plan", "Plan entr\xe9plan\r\n  v\xe5ning   1 \r\n\r\nej med\r\n");  // Windows-1252
  Plot("A-10-2-01.plt", 3, "Sektion", "Sektion A\xE2\x80\x93" "A (\xC3\xB6ver)\r\n");          // UTF-8
  Plot("A-10-3-01.plt", 1, "Fasad");
  Plot("A-10-4-01.plt", 1, "Detalj", "Detalj");
  testing::WriteFile(drawings / "QuiremarkTitle.txt", "Kv. \xc5sen \x96 bygglov\r\n");
  settings::SaveRegSetting("DocAuthor", "\xC3\x85sa \xC3\x96" "berg", "Options");
  settings::SaveRegSetting("DocSubject", "Bygglov \xC3\xA4ndring", "Options");
  settings::SaveRegSetting("DocKeywords", "", "Options");

  SelectDrawings();
  ASSERT_EQ(form.fgFiles.rows(), 5);
  EXPECT_EQ(form.fgFiles.TextMatrix(1, 2), "Plan entréplan   våning   1   ej med") << "the grid joins every line";
  Click(3);  // Fasad first
  form.SelectionStartRow = 0;
  form.fgFiles.SetMouseCell(2);
  form.fgFiles.RaiseMouseDown(controls::kLeftButton, 0, 0, 0);
  form.fgFiles.SetMouseCell(1);
  form.fgFiles.RaiseMouseUp(controls::kLeftButton, 0, 0, 0);  // dragged upwards over Sektion and Plan
  browser::FilePane pane = FilePaneOf(form);
  browser::NumberSelected(pane);
  ASSERT_EQ(Numbers(), (std::vector<std::string>{"2", "3", "1", ""}));

  const std::filesystem::path pdf = out / "Hus \xC3\x85sen.pdf";
  state.outFileArg = pdf.string();
  ASSERT_TRUE(CreatePdf(form, kBindPlain));
  ASSERT_TRUE(std::filesystem::exists(pdf));
  EXPECT_TRUE(platform::RunAndCapture({"qpdf", "--check", pdf.string()})) << "qpdf --check passes";
  EXPECT_EQ(Output({"qpdf", "--show-npages", pdf.string()}), "5\n");

  const testing::Json outlines = testing::Json::Parse(Output({"qpdf", "--json", "--json-key=outlines", pdf.string()}))["outlines"];
  ASSERT_EQ(outlines.items.size(), 3u);
  EXPECT_EQ(outlines[0]["title"].text, "A-10-3-01") << "no side file: the base name";
  EXPECT_EQ(outlines[0]["destpageposfrom1"].number, 1);
  EXPECT_EQ(outlines[1]["title"].text, "Plan entréplan våning 1");
  EXPECT_EQ(outlines[1]["destpageposfrom1"].number, 2);
  EXPECT_EQ(outlines[2]["title"].text, "Sektion A–A (över)");
  EXPECT_EQ(outlines[2]["destpageposfrom1"].number, 3);
  ASSERT_EQ(outlines[2]["kids"].items.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(outlines[2]["kids"][i]["title"].text, "(Sid. " + std::to_string(i + 1) + ")");
    EXPECT_EQ(outlines[2]["kids"][i]["destpageposfrom1"].number, 3 + i);
  }

  const std::string info = Output({"pdfinfo", "-enc", "UTF-8", pdf.string()});
  EXPECT_EQ(InfoField(info, "Title"), "Kv. Åsen – bygglov");
  EXPECT_EQ(InfoField(info, "Author"), "Åsa Öberg");
  EXPECT_EQ(InfoField(info, "Subject"), "Bygglov ändring");
  EXPECT_EQ(info.find("DocKeywords"), std::string::npos) << "empty keywords stay empty";
  EXPECT_EQ(InfoField(info, "Pages"), "5");

  // The pages carry the plot files' drawings in number order.
  const std::string text = Output({"pdftotext", "-layout", pdf.string(), "-"});
  const std::size_t fasad = text.find("Fasad 1"), plan = text.find("Plan 1"), sektion = text.find("Sektion 3");
  ASSERT_NE(fasad, std::string::npos);
  EXPECT_LT(fasad, plan);
  EXPECT_LT(plan, sektion);
  EXPECT_EQ(text.find("Detalj"), std::string::npos) << "an unnumbered row is not bound";
  EXPECT_EQ(state.lastPdfPath, pdf.string());
}

}  // namespace
}  // namespace quiremark::app
