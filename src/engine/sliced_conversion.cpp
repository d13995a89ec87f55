#include "engine/sliced_conversion.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <fstream>
#include <system_error>
#include <thread>

#include "engine/bind_slices.h"
#include "engine/ghostscript_job.h"
#include "engine/pdf_merge.h"
#include "platform/environment.h"
#include "platform/process.h"
#include "platform/raw_file.h"
#include "platform/signal_cleanup.h"
#include "platform/text_encoding.h"

namespace quiremark::engine {

namespace {

namespace fs = std::filesystem;

// What gs takes for a bind, roughly, from measurements on driver plot files:
// some 15 MB of PostScript a second and a tenth of a millisecond a page, of
// a processor's time; and what converting in slices costs besides: each
// slice's gs to start (0.1 s of a processor) and the joining of their PDFs,
// some 0.12 ms a page (qpdf copies each page with its resources). A bind is
// cut where that saves kWorthIt seconds at least: one of 2,000 one-page
// drawings of a few lines each is done in one run as soon as in slices.
constexpr double kBytesPerSecond = 15e6;
constexpr double kSecondsPerPage = 1e-4;
constexpr double kGsStart = 0.1;
constexpr double kJoinPerPage = 1.2e-4;
constexpr double kWorthIt = 0.05;
// What one gs may need; the slices running at once get this much each of
// the memory the system has free. gs writing a PDF keeps little of it in
// memory (some 30 MB for 60 MB of plot files).
constexpr uint64_t kMemoryPerConverter = 256ull << 20;
constexpr auto kPollInterval = std::chrono::milliseconds(50);

std::string Shown(const std::string& path) { return platform::DecodeText(path); }
std::string Quoted(const std::string& detail) { return "\"" + platform::DecodeText(detail) + "\""; }

std::string SliceName(size_t k, const char* extension) { return "QuiremarkTmp-" + std::to_string(k + 1) + extension; }

// One slice while it is converted.
struct Running {
  BindSlice slice;
  uint64_t size = 0;      // of its PostScript file
  uint64_t start = 0;     // where in that file its first plot file begins
  std::optional<GhostscriptJob> job;
  bool done = false;
};

// The plot file of `running`'s slice that holds `at`, a place in the slice's
// file; "" where none does.
std::string FileAt(const TempPsFile& temp, const Running& running, uint64_t at) {
  const std::vector<BoundFile>& files = temp.files();
  const uint64_t begin = files[running.slice.firstFile].begin;
  if (at < running.start || at - running.start >= files[running.slice.endFile - 1].end - begin) return "";
  const BoundFile* file = PlotFileAt(files, begin + (at - running.start));
  return file ? Shown(file->path) : "";
}

void Unlink(int folderFd, const std::string& name) { ::unlinkat(folderFd, name.c_str(), 0); }

// The disk of the folder `fd` has (next to) no room left: a gs that failed
// may have given back its scratch files already.
bool DiskFull(int fd) {
  struct statvfs st{};
  return ::fstatvfs(fd, &st) == 0 && static_cast<uint64_t>(st.f_bavail) * st.f_frsize < (1u << 20);
}

// The logs of the slices one after the other, as the run's log.
void JoinLogs(const RunFiles& files, size_t count) {
  std::ofstream log(files.File(RunFiles::kLog), std::ios::binary | std::ios::trunc);
  for (size_t k = 0; k < count; ++k) {
    const std::string name = SliceName(k, ".log");
    if (std::ifstream part(files.File(name), std::ios::binary); part && part.peek() != EOF) log << part.rdbuf();
    Unlink(files.folderFd(), name);
  }
}

// The count QUIREMARK_SLICES sets, a whole number from 1: tests and
// measurements choose it, whatever the machine; empty when it is not set.
std::optional<size_t> ChosenSlices() {
  const std::string chosen = platform::GetEnv("QUIREMARK_SLICES");
  if (chosen.empty() || chosen.size() > 4 || chosen.find_first_not_of("0123456789") != std::string::npos) {
    return std::nullopt;
  }
  return std::max<size_t>(1, std::stoul(chosen));
}

}  // namespace

size_t SliceCount(const BindSize& bind, const SliceMachine& machine) {
  if (bind.files < 2 || bind.oneRunOnly) return 1;
  // No more gs at once than a stop signal can end, than there are
  // processors and plot files, or than the memory has room for.
  size_t most = std::min({machine.processors, bind.files, static_cast<size_t>(platform::kMaxGuarded)});
  if (machine.memory) most = std::min<uint64_t>(most, std::max<uint64_t>(1, *machine.memory / kMemoryPerConverter));
  // The processors' time `gs` of ours get beside the tasks of other
  // programs, each task taking its turn: a busy machine gives one gs a part
  // of a processor, and the slices together more.
  const auto share = [&](size_t gs) {
    return std::min(static_cast<double>(gs), static_cast<double>(machine.processors) * static_cast<double>(gs) /
                                                 static_cast<double>(gs + machine.otherTasks));
  };
  const double pages = bind.pages;
  const double work = static_cast<double>(bind.bytes) / kBytesPerSecond + pages * kSecondsPerPage;
  const double oneRun = work / share(1);
  size_t best = 1;
  double fastest = oneRun;
  for (size_t count = 2; count <= most; ++count) {
    const double sliced = (work + static_cast<double>(count) * kGsStart) / share(count) + pages * kJoinPerPage / share(1);
    if (sliced < fastest) {
      fastest = sliced;
      best = count;
    }
  }
  return oneRun - fastest >= kWorthIt ? best : 1;
}

size_t GhostscriptSlices(const TempPsFile& temp) {
  const BindSize bind{temp.files().size(), temp.pages(), temp.size(), temp.trailingRecords() > 0 || temp.pagesNamed()};
  if (bind.files < 2 || bind.oneRunOnly) return 1;
  if (const std::optional<size_t> chosen = ChosenSlices()) {
    return std::min({*chosen, bind.files, static_cast<size_t>(platform::kMaxGuarded)});
  }
  if (SliceCount(bind, {64, 0, std::nullopt}) < 2) return 1;  // the machine need not be asked
  return SliceCount(bind, {platform::UsableProcessors(), platform::OtherRunnableTasks().value_or(0),
                           platform::AvailableMemory()});
}

SlicedConversion ConvertInSlices(const fs::path& gs, const TempPsFile& temp, size_t count, RunFiles& files,
                                 const PendingPdf& pdf, controls::UiServices& ui, SplashForm& splash,
                                 const std::function<void()>& started) {
  SlicedConversion result;
  const int folder = files.folderFd();
  // The slices and their PDFs take about twice what the temporary file
  // takes, besides it; where the temporary folder has less room, one run
  // converts the bind as it would have.
  struct statvfs room{};
  if (::fstatvfs(folder, &room) != 0 ||
      static_cast<uint64_t>(room.f_bavail) * room.f_frsize < 2 * temp.size() + (64ull << 20)) {
    return result;
  }

  // The slices' PostScript, cut from the run's temporary file; should the
  // room run out all the same, one run converts the bind.
  std::vector<Running> slices;
  {
    const int in = ::open(files.ps().c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return result;
    bool written = true;
    for (const BindSlice& slice : PlanSlices(temp.files(), count)) {
      Running running;
      running.slice = slice;
      const int out = ::openat(folder, SliceName(slices.size(), ".ps").c_str(),
                               O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
      slices.push_back(std::move(running));
      if (out < 0) {
        written = false;
        break;
      }
      try {
        slices.back().start = WriteSlice(temp, in, slice, out);
      } catch (const std::system_error&) {
        written = false;
      }
      struct stat st{};
      slices.back().size = ::fstat(out, &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
      if (::close(out) != 0) written = false;
      if (!written) break;
    }
    ::close(in);
    if (!written) {  // no room for them: one run converts the bind
      for (size_t k = 0; k < slices.size(); ++k) Unlink(folder, SliceName(k, ".ps"));
      return result;
    }
  }
  result.ran = true;

  // All of them at once.
  const auto endAll = [&] {
    for (Running& running : slices) {
      if (running.job && !running.done) running.job->Kill();
    }
  };
  for (size_t k = 0; k < slices.size(); ++k) {
    GhostscriptJob::Files jobFiles{files.File(SliceName(k, ".ps")), folder, SliceName(k, ".pdf"),
                                   files.File(SliceName(k, ".pdf")), files.File(SliceName(k, ".log")), files.folder()};
    slices[k].job = GhostscriptJob::Start(gs, std::move(jobFiles), result.failure);
    if (!slices[k].job) break;
  }
  if (started) started();

  // Until every gs has ended, or one has failed and the others are ended.
  uint64_t total = 0;
  for (const Running& running : slices) total += running.size;
  splash.SetRange(0, 100);
  bool failed = !result.failure.empty();
  if (failed) endAll();
  int shown = -1;
  for (;;) {
    size_t left = 0;
    uint64_t read = 0;
    for (Running& running : slices) {
      if (running.done || !running.job) continue;
      if (!running.job->Ended()) {
        ++left;
        read += std::min(running.job->Read().value_or(0), running.size);
        continue;
      }
      running.done = true;
      const std::string failure =
          running.job->Finish([&](uint64_t at) { return FileAt(temp, running, at); });
      Unlink(folder, SliceName(static_cast<size_t>(&running - slices.data()), ".ps"));
      if (failure.empty() || failed) continue;  // what ends after a failure was ended by it
      failed = true;
      result.failure = failure;
      // A cause the plot files have no part in: the temporary folder's
      // disk ran full, or the system killed gs (its memory ran out).
      if (DiskFull(folder)) {
        result.failure =
            "Disken där den temporära mappen " + Shown(files.temp().string()) + " finns är full.\r\r" + failure;
      } else if (running.job->signal() != SIGKILL && failure.find("Felet finns i plotfilen") == std::string::npos) {
        const std::vector<BoundFile>& bound = temp.files();
        const BindSlice& slice = running.slice;
        result.failure += slice.endFile - slice.firstFile == 1
                              ? " Felet finns i plotfilen " + Shown(bound[slice.firstFile].path) + "."
                              : " Felet finns i en av plotfilerna " + Shown(bound[slice.firstFile].path) + " till " +
                                    Shown(bound[slice.endFile - 1].path) + ".";
      }
      endAll();
    }
    for (const Running& running : slices) {
      if (running.done) read += running.size;
    }
    if (left == 0) break;
    if (splash.stopRequested && !failed) {  // the user asked the run to stop
      failed = true;
      result.failure = SplashForm::kStoppedText;
      endAll();
    }
    const int percent = total == 0 ? 0 : static_cast<int>(std::min<uint64_t>(100, read * 100 / total));
    if (percent != shown) splash.SetValue(shown = percent);
    ui.Yield();
    std::this_thread::sleep_for(kPollInterval);
  }
  JoinLogs(files, slices.size());
  const auto removeParts = [&] {
    for (size_t k = 0; k < slices.size(); ++k) Unlink(folder, SliceName(k, ".pdf"));
  };
  if (failed) {
    removeParts();
    result.failure = WithLog(result.failure, files.File(RunFiles::kLog));
    return result;
  }
  splash.SetValue(100);

  // Where each plot file began, as each slice's own PDF shows it.
  const size_t fileCount = temp.files().size();
  result.pages.fileStarts.assign(fileCount, 0);
  result.pages.fileMade.assign(fileCount, 0);
  std::vector<fs::path> parts;
  for (size_t k = 0; k < slices.size(); ++k) {
    parts.push_back(files.File(SliceName(k, ".pdf")));
    std::string why;
    const std::optional<PdfPages> pages = ReadPdfPages(parts.back(), fileCount, &why);
    if (!pages) {
      removeParts();
      result.failure = "PDF-filen som GhostScript skapade kan inte läsas: " + Quoted(why) + ".";
      return result;
    }
    const BindSlice& slice = slices[k].slice;
    for (size_t f = slice.firstFile; f < slice.endFile; ++f) {
      if (pages->fileStarts[f] > 0) result.pages.fileStarts[f] = result.pages.count + pages->fileStarts[f];
      if (f < pages->fileMade.size()) result.pages.fileMade[f] = pages->fileMade[f];
    }
    result.pages.count += pages->count;
  }

  // One PDF of them, written where the one run would have written it, and
  // on the disk before it is checked: a write, the sync or the close that
  // fails (a full disk) fails the join. What was written stays until the
  // run's folder goes, so the disk is seen as the failure left it.
  const int out = ::openat(pdf.folderFd(), pdf.name().c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0666);
  std::error_code writeError;
  std::string why;
  if (out < 0) {
    writeError = std::error_code(errno, std::generic_category());
  } else {
    if (MergePdfParts(parts, temp.outline(), out, why, &writeError) && ::fsync(out) != 0) {
      writeError = std::error_code(errno, std::generic_category());
    }
    if (::close(out) != 0 && why.empty() && !writeError) writeError = std::error_code(errno, std::generic_category());
  }
  removeParts();
  if (writeError) {
    result.failure = "Den sammanfogade PDF-filen kunde inte skrivas: " + platform::FileErrorText(writeError) + ".";
  } else if (!why.empty()) {
    result.failure =
        "PDF-filerna som GhostScript skapade av bindningens delar kunde inte fogas samman: " + Quoted(why) + ".";
  }
  return result;
}

}  // namespace quiremark::engine
