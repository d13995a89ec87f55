// A bind cut into slices, each converted by its own gs and joined through
// qpdf, against one gs run of the same temporary file.
#include "engine/bind_slices.h"

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "engine/pdf_merge.h"
#include "engine/plot_files.h"
#include "engine/trailer_options.h"
#include "platform/process.h"
#include "support/pdf_description.h"
#include "support/test_support.h"

namespace qe = quiremark::engine;
namespace qp = quiremark::platform;
namespace qt = quiremark::testing;
namespace fs = std::filesystem;

namespace {

bool Gs(const fs::path& ps, const fs::path& pdf) {
  return qp::RunAndCapture({"gs", "-q", "-sDEVICE=pdfwrite", "-dNOPAUSE", "-dBATCH", "-dOmitXMP",
                            "-dAutoRotatePages=/None", "-sOutputFile=" + pdf.string(), ps.string()})
      .has_value();
}

class BindSlices : public ::testing::Test {
 protected:
  qt::TempDir dir;
  qt::ScopedEnv registry{"QUIREMARK_REGISTRY", (dir.path() / "reg").string()};
  qt::ScopedEnv temp{"Temp", dir.path().string()};
  qt::ScopedEnv dates{"SOURCE_DATE_EPOCH", "1796000000"};  // gs's own dates the same in every run
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
// its page.
TEST_F(BindSlices, JoinedSlicesAreTheOneRunsPdf) {
  qe::OutlineState outline;
  std::vector<std::string> plots;
  const auto plot = [&](const std::string& name, const std::string& bytes) {
    qt::WriteFile(dir / name, bytes);
    plots.push_back((dir / name).string());
    return plots.back();
  };
  const std::string a1 = "%!PS\r\n<< /PageSize [1684 2384] >> setpagedevice\r\n/Helvetica findfont 40 scalefont setfont "
                         "100 100 moveto (A1) show showpage\r\n";
  const std::string eps = "%!PS-Adobe-3.0 EPSF-3.0\r\n%%BoundingBox: 0 0 200 200\r\n0 0 moveto 200 200 lineto stroke\r\n";
  outline.AddGroupEntry(3, "Arkitekt å");
  outline.AddUncountedFile("Plan", plot("a.plt", qt::DriverPlotFile(1, "Plan")));
  outline.AddUncountedFile("Sektion", plot("b.plt", qt::DriverPlotFile(3, "Sektion")));
  outline.AddUncountedFile("A1", plot("c.plt", a1));
  outline.AddGroupEntry(2, "Konstruktion – K");
  outline.AddUncountedFile("Eps", plot("d.eps", eps));
  outline.AddUncountedFile("Fasad", plot("e.plt", qt::DriverPlotFile(2, "Fasad")));
  outline.AddUncountedFile("Sist", plot("f.plt", qt::DriverPlotFile(1, "Sist")));

  const fs::path joined = dir / "QuiremarkTmp.ps";
  qe::TempPsFile temp(joined);
  for (const std::string& file : plots) temp.AppendPlotFile(file, &outline, true);
  temp.Finish({"Titel", "anna", "Ämne", "Ord", "D:20261208140000+00'00'", {}}, {}, outline);
  ASSERT_EQ(temp.trailingRecords(), 0u);
  ASSERT_TRUE(Gs(joined, dir / "one.pdf"));

  for (size_t count : {2, 3, 6}) {
    const std::vector<qe::BindSlice> slices = qe::PlanSlices(temp.files(), count);
    ASSERT_EQ(slices.size(), count);
    const int in = ::open(joined.c_str(), O_RDONLY | O_CLOEXEC);
    std::vector<fs::path> parts;
    for (size_t k = 0; k < slices.size(); ++k) {
      const fs::path ps = dir / ("slice" + std::to_string(k) + ".ps");
      const int out = ::open(ps.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
      qe::WriteSlice(temp, in, slices[k], out);
      ::close(out);
      parts.push_back(dir / ("slice" + std::to_string(k) + ".pdf"));
      ASSERT_TRUE(Gs(ps, parts.back()));
    }
    ::close(in);
    const int out = ::open((dir / "joined.pdf").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    std::string why;
    ASSERT_TRUE(qe::MergePdfParts(parts, temp.outline(), out, why)) << why;
    ::close(out);
    EXPECT_EQ(qt::DescribePdf(dir / "joined.pdf"), qt::DescribePdf(dir / "one.pdf")) << count << " slices";
  }
}
