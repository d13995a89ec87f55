#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quiremark::engine {

// gs turns a page whose text mostly runs upwards (the title block of a
// landscape sheet) by 90 degrees unless told not to; a plotted sheet keeps
// the orientation its driver gave it.
inline constexpr const char* kKeepPageOrientation = "-dAutoRotatePages=/None";
// gs makes a save of its own before it reads anything; without it each plot
// file's save is the outermost one, whose restore also takes back what the
// file left in global VM (BindProlog).
inline constexpr const char* kNoOuterSave = "-dNOOUTERSAVE";

// What a converter is started with besides the inherited environment. Each
// plot file's restore hands the memory it used back to the C library, which
// gives the top of its heap back to the system and then takes it in again,
// page by page, for the next file: on 2,000 small plot files some 14,000
// page faults, a tenth of gs's time. glibc is told to keep what is freed.
std::vector<std::string> ConverterEnvironment();

// Whether a converter program is one of Ghostscript's ps2pdf scripts
// (ps2pdf, ps2pdf12, ps2pdf13, ps2pdf14, ps2pdfwr), which hand the options
// before their input to gs. Another program would take an option for its input.
bool IsGhostscriptPs2Pdf(const std::filesystem::path& program);

// How a converter that made no PDF ended, in the user's words: its exit code,
// or the signal that ended it ("GhostScript avbröts av signalen 15 (processen
// stoppades)."); the system kills a converter (signal 9) when the memory runs
// out, which is said too.
std::string ConverterEnded(const std::string& converter, const std::optional<int>& exitCode, int signal);

// How a converter failed that ended with `exitCode` (or `signal`) and was to
// write `pdf`: as ConverterEnded, or that the PDF is not complete; "" when
// it ended well with a complete PDF.
std::string ConverterFailure(const std::string& converter, const std::optional<int>& exitCode, int signal,
                             const std::filesystem::path& pdf);

// The Distiller-style converter as an automation object: FileToPDF runs the
// converter program with the input and output paths and returns when the job
// has ended. Its events arrive on the calling thread while FileToPDF runs:
// OnPercentDone at the start (0), as the converter reports the pages it has
// done, and at the end of a good job (100),
// OnLogMessage for each line the converter writes, and OnJobFail, before
// FileToPDF returns, when no complete PDF was made; jobEnded then says how
// the converter ended.
//
// The converter's output goes to a log file beside the PostScript input (its
// base name and ".log": the temporary folder, never the user's own files),
// removed after a good job and kept after a failed one. A failed job leaves no PDF behind,
// and a PDF from an earlier job is removed before the job starts, so a PDF
// found afterwards is always this job's. The converter runs in the PDF's
// folder and is given the PDF's bare name: a converter built on gs reads a
// "%" in an output path as a page-number format, which a name given to
// ps2pdf has doubled (ps2pdf hands it to gs). It runs in a process group
// of its own that ends with the program (platform::StartOptions). ps2pdf is
// told to keep the pages' orientation.
class PdfDistiller {
 public:
  // `program`: the converter program that start-up found through the
  // settings file's Keys section (the classes-root command without " %1").
  explicit PdfDistiller(std::filesystem::path program) : program_(std::move(program)) {}

  // Ask for the converter's window. Its programs here run without a window
  // of their own, so this changes only the show state it is started with.
  bool bShowWindow = false;

  // The PDF's folder held open, which the converter is started in without
  // following a path; -1: the folder of the output path.
  int outputFolderFd = -1;

  // Job options name the converter's settings; this converter has none and
  // ignores them.
  void FileToPDF(const std::string& inputPostScript, const std::string& outputPdf, const std::string& jobOptions);

  // After a failed job: how its converter ended, in Swedish, as
  // ConverterFailure says it, or that it could not be started; "" when it
  // ended well (and failed by an error line in its output) or the job did.
  std::string jobEnded;

  std::function<void(long nPercentDone)> OnPercentDone;
  std::function<void(const std::string& strInputPostScript, const std::string& strOutputPDF)> OnJobFail;
  std::function<void(const std::string& strMessage)> OnLogMessage;

 private:
  std::filesystem::path program_;
};

}  // namespace quiremark::engine
