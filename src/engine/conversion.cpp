#include "engine/conversion.h"

#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "engine/distiller.h"
#include "engine/ghostscript_location.h"
#include "engine/pdf_check.h"
#include "engine/pdf_page_count.h"
#include "engine/sliced_conversion.h"
#include "platform/process.h"
#include "platform/raw_file.h"
#include "platform/text_encoding.h"
#include "settings/text_routines.h"

namespace quiremark::engine {

namespace {

namespace fs = std::filesystem;
namespace mb = controls::mb;

// Between looks at a running gs: often enough that the end of a conversion
// is seen at once, as waiting for it would; a look costs next to nothing.
constexpr auto kPollInterval = std::chrono::milliseconds(10);

void RemoveStalePrologue(const ConverterSetup& setup) {
  if (setup.dataFolder.empty()) return;
  const auto prologue = setup.dataFolder / "prologue.ps";
  std::error_code ec;
  if (fs::is_regular_file(prologue, ec)) fs::remove(prologue, ec);
}

// A path as the user should read it in a message.
std::string Shown(const fs::path& path) { return platform::DecodeText(path.string()); }

std::string Quoted(const std::string& detail) { return "\"" + platform::DecodeText(detail) + "\""; }

ConversionResult DistillerConversion(const ConverterSetup& setup, const fs::path& psFile, const PendingPdf& pdf,
                                     controls::UiServices& ui, SplashForm& splash) {
  bool jobFailed = false;
  std::string errorLine;  // the converter's first error line, else its last line that is no progress report
  std::string ended;      // how the converter of a failed job ended
  // The converter writes the PDF under its own name in the run's folder,
  // which it takes there for the checks.
  const std::string ownName = pdf.target().filename().string();
  splash.Load();
  for (bool retry = true; retry;) {
    jobFailed = false;
    errorLine.clear();
    bool errorSeen = false;
    splash.Refresh();
    splash.SetProgressText("Startar Acrobat Distiller i bakgrunden.");
    ui.Yield();
    splash.SetRange(0, 100);
    splash.SetProgressText("Konverterar temporär fil till PDF...");
    PdfDistiller distiller(setup.program);
    distiller.outputFolderFd = pdf.folderFd();
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
      if (errorSeen || message.empty() || IsStatusLine(message)) return;
      errorSeen = IsErrorLine(message);
      errorLine = message;
    };
    ui.Yield();
    distiller.bShowWindow = true;
    distiller.FileToPDF(psFile.string(), (pdf.path().parent_path() / ownName).string(), "");
    distiller.bShowWindow = false;
    ended = distiller.jobEnded;
    retry = jobFailed && ui.MessageBox("Filen sannolikt upptagen. Försöka skapa PDF på nytt?",
                                       mb::kYesNo | mb::kQuestion, "Acrobat Distiller-fel") == controls::MsgResult::Yes;
  }
  if (!jobFailed) {
    if (::renameat(pdf.folderFd(), ownName.c_str(), pdf.folderFd(), pdf.name().c_str()) == 0) {
      return {true, "", false, {}};
    }
    const std::error_code error(errno, std::generic_category());
    return {false, "PDF-filen som konverteraren skapade kan inte läsas: " + platform::FileErrorText(error) + ".",
            false, {}};
  }
  // How the converter ended, as gs's failure says it, and its own word after it.
  const std::string failure = !ended.empty() ? ended
                              : errorLine.empty() ? "Konverteraren skapade ingen PDF."
                                                  : "Konverteraren rapporterade ett fel:";
  return {false, errorLine.empty() ? failure : failure + " " + Quoted(errorLine), true, {}};
}

// Runs the caller's work once: where the conversion calls it, or on the way out.
class OnceWork {
 public:
  explicit OnceWork(const std::function<void()>& work) : work_(work) {}
  ~OnceWork() { Run(); }
  OnceWork(const OnceWork&) = delete;
  OnceWork& operator=(const OnceWork&) = delete;
  void Run() {
    if (done_) return;
    done_ = true;
    if (work_) work_();
  }

 private:
  const std::function<void()>& work_;
  bool done_ = false;
};

// Until gs has ended, or has been ended because the user asked the run to
// stop: the window goes on painting, and the bar shows how far gs has read.
// The first looks come sooner still, for a short conversion.
void FollowJob(GhostscriptJob& job, const fs::path& psFile, controls::UiServices& ui, SplashForm& splash) {
  std::error_code error;
  const uint64_t size = fs::file_size(psFile, error);
  splash.SetRange(0, 100);
  splash.SetValue(0);
  auto interval = std::chrono::milliseconds(1);
  while (!job.Ended()) {
    if (splash.stopRequested) return job.Kill();
    if (!error && size > 0) {
      splash.SetValue(static_cast<int>(std::min(job.Read().value_or(0), size) * 100 / size));
    }
    ui.Yield();
    std::this_thread::sleep_for(interval);
    interval = std::min(interval * 2, kPollInterval);
  }
}

// Where gs failed without saying where its error stood: the first plot file
// whose outline entry the PDF does not hold (each file's entry follows it,
// so the files before it were converted to their end). nullptr when that
// does not tell (a file that carries no entry, or entries after it that
// show gs went further).
const BoundFile* FileFailedIn(const fs::path& pdf, const std::vector<BoundFile>& contents) {
  if (!IsCompletePdf(pdf)) return nullptr;
  const std::optional<PdfPages> pages = ReadPdfPages(pdf, contents.size());
  if (!pages) return nullptr;
  const auto converted = [&](size_t k) { return k < pages->fileStarts.size() && pages->fileStarts[k] > 0; };
  size_t failed = 0;
  while (failed < contents.size() && contents[failed].marked && converted(failed)) ++failed;
  if (failed == contents.size() || !contents[failed].marked) return nullptr;
  for (size_t k = failed + 1; k < contents.size(); ++k) {
    if (converted(k)) return nullptr;
  }
  return &contents[failed];
}

// gs converts the bind in one run, or a large bind in slices at once
// (`temp` tells its layout; `slicedPages` then gets the pages the slices made).
ConversionResult GhostscriptConversion(const ConverterSetup& setup, RunFiles& files, const PendingPdf& pdf,
                                       const std::vector<BoundFile>& contents, const TempPsFile* temp,
                                       controls::UiServices& ui, SplashForm& splash, OnceWork& whileConverting,
                                       std::optional<PdfPages>& slicedPages) {
  std::error_code ec;
  std::optional<fs::path> gs;
  if (!setup.ghostscript.empty() && fs::is_regular_file(setup.ghostscript, ec)) gs = setup.ghostscript;
  if (!gs) gs = FindGhostscriptProgram(GhostscriptDllPaths());
  if (!gs) return {false, "GhostScript (gs) hittades inte.", false, {}};
  splash.Load();
  splash.SetProgressText("Konverterar temporär fil till PDF med GhostScript...");
  ui.Yield();

  if (const size_t slices = temp ? GhostscriptSlices(*temp) : 1; slices > 1) {
    SlicedConversion sliced = ConvertInSlices(*gs, *temp, slices, files, pdf, ui, splash,
                                              [&] { whileConverting.Run(); });
    if (sliced.ran) {
      if (sliced.failure.empty()) slicedPages = std::move(sliced.pages);
      return {sliced.failure.empty(), sliced.failure, false, *gs};
    }
  }

  // gs writes its bare output name in the run's own folder beside the PDF.
  std::string failure;
  std::optional<GhostscriptJob> job = GhostscriptJob::Start(
      *gs, {files.ps(), pdf.folderFd(), pdf.name(), pdf.path(), files.File(RunFiles::kLog), files.folder()}, failure);
  ui.Yield();
  whileConverting.Run();
  if (!job) return {false, failure, false, *gs};
  FollowJob(*job, files.ps(), ui, splash);
  failure = job->Finish([&](uint64_t at) {
    const BoundFile* file = PlotFileAt(contents, at);
    return file ? Shown(file->path) : "";
  });
  if (splash.stopRequested) return {false, SplashForm::kStoppedText, false, *gs};
  if (failure.empty()) {
    splash.SetValue(100);
    return {true, "", false, *gs};
  }
  if (!NamesPlotFile(failure)) {
    if (const BoundFile* file = FileFailedIn(pdf.path(), contents)) failure += ErrorInPlotFile(Shown(file->path));
  }
  return {false, WithLog(failure, files.File(RunFiles::kLog)), false, *gs};
}

// The disk of `folder` has no room left: what a converter's failure may come from.
bool DiskFull(const fs::path& folder) {
  struct statvfs st{};
  return ::statvfs(folder.c_str(), &st) == 0 && st.f_bavail == 0;
}

// "sida" or "sidor" after a number.
std::string Pages(int n) { return std::to_string(n) + (n == 1 ? " sida" : " sidor"); }

}  // namespace

void SetBuildDefaults(settings::AppState& state, settings::Converter built) { state.converterSelector = built; }

namespace {

// Why plot file `file` made `made` pages where it has `file.pages`.
std::string FilePagesFailure(const BoundFile& file, int made) {
  if (file.empty) return "Plotfilen " + Shown(file.path) + " är tom och ger ingen sida.";
  if (file.pageComments > file.pages && made == file.pageComments) {
    return "Plotfilen " + Shown(file.path) + " har fler sidor (" + std::to_string(file.pageComments) +
           ") än dess sidrader anger (" + std::to_string(file.pages) + ").";
  }
  return "Plotfilen " + Shown(file.path) + " gav " + Pages(made) + " i PDF-filen, men har " + Pages(file.pages) + ".";
}

}  // namespace

std::string PageCountFailure(int pdfPages, const std::vector<BoundFile>& contents, const std::vector<int>& fileStarts,
                             const std::vector<int>& fileMade) {
  int expected = 0;
  for (const BoundFile& file : contents) expected += file.pages;
  const std::string total =
      pdfPages == expected ? "" : "PDF-filen fick " + Pages(pdfPages) + ", men plotfilerna har " + Pages(expected) + ".";
  // Each file made the pages its entry says it made, or else, where its
  // beginning and the next one's are both known, the pages between them (the
  // last one those up to the end): a file that made fewer and a later one
  // that made more are found even where the pages together agree.
  const auto start = [&](size_t k) {
    if (k == contents.size()) return pdfPages + 1;
    return k < fileStarts.size() && contents[k].marked ? fileStarts[k] : 0;
  };
  const BoundFile* first = nullptr;
  int firstMade = 0, others = 0;
  for (size_t k = 0; k < contents.size(); ++k) {
    int made = k < fileMade.size() && contents[k].marked ? fileMade[k] : 0;
    if (made == 0) {
      const int from = start(k), to = start(k + 1);
      if (from == 0 || to == 0) continue;
      made = to - from;
    }
    if (made == contents[k].pages) continue;
    if (first) {
      ++others;
      continue;
    }
    first = &contents[k];
    firstMade = made;
  }
  // A file that made fewer pages with none after it is where the conversion
  // ended (a "quit", an error): the pages together tell it best.
  bool ended = first && firstMade < first->pages && pdfPages < expected;
  for (size_t k = first ? static_cast<size_t>(first - contents.data()) + 1 : contents.size(); ended && k < contents.size(); ++k) {
    ended = start(k) == 0 || start(k) == pdfPages + 1;
  }
  if (first && !ended) {
    std::string text = (total.empty() ? "" : total + " ") + FilePagesFailure(*first, firstMade);
    if (others > 0) {
      text += " Även " + std::to_string(others) + (others == 1 ? " plotfil" : " plotfiler") +
              " till gav ett annat antal sidor än de har.";
    }
    return text;
  }
  if (total.empty()) return "";

  // Where the files' beginnings are not known, the pages together tell.
  std::string text = total;
  for (const BoundFile& file : contents) {
    if (file.empty) return text + " Plotfilen " + Shown(file.path) + " är tom och ger ingen sida.";
  }
  if (pdfPages < expected) {
    // The first file whose pages are not all there.
    int before = 0;
    size_t k = 0;
    while (k < contents.size() && before + contents[k].pages <= pdfPages) before += contents[k++].pages;
    if (k == contents.size()) return text;
    if (before < pdfPages || k == 0) return text + " Sidorna tar slut inne i plotfilen " + Shown(contents[k].path) + ".";
    return text + " Sidorna tar slut efter plotfilen " + Shown(contents[k - 1].path) + "; plotfilen " +
           Shown(contents[k].path) + " och de efter den saknas.";
  }
  for (const BoundFile& file : contents) {
    if (file.pageComments > file.pages) {
      return text + " Plotfilen " + Shown(file.path) + " har fler sidor (" + std::to_string(file.pageComments) +
             ") än dess sidrader anger (" + std::to_string(file.pages) + ").";
    }
  }
  return text;
}

ConversionResult ConvertToPdf(const settings::AppState& state, const ConverterSetup& setup, RunFiles& files,
                              PendingPdf& pdf, const std::vector<BoundFile>& contents, controls::UiServices& ui,
                              SplashForm& splash, const std::function<void()>& whileConverting,
                              const TempPsFile* temp) {
  OnceWork work(whileConverting);
  RemoveStalePrologue(setup);
  files.NoteWritten();
  const fs::path made = pdf.path();
  if (state.converterSelector == settings::Converter::Distiller) work.Run();
  std::optional<PdfPages> slicedPages;
  ConversionResult result = state.converterSelector == settings::Converter::Distiller
                                ? DistillerConversion(setup, files.ps(), pdf, ui, splash)
                                : GhostscriptConversion(setup, files, pdf, contents, temp, ui, splash, work, slicedPages);
  work.Run();
  // Asked to stop: no PDF, and the temporary folder keeps the record of the
  // bind before, as after a stop signal.
  if (splash.stopRequested) return {false, SplashForm::kStoppedText, false, result.ghostscript};
  // A converter can end early without an error (a "quit" in a plot file), and
  // an empty plot file shows only as outline entries beyond the last page:
  // the pages it made tell which plot file is to blame. A PDF whose pages
  // cannot be counted is not one to put in the user's place.
  std::string pageFailure;
  const std::string converter =
      state.converterSelector == settings::Converter::Distiller ? "konverteraren" : "GhostScript";
  if (!IsCompletePdf(made)) {
    // A PDF joined from slices is written here, not by a converter that
    // checked it; one that is not written to its end is no PDF.
    if (result.pdfMade) {
      pageFailure = slicedPages ? "Den sammanfogade PDF-filen är inte fullständig."
                                : "PDF-filen som " + converter + " skapade är inte fullständig.";
    }
  } else {
    std::string why;
    // Of a PDF joined from slices, where each file began is what the slices
    // made: the joined outline was written from the temporary file's.
    std::optional<PdfPages> pages = slicedPages ? slicedPages : ReadPdfPages(made, contents.size(), &why);
    if (slicedPages) {
      if (const std::optional<int> joined = PdfPageCount(made, &why); !joined) {
        pages.reset();
      } else if (*joined != pages->count) {
        why = "the joined PDF has " + std::to_string(*joined) + " pages, its parts " + std::to_string(pages->count);
        pages.reset();
      }
    }
    if (pages) {
      pageFailure = PageCountFailure(pages->count, contents, pages->fileStarts, pages->fileMade);
    } else {
      pageFailure = "PDF-filen som " + converter + " skapade kan inte läsas: " + Quoted(why) + ".";
    }
  }
  if (!pageFailure.empty()) {
    result.failure = result.pdfMade ? pageFailure : pageFailure + "\r\r" + result.failure;
    result.pdfMade = false;
  }
  // What was converted must be what this run wrote.
  if (result.pdfMade && !files.StillAsWritten()) {
    result.failure = "Den temporära filen " + Shown(files.ps()) + " togs bort eller ändrades under konverteringen.";
    result.pdfMade = false;
  }
  if (result.pdfMade && !pdf.Commit(result.failure)) result.pdfMade = false;
  if (!result.pdfMade && DiskFull(pdf.target().parent_path())) {
    result.failure = "Disken där PDF-filen skulle sparas är full.\r\r" + result.failure;
  }
  // The run's own files take their names in the temporary folder. A log
  // that cannot (another user's has the name, in a folder shared with the
  // sticky bit) is not the one the message sends the user to.
  files.Keep(RunFiles::kPostScript);
  if (const std::error_code notKept = files.Keep(RunFiles::kLog)) {
    result.failure = settings::ReplaceAll(result.failure, WithLog("", files.File(RunFiles::kLog)),
                                          "\r\r(Loggfilen kunde inte sparas som " +
                                              Shown(files.Record(RunFiles::kLog)) + ": " +
                                              platform::FileErrorText(notKept) + ".)");
  }
  // The files as the user knows them: the PDF by its name, the run's own by
  // the names they now have in the temporary folder.
  for (const std::string& own : {Shown(made), pdf.name()}) {
    result.failure = settings::ReplaceAll(result.failure, own, Shown(pdf.target()));
  }
  result.failure = files.AsRecorded(result.failure);
  // A PDF that failed its checks goes with `pdf`; one of that name from before stays.
  return result;
}

}  // namespace quiremark::engine
