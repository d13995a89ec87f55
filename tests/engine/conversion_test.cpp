#include "engine/conversion.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <sstream>
#include <thread>

#include "engine/json_lite.h"
#include "engine/plot_files.h"
#include "engine/temp_ps_file.h"
#include "engine/trailer_options.h"
#include "platform/clock.h"
#include "platform/process.h"
#include "settings/registry_settings.h"
#include "support/scripted_ui.h"
#include "support/test_support.h"

namespace qe = quiremark::engine;
namespace qs = quiremark::settings;
namespace qp = quiremark::platform;
namespace qt = quiremark::testing;
using quiremark::controls::MsgResult;

namespace {

qt::Json QpdfJson(const std::filesystem::path& pdf, const std::string& key) {
  const auto out = qp::RunAndCapture({"qpdf", "--json", "--json-key=" + key, pdf.string()});
  if (!out) throw std::runtime_error("qpdf --json failed on " + pdf.string());
  return qt::Json::Parse(*out)[key];
}

// The catalog, the document information and the first page's object of a PDF.
struct PdfObjects {
  qt::Json catalog, info;
  std::string firstPage;
};

PdfObjects ReadObjects(const std::filesystem::path& pdf) {
  const qt::Json objects = QpdfJson(pdf, "qpdf")[1];
  const qt::Json& trailer = objects["trailer"]["value"];
  return {objects["obj:" + trailer["/Root"].text]["value"], objects["obj:" + trailer["/Info"].text]["value"],
          QpdfJson(pdf, "pages")[0]["object"].text};
}

// A text string of qpdf's JSON: "u:" UTF-8, or "b:" hex bytes, which a viewer
// reads as PDFDocEncoding (Latin-1 for the letters used here).
std::string PdfText(const qt::Json& value) {
  if (value.text.starts_with("u:")) return value.text.substr(2);
  std::string utf8;
  for (size_t at = 2; at + 1 < value.text.size(); at += 2) {
    quiremark::platform::AppendUtf8(utf8, static_cast<char32_t>(std::stoul(value.text.substr(at, 2), nullptr, 16)));
  }
  return utf8;
}

// A name of a run's own: `prefix` and six letters or digits.
bool RunsOwn(const std::string& name, const std::string& prefix) {
  return name.size() == prefix.size() + 6 && name.starts_with(prefix) &&
         std::all_of(name.begin() + static_cast<std::ptrdiff_t>(prefix.size()), name.end(),
                     [](unsigned char c) { return std::isalnum(c); });
}

// The temporary file of a run as the converter is given it: in the run's own
// folder in the temporary folder `temp`.
bool RunsOwnTempFile(const std::filesystem::path& file, const std::filesystem::path& temp) {
  return file.filename() == "QuiremarkTmp.ps" && file.parent_path().parent_path() == temp &&
         RunsOwn(file.parent_path().filename(), "QuiremarkTmp-");
}

std::string FailureOf(const qe::ConversionResult& result) { return result.pdfMade ? "(made)" : result.failure; }

class FixedClock : public qp::Clock {
 public:
  TimePoint Now() const override {
    return std::chrono::sys_days{std::chrono::December / 8 / 2026} + std::chrono::hours(14);
  }
};

void MakeExecutable(const std::filesystem::path& file, const std::string& script) {
  qt::WriteFile(file, script);
  ::chmod(file.c_str(), 0755);
}

class Conversion : public ::testing::Test {
 protected:
  std::filesystem::path Plot(const std::string& name, const std::string& content, const std::string& title = "") {
    qt::WriteFile(folder / name, content);
    if (!title.empty()) qt::WriteFile(folder / (name.substr(0, name.rfind('.')) + ".txt"), title + "\r\n");
    return folder / name;
  }

  // Writes the temporary file of a grid run over the files, in order; each
  // conversion then converts it as a run's own.
  void WriteTempFile(const std::vector<std::filesystem::path>& files) {
    qe::OutlineState outline;
    qe::TempPsFile out(written);
    for (const auto& file : files) out.AppendPlotFile(file, &outline);
    out.Finish(qe::ReadDocInfo(folder, pdf), qe::ReadCatalogChoices(), outline);
    contents = out.files();
  }

  qe::ConversionResult Convert(qs::Converter converter, const qe::ConverterSetup& setup = {}) {
    state.converterSelector = converter;
    std::string failure;
    std::optional<qe::PendingPdf> target = qe::PendingPdf::Create(pdf, failure);
    if (!target) return {false, failure, false, {}};
    std::optional<qe::RunFiles> files = qe::RunFiles::Create(failure);
    if (!files) return {false, failure, false, {}};
    if (std::filesystem::exists(written)) std::filesystem::copy_file(written, files->ps());
    return qe::ConvertToPdf(state, setup, *files, *target, contents, ui, splash);
  }

  // What the PDF's folder holds besides the plot files and their side files.
  std::vector<std::string> Leftovers() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      const std::string name = entry.path().filename().string();
      if (!name.ends_with(".plt") && !name.ends_with(".txt") && name != pdf.filename().string()) names.push_back(name);
    }
    return names;
  }

  qt::TempDir dir;
  qt::ScopedEnv registry{"QUIREMARK_REGISTRY", (dir.path() / "reg").string()};
  qt::ScopedEnv temp{"Temp", dir.path().string()};
  qt::ScopedEnv user{"USERNAME", "anna"};
  std::filesystem::path folder = [this] {
    std::filesystem::create_directories(dir / "Mapp med blanksteg");
    return dir / "Mapp med blanksteg";
  }();
  std::filesystem::path ps = qe::TempPsPath();  // the temporary file as the last run left it
  std::filesystem::path written = dir / "written.ps";
  std::filesystem::path pdf = folder / "Hus A 100%.pdf";
  std::vector<qe::BoundFile> contents;  // what the temporary file holds
  qs::AppState state;
  qt::ScriptedUi ui;
  qe::SplashForm splash;
};

}  // namespace

TEST_F(Conversion, GhostscriptMakesThePdfWithOutlineInformationAndCatalog) {
  FixedClock clock;
  qp::ScopedClock useClock(clock);
  qt::ScopedEnv tz{"TZ", "CET-1"};  // a POSIX rule: needs no time-zone data
  tzset();
  qt::WriteFile(folder / "QuiremarkTitle.txt", "Kv. \xC5sen (del 1\r\n");
  qs::SaveRegSetting("DocAuthor", "\xC3\x85sa \xC3\x96" "berg", "Options");
  qs::SaveRegSetting("DocSubject", "Bygglov \xE2\x80\x93 \xC3\xA4ndring", "Options");
  WriteTempFile({Plot("A-01.plt", qt::DriverPlotFile(1, "Plan"), "Plan (A"),
                 Plot("A-02.plt", qt::DriverPlotFile(3, "Sektion"), "Sektion \\ B)"),
                 Plot("A-03.plt", qt::DriverPlotFile(1, "Fasad"), "Fasad \x96 \xE5\xE4\xF6")});

  const qe::ConversionResult result = Convert(qs::Converter::Ghostscript);
  ASSERT_TRUE(result.pdfMade) << result.failure;
  EXPECT_EQ(splash.progressText(), "Konverterar temporär fil till PDF med GhostScript...");
  EXPECT_TRUE(qp::RunAndCapture({"qpdf", "--check", pdf.string()})) << "qpdf --check passes";
  EXPECT_EQ(qp::RunAndCapture({"qpdf", "--show-npages", pdf.string()}), "5\n");
  EXPECT_TRUE(std::filesystem::exists(dir / "QuiremarkTmp.log")) << "gs output kept beside the temporary file";

  const qt::Json outlines = QpdfJson(pdf, "outlines");
  ASSERT_EQ(outlines.items.size(), 3u);
  EXPECT_EQ(outlines[0]["title"].text, "Plan (A");
  EXPECT_EQ(outlines[0]["destpageposfrom1"].number, 1);
  EXPECT_EQ(outlines[1]["title"].text, "Sektion \\ B)");
  EXPECT_EQ(outlines[1]["destpageposfrom1"].number, 2);
  EXPECT_FALSE(outlines[1]["open"].boolean) << "a group is shown closed";
  ASSERT_EQ(outlines[1]["kids"].items.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(outlines[1]["kids"][i]["title"].text, "(Sid. " + std::to_string(i + 1) + ")");
    EXPECT_EQ(outlines[1]["kids"][i]["destpageposfrom1"].number, 2 + i);
  }
  EXPECT_EQ(outlines[2]["title"].text, "Fasad – åäö");
  EXPECT_EQ(outlines[2]["destpageposfrom1"].number, 5);

  const PdfObjects objects = ReadObjects(pdf);
  EXPECT_EQ(PdfText(objects.info["/Title"]), "Kv. Åsen (del 1");
  EXPECT_EQ(PdfText(objects.info["/Author"]), "Åsa Öberg");
  EXPECT_EQ(PdfText(objects.info["/Subject"]), "Bygglov – ändring");
  EXPECT_EQ(PdfText(objects.info["/Keywords"]), "");
  EXPECT_EQ(PdfText(objects.info["/Creator"]), qe::kCreator);
  EXPECT_EQ(PdfText(objects.info["/ModDate"]), "D:20261208150000+01'00'") << "the date is kept as written";
  EXPECT_EQ(objects.catalog["/PageLayout"].text, "/SinglePage");
  EXPECT_EQ(objects.catalog["/PageMode"].text, "/UseOutlines");
  EXPECT_EQ(objects.catalog["/OpenAction"][0].text, objects.firstPage);
  EXPECT_EQ(objects.catalog["/OpenAction"][1].text, "/Fit");
}

TEST_F(Conversion, CatalogChoicesReachThePdf) {
  qs::SaveRegSetting("cboShow", "2", "Options");
  qs::SaveRegSetting("cboLayout", "1", "Options");
  qs::SaveRegSetting("cboZoom", "2", "Options");
  WriteTempFile({Plot("a.plt", qt::DriverPlotFile(2))});
  ASSERT_TRUE(Convert(qs::Converter::Ghostscript).pdfMade);
  PdfObjects objects = ReadObjects(pdf);
  EXPECT_EQ(objects.catalog["/PageLayout"].text, "/OneColumn");
  EXPECT_EQ(objects.catalog["/PageMode"].text, "/UseThumbs");
  EXPECT_EQ(objects.catalog["/OpenAction"][1].text, "/XYZ");
  EXPECT_EQ(objects.catalog["/OpenAction"][4].number, 1) << "zoom 100%";

  qs::SaveRegSetting("cboZoom", "0", "Options");
  qs::SaveRegSetting("cboShow", "9", "Options");
  WriteTempFile({Plot("a.plt", qt::DriverPlotFile(2))});
  ASSERT_TRUE(Convert(qs::Converter::Ghostscript).pdfMade);
  objects = ReadObjects(pdf);
  EXPECT_EQ(objects.catalog["/PageMode"].text, "/UseThumbs") << "Visa 9: the dialog's last item, Sida och miniatyrer";
  EXPECT_EQ(objects.catalog["/OpenAction"][1].text, "/FitH");
}

TEST_F(Conversion, BrokenPlotFileLeavesTheOlderPdfAsItWas) {
  const std::string older = "%PDF-1.4 an older PDF\n%%EOF\n";
  qt::WriteFile(pdf, older);
  WriteTempFile({Plot("a.plt", qt::DriverPlotFile(1)), Plot("b.plt", "%!PS\r\n/foo bar\r\nshowpage\r\n")});
  const qe::ConversionResult result = Convert(qs::Converter::Ghostscript);
  EXPECT_FALSE(result.pdfMade);
  EXPECT_NE(result.failure.find("GhostScript avslutades med felkod 1."), std::string::npos) << result.failure;
  EXPECT_NE(result.failure.find("\"Error: /undefined in bar\""), std::string::npos) << result.failure;
  EXPECT_EQ(qt::ReadFile(pdf), older);
  EXPECT_EQ(Leftovers(), std::vector<std::string>{}) << "nothing half made stays";
}

TEST_F(Conversion, OutlineBeyondTheLastPageIsAFailure) {
  // The driver line claims three pages but only one is printed: gs ends with 0
  // and reports the outline entries beyond the last page only in its output.
  WriteTempFile({Plot("a.plt", "%!PS\r\n(%%[Page: 3]%%) = flush\r\nshowpage\r\n")});
  const qe::ConversionResult result = Convert(qs::Converter::Ghostscript);
  EXPECT_FALSE(result.pdfMade);
  EXPECT_NE(result.failure.find("beyond the last page"), std::string::npos) << result.failure;
  EXPECT_FALSE(std::filesystem::exists(pdf));
}

TEST_F(Conversion, RelativePdfPathIsMadeInTheCurrentFolder) {
  WriteTempFile({Plot("a.plt", qt::DriverPlotFile(1))});
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(folder);
  pdf = "Relativ.pdf";  // as a command line's /OutFile: may give it
  const qe::ConversionResult result = Convert(qs::Converter::Ghostscript);
  std::filesystem::current_path(before);
  EXPECT_TRUE(result.pdfMade) << result.failure;
  EXPECT_TRUE(std::filesystem::exists(folder / "Relativ.pdf"));
}

TEST_F(Conversion, MissingGhostscriptIsReported) {
  qt::ScopedEnv path{"PATH", (dir.path() / "empty").string()};
  WriteTempFile({Plot("a.plt", qt::DriverPlotFile(1))});
  const qe::ConversionResult result = Convert(qs::Converter::Ghostscript);
  EXPECT_FALSE(result.pdfMade);
  EXPECT_EQ(result.failure, "GhostScript (gs) hittades inte.");
}

TEST_F(Conversion, OnlyTheFirstGhostscriptFolderRunsWithTheArgumentList) {
  qt::ScopedEnv path{"PATH", (dir.path() / "empty").string()};
  qt::WriteFile(dir / "one-page.pdf", qt::PagesPdf(1));
  const std::string fakeGs =
      "#!/bin/sh\n"
      "pwd > \"$0.ran\"\n"
      "for a in \"$@\"; do echo \"$a\" >> \"$0.ran\"; case \"$a\" in -sOutputFile=*) out=${a#-sOutputFile=};; esac; done\n"
      "/bin/cp '" + (dir / "one-page.pdf").string() + "' \"$out\"\n";
  for (const char* version : {"9.05", "9.10"}) {
    std::filesystem::create_directories(dir / version);
    MakeExecutable(dir / version / "gs", fakeGs);
    qp::SetValue(qp::Hive::LocalMachine, std::string("SOFTWARE\\GPL Ghostscript\\") + version, "GS_DLL", qp::REG_SZ,
                 qp::TextData((dir / version / "gsdll32.dll").string()));
  }
  WriteTempFile({Plot("a.plt", qt::DriverPlotFile(1))});
  const qe::ConversionResult result = Convert(qs::Converter::Ghostscript);
  ASSERT_TRUE(result.pdfMade) << result.failure;
  EXPECT_FALSE(std::filesystem::exists(dir / "9.10" / "gs.ran"));
  // gs runs in a folder of the run's own beside the PDF and writes a bare
  // name there, which then takes the PDF's name; it reads the run's own
  // temporary file.
  std::istringstream lines(qt::ReadFile(dir / "9.05" / "gs.ran"));
  std::vector<std::string> ran;
  for (std::string line; std::getline(lines, line);) ran.push_back(line);
  ASSERT_EQ(ran.size(), 10u);
  const std::filesystem::path workingFolder = ran[0];
  EXPECT_EQ(workingFolder.parent_path(), folder);
  EXPECT_TRUE(RunsOwn(workingFolder.filename(), ".QuiremarkTmp-")) << ran[0];
  EXPECT_EQ(std::vector<std::string>(ran.begin() + 1, ran.begin() + 9),
            (std::vector<std::string>{"-sDEVICE=pdfwrite", "-dNOPAUSE", "-dQUIET", "-dBATCH", "-dOmitXMP",
                                      "-dAutoRotatePages=/None", "-dNOOUTERSAVE",
                                      "-sOutputFile=" + workingFolder.filename().string() + ".pdf"}));
  EXPECT_TRUE(RunsOwnTempFile(ran[9], dir.path())) << ran[9];
  EXPECT_EQ(qt::ReadFile(pdf), qt::PagesPdf(1));
  EXPECT_EQ(Leftovers(), std::vector<std::string>{});
}

// gs that is killed half-way, or that cannot open its output: the older PDF
// stays as it was, nothing half made stays, and the failure says why.
TEST_F(Conversion, GhostscriptThatDiesOrCannotWriteKeepsTheOlderPdfAndSaysWhy) {
  std::filesystem::create_directories(dir / "bin");
  qt::ScopedEnv path{"PATH", (dir.path() / "bin").string()};
  const std::string takeOutput =
      "#!/bin/sh\nfor a in \"$@\"; do case \"$a\" in -sOutputFile=*) out=${a#-sOutputFile=};; esac; done\n";
  const struct {
    std::string script, why;
  } cases[] = {
      {"printf '%%PDF-1.4 half' > \"$out\"\nkill -9 $$\n",
       "GhostScript avbröts av signalen 9 (processen dödades)."},
      {"echo 'GPL Ghostscript 10.00.0: **** Could not open the file /ut/x.pdf .'\n"
       "echo '**** Unable to open the initial device, quitting.'\nexit 1\n",
       "GhostScript avslutades med felkod 1. \"Could not open the file /ut/x.pdf .\""},
  };
  const std::string older = "%PDF-1.4 an older PDF\n%%EOF\n";
  for (const auto& c : cases) {
    MakeExecutable(dir / "bin" / "gs", takeOutput + c.script);
    qt::WriteFile(pdf, older);
    WriteTempFile({Plot("a.plt", qt::DriverPlotFile(1))});
    const qe::ConversionResult result = Convert(qs::Converter::Ghostscript);
    EXPECT_TRUE(FailureOf(result).starts_with(c.why)) << FailureOf(result);
    EXPECT_EQ(qt::ReadFile(pdf), older);
    EXPECT_EQ(Leftovers(), std::vector<std::string>{});
  }
}

// A temporary folder shared with other users (with the sticky bit), where
// another user's run left the log and the temporary file, which this run's
// cannot replace: a failed run's message sends the user to no file of theirs.
TEST_F(Conversion, AFailedRunSendsTheUserToNoFileItDidNotWrite) {
  namespace fs = std::filesystem;
  if (::geteuid() != 0) GTEST_SKIP() << "another user's files are made as root";
  WriteTempFile({Plot("a.plt", "%!PS\r\n/foo bar\r\nshowpage\r\n")});
  const fs::path log = dir / "QuiremarkTmp.log";
  qt::WriteFile(log, "another user's log");
  qt::WriteFile(ps, "another user's bind");
  fs::permissions(dir.path(), fs::perms::all | fs::perms::sticky_bit);
  fs::permissions(folder, fs::perms::all);
  fs::permissions(written, fs::perms::owner_read | fs::perms::others_read);
  const fs::path seen = dir / "seen.txt";
  ASSERT_EQ(qt::RunInChildProcess([&] {
              qt::DropRootPrivileges();
              qt::WriteFile(seen, FailureOf(Convert(qs::Converter::Ghostscript)));
              return 0;
            }),
            0);
  const std::string failure = qt::ReadFile(seen);
  EXPECT_NE(failure.find("\"Error: /undefined in bar\""), std::string::npos) << failure;
  EXPECT_EQ(failure.find("Se loggfilen"), std::string::npos) << failure;
  EXPECT_NE(failure.find("Loggfilen kunde inte sparas som " + log.string() + ": behörighet saknas."), std::string::npos)
      << failure;
  EXPECT_EQ(qt::ReadFile(log), "another user's log");
  EXPECT_EQ(qt::ReadFile(ps), "another user's bind");
}

// A converter that ends well and leaves a file that looks like a PDF from its
// first and last bytes but cannot be read: no PDF of unknown pages passes.
TEST_F(Conversion, APdfThatCannotBeReadIsAFailure) {
  std::filesystem::create_directories(dir / "bin");
  qt::ScopedEnv path{"PATH", (dir.path() / "bin").string()};
  MakeExecutable(dir / "bin" / "gs",
                 "#!/bin/sh\nfor a in \"$@\"; do case \"$a\" in -sOutputFile=*) out=${a#-sOutputFile=};; esac; done\n"
                 "printf '%%PDF-1.4 garbage %%%%EOF\\n' > \"$out\"\n");
  const std::string older = "%PDF-1.4 an older PDF\n%%EOF\n";
  qt::WriteFile(pdf, older);
  WriteTempFile({Plot("a.plt", qt::DriverPlotFile(1))});
  const std::string failure = FailureOf(Convert(qs::Converter::Ghostscript));
  const std::string head = "PDF-filen som GhostScript skapade kan inte läsas: \"";
  EXPECT_TRUE(failure.starts_with(head) && failure.size() > head.size() + 2 && failure.ends_with("\".")) << failure;
  EXPECT_EQ(qt::ReadFile(pdf), older);
  EXPECT_EQ(Leftovers(), std::vector<std::string>{});
}

TEST_F(Conversion, AnOutputThatCannotBeMadeIsRefusedBeforeTheConverterRuns) {
  const struct {
    std::filesystem::path pdf;
    std::string why;
  } cases[] = {
      {folder, "Utfilen " + folder.string() + " är en mapp."},
      {folder / "saknas" / "Hus.pdf", "Mappen " + (folder / "saknas").string() + " finns inte."},
      {folder / "a.plt" / "Hus.pdf", "Mappen " + (folder / "a.plt").string() + " finns inte."},
  };
  Plot("a.plt", qt::DriverPlotFile(1));
  for (const auto& c : cases) {
    pdf = c.pdf;
    EXPECT_EQ(FailureOf(Convert(qs::Converter::Ghostscript)), c.why);
  }
  EXPECT_TRUE(std::filesystem::is_directory(folder));
}

TEST(GhostscriptArguments, APercentSignInTheOutputPathIsDoubled) {
  EXPECT_EQ(qe::GhostscriptArguments("gs", "/ut/100%/p%d.pdf", "/tmp/in.ps")[8], "-sOutputFile=/ut/100%%/p%%d.pdf");
}

namespace {

// A Distiller-style converter program registered under the classes root as
// start-up finds it. It echoes the driver's page lines it reads, fails while
// the file "fail" holds a count above 0 (counting it down) and otherwise writes
// a small PDF.
class DistillerConversion : public Conversion {
 protected:
  void SetUp() override {
    const auto program = dir / "Distiller Fake" / "distill";
    std::filesystem::create_directories(program.parent_path() / "data");
    MakeExecutable(program,
                   "#!/bin/sh\n"
                   "echo \"$(pwd) $@\" >> \"$0.calls\"\n"
                   "grep -a -o '%%\\[Page: [0-9]*\\]%%' \"$1\"\n"
                   "n=$(cat \"$0.fail\" 2>/dev/null || echo 0)\n"
                   "if [ \"$n\" -gt 0 ]; then echo $((n - 1)) > \"$0.fail\"; echo 'Error: busy'; exit 1; fi\n"
                   "gs -q -dBATCH -dNOPAUSE -sDEVICE=pdfwrite -sOutputFile=\"$(echo \"$2\" | sed 's/%/%%/g')\" \"$1\"\n");
    qp::SetValue(qp::Hive::ClassesRoot, "QuiremarkTest.Distiller\\shell\\open\\command", "", qp::REG_SZ,
                 qp::TextData("\"" + program.string() + "\" \"%1\""));
    std::string command = qs::GetClassesRootDefault("QuiremarkTest.Distiller\\shell\\open\\command");
    command.erase(command.find(" %1"));
    setup = {command, program.parent_path() / "data", {}};
    splash.onChanged = [this] {
      const std::string text = splash.progressText();
      if (texts.empty() || texts.back() != text) texts.push_back(text);
      if (std::this_thread::get_id() != testThread) offThread = true;
    };
    WriteTempFile({Plot("a.plt", qt::DriverPlotFile(1)), Plot("b.plt", qt::DriverPlotFile(3))});
  }

  void FailTimes(int n) { qt::WriteFile(setup.program.string() + ".fail", std::to_string(n) + "\n"); }

  // The converter's calls: it runs in a folder of the run's own in the PDF's
  // folder and writes the PDF there under its own name; it reads the run's
  // own temporary file.
  void ExpectCalls(int n) {
    std::istringstream calls(qt::ReadFile(setup.program.string() + ".calls"));
    int count = 0;
    for (std::string line; std::getline(calls, line); ++count) {
      const std::string own = line.substr(folder.string().size() + 1, 20);
      EXPECT_TRUE(line.starts_with(folder.string() + "/") && RunsOwn(own, ".QuiremarkTmp-")) << line;
      const std::string head = folder.string() + "/" + own + " ", tail = " " + pdf.filename().string();
      ASSERT_TRUE(line.starts_with(head) && line.ends_with(tail)) << line;
      EXPECT_TRUE(RunsOwnTempFile(line.substr(head.size(), line.size() - head.size() - tail.size()), dir.path()))
          << line;
    }
    EXPECT_EQ(count, n);
  }

  qe::ConverterSetup setup;
  std::vector<std::string> texts;
  std::thread::id testThread = std::this_thread::get_id();
  bool offThread = false;
};

}  // namespace

TEST_F(DistillerConversion, PercentEventsOnTheCallingThread) {
  qt::WriteFile(setup.dataFolder / "prologue.ps", "stale");
  const qe::ConversionResult result = Convert(qs::Converter::Distiller, setup);
  ASSERT_TRUE(result.pdfMade) << result.failure;
  EXPECT_TRUE(std::filesystem::exists(pdf));
  EXPECT_FALSE(std::filesystem::exists(setup.dataFolder / "prologue.ps")) << "stale prologue.ps removed";
  EXPECT_FALSE(std::filesystem::exists(dir / "QuiremarkTmp.log")) << "the log of a good job is removed";
  EXPECT_EQ(Leftovers(), std::vector<std::string>{});
  EXPECT_FALSE(offThread);
  EXPECT_EQ(texts, (std::vector<std::string>{"Sammanfogar enskilda filer till sammansatt fil.",
                                             "Startar Acrobat Distiller i bakgrunden.",
                                             "Konverterar temporär fil till PDF...", "Genererar PDF. 100% återstår...",
                                             "Genererar PDF. 75% återstår...", "Genererar PDF. 50% återstår...",
                                             "Genererar PDF. 25% återstår...", "Genererar PDF. 1% återstår...",
                                             "PDF-fil slutförd. Avslutar Acrobat Distiller..."}));
  EXPECT_EQ(splash.value(), 100);
  ExpectCalls(1);
}

TEST_F(DistillerConversion, FailedJobAnsweredNoLeavesTheUsersFilesAsTheyWere) {
  qt::WriteFile(pdf, "%PDF-1.4 an older PDF\n%%EOF\n");
  qt::WriteFile(folder / "Hus A 100%.log", "the user's own notes");
  FailTimes(5);
  ui.ExpectBox("Ingen PDF skapades.", MsgResult::Ok, 64, "Fel");
  ui.ExpectBox("Filen sannolikt upptagen. Försöka skapa PDF på nytt?", MsgResult::No, 36, "Acrobat Distiller-fel");
  const qe::ConversionResult result = Convert(qs::Converter::Distiller, setup);
  EXPECT_FALSE(result.pdfMade);
  EXPECT_EQ(result.failure, "Konverteraren avslutades med felkod 1. \"Error: busy\"");
  EXPECT_TRUE(result.userTold);
  EXPECT_EQ(qt::ReadFile(pdf), "%PDF-1.4 an older PDF\n%%EOF\n");
  EXPECT_EQ(qt::ReadFile(folder / "Hus A 100%.log"), "the user's own notes");
  EXPECT_EQ(Leftovers(), std::vector<std::string>{"Hus A 100%.log"});
  EXPECT_NE(qt::ReadFile(dir / "QuiremarkTmp.log").find("Error: busy"), std::string::npos)
      << "the log of a failed job stays in the temporary folder";
}

TEST_F(DistillerConversion, FailedJobAnsweredYesThenSucceeding) {
  FailTimes(1);
  ui.ExpectBox("Ingen PDF skapades.", MsgResult::Ok, 64, "Fel");
  ui.ExpectBox("Filen sannolikt upptagen. Försöka skapa PDF på nytt?", MsgResult::Yes, 36, "Acrobat Distiller-fel");
  const qe::ConversionResult result = Convert(qs::Converter::Distiller, setup);
  EXPECT_TRUE(result.pdfMade);
  EXPECT_TRUE(std::filesystem::exists(pdf));
  ExpectCalls(2);
}

// ps2pdf, the converter command the program is set up with, hands its output
// name to gs, which reads a "%" in it as a page-number format.
TEST_F(Conversion, DistillerStyleConverterMakesThePdfUnderItsExactName) {
  const std::optional<std::filesystem::path> ps2pdf = qp::FindOnPath("ps2pdf");
  ASSERT_TRUE(ps2pdf);
  pdf = folder / "p%d.pdf";
  WriteTempFile({Plot("a.plt", qt::DriverPlotFile(2)), Plot("b.plt", qt::DriverPlotFile(1))});
  const qe::ConversionResult result = Convert(qs::Converter::Distiller, {*ps2pdf, {}, {}});
  ASSERT_TRUE(result.pdfMade) << result.failure;
  EXPECT_EQ(qp::RunAndCapture({"qpdf", "--show-npages", pdf.string()}), "3\n");
  EXPECT_EQ(Leftovers(), std::vector<std::string>{}) << "no p1.pdf, p2.pdf, ...";
}

// A landscape sheet whose title block reads upwards, as drawing offices plot
// them: converted as gs guesses by default, the page comes out turned by 90
// degrees after the direction of its text.
std::string LandscapeSheetWithUprightTitleBlock() {
  return "%!PS-Adobe-3.0\r\n%%Pages: 1\r\n%%EndComments\r\n%%Page: 1 1\r\n(%%[Page: 1]%%) = flush\r\n"
         "<< /PageSize [842 595] >> setpagedevice\r\n"
         "newpath 20 20 moveto 822 20 lineto 822 575 lineto 20 575 lineto closepath stroke\r\n"
         "/Helvetica findfont 14 scalefont setfont gsave 800 40 translate 90 rotate\r\n"
         "0 0 moveto (Ritningsnummer A-40-1-01 Plan 1 Skala 1:100) show\r\n"
         "0 -20 moveto (Kv. Asen bygglov ritad av AB Arkitekter) show\r\n"
         "0 -40 moveto (Revision B andrad 2024-05-01) show grestore\r\nshowpage\r\n%%EOF\r\n";
}

TEST_F(Conversion, ALandscapeSheetKeepsTheOrientationItWasPlottedIn) {
  const std::optional<std::filesystem::path> ps2pdf = qp::FindOnPath("ps2pdf");
  ASSERT_TRUE(ps2pdf);
  const struct {
    qs::Converter converter;
    qe::ConverterSetup setup;
  } cases[] = {{qs::Converter::Ghostscript, {}}, {qs::Converter::Distiller, {*ps2pdf, {}, {}}}};
  for (const auto& c : cases) {
    WriteTempFile({Plot("a.plt", LandscapeSheetWithUprightTitleBlock()), Plot("b.plt", qt::DriverPlotFile(1))});
    const qe::ConversionResult result = Convert(c.converter, c.setup);
    ASSERT_TRUE(result.pdfMade) << result.failure;
    const qt::Json objects = QpdfJson(pdf, "qpdf")[1];
    const qt::Json pages = QpdfJson(pdf, "pages");
    ASSERT_EQ(pages.items.size(), 2u);
    for (const qt::Json& page : pages.items) {
      const qt::Json& object = objects["obj:" + page["object"].text]["value"];
      EXPECT_EQ(object.has("/Rotate") ? object["/Rotate"].number : 0, 0)
          << "converter " << static_cast<int>(c.converter) << ", page " << page["pageposfrom1"].number;
    }
    EXPECT_EQ(objects["obj:" + pages[0]["object"].text]["value"]["/MediaBox"][2].number, 842);
  }
}

TEST_F(DistillerConversion, MissingConverterProgramFailsTheJob) {
  setup.program = dir / "no such program";
  ui.ExpectBox("Ingen PDF skapades.", MsgResult::Ok, 64, "Fel");
  ui.ExpectBox("Filen sannolikt upptagen. Försöka skapa PDF på nytt?", MsgResult::No, 36, "Acrobat Distiller-fel");
  const qe::ConversionResult result = Convert(qs::Converter::Distiller, setup);
  EXPECT_FALSE(result.pdfMade);
  EXPECT_EQ(result.failure, "Konverteraren " + setup.program.string() + " kunde inte startas: filen finns inte.");
}

// A converter that ends badly: the failure says how it ended, as gs's does
// (its exit code or the signal), then quotes its own error line, never the
// last page it reported.
TEST_F(DistillerConversion, AFailedJobQuotesNoProgressLineAsItsError) {
  const struct {
    std::string script, why;
  } cases[] = {
      {"echo '%%[Page: 1]%%'\necho '%%[Page: 2]%%'\nexit 3\n", "Konverteraren avslutades med felkod 3."},
      {"echo 'Error: /undefined in bar'\necho 'Giving up'\nexit 2\n",
       "Konverteraren avslutades med felkod 2. \"Error: /undefined in bar\""},
      {"echo '%%[Page: 1]%%'\nkill -9 $$\n",
       "Konverteraren avbröts av signalen 9 (processen dödades). Minnet kan ha tagit slut."},
  };
  for (const auto& c : cases) {
    MakeExecutable(setup.program, "#!/bin/sh\n" + c.script);
    ui.ExpectBox("Ingen PDF skapades.", MsgResult::Ok, 64, "Fel");
    ui.ExpectBox("Filen sannolikt upptagen. Försöka skapa PDF på nytt?", MsgResult::No, 36, "Acrobat Distiller-fel");
    EXPECT_EQ(FailureOf(Convert(qs::Converter::Distiller, setup)), c.why);
  }
}

TEST(SetBuildDefaults, FixesTheConverterOfTheProgram) {
  quiremark::settings::AppState state;
  qe::SetBuildDefaults(state, qs::Converter::Ghostscript);
  EXPECT_EQ(state.converterSelector, qs::Converter::Ghostscript);
  qe::SetBuildDefaults(state, qs::Converter::Distiller);
  EXPECT_EQ(state.converterSelector, qs::Converter::Distiller);
}

namespace {

// The text of the first element of an XMP field: "<dc:title>...<rdf:li ...>T</rdf:li>" or "<pdf:Keywords>T<".
std::string XmpField(const std::string& xmp, const std::string& tag) {
  size_t at = xmp.find("<" + tag);
  if (at == std::string::npos) return "(none)";
  const size_t end = xmp.find("</" + tag, at);
  const size_t li = xmp.find("<rdf:li", at);
  if (li != std::string::npos && li < end) at = li;
  at = xmp.find('>', at) + 1;
  std::string text = xmp.substr(at, xmp.find('<', at) - at);
  for (const auto& [entity, c] : std::vector<std::pair<std::string, std::string>>{
           {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"}, {"&amp;", "&"}}) {
    for (size_t p; (p = text.find(entity)) != std::string::npos;) text.replace(p, entity.size(), c);
  }
  return text;
}


}  // namespace

TEST_F(Conversion, QuitInAPlotFileEndsTheConversionEarlyAndFailsIt) {
  // gs ends at "quit" with exit code 0 and a good PDF of the pages so far.
  const std::string quitAtEnd = qt::DriverPlotFile(1, "Sektion") + "quit\r\n";
  WriteTempFile({Plot("A-01.plt", qt::DriverPlotFile(1, "Plan"), "Plan"), Plot("A-02.plt", quitAtEnd),
                 Plot("A-03.plt", qt::DriverPlotFile(1, "Fasad"))});
  qe::ConversionResult result = Convert(qs::Converter::Ghostscript);
  EXPECT_EQ(FailureOf(result), "PDF-filen fick 2 sidor, men plotfilerna har 3 sidor. Sidorna tar slut efter plotfilen " +
                                   (folder / "A-02.plt").string() + "; plotfilen " + (folder / "A-03.plt").string() +
                                   " och de efter den saknas.");
  EXPECT_FALSE(std::filesystem::exists(pdf)) << "no PDF of 2 pages passes for one of 3";
  EXPECT_EQ(Leftovers(), std::vector<std::string>{});

  // A quit between the pages of one file: the counts point into that file.
  std::string twoPages = qt::DriverPlotFile(2, "Sektion");
  twoPages.insert(twoPages.find("%%Page: 2 2"), "quit\r\n");
  WriteTempFile({Plot("A-01.plt", qt::DriverPlotFile(1)), Plot("A-02.plt", twoPages)});
  result = Convert(qs::Converter::Ghostscript);
  EXPECT_EQ(FailureOf(result), "PDF-filen fick 2 sidor, men plotfilerna har 3 sidor. Sidorna tar slut inne i plotfilen " +
                                   (folder / "A-02.plt").string() + ".");
  EXPECT_FALSE(std::filesystem::exists(pdf));
}

TEST_F(Conversion, PlotFilesThatShiftTheBookmarksFailTheConversion) {
  // An empty plot file is counted as one page but prints none.
  WriteTempFile({Plot("A-01.plt", qt::DriverPlotFile(1)), Plot("A-02.plt", ""), Plot("A-03.plt", qt::DriverPlotFile(1))});
  EXPECT_EQ(FailureOf(Convert(qs::Converter::Ghostscript)),
            "PDF-filen fick 2 sidor, men plotfilerna har 3 sidor. Plotfilen " + (folder / "A-02.plt").string() +
                " är tom och ger ingen sida.");
  EXPECT_FALSE(std::filesystem::exists(pdf));

  // Driver page lines that understate the pages: every later bookmark would be off.
  std::string understated = qt::DriverPlotFile(2);
  understated.replace(understated.find("(%%[Page: 2]%%) = flush\r\n"), 24, "");
  understated.replace(understated.find("(%%[Page: 1]%%)"), 15, "(%%[Page: 1]%%)");
  WriteTempFile({Plot("A-01.plt", understated), Plot("A-02.plt", qt::DriverPlotFile(1))});
  ASSERT_EQ(contents[0].pages, 1);
  // Its page beyond those goes nowhere; it is named all the same.
  EXPECT_EQ(FailureOf(Convert(qs::Converter::Ghostscript)),
            "Plotfilen " + (folder / "A-01.plt").string() +
                " har fler sidor (2) än dess sidrader anger (1).");
  EXPECT_FALSE(std::filesystem::exists(pdf));
}

TEST_F(Conversion, XmpMetadataAgreesWithTheDocumentInformation) {
  // Swedish letters and Windows-1252 punctuation in every field.
  qt::WriteFile(folder / "QuiremarkTitle.txt", "Kv. \xC5sen \x80 \x93" "del 1\x94 \x96 \x85\r\n");
  qs::SaveRegSetting("DocAuthor", "\xC3\x85sa \xE2\x80\x9C" "\xC3\x96" "berg\xE2\x80\x9D", "Options");
  qs::SaveRegSetting("DocSubject", "Bygglov \xE2\x80\x93 \xC3\xA4ndring \xE2\x82\xAC 5", "Options");
  qs::SaveRegSetting("DocKeywords", "plan; sektion \xE2\x80\x99" "a\xE2\x80\x99 \xE2\x80\xA6", "Options");
  WriteTempFile({Plot("A-01.plt", qt::DriverPlotFile(1))});
  ASSERT_TRUE(Convert(qs::Converter::Ghostscript).pdfMade);

  const PdfObjects objects = ReadObjects(pdf);
  const std::string title = PdfText(objects.info["/Title"]), author = PdfText(objects.info["/Author"]),
                    subject = PdfText(objects.info["/Subject"]), keywords = PdfText(objects.info["/Keywords"]);
  EXPECT_EQ(title, "Kv. Åsen € “del 1” – …");
  EXPECT_EQ(author, "Åsa “Öberg”");
  EXPECT_EQ(subject, "Bygglov – ändring € 5");
  EXPECT_EQ(keywords, "plan; sektion ’a’ …");
  if (!objects.catalog.has("/Metadata")) return;  // no XMP at all: viewers use the document information
  const std::string number = objects.catalog["/Metadata"].text.substr(0, objects.catalog["/Metadata"].text.find(' '));
  const auto xmp = qp::RunAndCapture({"qpdf", "--show-object=" + number, "--filtered-stream-data", pdf.string()});
  ASSERT_TRUE(xmp);
  EXPECT_EQ(XmpField(*xmp, "dc:title"), title);
  EXPECT_EQ(XmpField(*xmp, "dc:creator"), author);
  EXPECT_EQ(XmpField(*xmp, "dc:description"), subject);
  EXPECT_EQ(XmpField(*xmp, "pdf:Keywords"), keywords);
}

TEST_F(Conversion, FailuresAreToldInSwedishAndNameWhatFailed) {
  WriteTempFile({Plot("A-01.plt", qt::DriverPlotFile(1))});
  // A folder where the last run's log would stand: this run's log is its own.
  std::filesystem::create_directory(dir / "QuiremarkTmp.log");
  EXPECT_EQ(FailureOf(Convert(qs::Converter::Ghostscript)), "(made)");
  EXPECT_TRUE(std::filesystem::is_directory(dir / "QuiremarkTmp.log"));
  std::filesystem::remove(dir / "QuiremarkTmp.log");

  // A gs that cannot be run.
  qe::ConverterSetup setup;
  setup.ghostscript = dir / "gs";
  qt::WriteFile(setup.ghostscript, "not a program");
  ::chmod(setup.ghostscript.c_str(), 0644);
  EXPECT_EQ(FailureOf(Convert(qs::Converter::Ghostscript, setup)),
            "GhostScript (" + setup.ghostscript.string() + ") kunde inte startas: behörighet saknas.");
}

TEST_F(Conversion, TheGhostscriptFoundBeforeIsUsedAndReportedBack) {
  WriteTempFile({Plot("A-01.plt", qt::DriverPlotFile(1))});
  const qe::ConversionResult first = Convert(qs::Converter::Ghostscript);
  ASSERT_TRUE(first.pdfMade) << first.failure;
  ASSERT_FALSE(first.ghostscript.empty());
  // Without a search path nothing would be found; the program found before still serves.
  qt::ScopedEnv path{"PATH", (dir.path() / "empty").string()};
  qe::ConverterSetup setup;
  setup.ghostscript = first.ghostscript;
  const qe::ConversionResult second = Convert(qs::Converter::Ghostscript, setup);
  EXPECT_TRUE(second.pdfMade) << second.failure;
  EXPECT_EQ(second.ghostscript, first.ghostscript);
}

TEST(PageCountFailure, NamesThePlotFileTheCountsPointAt) {
  const std::vector<qe::BoundFile> files = {{"/r/A.plt", 1, 1, false}, {"/r/B.plt", 3, 3, false}, {"/r/C.plt", 1, 1, false}};
  const std::string head = "PDF-filen fick ";
  const std::vector<std::pair<int, std::string>> cases = {
      {5, ""},
      {4, head + "4 sidor, men plotfilerna har 5 sidor. Sidorna tar slut efter plotfilen /r/B.plt; plotfilen /r/C.plt och de efter den saknas."},
      {2, head + "2 sidor, men plotfilerna har 5 sidor. Sidorna tar slut inne i plotfilen /r/B.plt."},
      {1, head + "1 sida, men plotfilerna har 5 sidor. Sidorna tar slut efter plotfilen /r/A.plt; plotfilen /r/B.plt och de efter den saknas."},
      {0, head + "0 sidor, men plotfilerna har 5 sidor. Sidorna tar slut inne i plotfilen /r/A.plt."},
      {6, head + "6 sidor, men plotfilerna har 5 sidor."},
  };
  for (const auto& [pages, text] : cases) EXPECT_EQ(qe::PageCountFailure(pages, files), text) << pages;

  std::vector<qe::BoundFile> understated = files;
  understated[2].pageComments = 2;
  EXPECT_EQ(qe::PageCountFailure(6, understated),
            head + "6 sidor, men plotfilerna har 5 sidor. Plotfilen /r/C.plt har fler sidor (2) än dess sidrader anger (1).");
  // Where each marked file began: each file's pages, also where they agree together.
  std::vector<qe::BoundFile> marked = files;
  for (qe::BoundFile& file : marked) file.marked = true;
  const struct {
    int pdfPages;
    std::vector<int> starts;
    std::string text;
  } perFile[] = {
      {5, {1, 2, 5}, ""},
      {5, {1, 1, 4}, "Plotfilen /r/A.plt gav 0 sidor i PDF-filen, men har 1 sida. Även 1 plotfil till gav ett annat "
                     "antal sidor än de har."},
      {6, {1, 2, 5}, head + "6 sidor, men plotfilerna har 5 sidor. Plotfilen /r/C.plt gav 2 sidor i PDF-filen, men "
                            "har 1 sida."},
      // C made no page, and nothing came after it: where the conversion ended.
      {4, {1, 2, 5}, head + "4 sidor, men plotfilerna har 5 sidor. Sidorna tar slut efter plotfilen /r/B.plt; "
                            "plotfilen /r/C.plt och de efter den saknas."},
      {5, {0, 0, 0}, ""},  // a converter that keeps no marks: the pages together
      {4, {0, 0, 0}, head + "4 sidor, men plotfilerna har 5 sidor. Sidorna tar slut efter plotfilen /r/B.plt; "
                            "plotfilen /r/C.plt och de efter den saknas."},
      // The conversion ended inside B: no later file made a page.
      {3, {1, 2, 0}, head + "3 sidor, men plotfilerna har 5 sidor. Sidorna tar slut inne i plotfilen /r/B.plt."},
      {3, {1, 2, 4}, head + "3 sidor, men plotfilerna har 5 sidor. Sidorna tar slut inne i plotfilen /r/B.plt."},
  };
  for (const auto& c : perFile) {
    EXPECT_EQ(qe::PageCountFailure(c.pdfPages, marked, c.starts), c.text) << c.pdfPages << " pages";
  }
  EXPECT_EQ(qe::PageCountFailure(5, files, {1, 1, 4}), "") << "unmarked files: the pages together";

  std::vector<qe::BoundFile> empty = files;
  empty[1] = {"/r/B.plt", 1, 0, true};
  EXPECT_EQ(qe::PageCountFailure(2, empty),
            head + "2 sidor, men plotfilerna har 3 sidor. Plotfilen /r/B.plt är tom och ger ingen sida.");
}
