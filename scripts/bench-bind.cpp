// Benchmark helper for bench-bind.sh: a whole bind run through the headless
// main window, timed side by side with gs alone on the same temporary file.
//   bench-bind generate FOLDER COUNT SIDEFILES   one-page plot files, with side files when SIDEFILES is 1
//   bench-bind bind FOLDER OUTDIR BINDS          BINDS bind runs in this process, each beside gs alone
//   bench-bind floor FOLDER                      the least any bind pays: opening, reading and closing
//                                                every plot and side file once (best of 5, seconds)
//   bench-bind guard OUTDIR                      what a bind pays for taking its turn with the temporary
//                                                file and for making the PDF under a name of its own:
//                                                the lock, the hidden file (or the run's own folders in
//                                                the temporary and the output folder), the renames (best
//                                                of 5, seconds per bind; nothing when the build has neither)
// The bind mode prints one line per bind: "bind <s> gs <s> files <n> bindcpu <s> gscpu <s> order <o>":
// the whole run, the same conversion started alone, then the processor time (user + system) of
// the bind's converter and of the one started alone, and which ran first ("bind" or "gs"; the
// first bind of a process always runs first, later ones take turns, so neither side profits
// from always coming second). The registry and the temporary folder are whatever
// QUIREMARK_REGISTRY and Temp name.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "app/bind_run.h"
#include "app/file_grid_events.h"
#include "app/main_form.h"
#include "browser/numbering.h"
#include "controls/headless_ui.h"
#include "engine/conversion.h"
#include "engine/ghostscript_location.h"
#include "engine/temp_ps_file.h"
#include "platform/environment.h"
#include "platform/process.h"
#if __has_include("engine/pending_pdf.h")
#include "engine/pending_pdf.h"
#define BENCH_HAS_GUARDS
#endif
#if __has_include("engine/run_files.h")
#include "engine/run_files.h"
#define BENCH_HAS_RUN_FILES
#endif
#include "settings/registry_settings.h"

namespace fs = std::filesystem;
namespace qa = quiremark::app;

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Processor time of the child processes waited for so far.
double ChildrenCpu() {
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void Generate(const fs::path& folder, int count, bool sideFiles) {
  fs::create_directories(folder);
  for (int i = 1; i <= count; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "A-10-%04d", i);
    const std::string n = std::to_string(i);
    std::ofstream(folder / (std::string(name) + ".plt"), std::ios::binary)
        << "%!PS-Adobe-3.0\r\n%%Creator: Plotter driver\r\n%%Title: Ritning " << n
        << "\r\n%%Pages: 1\r\n%%EndComments\r\n%%Page: 1 1\r\n(%%[Page: 1]%%) = flush\r\n"
        << "newpath 72 72 moveto 400 " << 100 + i % 500 << " lineto 2 setlinewidth stroke\r\n"
        << "/Helvetica findfont 24 scalefont setfont 72 700 moveto (Ritning " << n << ") show\r\n"
        << "showpage\r\n%%EOF\r\n";
    if (sideFiles) std::ofstream(folder / (std::string(name) + ".txt"), std::ios::binary) << "Plan " << n << "\r\n";
  }
}

int Bind(const fs::path& folder, const fs::path& outDir, int binds) {
  quiremark::settings::AppState state;
  state.converterSelector = quiremark::settings::Converter::Ghostscript;
  quiremark::controls::HeadlessUi ui(std::cerr);
  qa::MainForm form(state, ui);
  quiremark::settings::SaveRegSetting("chkOpenPdf", "0", "Options");
  // Start-up looks the converter up before any bind.
  const auto gs = quiremark::engine::FindGhostscriptProgram(quiremark::engine::GhostscriptDllPaths());
  if (!gs) {
    std::cerr << "gs not found\n";
    return 1;
  }
#ifdef BENCH_FORM_KEEPS_CONVERTER
  form.GhostscriptProgram = gs->string();
#endif
  form.File1.SetPattern("*.plt");
  qa::ConnectFileGrid(form, {});
  form.fgTree.SetRows(1);
  form.fgTree.SetRowData(0, folder.string());
  form.fgTree.SetRow(0);
  form.Dir1.SetPath(folder.string());
  quiremark::browser::FilePane pane = qa::FilePaneOf(form);
  quiremark::browser::NumberAll(pane);
  const int files = form.fgFiles.rows() - 1;

  fs::create_directories(outDir);
  // gs alone on the temporary file the last bind wrote (every bind writes the same one).
  const auto gsAlone = [&](double& cpu) -> std::optional<double> {
    quiremark::platform::StartOptions options;
    options.workingFolder = gs->parent_path();
    options.outputFile = outDir / "gs.log";
    const double cpuBefore = ChildrenCpu();
    const auto start = std::chrono::steady_clock::now();
    auto started = quiremark::platform::StartProcess(
        quiremark::engine::GhostscriptArguments(*gs, outDir / "gs.pdf", quiremark::engine::TempPsPath()), options);
    if (!started.process || started.process->Wait() != 0) return std::nullopt;
    const double took = Seconds(start);
    cpu = ChildrenCpu() - cpuBefore;
    return took;
  };
  const auto bindOnce = [&](double& cpu) -> std::optional<double> {
    state.outFileArg = (outDir / "bind.pdf").string();
    const double cpuBefore = ChildrenCpu();
    const auto start = std::chrono::steady_clock::now();
    if (!qa::CreatePdf(form, qa::kBindPlain)) return std::nullopt;
    const double took = Seconds(start);
    cpu = ChildrenCpu() - cpuBefore;
    return took;
  };
  for (int run = 1; run <= binds; ++run) {
    const bool gsFirst = run % 2 == 0;
    double bindCpu = 0;
    double gsCpu = 0;
    std::optional<double> alone;
    if (gsFirst) alone = gsAlone(gsCpu);
    const std::optional<double> bind = bindOnce(bindCpu);
    if (!bind) {
      std::cerr << "bind failed\n";
      return 1;
    }
    if (!gsFirst) alone = gsAlone(gsCpu);
    if (!alone) {
      std::cerr << "gs alone failed\n";
      return 1;
    }
    std::printf("bind %.4f gs %.4f files %d bindcpu %.4f gscpu %.4f order %s\n", *bind, *alone, files, bindCpu, gsCpu,
                gsFirst ? "gs" : "bind");
    std::fflush(stdout);
  }
  return 0;
}

// Opens, checks and reads every plot and side file of the folder as plainly as
// the system allows, with no work of the program's own: what reading the
// files of a bind costs at the least.
int Floor(const fs::path& folder) {
  std::vector<std::string> files;
  for (const auto& entry : fs::directory_iterator(folder)) {
    const std::string extension = entry.path().extension().string();
    if (extension == ".plt" || extension == ".txt") files.push_back(entry.path().string());
  }
  std::vector<char> buffer(1 << 16);
  double best = 1e9;
  for (int round = 0; round < 5; ++round) {
    const auto start = std::chrono::steady_clock::now();
    for (const std::string& file : files) {
      const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
      struct stat st {};
      if (fd < 0 || ::fstat(fd, &st) != 0 || ::read(fd, buffer.data(), buffer.size()) < 0) return 1;
      ::close(fd);
    }
    best = std::min(best, Seconds(start));
  }
  std::printf("floor %.4f files %zu\n", best, files.size());
  return 0;
}

// The lock on the temporary file and the PDF's own name, as a bind takes
// them, 200 times: the lock taken and let go, the hidden file (or the run's
// folder) made in the output folder, a byte written into it and the rename
// over the PDF; where runs have folders of their own in the temporary folder
// too, that folder, a byte written into its temporary file and the renames
// of its files to their names in the temporary folder.
int Guard(const fs::path& outDir) {
#ifdef BENCH_HAS_GUARDS
  fs::create_directories(outDir);
  const fs::path psFile = quiremark::engine::TempPsPath();
  const fs::path pdf = outDir / "guard.pdf";
  constexpr int kBinds = 200;
  double best = 1e9;
  for (int round = 0; round < 5; ++round) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kBinds; ++i) {
      bool busy = false;
      const auto lock = quiremark::platform::FileUpdateLock::TryTake(psFile, 0600, busy);
      std::string failure;
      auto target = quiremark::engine::PendingPdf::Create(pdf, failure);
      if (!lock || !target) return 1;
#ifdef BENCH_HAS_RUN_FILES
      auto files = quiremark::engine::RunFiles::Create(failure);
      if (!files) return 1;
      std::ofstream(files->ps(), std::ios::binary) << 'x';
      files->NoteWritten();
#endif
      std::ofstream(target->path(), std::ios::binary) << 'x';
#ifdef BENCH_HAS_RUN_FILES
      if (!files->StillAsWritten()) return 1;
#endif
      if (!target->Commit(failure)) return 1;
#ifdef BENCH_HAS_RUN_FILES
      files->Keep(quiremark::engine::RunFiles::kPostScript);
      files->Keep(quiremark::engine::RunFiles::kLog);
#endif
    }
    best = std::min(best, Seconds(start) / kBinds);
  }
  std::printf("guard %.6f\n", best);
#else
  (void)outDir;
#endif
  return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 4 && args[0] == "generate") {
    Generate(args[1], std::stoi(args[2]), args[3] == "1");
    return 0;
  }
  if (args.size() == 4 && args[0] == "bind") return Bind(args[1], args[2], std::stoi(args[3]));
  if (args.size() == 2 && args[0] == "floor") return Floor(args[1]);
  if (args.size() == 2 && args[0] == "guard") return Guard(args[1]);
  std::cerr << "usage: bench-bind generate FOLDER COUNT SIDEFILES | bind FOLDER OUTDIR BINDS | floor FOLDER | guard OUTDIR\n";
  return 2;
}
