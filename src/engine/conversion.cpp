#include "engine/conversion.h"

#include <cstring>

#include "engine/distiller.h"
#include "engine/ghostscript_location.h"
#include "engine/pdf_check.h"
#include "platform/process.h"

namespace quiremark::engine {

namespace {

namespace mb = controls::mb;

void RemoveStalePrologue(const DistillerSetup& distiller) {
  if (distiller.dataFolder.empty()) return;
  const auto prologue = distiller.dataFolder / "prologue.ps";
  std::error_code ec;
  if (std::filesystem::is_regular_file(prologue, ec)) std::filesystem::remove(prologue, ec);
}

ConversionResult DistillerConversion(const DistillerSetup& setup, const std::filesystem::path& psFile,
                                     const std::filesystem::path& pdfFile, controls::UiServices& ui,
                                     SplashForm& splash) {
  bool jobFailed = false;
  std::string lastLog;
  splash.Load();
  for (bool retry = true; retry;) {
    jobFailed = false;
    lastLog.clear();
    splash.Refresh();
    splash.SetProgressText("Startar Acrobat Distiller i bakgrunden.");
    ui.Yield();
    splash.SetRange(0, 100);
    splash.SetProgressText("Konverterar temporär fil till PDF...");
    PdfDistiller distiller(setup.program);
    distiller.OnPercentDone = [&](long percent) {
      splash.Load();
      splash.SetValue(static_cast<int>(percent));
      splash.SetProgressText(percent >= 100 ? "PDF-fil slutförd. Avslutar Acrobat Distiller..."
                                            : "Genererar PDF. " + std::to_string(100 - percent) + "% återstår...");
      ui.Yield();
    };
    distiller.OnJobFail = [&](const std::string&, const std::string&) {
      ui.MessageBox("Ingen PDF skapades.", mb::kOkOnly | mb::kInformation, "Fel");
      jobFailed = true;
    };
    distiller.OnLogMessage = [&](const std::string& message) {
      if (!message.empty()) lastLog = message;
    };
    ui.Yield();
    distiller.bShowWindow = true;
    distiller.FileToPDF(psFile.string(), pdfFile.string(), "");
    distiller.bShowWindow = false;
    retry = jobFailed && ui.MessageBox("Filen sannolikt upptagen. Försöka skapa PDF på nytt?",
                                       mb::kYesNo | mb::kQuestion, "Acrobat Distiller-fel") == controls::MsgResult::Yes;
  }
  if (jobFailed) return {false, lastLog.empty() ? "the converter made no PDF" : lastLog};
  return {true, ""};
}

ConversionResult GhostscriptConversion(const std::filesystem::path& psFile, const std::filesystem::path& pdfFile,
                                       controls::UiServices& ui, SplashForm& splash) {
  const auto gs = FindGhostscriptProgram(GhostscriptDllPaths());
  if (!gs) return {false, "Ghostscript (gs) was not found"};
  splash.Load();
  splash.SetProgressText("Konverterar temporär fil till PDF med GhostScript...");
  ui.Yield();

  std::error_code ec;
  std::filesystem::remove(pdfFile, ec);  // an older PDF must not pass for this one
  const std::filesystem::path log = std::filesystem::path(psFile).replace_extension(".log");
  platform::StartOptions options;
  options.showState = platform::show::kHide;
  options.workingFolder = gs->parent_path();
  options.outputFile = log;
  // gs runs in its own folder: relative paths would name files there.
  platform::StartResult started = platform::StartProcess(
      GhostscriptArguments(*gs, std::filesystem::absolute(pdfFile), std::filesystem::absolute(psFile)), options);
  ui.Yield();
  std::string failure;
  if (!started.process) {
    failure = "cannot start " + gs->string() + ": " + std::strerror(started.error);
  } else {
    if (const std::optional<int> exitCode = started.process->Wait(); exitCode != 0) {
      failure = "gs ended with exit code " + (exitCode ? std::to_string(*exitCode) : std::string("unknown"));
    } else if (!IsCompletePdf(pdfFile)) {
      failure = "gs made no complete PDF";
    }
    if (const std::string error = FirstErrorLine(log); !error.empty()) {
      failure += (failure.empty() ? "" : ": ") + error;
    }
  }
  if (failure.empty()) return {true, ""};
  std::filesystem::remove(pdfFile, ec);
  return {false, failure + " (see " + log.string() + ")"};
}

}  // namespace

void SetBuildDefaults(settings::AppState& state, settings::Converter built) { state.converterSelector = built; }

std::vector<std::string> GhostscriptArguments(const std::filesystem::path& gs, const std::filesystem::path& pdfFile,
                                              const std::filesystem::path& psFile) {
  // gs reads "%" in the output name as a page-number format; "%%" is a "%".
  std::string output;
  for (char c : pdfFile.string()) output += c == '%' ? std::string("%%") : std::string(1, c);
  return {gs.string(), "-sDEVICE=pdfwrite", "-dNOPAUSE", "-dQUIET", "-dBATCH", "-sOutputFile=" + output,
          psFile.string()};
}

ConversionResult ConvertToPdf(const settings::AppState& state, const DistillerSetup& distiller,
                              const std::filesystem::path& psFile, const std::filesystem::path& pdfFile,
                              controls::UiServices& ui, SplashForm& splash) {
  RemoveStalePrologue(distiller);
  if (state.converterSelector == settings::Converter::Distiller) {
    return DistillerConversion(distiller, psFile, pdfFile, ui, splash);
  }
  return GhostscriptConversion(psFile, pdfFile, ui, splash);
}

}  // namespace quiremark::engine
