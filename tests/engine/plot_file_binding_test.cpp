// Plot files as other programs write them, bound with the real gs: each one
// comes out as gs makes it of the file alone, and where each one begins is
// checked in the PDF.
#define POINTERHOLDER_TRANSITION 4
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <gtest/gtest.h>

#include <cstdint>

#include "engine/conversion.h"
#include "engine/plot_files.h"
#include "engine/temp_ps_file.h"
#include "engine/trailer_options.h"
#include "platform/process.h"
#include "support/scripted_ui.h"
#include "support/test_support.h"

namespace qe = quiremark::engine;
namespace qs = quiremark::settings;
namespace qp = quiremark::platform;
namespace qt = quiremark::testing;

namespace {

// A page as a viewer shows it: its size and turn.
struct Page {
  double width = 0, height = 0;
  int rotate = 0;
  bool operator==(const Page&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Page& page) {
  return out << page.width << "x" << page.height << " rotated " << page.rotate;
}

std::vector<Page> Pages(const std::filesystem::path& pdf) {
  QPDF file;
  file.processFile(pdf.c_str());
  std::vector<Page> pages;
  for (QPDFObjectHandle page : file.getAllPages()) {
    const QPDFObjectHandle::Rectangle box = page.getKey("/MediaBox").getArrayAsRectangle();
    QPDFObjectHandle rotate = page.getKey("/Rotate");
    pages.push_back({box.urx - box.llx, box.ury - box.lly, rotate.isInteger() ? rotate.getIntValueAsInt() : 0});
  }
  return pages;
}

// What gs alone makes of one file.
std::vector<Page> PagesOfGsAlone(const std::filesystem::path& file) {
  const std::filesystem::path pdf = file.string() + ".alone.pdf";
  EXPECT_TRUE(qp::RunAndCapture({"gs", "-q", "-sDEVICE=pdfwrite", "-dAutoRotatePages=/None", "-dNOPAUSE", "-dBATCH",
                                 "-sOutputFile=" + pdf.string(), file.string()}));
  return Pages(pdf);
}

std::string PageText(const std::filesystem::path& pdf, int page) {
  const std::string n = std::to_string(page);
  return qp::RunAndCapture({"pdftotext", "-f", n, "-l", n, pdf.string(), "-"}).value_or("(no text)");
}

// An EPS drawing as a program exports it: its header, a drawing with the word
// "Logotyp", and the end given.
std::string Eps(const std::string& end) {
  return "%!PS-Adobe-3.0 EPSF-3.0\r\n%%BoundingBox: 0 0 200 100\r\n%%EndComments\r\n"
         "newpath 10 10 moveto 190 90 lineto stroke\r\n/Helvetica findfont 20 scalefont setfont 20 50 moveto "
         "(Logotyp) show\r\n" +
         end + "%%EOF\r\n";
}

// A DOS EPS binary file: the header, the PostScript and a TIFF preview.
std::string DosEps(const std::string& postScript, const std::string& tiff, uint32_t psLength) {
  std::string header = "\xC5\xD0\xD3\xC6";
  const auto put = [&](uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) header += static_cast<char>(value >> shift & 0xFF);
  };
  put(30);
  put(psLength);
  put(0);
  put(0);
  put(30 + static_cast<uint32_t>(postScript.size()));
  put(static_cast<uint32_t>(tiff.size()));
  header += "\xFF\xFF";
  return header + postScript + tiff;
}

const std::string kTiff = std::string("II*\0\x08\0\0\0", 8) + std::string(300, '\x7F') + "%%Page: 9 9\r\n";

class PlotFileBinding : public ::testing::Test {
 protected:
  std::filesystem::path Plot(const std::string& name, const std::string& content) {
    qt::WriteFile(folder / name, content);
    return folder / name;
  }

  // Binds the files as a grid run does and converts them; the failure, or "".
  std::string Bind(const std::vector<std::filesystem::path>& files,
                   qs::Converter converter = qs::Converter::Ghostscript) {
    std::string failure;
    std::optional<qe::RunFiles> run = qe::RunFiles::Create(failure);
    if (!run) return failure;
    qe::OutlineState outline;
    qe::TempPsFile out(run->ps());
    for (const auto& file : files) out.AppendPlotFile(file, &outline);
    out.Finish(qe::ReadDocInfo(folder, pdf), qe::ReadCatalogChoices(), outline);
    state.converterSelector = converter;
    qe::ConverterSetup setup;
    if (converter == qs::Converter::Distiller) setup.program = qp::FindOnPath("ps2pdf").value_or("ps2pdf");
    std::optional<qe::PendingPdf> target = qe::PendingPdf::Create(pdf, failure);
    if (!target) return failure;
    const qe::ConversionResult result = qe::ConvertToPdf(state, setup, *run, *target, out.files(), ui, splash);
    return result.pdfMade ? "" : result.failure;
  }

  qt::TempDir dir;
  qt::ScopedEnv registry{"QUIREMARK_REGISTRY", (dir.path() / "reg").string()};
  qt::ScopedEnv temp{"Temp", dir.path().string()};
  std::filesystem::path folder = [this] {
    std::filesystem::create_directories(dir / "Ritningar");
    return dir / "Ritningar";
  }();
  std::filesystem::path ps = qe::TempPsPath();
  std::filesystem::path pdf = dir / "Ritningar.pdf";
  qs::AppState state;
  qt::ScriptedUi ui;
  qe::SplashForm splash;
};

}  // namespace

// An A4 plot that sets no page size used to take the A1 size of the sheet
// before it, and an EPS without showpage drew onto the next page. A drawing
// converted to PostScript with a page comment too many before its trailer,
// a driver that indents its page lines and a plot without showpage were
// refused; each gets the pages gs alone gives it.
TEST_F(PlotFileBinding, EachPlotFileGetsThePagesGsMakesOfItAlone) {
  // Its page lines alone tell its pages.
  std::string indented = qt::DriverPlotFile(2, "Indrag");
  for (const char* comment : {"%%Page: 1 1\r\n", "%%Page: 2 2\r\n"}) indented.erase(indented.find(comment), 13);
  for (size_t at = 0; (at = indented.find("(%%[Page:", at)) != std::string::npos; at += 3) indented.insert(at, "  ");
  const std::vector<std::filesystem::path> files = {
      Plot("A1.plt", "%!PS-Adobe-3.0\r\n%%Page: 1 1\r\n(%%[Page: 1]%%) = flush\r\n<< /PageSize [1684 2384] >> "
                     "setpagedevice\r\nnewpath 100 100 moveto 1500 2200 lineto stroke\r\nshowpage\r\n"),
      Plot("A4.plt", qt::DriverPlotFile(1, "Plan")),
      Plot("Logo.eps", Eps("")),
      Plot("Sista.plt", qt::DriverPlotFile(1, "Sektion")),
      Plot("Konverterad.ps", "%!PS-Adobe-3.0\n%%Pages: (atend)\n%%EndComments\n%%Page: 1 1\nsave\n"
                             "0 0 moveto 300 300 lineto stroke\nshowpage\nrestore\n%%Page: 1 1\n"
                             "% normal end\n%%Trailer\n%%Pages: 1\n%%EOF\n"),
      Plot("Indrag.plt", indented),
      Plot("Skiss.plt", "%!PS\r\n/Helvetica findfont 20 scalefont setfont 72 600 moveto (Skiss) show\r\n"),
  };
  std::vector<Page> alone;
  for (const auto& file : files) {
    const std::vector<Page> pages = PagesOfGsAlone(file);
    alone.insert(alone.end(), pages.begin(), pages.end());
  }
  ASSERT_EQ(alone.size(), 8u);
  ASSERT_NE(alone[0], alone[1]) << "the sheet and the plot differ in size";
  for (const qs::Converter converter : {qs::Converter::Ghostscript, qs::Converter::Distiller}) {
    ASSERT_EQ(Bind(files, converter), "") << static_cast<int>(converter);
    EXPECT_EQ(Pages(pdf), alone) << static_cast<int>(converter);
    EXPECT_NE(PageText(pdf, 3).find("Logotyp"), std::string::npos);
    EXPECT_EQ(PageText(pdf, 4).find("Logotyp"), std::string::npos) << "the EPS drawing stays on its own page";
  }
}

// An EPS makes one page whatever its end does with showpage.
TEST_F(PlotFileBinding, AnEpsFileMakesOnePageWhetherItShowsItsPageOrNot) {
  const struct {
    const char* what;
    std::string end;
  } cases[] = {
      {"showpage", "showpage\r\n"},
      {"no showpage", ""},
      {"a showpage it takes", "/Visa true def Visa { showpage } if\r\n"},
      {"a showpage it leaves", "/Visa false def Visa { showpage } if\r\n"},
      {"two showpages", "showpage showpage\r\n"},
  };
  // A document of several pages that calls itself an EPS file is bound as the document it is.
  std::string threePages = qt::DriverPlotFile(3, "Plan");
  threePages.replace(0, threePages.find("\r\n"), "%!PS-Adobe-3.0 EPSF-3.0");
  ASSERT_EQ(Bind({Plot("Tre.eps", threePages), Plot("A-01.plt", qt::DriverPlotFile(1, "Plan"))}), "");
  EXPECT_EQ(Pages(pdf).size(), 4u);

  for (const auto& c : cases) {
    ASSERT_EQ(Bind({Plot("Logo.eps", Eps(c.end)), Plot("A-01.plt", qt::DriverPlotFile(1, "Plan"))}), "") << c.what;
    EXPECT_EQ(Pages(pdf).size(), 2u) << c.what;
    EXPECT_NE(PageText(pdf, 1).find("Logotyp"), std::string::npos) << c.what;
    EXPECT_EQ(PageText(pdf, 2).find("Logotyp"), std::string::npos) << c.what;
    EXPECT_NE(PageText(pdf, 2).find("Plan 1"), std::string::npos) << c.what;
  }
}

TEST_F(PlotFileBinding, ADosEpsBinaryFileBindsItsPostScriptSectionAlone) {
  const std::string postScript = Eps("showpage\r\n");
  const auto file = Plot("Logo.eps", DosEps(postScript, kTiff, static_cast<uint32_t>(postScript.size())));
  EXPECT_EQ(PagesOfGsAlone(file).size(), 1u);
  ASSERT_EQ(Bind({file, Plot("A-01.plt", qt::DriverPlotFile(1, "Plan"))}), "");
  EXPECT_EQ(Pages(pdf).size(), 2u);
  const std::string bound = qt::ReadFile(ps);
  EXPECT_NE(bound.find("\r\n" + postScript + "clear cleardictstack"), std::string::npos);
  EXPECT_EQ(bound.find("II*"), std::string::npos) << "no byte of the header or the preview";
  EXPECT_EQ(bound.find("\xC5\xD0"), std::string::npos);
}

TEST_F(PlotFileBinding, ADosEpsHeaderThatDoesNotFitTheFileRefusesItByName) {
  const std::string postScript = Eps("showpage\r\n");
  const auto size = static_cast<uint32_t>(postScript.size());
  std::string tiffBeyond = DosEps(postScript, kTiff, size);
  tiffBeyond.resize(tiffBeyond.size() - 10);  // cut short
  const struct {
    const char* what;
    std::string bytes;
    std::string why;
  } cases[] = {
      {"PostScript beyond the end", DosEps(postScript, kTiff, size + 5000),
       "PostScript-delen ska ligga på byte 30 till " + std::to_string(30 + size + 5000) + ", men filen har " +
           std::to_string(30 + size + kTiff.size()) + " byte"},
      {"preview cut short", tiffBeyond,
       "TIFF-bilden ska ligga på byte " + std::to_string(30 + size) + " till " +
           std::to_string(30 + size + kTiff.size()) + ", men filen har " + std::to_string(tiffBeyond.size()) + " byte"},
      {"no PostScript", DosEps("", kTiff, 0), "PostScript-delen är tom"},
      {"header cut short", DosEps(postScript, kTiff, size).substr(0, 20), "huvudet är kortare än 30 byte"},
  };
  for (const auto& c : cases) {
    const auto file = Plot("Logo.eps", c.bytes);
    qe::TempPsFile out(ps);
    try {
      out.AppendPlotFile(file, nullptr);
      ADD_FAILURE() << c.what << ": bound";
    } catch (const qe::PlotFileRefused& refused) {
      EXPECT_EQ(refused.what(), "Plotfilen " + file.string() +
                                    " är en EPS-fil med förhandsbild (DOS EPS) vars huvud inte stämmer med filen: " +
                                    c.why + ".")
          << c.what;
    }
  }
}

// Nothing a plot file leaves behind reaches the next one: after each of
// these, a file that tests the state gs alone starts it in finds it so.
TEST_F(PlotFileBinding, WhatAPlotFileLeavesEndsWithIt) {
  const std::string check =
      "%!PS-Adobe-3.0\r\n%%Page: 1 1\r\n"
      "count 0 ne { stack-not-empty } if countdictstack 3 ne { dictionaries-left } if\r\n"
      "currentglobal { global-allocation-left } if userdict /Kvar known { definition-left } if\r\n"
      "userdict /showpage known { showpage-made-anew } if\r\n"
      "currentfont /FontName known { currentfont /FontName get /Helvetica eq { font-left } if } if\r\n"
      "newpath 72 72 moveto 300 300 lineto stroke showpage\r\n";
  const std::string page = "newpath 72 72 moveto 200 400 lineto stroke\r\n";
  const struct {
    const char* what;
    std::string plot;
  } cases[] = {
      {"dictionaries and values on the stacks", "%!PS\r\n10 dict begin 5 dict begin 1 2 3 (x) /y mark\r\n" + page +
                                                    "showpage\r\n"},
      {"showpage made anew", "%!PS\r\n/showpage { } def\r\n" + page + "systemdict /showpage get exec\r\n"},
      {"global allocation on", "%!PS\r\ntrue setglobal\r\n" + page + "showpage\r\n"},
      {"a definition of its own", "%!PS\r\n/Kvar 1 def\r\n" + page + "showpage\r\n"},
      {"a font set after its page", "%!PS\r\n" + page + "showpage /Helvetica findfont 10 scalefont setfont\r\n"},
      {"a job header, a page size and an end of job",
       "\x1B%-12345X@PJL JOB\r\n@PJL ENTER LANGUAGE = POSTSCRIPT\r\n%!PS\r\n<< /PageSize [842 595] >> "
       "setpagedevice\r\n" +
           page + "showpage\r\n\x04\x1B%-12345X@PJL EOJ\r\n\x1B%-12345X"},
  };
  for (const auto& c : cases) {
    const auto probe = Plot("Prov.plt", check);
    const std::vector<Page> alone = PagesOfGsAlone(probe);
    EXPECT_EQ(Bind({Plot("A-01.plt", c.plot), probe}), "") << c.what;
    const std::vector<Page> pages = Pages(pdf);
    ASSERT_EQ(pages.size(), 2u) << c.what;
    EXPECT_EQ(pages[1], alone[0]) << c.what;
  }
}

// A plot file that never ends its page gets the page gs alone gives it; a
// later one that makes a page more than it says fails the run by name.
TEST_F(PlotFileBinding, PlotFilesWhoseMissingAndExtraPagesCancelOutFailTheRunByName) {
  std::string extraPage = qt::DriverPlotFile(2, "Sektion");
  extraPage.replace(extraPage.find("(%%[Page: 2]%%) = flush\r\n"), 24, "");
  const auto unended = Plot("A-01.plt", "%!PS\r\n/Helvetica findfont 20 scalefont setfont 72 600 moveto (Skiss) show\r\n");
  const auto extra = Plot("A-02.plt", extraPage);
  EXPECT_EQ(Bind({unended, extra, Plot("A-03.plt", qt::DriverPlotFile(1, "Fasad"))}),
            "Plotfilen " + extra.string() + " har fler sidor (2) än dess sidrader anger (1).");
  EXPECT_FALSE(std::filesystem::exists(pdf));
}
