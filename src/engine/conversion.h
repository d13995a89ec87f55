#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "controls/ui_services.h"
#include "engine/splash_form.h"
#include "settings/app_state.h"

namespace quiremark::engine {

// Fixes the converter of this program: `built` is the converter selector the
// program was compiled with (Distiller in Quiremark, Ghostscript in QuiremarkGS).
void SetBuildDefaults(settings::AppState& state, settings::Converter built);

// What start-up found for the Distiller-style converter (empty in QuiremarkGS).
struct DistillerSetup {
  std::filesystem::path program;     // converter program from the Keys section
  std::filesystem::path dataFolder;  // its "data" folder, where a stale prologue.ps is removed
};

struct ConversionResult {
  bool pdfMade = false;
  std::string failure;  // why no PDF was made, for the caller to show or log; "" when made
};

// Converts the temporary PostScript file into the PDF with the program's
// converter, showing its steps in the progress window. A PDF that exists
// afterwards is complete: a failed conversion (converter missing or not
// started, non-zero exit, an error in its output, no complete PDF) leaves none.
//
// Distiller: a failed job shows "Ingen PDF skapades." and asks whether to try
// again. Ghostscript: the first candidate folder holding gs is used; its output
// goes to a log file beside the temporary file (same name, ".log").
ConversionResult ConvertToPdf(const settings::AppState& state, const DistillerSetup& distiller,
                              const std::filesystem::path& psFile, const std::filesystem::path& pdfFile,
                              controls::UiServices& ui, SplashForm& splash);

// The arguments gs is started with (no shell, so paths with blanks stay whole).
std::vector<std::string> GhostscriptArguments(const std::filesystem::path& gs, const std::filesystem::path& pdfFile,
                                              const std::filesystem::path& psFile);

}  // namespace quiremark::engine
