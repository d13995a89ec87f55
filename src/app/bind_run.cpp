#include "app/bind_run.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <ostream>
#include <filesystem>
#include <system_error>
#include <thread>

#include "app/bind_steps.h"
#include "app/main_dispatcher.h"
#include "app/main_form.h"
#include "app/options_form.h"
#include "browser/file_grid.h"
#include "browser/file_pane.h"
#include "browser/history.h"
#include "browser/numbering.h"
#include "engine/conversion.h"
#include "engine/open_result.h"
#include "engine/pending_pdf.h"
#include "engine/run_files.h"
#include "engine/temp_ps_file.h"
#include "engine/trailer_options.h"
#include "platform/clock.h"
#include "platform/environment.h"
#include "platform/file_search.h"
#include "platform/program_info.h"
#include "platform/raw_file.h"
#include "platform/registry.h"
#include "platform/text_encoding.h"
#include "settings/registry_settings.h"
#include "settings/shell_helpers.h"
#include "settings/shell_sync.h"
#include "settings/text_routines.h"

namespace quiremark::app {
namespace {

namespace fs = std::filesystem;
namespace mb = controls::mb;

constexpr int kSaveDialogFlags = 0x80806;  // ask before overwriting, no read-only box, folder must exist, Explorer style
constexpr const char* kDefaultFolderTitle = "Standardsökväg för PDF";
constexpr auto kLockPollInterval = std::chrono::milliseconds(50);

// The first line of a path side file, trimmed; "" when it cannot be read or is empty.
std::string SideFileFolder(const fs::path& file) {
  try {
    return platform::Trim(settings::ReadFirstLine(file));
  } catch (const settings::FileError&) {
    return {};
  }
}

// Marks the run as active for its lifetime, so that the grid and a second
// bind wait for its end, and leaves the windows as they were on every way out.
class ActiveRun {
 public:
  explicit ActiveRun(MainForm& form) : form_(form) { form_.state.bindRunActive = true; }
  ~ActiveRun() {
    form_.frmSplash.Unload();
    form_.SetHourglass(false);
    form_.state.bindRunActive = false;
  }
  ActiveRun(const ActiveRun&) = delete;
  ActiveRun& operator=(const ActiveRun&) = delete;

 private:
  MainForm& form_;
};

class BindRun {
 public:
  BindRun(MainForm& form, float mode) : form_(form), ui_(form.ui), mode_(mode), folder_(form.Dir1.path()) {}

  bool Run() {
    // The run's registry values (history entry, first-run options, what the
    // metadata prompt saves) go to the hive file in one write.
    platform::HiveWriteBatch registryWrites(platform::Hive::CurrentUser);
    const std::string initialFolder = InitialFolder();
    SaveHistoryEntry();
    const int highest = browser::GetMaxNumber(form_.fgFiles);
    if (highest == 0) return false;
    const std::string pdf = AskForPdf(initialFolder);
    form_.OutputPdfPath = pdf;
    if (pdf.empty()) return false;
    // The PDF is made under a name of this run's own and takes its name only
    // when it is complete; a folder of that name or a folder that cannot take
    // the PDF is found before any work is done.
    std::string failure;
    std::optional<engine::PendingPdf> target = engine::PendingPdf::Create(pdf, failure);
    if (!target) return Fail(failure);

    ShowProgress(highest);
    if (form_.BookmarksFromGrid) form_.Outline.ResetScan();
    StoreFirstRunOptions();
    form_.frmSplash.Show();
    form_.frmSplash.Refresh();
    // Other runs of this user (a script binding several folders, a scheduled
    // run beside the window) share the temporary file and the DigiTejp batch
    // file as the record of the last bind: each waits until the one before
    // has converted and stamped. What a run converts and stamps is its own
    // all the same (engine::RunFiles), also when the lock file is gone.
    std::optional<platform::FileUpdateLock> tempFileLock = TakeTempFile(engine::TempPsPath());
    if (!tempFileLock) return false;
    std::optional<engine::RunFiles> files = engine::RunFiles::Create(failure);
    if (!files) return Fail(failure);
    if (!WriteTempFile(*files, pdf, highest)) return false;
    if (Stopped()) return Stop();
    form_.SetHourglass(false);
    form_.Refresh();

    const engine::ResultByProducts byProducts(pdf);
    // The hive is written while the converter works.
    if (!Convert(*files, *target, temp_->files(), [&] { registryWrites.Commit(); })) return false;
    CopyMarkdownSideFile(pdf);
    form_.state.lastPdfPath = pdf;
    form_.state.lastPdfByProducts = byProducts.Removable(temp_->files());
    // From here on a step that fails is passed over; the PDF is made.
    RunDigiTejp(*files, pdf);
    tempFileLock.reset();
    if (!Stopped()) OpenPdf();
    return true;
  }

 private:
  // The save dialog's initial folder, from the path side file of the mode.
  std::string InitialFolder() {
    const std::optional<std::string> suffix = PathSideFileSuffix(mode_);
    if (!suffix) return folder_;
    const std::string name = "Quiremark" + *suffix + ".path";
    const std::string shownName = folder_ + "/" + name;
    const std::optional<fs::path> own = platform::FindFileIgnoringCase(folder_, name);
    const std::optional<fs::path> parents = platform::FindFileIgnoringCase(fs::path(folder_) / "..", name);
    const fs::path ownFile = own ? *own : fs::path(folder_) / name;

    if (own || parents) {
      const std::string stored = SideFileFolder(own ? *own : *parents);
      if (settings::FolderExists(stored)) return stored;
      const auto answer = ui_.MessageBox("Filen " + shownName + " har otillgänglig sökväg angiven.\r\rVill du ange den nu?",
                                         mb::kYesNo | mb::kExclamation, "Sökväg saknas");
      if (answer != controls::MsgResult::Yes) return {};
      return AskForDefaultFolder(ownFile);
    }
    const auto answer = ui_.MessageBox(
        "Filen " + shownName +
            " saknas.\r\rVill du skapa den nu genom att ange en standardsökväg för den här mappen?",
        mb::kYesNo | mb::kExclamation, name + " saknas");
    if (answer != controls::MsgResult::Yes) return folder_;
    return AskForDefaultFolder(ownFile);
  }

  // Lets the user pick the default output folder and writes it into the
  // drawing folder's own side file; the drawing folder when none is picked.
  std::string AskForDefaultFolder(const fs::path& sideFile) {
    const std::string chosen = platform::Trim(settings::BrowseForFolder(ui_, folder_, kDefaultFolderTitle));
    if (!settings::FolderExists(chosen)) return folder_;
    try {
      settings::WriteTextFile(chosen, sideFile);
    } catch (const settings::FileError&) {
      // The folder cannot take the side file; this run still starts there.
    }
    return chosen;
  }

  // The history records the folder being bound. The tree's current row may
  // have moved since that folder was chosen (arrow keys, a closed tree), and
  // a root row or a gone favourite would give an entry that leads nowhere.
  void SaveHistoryEntry() {
    if (folder_.empty()) return;
    const platform::Clock& clock = platform::CurrentClock();
    browser::SavePrevious(clock.ShortDate(clock.Now()), settings::GetLastPathPart(folder_), folder_);
  }

  std::string AskForPdf(const std::string& initialFolder) {
    if (!form_.state.outFileArg.empty()) return form_.state.outFileArg;
    controls::FileDialogRequest request;
    request.title = "Skapa resultatfil";
    request.filter = "(*.pdf)|*.pdf";
    request.initialFolder = initialFolder;
    request.flags = kSaveDialogFlags;
    return ui_.SaveFileDialog(request).value_or("");
  }

  void ShowProgress(int highest) {
    form_.SetHourglass(true);
    form_.Refresh();
    engine::SplashForm& splash = form_.frmSplash;
    splash.Load();
    splash.top = form_.top() + form_.height() / 2 - splash.height / 2;
    splash.left = form_.left() + form_.width() / 2 - splash.width / 2;
    splash.SetRange(0, highest);
    splash.Refresh();
    splash.hourglass = true;
  }

  // The lock on the temporary file, taken at once or after waiting for the
  // run that holds it; the status pane and the progress window say why
  // nothing happens meanwhile, and an unattended run says it on standard
  // error when it starts waiting and when it goes on.
  std::optional<platform::FileUpdateLock> TakeTempFile(const fs::path& psFile) {
    bool busy = false;
    std::error_code error;
    std::optional<platform::FileUpdateLock> lock = platform::FileUpdateLock::TryTake(psFile, 0600, busy, &error);
    if (busy) {
      const std::string waiting = "Väntar på att en annan körning blir klar med den temporära filen " +
                                  platform::DecodeText(psFile.string()) + "...";
      const controls::StatusBarPane* notice = form_.StatusBar.FindPane(browser::kNoticePane);
      const std::string before = notice ? notice->text : "";
      form_.frmSplash.SetProgressText(waiting);
      form_.StatusBar.SetPaneText(browser::kNoticePane, waiting);
      Notice(waiting);
      while (!lock && busy && !Stopped()) {
        ui_.Yield();
        std::this_thread::sleep_for(kLockPollInterval);
        if (!Stopped()) lock = platform::FileUpdateLock::TryTake(psFile, 0600, busy, &error);
      }
      form_.StatusBar.SetPaneText(browser::kNoticePane, before);
      if (lock) Notice("Den andra körningen är klar; fortsätter.");
    }
    if (!lock) Stopped() ? Stop() : Fail(engine::TempLockFailure(psFile, error));
    return lock;
  }

  // A line on standard error in an unattended run.
  void Notice(const std::string& text) {
    if (form_.unattendedNotices) *form_.unattendedNotices << platform::ProgramName() << ": " << text << std::endl;
  }

  // With no options stored yet, the dialog's defaults are stored.
  void StoreFirstRunOptions() {
    if (settings::GetRegSetting("cboShow", "!", kOptionsKey) != "!") return;
    OptionsForm options(form_.state, ui_);
    options.Load();
    options.cmdSaveChanges_Click();
  }

  struct PlotFile {
    std::string shown;  // the path as the user reads it
    std::string path;   // the file on disk (its name may be Windows-1252)
  };

  // The plot files of the numbered rows: number 1 first, rows of one
  // number in grid order.
  std::vector<PlotFile> FilesInNumberOrder(int highest) const {
    const controls::Grid& grid = form_.fgFiles;
    // One pass over the grid and a stable sort, not one pass per number.
    std::vector<std::pair<int, int>> numbered;  // number, row
    for (int r = 1; r < grid.rows(); ++r) {
      const std::string& number = grid.TextMatrix(r, browser::kColNumber);
      const int n = number.empty() ? 0 : browser::NumberOf(number);
      if (n >= 1 && n <= highest) numbered.emplace_back(n, r);
    }
    std::stable_sort(numbered.begin(), numbered.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<PlotFile> files;
    files.reserve(numbered.size());
    for (const auto& [n, r] : numbered) {
      const std::string& name = grid.TextMatrix(r, browser::kColFileName);
      files.push_back({folder_ + (name.starts_with('/') ? "" : "/") + name, platform::FindShownFile(folder_, name)});
    }
    return files;
  }

  bool WriteTempFile(const engine::RunFiles& files, const std::string& pdf, int highest) {
    engine::SplashForm& splash = form_.frmSplash;
    std::optional<engine::TempPsFile>& temp = temp_;  // kept for the check of the converter's PDF
    // The temporary file as the user knows it; a failed run leaves nothing of it.
    const std::string shown = platform::DecodeText(files.Record(engine::RunFiles::kPostScript).string());
    const auto writeFailed = [&](const engine::TempWriteError& error, const char* what) {
      return Fail("Den temporära filen " + shown + " " + what + ": " + platform::FileErrorText(error.code()) + ".");
    };
    try {
      temp.emplace(files.ps(), &listings_);
    } catch (const std::exception&) {
      return Fail("Den temporära filen " + shown + " kan inte skapas.");
    }
    // A tree scan's outline is kept as it stands and takes the pages counted
    // in what is copied; once numbering cleared it, the outline is built from
    // the grid, as after a folder fill.
    const bool scanned = !form_.BookmarksFromGrid;
    int count = 0;
    for (const PlotFile& file : FilesInNumberOrder(highest)) {
      ++count;
      splash.Refresh();
      splash.SetProgressText("Bearbetar " + ShortenProgressPath(file.shown) + " " + std::to_string(count) + "/" +
                             std::to_string(highest));
      ui_.Yield();
      if (Stopped()) return Stop();
      if (count <= splash.max()) splash.SetValue(count);
      try {
        temp->AppendPlotFile(file.path, &form_.Outline, scanned);
      } catch (const engine::PlotFileRefused& refused) {
        return Fail(refused.what());
      } catch (const fs::filesystem_error& error) {
        return Fail(Unreadable(error));  // the plot file, or its side file
      } catch (const engine::TempWriteError& error) {
        return writeFailed(error, "kunde inte skrivas");
      } catch (const std::exception&) {
        return Fail("Den temporära filen " + shown + " kunde inte skrivas.");
      }
    }

    const engine::CatalogChoices catalog = engine::ReadCatalogChoices();
    if (settings::GetRegSetting("chkMetadata", "0", kOptionsKey) == "1") {
      AskForMetadata();
      listings_.Forget();  // the user may have added a title file meanwhile
    }
    engine::DocInfo info;
    try {
      info = engine::ReadDocInfo(folder_, pdf, &listings_);
    } catch (const fs::filesystem_error& error) {
      return Fail(Unreadable(error));  // the title file
    }
    try {
      form_.Outline.CountRemainingFiles();  // scanned files that were not bound, if any
      temp->Finish(info, catalog, form_.Outline);
    } catch (const engine::TempWriteError& error) {
      return writeFailed(error, "kunde inte skrivas färdigt");
    } catch (const std::exception&) {
      return Fail("Den temporära filen " + shown + " kunde inte skrivas färdigt.");
    }
    return true;
  }

  // The options dialog, shown modally, for the document information of this PDF.
  void AskForMetadata() { ShowOptionsDialog(form_); }

  bool Convert(engine::RunFiles& files, engine::PendingPdf& pdf, const std::vector<engine::BoundFile>& contents,
               const std::function<void()>& whileConverting) {
    const engine::ConverterSetup setup{form_.DistillerProgram, form_.DistillerDataFolder, form_.GhostscriptProgram};
    const engine::ConversionResult result =
        engine::ConvertToPdf(form_.state, setup, files, pdf, contents, ui_, form_.frmSplash, whileConverting, &*temp_);
    if (!result.ghostscript.empty()) form_.GhostscriptProgram = result.ghostscript.string();
    if (result.pdfMade) return true;
    if (Stopped()) return Stop();
    form_.BindFailure = result.failure;
    if (!result.userTold) {
      const bool gs = form_.state.converterSelector == settings::Converter::Ghostscript;
      ui_.MessageBox("Ingen PDF skapades.\r\r" + result.failure, mb::kOkOnly | mb::kCritical,
                     gs ? "GhostScript-fel" : "Acrobat Distiller-fel");
    }
    return false;
  }

  void CopyMarkdownSideFile(const std::string& pdf) {
    const std::string name = fs::path(pdf).filename().string();
    if (const auto markdown = listings_.Of(folder_).Find(name + ".md")) {
      std::error_code error;
      fs::copy_file(*markdown, pdf + ".md", fs::copy_options::overwrite_existing, error);
    }
  }

  void RunDigiTejp(engine::RunFiles& files, const std::string& pdf) {
    const std::string& program = form_.state.digiTejpExePath;
    const std::string setting = form_.cboDigiTejp.text();
    std::error_code error;
    if (program.empty() || !fs::is_regular_file(program, error) || setting.empty()) return;
    form_.SetHourglass(true);
    // The batch file is a shell script here, so its line ends with a line
    // feed alone: a carriage return would become part of the PDF's name.
    // It is the run's own while it runs, and the record of this run after.
    constexpr const char* kBatch = "DigiTejp.bat";
    const fs::path batch = files.File(kBatch);
    if (platform::WriteFileSafely(batch, DigiTejpBatchLine(program, setting, pdf) + "\n")) {
      try {
        settings::ShellSync("/bin/sh \"" + batch.string() + "\"", 1);
      } catch (const std::exception&) {
        // DigiTejp is an extra; the PDF stands without it.
      }
    }
    files.Keep(kBatch);
    form_.SetHourglass(false);
  }

  void OpenPdf() {
    if (settings::GetRegSetting("chkOpenPdf", "1", kOptionsKey) != "1") return;
    form_.frmSplash.SetProgressText("Öppnar PDF...");
    ui_.Yield();
    engine::OpenResultPdf(ui_, form_.state.lastPdfPath, form_.state.lastPdfByProducts);
  }

  // A file the bind reads (a plot file or a side file) that failed: it is named, with why.
  static std::string Unreadable(const fs::filesystem_error& error) {
    return "Filen " + platform::DecodeText(error.path1().string()) + " saknas eller kan inte läsas (" +
           platform::FileErrorText(error.code()) + ").";
  }

  // Whether the user asked the run to stop; a stopped run makes no PDF and
  // says so in the notice pane, with no box that would wait for an answer.
  bool Stopped() const { return form_.frmSplash.stopRequested; }
  bool Stop() {
    form_.BindFailure = engine::SplashForm::kStoppedText;
    form_.StatusBar.SetPaneText(browser::kNoticePane, "Ingen PDF skapades: bindningen avbröts.");
    return false;
  }

  // Tells the user why no PDF was made.
  bool Fail(const std::string& cause) {
    form_.BindFailure = cause;
    ui_.MessageBox(cause + "\r\rIngen PDF skapades.", mb::kOkOnly | mb::kCritical, "Fel");
    return false;
  }

  MainForm& form_;
  controls::UiServices& ui_;
  const float mode_;
  const std::string folder_;  // the drawing folder, fixed for the run
  // The folders' listings, made once for every side file, the title file and
  // the Markdown file: a folder of thousands of files is read once per run.
  platform::FolderListings listings_;
  std::optional<engine::TempPsFile> temp_;  // written, then what the converter's PDF is checked against
};

}  // namespace

bool CreatePdf(MainForm& form, float mode) {
  if (form.state.runActive()) return false;
  form.BindFailure.clear();
  form.frmSplash.stopRequested = false;
  ActiveRun active(form);
  return BindRun(form, mode).Run();
}

}  // namespace quiremark::app
