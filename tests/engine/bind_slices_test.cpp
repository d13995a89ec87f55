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

  // One row of a tree scan's outline: a folder group of `count` entries, or
  // a plot file written with `bytes`.
  struct Row {
    std::string title;
    std::string bytes;
    int count = 0;
  };

  // The rows bound as a tree scan binds them, converted in one gs run
  // (`slices` 1; with `ps2pdf`, by the converter command that runs it) or in
  // that many slices; the PDF as DescribePdf gives it.
  std::string Bind(const std::vector<Row>& rows, size_t slices, bool ps2pdf = false) {
    SCOPED_TRACE(std::to_string(slices) + " slices");
    qe::OutlineState outline;
    std::vector<std::string> files;
    for (const Row& row : rows) {
      if (row.bytes.empty()) {
        outline.AddGroupEntry(row.count, row.title);
        continue;
      }
      files.push_back((dir / (std::to_string(files.size()) + ".plt")).string());
      qt::WriteFile(files.back(), row.bytes);
      outline.AddUncountedFile(row.title, files.back());
    }
    std::string failure;
    std::optional<qe::RunFiles> run = qe::RunFiles::Create(failure);
    EXPECT_TRUE(run) << failure;
    if (!run) return "";
    qe::TempPsFile temp(run->ps());
    for (const auto& file : files) temp.AppendPlotFile(file, &outline, true);
    temp.Finish({"Titel", "anna", "Ämne", "Ord", "D:20261208140000+00'00'", {}}, {}, outline);
    const fs::path pdf = dir / ("bind-" + std::to_string(slices) + ".pdf");
    std::optional<qe::PendingPdf> target = qe::PendingPdf::Create(pdf, failure);
    EXPECT_TRUE(target) << failure;
    if (!target) return "";
    run->NoteWritten();
    if (slices == 1) {
      quiremark::settings::AppState converter = state;
      qe::ConverterSetup setup;
      if (ps2pdf) {
        converter.converterSelector = quiremark::settings::Converter::Distiller;
        setup.program = qp::FindOnPath("ps2pdf").value_or("ps2pdf");
      }
      const qe::ConversionResult result = qe::ConvertToPdf(converter, setup, *run, *target, temp.files(), ui, splash);
      EXPECT_TRUE(result.pdfMade) << result.failure;
      return result.pdfMade ? qt::DescribePdf(pdf) : "";
    }
    const qe::SlicedConversion sliced =
        qe::ConvertInSlices(qp::FindOnPath("gs").value(), temp, slices, *run, *target, ui, splash, {});
    EXPECT_TRUE(sliced.ran);
    EXPECT_EQ(sliced.failure, "");
    lastSliced = sliced.pages;
    EXPECT_EQ(qe::PageCountFailure(sliced.pages.count, temp.files(), sliced.pages.fileStarts, sliced.pages.fileMade), "");
    EXPECT_EQ(splash.value(), 100);
    EXPECT_TRUE(target->Commit(failure)) << failure;
    // Of the slices only gs's messages stay, in the run's log (beside the
    // mark the run's folder was made with).
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(run->folder())) {
      const std::string name = entry.path().filename().string();
      if (!name.starts_with(".QuiremarkRun-")) left.push_back(name);
    }
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"QuiremarkTmp.log", "QuiremarkTmp.ps"}));
    return sliced.failure.empty() ? qt::DescribePdf(pdf) : "";
  }

  qe::PdfPages lastSliced;
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

// The slices a bind is converted in, on machines idle and loaded: a busy
// machine gives the slices together more of its time than one gs (each gs
// takes its turn with the other programs' tasks), which pays where the bind
// is more than the slices' starts and their joining.
TEST(SliceCount, AsManyAsMakeTheBindSoonestBesideOtherPrograms) {
  constexpr uint64_t MB = 1 << 20;
  const qe::BindSize large{200, 400, 100 * MB, false};
  const qe::BindSize small{200, 200, 4 * MB, false};
  const qe::BindSize tiny{200, 200, 1 * MB, false};
  const struct {
    const char* what;
    qe::BindSize bind;
    qe::SliceMachine machine;
    size_t slices;
  } cases[] = {
      {"an idle machine", large, {8, 0, 64000 * MB}, 8},
      {"every processor busy many times over", large, {8, 38, 64000 * MB}, 8},
      {"a small bind, idle", small, {8, 0, 64000 * MB}, 8},
      {"a small bind, every processor busy many times over", small, {8, 38, 64000 * MB}, 8},
      {"a tiny bind, idle", tiny, {8, 0, 64000 * MB}, 1},
      {"a tiny bind, every processor busy many times over", tiny, {8, 38, 64000 * MB}, 1},
      {"a tiny bind on half the processors", tiny, {8, 4, 64000 * MB}, 1},
      {"memory for two gs", large, {8, 0, 600 * MB}, 2},
      {"memory not told", large, {4, 0, std::nullopt}, 4},
      {"a small bind", {200, 200, 200 * 1024, false}, {8, 0, std::nullopt}, 1},
      {"more processors than files", {3, 3, 100 * MB, false}, {8, 0, std::nullopt}, 3},
      {"one file", {1, 40, 100 * MB, false}, {8, 0, std::nullopt}, 1},
      {"an outline that names pages of the whole bind", {200, 400, 100 * MB, true}, {8, 0, std::nullopt}, 1},
  };
  for (const auto& c : cases) EXPECT_EQ(qe::SliceCount(c.bind, c.machine), c.slices) << c.what;
}

// A tree scan's outline, with folder groups that the cuts split, files of
// several pages, page sizes set and not set, and an EPS that never shows
// its page: converted in one run and in 2, 3 and 6 slices, the PDFs agree in
// everything a reader sees.
TEST_F(BindSlices, ConvertedInSlicesTheBindIsTheOneRunsPdf) {
  const std::string a1 = "%!PS\r\n<< /PageSize [1684 2384] >> setpagedevice\r\n/Helvetica findfont 40 scalefont setfont "
                         "100 100 moveto (A1) show showpage\r\n";
  const std::string eps = "%!PS-Adobe-3.0 EPSF-3.0\r\n%%BoundingBox: 0 0 200 200\r\n0 0 moveto 200 200 lineto stroke\r\n";
  const std::vector<Row> rows = {{"Arkitekt å", "", 3},
                                 {"Plan", qt::DriverPlotFile(1, "Plan")},
                                 {"Sektion", qt::DriverPlotFile(3, "Sektion")},
                                 {"A1", a1},
                                 {"Konstruktion – K", "", 2},
                                 {"Eps", eps},
                                 {"Fasad", qt::DriverPlotFile(2, "Fasad")},
                                 {"Sist", qt::DriverPlotFile(1, "Sist")}};
  const std::string one = Bind(rows, 1);
  ASSERT_NE(one, "");
  for (size_t count : {2, 3, 6}) {
    EXPECT_EQ(Bind(rows, count), one) << count << " slices";
    EXPECT_EQ(lastSliced.count, 9);
    EXPECT_EQ(lastSliced.fileStarts, (std::vector<int>{1, 2, 5, 6, 7, 9})) << "as each slice's PDF shows it";
  }
}

namespace {

// A report as dvips writes one with its links: two pages, named
// destinations, bookmarks of its own (one with more children than follow
// it), a link to its page 2 by number, and what it would set for the whole
// document: its information, page labels, language, viewer settings.
const std::string kReport =
    "%!PS-Adobe-3.0\r\n%%Pages: 2\r\n%%EndComments\r\n"
    "[ /Title (Rapportens titel) /Trapped /False /DOCINFO pdfmark\r\n"
    "[ {Catalog} << /PageLabels << /Nums [0 << /S /r >>] >> /Lang (en) /ViewerPreferences << /HideToolbar true >> >> "
    "/PUT pdfmark\r\n"
    "[ /PageMode /FullScreen /Page 1 /View [/Fit] /DOCVIEW pdfmark\r\n"
    "[ /Count 1 /Dest /sec.1 /Title (Inledning) /OUT pdfmark\r\n"
    "[ /Dest (sec.2) cvn /Title (Metod) /OUT pdfmark\r\n"
    "[ /Count -2 /Page 2 /View [/Fit] /Title (Bilagor) /OUT pdfmark\r\n"
    "%%Page: 1 1\r\n[ /Dest /sec.1 /View [/XYZ 0 800 0] /DEST pdfmark\r\n"
    "/Helvetica findfont 20 scalefont setfont 72 700 moveto (Inledning) show\r\n"
    "[ /Rect [72 600 200 620] /Subtype /Link /Border [0 0 0] /Dest /sec.2 /ANN pdfmark\r\n"
    "[ /Rect [72 560 200 580] /Subtype /Link /Border [0 0 0] /Page 2 /View [/Fit] /ANN pdfmark\r\n"
    "[ /Rect [72 520 200 540] /Subtype /Link /Border [0 0 0] /Action << /Subtype /URI /URI (https://example.com/) >> "
    "/ANN pdfmark\r\nshowpage\r\n"
    "%%Page: 2 2\r\n[ /Dest /sec.2 /View [/XYZ 0 800 0] /DEST pdfmark\r\n"
    "/Helvetica findfont 20 scalefont setfont 72 700 moveto (Metod) show\r\n"
    "[ /Rect [72 600 200 620] /Subtype /Link /Border [0 0 0] /Action << /S /GoTo /D (sec.1) >> /ANN pdfmark\r\n"
    "showpage\r\n%%EOF\r\n";

// A graph that crops "all pages", as graphviz writes it.
const std::string kGraph =
    "%!PS-Adobe-3.0\r\n%%Pages: 1\r\n%%Page: 1 1\r\n[ /CropBox [36 36 300 400] /PAGES pdfmark\r\n"
    "50 50 moveto 250 350 lineto stroke showpage\r\n";

// A form as hyperref writes one: its named objects have the same names in
// every such file, and its fields go into the catalog.
const std::string kForm =
    "%!PS\r\n[ /_objdef {aform} /type /dict /OBJ pdfmark\r\n[ /_objdef {afields} /type /array /OBJ pdfmark\r\n"
    "[ {aform} << /Fields {afields} /NeedAppearances true >> /PUT pdfmark\r\n"
    "[ {Catalog} << /AcroForm {aform} >> /PUT pdfmark\r\n"
    "[ /_objdef {namn} /Subtype /Widget /Rect [72 700 300 720] /FT /Tx /T (Namn) /F 4 /P {ThisPage} /ANN pdfmark\r\n"
    "[ {afields} {namn} /APPEND pdfmark\r\n"
    "/Helvetica findfont 12 scalefont setfont 72 680 moveto (Namn:) show showpage\r\n";

// A prolog left in global VM, and a file that draws what it finds.
const std::string kProlog =
    "%!PS\r\ntrue setglobal /QuiremarkTestProlog << >> /ProcSet defineresource pop false setglobal\r\n"
    "0 0 moveto 10 10 lineto stroke showpage\r\n";
const std::string kFindsProlog =
    "%!PS\r\n/Helvetica findfont 20 scalefont setfont 72 700 moveto\r\n"
    "/QuiremarkTestProlog /ProcSet resourcestatus { pop pop (Lånad) } { (Egen) } ifelse show showpage\r\n";

// Drawing after the last page, which gs alone drops.
const std::string kAfterItsPage =
    "%!PS\r\n%%Page: 1 1\r\n0 0 moveto 100 100 lineto stroke showpage\r\n"
    "/Helvetica findfont 20 scalefont setfont 72 400 moveto (Efter) show\r\n";

// The same image on a drawing of each file.
const std::string kLogo =
    "%!PS\r\n/data 4096 string def 0 1 4095 { data exch dup 7 mul 256 mod put } for\r\n"
    "gsave 100 100 translate 200 200 scale 64 64 8 [64 0 0 64 0 0] { data } image grestore showpage\r\n";

}  // namespace

// Plot files with pdfmarks of their own, as LaTeX reports, graphs and forms
// carry them: each file's marks act on its own pages, in one gs run as in
// slices, and the two make the same PDF.
TEST_F(BindSlices, EachPlotFilesOwnMarksActOnItsOwnPagesInOneRunAndInSlices) {
  const std::vector<Row> rows = {{"Rapporter", "", 3},      {"R1", kReport},      {"Graf", kGraph},
                                 {"Blankett 1", kForm},      {"Bilaga", "", 5},    {"R2", kReport},
                                 {"Blankett 2", kForm},      {"Prolog", kProlog},  {"Finner", kFindsProlog},
                                 {"Logo 1", kLogo},          {"Efter", kAfterItsPage},
                                 {"Nästa", qt::DriverPlotFile(1, "Nasta")},        {"Logo 2", kLogo}};
  const std::string one = Bind(rows, 1);
  ASSERT_NE(one, "");
  for (size_t count : {2, 4, 11}) EXPECT_EQ(Bind(rows, count), one) << count << " slices";

  const auto has = [&](const std::string& text) { return one.find(text) != std::string::npos; };
  // The links of each report go to its own pages: R1 is pages 1-2, R2 5-6.
  EXPECT_TRUE(has("page 1 [ 0 0 595 842 ] rotate null\n"
                  "  annot /Link [ 72 600 200 620 ] -> << /D [ page 2 /XYZ 0 800 0 ] >>\n"
                  "  annot /Link [ 72 560 200 580 ] -> [ page 2 /Fit ]\n"
                  "  annot /Link [ 72 520 200 540 ] -> << /S /URI /URI (https://example.com/) >>\n"))
      << one;
  EXPECT_TRUE(has("page 6 [ 0 0 595 842 ] rotate null\n  annot /Link [ 72 600 200 620 ] -> << /D [ page 5 /XYZ 0 800 0 ] >>"));
  // The graph crops its own page, no other.
  EXPECT_TRUE(has("page 3 [ 0 0 595 842 ] rotate null /CropBox [ 36 36 300 400 ]\n"));
  EXPECT_EQ(one.find("/CropBox"), one.rfind("/CropBox"));
  // The bind's own information and settings; the forms bound without their fields.
  EXPECT_TRUE(has("/Subject <c46d6e65> /Title (Titel) >>\ncatalog /OpenAction [ page 1 /Fit ] /PageLayout /SinglePage "
                  "/PageMode /UseOutlines /Type /Catalog\n"));
  for (const char* whole : {"/Lang", "/PageLabels", "/ViewerPreferences", "/AcroForm", "/Trapped", "/Widget", "FullScreen"}) {
    EXPECT_FALSE(has(whole)) << whole;
  }
  // Each report's bookmarks under its entry, however their counts run; the
  // folder groups keep theirs.
  EXPECT_TRUE(has("  /Count -3 /Dest [ page 1 /XYZ null null null ] /Title (Rapporter) \n"
                  "    /Count -5 /Dest [ page 1 /XYZ null null null ] /QuiremarkPlotFile 1 /Title (R1) \n"
                  "      /Dest [ page 1 /XYZ null null 0 ] /Title (\\(Sid. 1\\)) \n"
                  "      /Dest [ page 2 /XYZ null null 0 ] /Title (\\(Sid. 2\\)) \n"
                  "      /Count 1 /Dest << /D [ page 1 /XYZ 0 800 0 ] >> /Title (Inledning) \n"
                  "        /Dest << /D [ page 2 /XYZ 0 800 0 ] >> /Title (Metod) \n"
                  "      /Dest [ page 2 /Fit ] /Title (Bilagor) \n"
                  "    /Dest [ page 3 /XYZ null null 0 ] /QuiremarkPlotFile 2 /Title (Graf) \n"))
      << one;
  EXPECT_TRUE(has("  /Count -5 /Dest [ page 5 /XYZ null null null ] /Title (Bilaga) \n"));
  // A prolog in global VM ends with its file; drawing after the last page goes nowhere.
  EXPECT_TRUE(has("(Egen)Tj"));
  EXPECT_TRUE(has("page 12 [ 0 0 595 842 ] rotate null\nq 0.1 0 0 0.1 0 0 cm\n20 w\n0 G\n720 720 m\n"));
  EXPECT_FALSE(has("(Efter)Tj"));
  // The logo is stored once.
  EXPECT_TRUE(has("images 1\n"));

  // The converter command ps2pdf binds them as gs does: the same outline,
  // destinations and pages.
  const std::string command = Bind(rows, 1, true);
  const auto from = [](const std::string& text, const std::string& part) { return text.substr(text.find(part)); };
  EXPECT_EQ(from(command, "named destinations"), from(one, "named destinations"));
  for (const char* whole : {"/Lang", "/PageLabels", "/AcroForm", "(Efter)Tj", "/CropBox [ 36 36 300 400 ]\n"}) {
    EXPECT_EQ(command.find(whole) == std::string::npos, one.find(whole) == std::string::npos) << whole;
  }
}
