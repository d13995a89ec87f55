// A bind cut into slices, each converted by its own gs and joined through
// qpdf, against one gs run of the same temporary file.
#include "engine/bind_slices.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "engine/conversion.h"
#include "engine/sliced_conversion.h"
#include "engine/plot_files.h"
#include "platform/process.h"
#include "support/pdf_description.h"
#include "support/scripted_ui.h"
#include "support/test_support.h"

namespace qe = quiremark::engine;
namespace qp = quiremark::platform;
namespace qt = quiremark::testing;
namespace fs = std::filesystem;

namespace {

class BindSlices : public ::testing::Test {
 protected:
  qt::TempDir dir;
  qt::ScopedEnv registry{"QUIREMARK_REGISTRY", (dir.path() / "reg").string()};
  qt::ScopedEnv temp{"Temp", dir.path().string()};
  qt::ScopedEnv dates{"SOURCE_DATE_EPOCH", "1796000000"};  // gs's own dates the same in every run
  quiremark::settings::AppState state = [] {
    quiremark::settings::AppState s;
    s.converterSelector = quiremark::settings::Converter::Ghostscript;
    return s;
  }();
  qt::ScriptedUi ui;
  qe::SplashForm splash;
};

}  // namespace

TEST(PlanSlices, CutBetweenFilesByBytesEachWithOneFileAtLeast) {
  const auto files = [](std::vector<uint64_t> sizes, std::vector<int> pages = {}) {
    std::vector<qe::BoundFile> bound;
    uint64_t at = 10;
    for (size_t k = 0; k < sizes.size(); ++k) {
      bound.push_back({"f" + std::to_string(k), pages.empty() ? 1 : pages[k], 0, false, true, false, at, at + sizes[k]});
      at += sizes[k];
    }
    return bound;
  };
  const auto cuts = [](const std::vector<qe::BindSlice>& slices) {
    std::vector<size_t> ends;
    for (const auto& slice : slices) ends.push_back(slice.endFile);
    return ends;
  };
  struct Case {
    std::vector<uint64_t> sizes;
    size_t count;
    std::vector<size_t> ends;
  } cases[] = {
      {{100, 100, 100, 100}, 2, {2, 4}},
      {{100, 100, 100, 100}, 8, {1, 2, 3, 4}},      // no more slices than files
      {{1000, 1, 1, 1, 1}, 2, {1, 5}},              // a heavy file alone
      {{1, 1, 1, 1, 1000}, 3, {3, 4, 5}},           // the last slices keep a file each
      {{10, 10, 10, 10, 10, 10, 10, 10, 10}, 3, {3, 6, 9}},
      {{5}, 4, {1}},
  };
  for (const Case& c : cases) {
    const auto slices = qe::PlanSlices(files(c.sizes), c.count);
    EXPECT_EQ(cuts(slices), c.ends) << c.sizes.size() << " files in " << c.count;
  }
  const auto slices = qe::PlanSlices(files({100, 100, 100}, {2, 3, 1}), 3);
  ASSERT_EQ(slices.size(), 3u);
  EXPECT_EQ(slices[2].pagesBefore, 5);
  EXPECT_EQ(slices[1].bytes, 100u);
  EXPECT_TRUE(qe::PlanSlices({}, 4).empty());
}

// A tree scan's outline, with folder groups that the cuts split, files of
// several pages, page sizes set and not set, and an EPS that never shows
// its page: converted in one run and in 2, 3 and 6 slices, the PDFs agree in
// everything a reader sees.
TEST_F(BindSlices, ConvertedInSlicesTheBindIsTheOneRunsPdf) {
  const auto plot = [&](const std::string& name, const std::string& bytes) {
    qt::WriteFile(dir / name, bytes);
    return (dir / name).string();
  };
  const std::string a1 = "%!PS\r\n<< /PageSize [1684 2384] >> setpagedevice\r\n/Helvetica findfont 40 scalefont setfont "
                         "100 100 moveto (A1) show showpage\r\n";
  const std::string eps = "%!PS-Adobe-3.0 EPSF-3.0\r\n%%BoundingBox: 0 0 200 200\r\n0 0 moveto 200 200 lineto stroke\r\n";
  const std::vector<std::pair<std::string, std::string>> files = {
      {"Plan", plot("a.plt", qt::DriverPlotFile(1, "Plan"))},   {"Sektion", plot("b.plt", qt::DriverPlotFile(3, "Sektion"))},
      {"A1", plot("c.plt", a1)},                                {"Eps", plot("d.eps", eps)},
      {"Fasad", plot("e.plt", qt::DriverPlotFile(2, "Fasad"))}, {"Sist", plot("f.plt", qt::DriverPlotFile(1, "Sist"))}};

  std::map<size_t, std::string> pdfs;
  for (size_t count : {1, 2, 3, 6}) {
    SCOPED_TRACE(std::to_string(count) + " slices");
    qe::OutlineState outline;
    outline.AddGroupEntry(3, "Arkitekt å");
    for (size_t k = 0; k < files.size(); ++k) {
      if (k == 3) outline.AddGroupEntry(2, "Konstruktion – K");
      outline.AddUncountedFile(files[k].first, files[k].second);
    }
    std::string failure;
    std::optional<qe::RunFiles> run = qe::RunFiles::Create(failure);
    ASSERT_TRUE(run) << failure;
    qe::TempPsFile temp(run->ps());
    for (const auto& file : files) temp.AppendPlotFile(file.second, &outline, true);
    temp.Finish({"Titel", "anna", "Ämne", "Ord", "D:20261208140000+00'00'", {}}, {}, outline);
    const fs::path pdf = dir / ("bind-" + std::to_string(count) + ".pdf");
    std::optional<qe::PendingPdf> target = qe::PendingPdf::Create(pdf, failure);
    ASSERT_TRUE(target) << failure;
    run->NoteWritten();
    if (count == 1) {
      const qe::ConversionResult result = qe::ConvertToPdf(state, {}, *run, *target, temp.files(), ui, splash);
      ASSERT_TRUE(result.pdfMade) << result.failure;
    } else {
      const qe::SlicedConversion sliced =
          qe::ConvertInSlices(qp::FindOnPath("gs").value(), temp, count, *run, *target, ui, splash, {});
      ASSERT_TRUE(sliced.ran);
      ASSERT_EQ(sliced.failure, "");
      EXPECT_EQ(sliced.pages.count, 9);
      EXPECT_EQ(sliced.pages.fileStarts, (std::vector<int>{1, 2, 5, 6, 7, 9})) << "as each slice's PDF shows it";
      EXPECT_EQ(splash.value(), 100);
      ASSERT_TRUE(target->Commit(failure)) << failure;
      // Of the slices only gs's messages stay, in the run's log (beside the
      // mark the run's folder was made with).
      std::vector<std::string> left;
      for (const auto& entry : fs::directory_iterator(run->folder())) {
        const std::string name = entry.path().filename().string();
        if (!name.starts_with(".QuiremarkRun-")) left.push_back(name);
      }
      std::sort(left.begin(), left.end());
      EXPECT_EQ(left, (std::vector<std::string>{"QuiremarkTmp.log", "QuiremarkTmp.ps"}));
    }
    pdfs[count] = qt::DescribePdf(pdf);
  }
  for (size_t count : {2, 3, 6}) EXPECT_EQ(pdfs[count], pdfs[1]) << count << " slices";
}
