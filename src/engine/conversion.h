#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "controls/ui_services.h"
#include "engine/ghostscript_job.h"
#include "engine/pending_pdf.h"
#include "engine/run_files.h"
#include "engine/splash_form.h"
#include "engine/temp_ps_file.h"
#include "settings/app_state.h"

namespace quiremark::engine {

// Fixes the converter of this program: `built` is the converter selector the
// program was compiled with (Distiller in Quiremark, Ghostscript in QuiremarkGS).
void SetBuildDefaults(settings::AppState& state, settings::Converter built);

// The converters start-up found.
struct ConverterSetup {
  std::filesystem::path program;      // the Distiller-style converter from the Keys section (empty in QuiremarkGS)
  std::filesystem::path dataFolder;   // its "data" folder, where a stale prologue.ps is removed
  std::filesystem::path ghostscript;  // gs as found before; empty: looked up by the conversion
};

struct ConversionResult {
  bool pdfMade = false;
  // Why no PDF was made, in Swedish for the failure box, with the converter's
  // own error line quoted after it; "" when made.
  std::string failure;
  bool userTold = false;  // the converter's own boxes have told the user already
  std::filesystem::path ghostscript;  // the gs that ran, for the next conversion
};

// Converts the run's temporary PostScript file (`files`) into the PDF with
// the program's converter, showing its steps in the progress window. The
// converter runs in `pdf`'s own folder and writes its file there; only a
// complete PDF whose page count agrees with the pages of the plot files in
// `contents`, made from the temporary file as this run wrote it, takes the
// PDF's name. On any failure (converter missing or not started, non-zero exit
// or a signal, an error in its output, no complete PDF, a PDF whose pages
// cannot be read, pages that disagree, a temporary file changed meanwhile,
// the name that cannot be given) a PDF of that name from before stays as it
// was, and `failure` says why, with the converter's own error line quoted
// after it, naming the files as the user knows them. Then the temporary file
// and the converter's log take their names in the temporary folder.
//
// Distiller: a failed job shows "Ingen PDF skapades." and asks whether to try
// again. Ghostscript: the first candidate folder holding gs is used (or
// `setup.ghostscript`); its output goes to a log file beside the temporary
// file (same name, ".log"), and it is told to write no XMP metadata, which it
// garbles for characters beyond Latin-1 while the document information is right.
//
// With `temp`, the finished temporary file that `contents` are of, gs
// converts a large bind in slices, each by its own gs at once, and joins
// their PDFs into the one PDF (GhostscriptSlices, ConvertInSlices): the same
// PDF, checked the same way, in a fraction of the time.
//
// `whileConverting` runs once in every case: while gs works once it has been
// started (the caller's own writes then cost no time of their own), else
// before the converter returns.
ConversionResult ConvertToPdf(const settings::AppState& state, const ConverterSetup& setup, RunFiles& files,
                              PendingPdf& pdf, const std::vector<BoundFile>& contents, controls::UiServices& ui,
                              SplashForm& splash, const std::function<void()>& whileConverting = {},
                              const TempPsFile* temp = nullptr);

// "" when a PDF of `pdfPages` pages holds the plot files as counted, each
// beginning on its page; otherwise why not, naming the plot file the counts
// point at. `fileStarts` gives the page where each marked plot file begins
// (ReadPdfPages), `fileMade` the pages a file made where its entry says so;
// a file whose pages differ from its count is named (an
// empty plot file, one with more page comments than its driver's page lines
// say); where the beginnings are not known (a converter that drops the
// marks, a conversion that ended early), the total names the file the
// conversion ended in or after.
std::string PageCountFailure(int pdfPages, const std::vector<BoundFile>& contents,
                             const std::vector<int>& fileStarts = {}, const std::vector<int>& fileMade = {});

}  // namespace quiremark::engine
