// A scanned drawing tree bound to a PDF with the real gs, its outline read back with qpdf.
#include "app/main_commands.h"
#include "bind_run_fixture.h"
#include "engine/json_lite.h"
#include "platform/process.h"

namespace quiremark::app {
namespace {

namespace fs = std::filesystem;

class TreeScanEndToEnd : public BindRunTest {
 protected:
  void PlotIn(const fs::path& folder, const std::string& name, int pages, const std::string& bookmark = "") {
    fs::create_directories(folder);
    testing::WriteFile(folder / name, testing::DriverPlotFile(pages, browser::BaseName(name)));
    if (!bookmark.empty()) testing::WriteFile(folder / (browser::BaseName(name) + ".txt"), bookmark);
  }
};

TEST_F(TreeScanEndToEnd, TheOutlineNestsByFolderWithCountsPagesAndSwedishTitles) {
  const fs::path east = drawings / "Fasader åt öster";
  PlotIn(drawings, "A-01.plt", 1, "Situationsplan (A)\r\n");
  PlotIn(drawings, "A-02.plt", 3, "Plan 1–3 våning\r\n");                     // UTF-8
  PlotIn(east, "F-01.plt", 1, "Fasad \xF6ster (mot g\xE5rden)");  // Windows-1252
  PlotIn(east / "Detaljer", "D-01.plt", 2);
  fs::create_directories(drawings / "Tom");
  form.Dir1.SetPath(drawings.string());
  ASSERT_TRUE(ScanFolderTree(form));

  const fs::path pdf = out / "Ritningar.pdf";
  state.outFileArg = pdf.string();
  ASSERT_TRUE(CreatePdf(form, kBindPlain));
  // Every entry went with its plot file: the folder groups in front of it,
  // its own after it.
  const std::string ps = TempPs();
  EXPECT_TRUE(ps.ends_with("% BOOKMARKS\r\n%%EOF\r\n"));
  EXPECT_NE(ps.find("[/Count -1  /Title (Detaljer) /OUT pdfmark\r\n4 2 false false QuiremarkFileBegin"), std::string::npos);
  EXPECT_NE(ps.find("[(D-01) (\\(Sid. 1\\)) (\\(Sid. 2\\)) ] QuiremarkFileEnd"), std::string::npos);
  const auto npages = platform::RunAndCapture({"qpdf", "--show-npages", pdf.string()});
  ASSERT_TRUE(npages);
  EXPECT_EQ(*npages, "7\n");

  const auto json = platform::RunAndCapture({"qpdf", "--json", "--json-key=outlines", pdf.string()});
  ASSERT_TRUE(json);
  const testing::Json outlines = testing::Json::Parse(*json)["outlines"];
  const auto expect = [](const testing::Json& item, const std::string& title, int page, std::size_t kids) {
    EXPECT_EQ(item["title"].text, title);
    EXPECT_EQ(item["destpageposfrom1"].number, page) << title;
    EXPECT_EQ(item["kids"].items.size(), kids) << title;
  };
  ASSERT_EQ(outlines.items.size(), 3u);
  expect(outlines[0], "Situationsplan (A)", 1, 0);
  expect(outlines[1], "Plan 1–3 våning", 2, 3);
  for (int i = 0; i < 3; ++i) expect(outlines[1]["kids"][i], "(Sid. " + std::to_string(i + 1) + ")", 2 + i, 0);
  const testing::Json& group = outlines[2];
  expect(group, "Fasader åt öster", 5, 2);
  expect(group["kids"][0], "Fasad öster (mot gården)", 5, 0);
  expect(group["kids"][1], "Detaljer", 6, 1);
  expect(group["kids"][1]["kids"][0], "D-01", 6, 2);
  expect(group["kids"][1]["kids"][0]["kids"][1], "(Sid. 2)", 7, 0);

  // The pages are the plot files in the scan's order.
  const auto text = platform::RunAndCapture({"pdftotext", "-layout", pdf.string(), "-"});
  ASSERT_TRUE(text);
  std::size_t at = 0;
  for (const char* page : {"A-01 1", "A-02 1", "A-02 3", "F-01 1", "D-01 1", "D-01 2"}) {
    const std::size_t found = text->find(page, at);
    ASSERT_NE(found, std::string::npos) << page;
    at = found;
  }
}

TEST_F(TreeScanEndToEnd, NumbersClearedAfterAScanAndGivenAgainBindWithAnOutline) {
  PlotIn(drawings, "A-01.plt", 1, "Plan");
  PlotIn(drawings / "Sub", "B-01.plt", 1, "Sektion");
  form.Dir1.SetPath(drawings.string());
  ASSERT_TRUE(ScanFolderTree(form));
  browser::FilePane pane = FilePaneOf(form);
  browser::UnnumberAll(pane);  // the scan's outline goes with its numbers
  browser::NumberAll(pane);
  state.outFileArg = (out / "Omnumrerad.pdf").string();
  ASSERT_TRUE(CreatePdf(form, kBindPlain));
  const std::string ps = TempPs();
  EXPECT_NE(ps.find("[(Plan) ] QuiremarkFileEnd"), std::string::npos) << ps.substr(ps.find("% BOOKMARKS"));
  EXPECT_NE(ps.find("[(Sektion) ] QuiremarkFileEnd"), std::string::npos);
}

// A plot file written again between the scan and the bind (a drawing
// plotted anew with more sheets): the outline points at the pages the PDF
// gets, for that file and every one after it, in this bind and the next.
TEST_F(TreeScanEndToEnd, APlotFileChangedAfterTheScanGetsTheOutlineOfWhatIsBound) {
  PlotIn(drawings, "A-01.plt", 1, "Plan");
  PlotIn(drawings, "A-02.plt", 1, "Sektion");
  PlotIn(drawings / "Sub", "B-01.plt", 2, "Fasad");
  form.Dir1.SetPath(drawings.string());
  ASSERT_TRUE(ScanFolderTree(form));
  const fs::path pdf = out / "Ritningar.pdf";
  state.outFileArg = pdf.string();
  const struct {
    int sectionPages;
    std::vector<std::string> outline;
  } binds[] = {
      {3, {"Plan p.1", "Sektion p.2", "  (Sid. 1) p.2", "  (Sid. 2) p.3", "  (Sid. 3) p.4", "Sub p.5", "  Fasad p.5",
           "    (Sid. 1) p.5", "    (Sid. 2) p.6"}},
      {1, {"Plan p.1", "Sektion p.2", "Sub p.3", "  Fasad p.3", "    (Sid. 1) p.3", "    (Sid. 2) p.4"}},
  };
  for (const auto& bind : binds) {
    PlotIn(drawings, "A-02.plt", bind.sectionPages);
    ASSERT_TRUE(CreatePdf(form, kBindPlain)) << form.BindFailure;
    const auto json = platform::RunAndCapture({"qpdf", "--json", "--json-key=outlines", pdf.string()});
    ASSERT_TRUE(json);
    std::vector<std::string> lines;
    const std::function<void(const testing::Json&, const std::string&)> flatten = [&](const testing::Json& items,
                                                                                      const std::string& indent) {
      for (const testing::Json& item : items.items) {
        lines.push_back(indent + item["title"].text + " p." +
                        std::to_string(static_cast<int>(item["destpageposfrom1"].number)));
        flatten(item["kids"], indent + "  ");
      }
    };
    flatten(testing::Json::Parse(*json)["outlines"], "");
    EXPECT_EQ(lines, bind.outline) << bind.sectionPages << " pages";
  }
}

}  // namespace
}  // namespace quiremark::app
