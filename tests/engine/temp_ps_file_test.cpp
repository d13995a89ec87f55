#include "engine/temp_ps_file.h"

#include <gtest/gtest.h>

#include "engine/bind_prolog.h"
#include "engine/bookmark_text.h"
#include "engine/plot_files.h"
#include "engine/trailer_options.h"
#include "platform/clock.h"
#include "settings/registry_settings.h"
#include "support/test_support.h"

namespace qe = quiremark::engine;
namespace qs = quiremark::settings;
namespace qp = quiremark::platform;
namespace qt = quiremark::testing;

namespace {

class FixedClock : public qp::Clock {
 public:
  TimePoint Now() const override { return std::chrono::sys_days{std::chrono::December / 8 / 2026} + std::chrono::hours(14); }
};

class TempPsFileTest : public ::testing::Test {
 protected:
  void SetUp() override { tzset(); }
  void TearDown() override { tzset(); }

  std::filesystem::path Plot(const std::string& name, const std::string& content) {
    qt::WriteFile(folder / name, content);
    return folder / name;
  }

  // Joins the files as a grid run does and returns the file's bytes.
  std::string Join(const std::vector<std::filesystem::path>& files, const qe::DocInfo& info = kInfo,
                   const qe::CatalogChoices& catalog = {}) {
    qe::TempPsFile out(tmp);
    for (const auto& file : files) out.AppendPlotFile(file, &outline);
    out.Finish(info, catalog, outline);
    return qt::ReadFile(tmp);
  }

  static inline const qe::DocInfo kInfo{"Titel", "anna", "DocSubject", "DocKeywords", "D:20261208140000+00'00'", {}};

  qt::TempDir dir;
  qt::ScopedEnv registry{"QUIREMARK_REGISTRY", (dir.path() / "reg").string()};
  qt::ScopedEnv temp{"Temp", dir.path().string()};
  qt::ScopedEnv tz{"TZ", "UTC"};
  qt::ScopedEnv user{"USERNAME", "anna"};
  std::filesystem::path folder = [this] {
    std::filesystem::create_directories(dir / "Ritningar");
    return dir / "Ritningar";
  }();
  std::filesystem::path tmp = qe::TempPsPath();
  qe::OutlineState outline;
};

constexpr const char* kTrailerStart =
    "[ /Title (Titel) /Author (anna) /Subject (DocSubject) /Keywords (DocKeywords) "
    "/Creator (Quiremark https://www.norv.se/quiremark) /ModDate (D:20261208140000+00'00') /DOCINFO pdfmark\r\n"
    "[ {Catalog} << /PageLayout /SinglePage >> /PUT pdfmark\r\n"
    "[ {Catalog} << /PageMode /UseOutlines >> /PUT pdfmark\r\n"
    "[ {Catalog} << /OpenAction [{Page1} /Fit] >> /PUT pdfmark\r\n"
    "% BOOKMARKS\r\n";

// What every temporary file begins with.
const std::string kHeader(qe::BindProlog());

// Plot file `n` of `pages` pages as the temporary file holds it, with the
// titles of its outline entries.
std::string Wrapped(int n, const std::string& titles, const std::string& bytes, int pages = 1) {
  return std::to_string(n) + " " + std::to_string(pages) + " false " + (bytes.empty() ? "true" : "false") +
         " QuiremarkFileBegin\r\n" + bytes + "clear cleardictstack [" + titles + " ] QuiremarkFileEnd\r\n";
}

}  // namespace

TEST_F(TempPsFileTest, ThreeFilesGiveTheBodyTrailerAndOutline) {
  const std::string plan = qt::DriverPlotFile(1, "Plan");
  const std::string sektion = qt::DriverPlotFile(3, "Sektion");
  const std::string fasad = qt::DriverPlotFile(1, "Fasad");
  const auto files = {Plot("A1.plt", plan), Plot("A2.plt", sektion), Plot("A3.plt", fasad)};
  qt::WriteFile(folder / "A1.txt", "Plan\r\n");
  qt::WriteFile(folder / "A2.txt", "Sektion\r\n");
  qt::WriteFile(folder / "A3.txt", "Fasad\r\n");
  qt::WriteFile(tmp, std::string(100000, 'x'));  // the previous run's file is replaced

  EXPECT_EQ(qe::TempPsPath().filename(), "QuiremarkTmp.ps");
  // Each file's own outline entries go after it, where the converter knows
  // the page it began on.
  EXPECT_EQ(Join(files), kHeader + Wrapped(1, "(Plan)", plan) +
                             Wrapped(2, "(Sektion) (\\(Sid. 1\\)) (\\(Sid. 2\\)) (\\(Sid. 3\\))", sektion, 3) +
                             Wrapped(3, "(Fasad)", fasad) + kTrailerStart + "%%EOF\r\n");
  EXPECT_EQ(outline.pageCounter(), 5);
}

TEST_F(TempPsFileTest, CopyIsByteExact) {
  // Bare CRs, LF-only lines, NUL and high bytes stay as they are; a file that
  // ends without a line break gets CR LF, one that ends with CR or LF does not.
  const std::string binary = std::string("%!PS\rbinary\0\xFF\x80\r\r\n", 17) + "lf only\n";
  const std::string noBreak = "%!PS\r\nshowpage";
  const std::string crEnd = "%!PS\rshowpage\r";
  const std::string empty;
  const std::string out = Join({Plot("b.plt", binary), Plot("n.plt", noBreak), Plot("c.plt", crEnd), Plot("e.plt", empty)});
  EXPECT_EQ(out.substr(0, out.find("[ /Title")), kHeader + Wrapped(1, "(b)", binary) + Wrapped(2, "(n)", noBreak + "\r\n") +
                                                     Wrapped(3, "(c)", crEnd) + Wrapped(4, "(e)", ""));
}

TEST_F(TempPsFileTest, PageCounterContinuesAcrossFiles) {
  Join({Plot("a.plt", qt::DriverPlotFile(2)), Plot("b.plt", "%!PS\nshowpage\n"), Plot("c.plt", qt::DriverPlotFile(2))});
  using K = qe::OutlineRecord::Kind;
  const std::vector<qe::OutlineRecord> expected = {
      {K::Group, 1, 2, "a"}, {K::Page, 1, 0, "(Sid. 1)"}, {K::Page, 2, 0, "(Sid. 2)"}, {K::Page, 3, 0, "b"},
      {K::Group, 4, 2, "c"}, {K::Page, 4, 0, "(Sid. 1)"}, {K::Page, 5, 0, "(Sid. 2)"}};
  EXPECT_EQ(outline.records(), expected);
}

TEST_F(TempPsFileTest, TreeScanOutlineIsWrittenAsBuilt) {
  outline.AddGroupEntry(1, "Sub (1)");
  outline.AddPageEntry("c");
  qe::TempPsFile out(tmp);
  out.AppendPlotFile(Plot("x.plt", qt::DriverPlotFile(3)), nullptr);
  out.Finish(kInfo, {}, outline);
  const std::string text = qt::ReadFile(tmp);
  EXPECT_NE(text.find("% BOOKMARKS\r\n\t[/Page 1/Count -1  /Title (Sub \\(1\\)) /OUT pdfmark\r\n"
                      "\t[/Page 1 /View [/XYZ null null 0] /Title (c) /OUT pdfmark\r\n%%EOF\r\n"),
            std::string::npos);
  EXPECT_EQ(outline.records().size(), 2u);
}

TEST_F(TempPsFileTest, SideFileTitleRules) {
  const auto plot = Plot("Plan.PLT", "%!PS\r\n");
  EXPECT_EQ(qe::PlotFileTitle(plot), "Plan") << "no side file";
  qt::WriteFile(folder / "Plan.txt", "\r\nRev A\r\n");
  EXPECT_EQ(qe::PlotFileTitle(plot), "Plan") << "first line empty";
  qt::WriteFile(folder / "Plan.txt", "   \r\n  \r\n");
  EXPECT_EQ(qe::PlotFileTitle(plot), "Plan") << "only blank lines";
  qt::WriteFile(folder / "Plan.txt", "A\r\n\r\nB\r\n");
  EXPECT_EQ(qe::PlotFileTitle(plot), "A");
  qt::WriteFile(folder / "Plan.txt", "Plan 1\r\n   v\xE5ning   2  \r\n\r\nRev A\r\n");
  EXPECT_EQ(qe::PlotFileTitle(plot), "Plan 1 våning 2") << "Windows-1252, blanks collapsed";
  qt::WriteFile(folder / "Plan.txt", "Plan 1\nvåning – 2\n");
  EXPECT_EQ(qe::PlotFileTitle(plot), "Plan 1 våning – 2") << "UTF-8 with LF line ends";
  std::filesystem::remove(folder / "Plan.txt");
  qt::WriteFile(folder / "PLAN.TXT", "Stora bokst\xC4ver");
  EXPECT_EQ(qe::PlotFileTitle(plot), "Stora bokstÄver") << "side file name ignores case";
  const auto noDot = Plot("Fasad", "%!PS\r\n");
  EXPECT_EQ(qe::PlotFileTitle(noDot), "Fasad");
  std::filesystem::create_directory(folder / "Dir.txt");
  EXPECT_EQ(qe::ReadBookmarkText(folder / "Dir.txt"), "") << "a folder is no side file";
  EXPECT_EQ(qe::ReadBookmarkText(folder / "missing.txt"), "");
}

TEST_F(TempPsFileTest, TitlesAreEscapedAndEncodedInTheFile) {
  qt::WriteFile(folder / "a.txt", "Plan (A\r\n");
  qt::WriteFile(folder / "b.txt", "C:\\ritn\\b\r\n");
  qt::WriteFile(folder / "c.txt", "Fasad \x96 \xF6st\r\n");  // Windows-1252 en dash
  const std::string out = Join({Plot("a.plt", "%!PS\r\n"), Plot("b.plt", "%!PS\r\n"), Plot("c.plt", "%!PS\r\n")});
  EXPECT_NE(out.find("[(Plan \\(A) ] QuiremarkFileEnd"), std::string::npos);
  EXPECT_NE(out.find("[(C:\\\\ritn\\\\b) ] QuiremarkFileEnd"), std::string::npos);
  EXPECT_NE(out.find("[<FEFF0046006100730061006400202013002000F600730074> ] QuiremarkFileEnd"), std::string::npos);
}

TEST_F(TempPsFileTest, DocInfoFromOptionsAndTitleFile) {
  FixedClock clock;
  qp::ScopedClock useClock(clock);
  const std::filesystem::path pdf = dir / "ut" / "Hus A.pdf";

  // Nothing stored: the title file marker, the user's name, no subject and no keywords.
  qe::DocInfo info = qe::ReadDocInfo(folder, pdf);
  EXPECT_EQ(info.title, "Ritningar Hus A.pdf") << "no title file: folder name and PDF name";
  EXPECT_EQ(qe::DocumentTitle(folder.string() + "/", pdf), "Ritningar Hus A.pdf") << "a folder path ending in /";
  EXPECT_EQ(info.author, "anna");
  EXPECT_EQ(info.subject, "");
  EXPECT_EQ(info.keywords, "");
  EXPECT_EQ(info.date, "D:20261208140000+00'00'");

  qt::WriteFile(folder / "quiremarktitle.TXT", "Kv. \xC5sen\r\n  hus 2 \r\n\r\nx\r\n");
  qs::SaveRegSetting("DocTitle", "<quiremarktitle.txt>", "Options");
  EXPECT_EQ(qe::DocumentTitle(folder, pdf), "Kv. Åsen hus 2") << "marker in any letter case";

  qs::SaveRegSetting("DocTitle", "Egen titel %NORV_Date", "Options");
  qs::SaveRegSetting("DocAuthor", "", "Options");
  qs::SaveRegSetting("DocSubject", "Bygglov", "Options");
  qs::SaveRegSetting("DocKeywords", "", "Options");
  info = qe::ReadDocInfo(folder, pdf);
  EXPECT_EQ(info.title, "Egen titel %NORV_Date");
  EXPECT_EQ(info.author, "anna") << "an empty author reads back as the user name";
  EXPECT_EQ(info.subject, "Bygglov");
  EXPECT_EQ(info.keywords, "") << "empty keywords stay empty, not the word DocKeywords";
  // The date placeholder in the title reads as the program shows dates, not as a PDF date.
  EXPECT_EQ(info.shownDate, "2026-12-08 14:00:00");
  EXPECT_NE(qe::DocInfoLine(info).find("/Title (Egen titel 2026-12-08 14:00:00)"), std::string::npos);
  EXPECT_NE(qe::DocInfoLine(info).find("/ModDate (D:20261208140000+00'00')"), std::string::npos);
}

TEST_F(TempPsFileTest, CatalogChoicesFromOptions) {
  EXPECT_EQ(qe::CatalogLines(qe::ReadCatalogChoices()), qe::CatalogLines({}));
  qs::SaveRegSetting("cboShow", "0", "Options");
  qs::SaveRegSetting("cboLayout", "2", "Options");
  qs::SaveRegSetting("cboZoom", "7", "Options");
  const qe::CatalogChoices choices = qe::ReadCatalogChoices();
  EXPECT_EQ(choices.show, "0");
  EXPECT_EQ(choices.layout, "2");
  const std::string out = Join({}, kInfo, choices);
  EXPECT_NE(out.find("/PageLayout /TwoPageLeft >>"), std::string::npos);
  EXPECT_NE(out.find("/PageMode /UseNone >>"), std::string::npos);
  EXPECT_NE(out.find("[{Page1} /XYZ null null 1] >>"), std::string::npos) << "past the list: its last item";
}

TEST_F(TempPsFileTest, UnreadablePlotFileThrows) {
  qe::TempPsFile out(tmp);
  EXPECT_THROW(out.AppendPlotFile(folder / "missing.plt", &outline), std::system_error);
  EXPECT_TRUE(outline.records().empty());
  // The error names the plot file by its whole path, whether its folder is
  // there (and held open) or not.
  for (const auto& missing : {folder / "missing.plt", folder / "Saknas" / "missing.plt"}) {
    for (qe::OutlineState* gridRun : {&outline, static_cast<qe::OutlineState*>(nullptr)}) {
      try {
        out.AppendPlotFile(missing, gridRun);
        ADD_FAILURE() << missing << " was read";
      } catch (const std::filesystem::filesystem_error& error) {
        EXPECT_EQ(error.path1(), missing);
        EXPECT_EQ(error.code(), std::errc::no_such_file_or_directory);
      }
    }
  }
  EXPECT_TRUE(out.files().empty());
}

TEST_F(TempPsFileTest, PlantedLinkIsNotFollowed) {
  qt::WriteFile(dir / "victim", "keep");
  std::filesystem::remove(tmp);
  std::filesystem::create_symlink(dir / "victim", tmp);
  Join({Plot("a.plt", "%!PS\r\n")});
  EXPECT_EQ(qt::ReadFile(dir / "victim"), "keep");
  EXPECT_FALSE(std::filesystem::is_symlink(tmp));
  EXPECT_TRUE(qt::ReadFile(tmp).starts_with(kHeader + Wrapped(1, "(a)", "%!PS\r\n") + "[ /Title"));
}

TEST_F(TempPsFileTest, SideFilesOfEachFolderAreListedOnceAndFoundIgnoringCase) {
  std::filesystem::create_directories(folder / "Del B");
  qt::WriteFile(folder / "A-01.TXT", "Plan\r\n");
  qt::WriteFile(folder / "Del B" / "a-01.txt", "Sektion\r\n");
  qt::WriteFile(folder / "Del B" / "A-02.txt", "Fasad\r\n");
  qe::TempPsFile out(tmp);
  out.AppendPlotFile(Plot("A-01.plt", "%!PS\r\n"), &outline);
  out.AppendPlotFile(Plot("Del B/A-01.plt", "%!PS\r\n"), &outline);
  // Made after its folder was listed: this run does not see it.
  qt::WriteFile(folder / "A-03.txt", "Sen\r\n");
  out.AppendPlotFile(Plot("A-03.plt", "%!PS\r\n"), &outline);
  out.AppendPlotFile(Plot("Del B/A-02.plt", "%!PS\r\n"), &outline);
  out.AppendPlotFile(Plot("Del B/A-04.plt", ""), &outline);
  std::vector<std::string> titles;
  for (const auto& record : outline.records()) titles.push_back(record.title);
  EXPECT_EQ(titles, (std::vector<std::string>{"Plan", "Sektion", "A-03", "Fasad", "A-04"}));
  ASSERT_EQ(out.files().size(), 5u);
  EXPECT_EQ(out.pages(), 5);
  EXPECT_TRUE(out.files()[4].empty) << "an empty plot file is marked, for the page check";
  EXPECT_FALSE(out.files()[0].empty);
}

// Files of many blocks go to the temporary file past the gathering buffer and
// small ones through it: mixed, every byte still lands in its place, and each
// file's pages are counted from its own bytes.
TEST_F(TempPsFileTest, LargeAndSmallFilesKeepTheirOrder) {
  const auto large = [](int pages, size_t size, char fill) {
    std::string text = qt::DriverPlotFile(pages, "Stor");
    text.insert(text.find("showpage"), std::string(size, fill) + "\r\n");
    return text;
  };
  const std::string a = large(2, 3 * qp::kReadBlockSize + 7, 'a');  // ends in a part block
  const std::string b = "%!PS\r\nshowpage";                         // gets CR LF
  const std::string c = large(3, 2 * qp::kReadBlockSize, 'c');
  const std::string d = std::string(qp::kReadBlockSize - 1, 'd') + "\r";  // just under one block
  const auto group = [](int pages) {
    std::string titles = "(Stor)";
    for (int page = 1; page <= pages; ++page) titles += " (\\(Sid. " + std::to_string(page) + "\\))";
    return titles;
  };
  qt::WriteFile(folder / "a.txt", "Stor\r\n");
  qt::WriteFile(folder / "c.txt", "Stor\r\n");
  const std::string out =
      Join({Plot("a.plt", a), Plot("b.plt", b), Plot("c.plt", c), Plot("d.plt", d), Plot("e.plt", "%!PS\r\n")});
  EXPECT_TRUE(out.starts_with(kHeader + Wrapped(1, group(2), a, 2) + Wrapped(2, "(b)", b + "\r\n") +
                              Wrapped(3, group(3), c, 3) + Wrapped(4, "(d)", d) + Wrapped(5, "(e)", "%!PS\r\n") +
                              "[ /Title"))
      << "bytes in order";
  std::vector<int> pages;
  for (const auto& record : outline.records()) {
    if (record.kind == qe::OutlineRecord::Kind::Group) pages.push_back(record.count);
  }
  EXPECT_EQ(pages, (std::vector<int>{2, 3}));
  EXPECT_EQ(outline.pageCounter(), 2 + 1 + 3 + 1 + 1);
}
