#include "engine/distiller.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <future>
#include <thread>
#include <vector>

#include "engine/page_count.h"
#include "engine/pdf_check.h"
#include "platform/process.h"
#include "platform/raw_file.h"

namespace quiremark::engine {

namespace {

// Hands the lines a growing log file receives to a callback, as they come.
class LogFollower {
 public:
  LogFollower(std::filesystem::path log, const std::function<void(const std::string&)>& deliver)
      : log_(std::move(log)), deliver_(deliver) {}

  void Poll() {
    std::ifstream in(log_, std::ios::binary);
    if (!in) return;
    in.seekg(offset_);
    std::string more((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    offset_ += static_cast<std::streamoff>(more.size());
    pending_ += more;
    for (size_t end; (end = pending_.find('\n')) != std::string::npos; pending_.erase(0, end + 1)) {
      Deliver(pending_.substr(0, end));
    }
  }

  void Finish() {
    Poll();
    if (!pending_.empty()) Deliver(pending_);
    pending_.clear();
  }

 private:
  void Deliver(std::string line) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    deliver_(line);
  }

  std::filesystem::path log_;
  const std::function<void(const std::string&)>& deliver_;
  std::streamoff offset_ = 0;
  std::string pending_;
};

// Pages the job will print: the driver's page lines in the input, which the
// converter echoes as "%%[Page: n]%%" while it works through them.
int PagesToPrint(const std::string& input) {
  PageCommentScanner scanner;
  try {
    platform::ReadFileInBlocks(input, [&](const char* data, size_t size) { scanner.Feed(data, size); });
  } catch (const std::system_error&) {
    return 0;  // the converter will report the missing input itself
  }
  scanner.Finish();
  return scanner.driverLines();
}

}  // namespace

std::string ConverterEnded(const std::string& converter, const std::optional<int>& exitCode, int signal) {
  if (signal != 0) {
    return converter + " avbröts av signalen " + std::to_string(signal) +
           (signal == SIGKILL   ? " (processen dödades). Minnet kan ha tagit slut."
            : signal == SIGTERM ? " (processen stoppades)."
                                : ".");
  }
  if (!exitCode) return converter + " avslutades oväntat.";
  return converter + " avslutades med felkod " + std::to_string(*exitCode) + ".";
}

std::string ConverterFailure(const std::string& converter, const std::optional<int>& exitCode, int signal,
                             const std::filesystem::path& pdf) {
  if (exitCode != 0) return ConverterEnded(converter, exitCode, signal);
  if (!IsCompletePdf(pdf)) return converter + " skapade ingen fullständig PDF.";
  return "";
}

std::vector<std::string> ConverterEnvironment() {
  constexpr const char* kKeepFreedMemory = "glibc.malloc.trim_threshold=67108864";
  const char* tunables = std::getenv("GLIBC_TUNABLES");
  if (!tunables || !*tunables) return {std::string("GLIBC_TUNABLES=") + kKeepFreedMemory};
  return {std::string("GLIBC_TUNABLES=") + tunables + ":" + kKeepFreedMemory};
}

bool IsGhostscriptPs2Pdf(const std::filesystem::path& program) {
  const std::string name = program.filename().string();
  return name == "ps2pdf" || name == "ps2pdf12" || name == "ps2pdf13" || name == "ps2pdf14" || name == "ps2pdfwr";
}

void PdfDistiller::FileToPDF(const std::string& inputPostScript, const std::string& outputPdf,
                             const std::string& /*jobOptions*/) {
  std::error_code ec;
  jobEnded.clear();
  const std::filesystem::path pdf = std::filesystem::absolute(outputPdf, ec);
  const std::filesystem::path input = std::filesystem::absolute(inputPostScript, ec);
  const std::filesystem::path log = std::filesystem::path(input).replace_extension(".log");
  std::filesystem::remove(pdf, ec);
  if (OnPercentDone) OnPercentDone(0);

  const int pagesToPrint = PagesToPrint(input);
  platform::StartOptions options;
  options.showState = bShowWindow ? platform::show::kNormalFocus : platform::show::kHide;
  options.outputFile = log;
  if (outputFolderFd >= 0) {
    options.workingFolderFd = outputFolderFd;
  } else {
    options.workingFolder = pdf.parent_path();
  }
  options.environment = ConverterEnvironment();
  options.endsWithProgram = true;
  // A program named by a relative path is found from here, not from the PDF's folder.
  const std::string program =
      program_.has_parent_path() ? std::filesystem::absolute(program_, ec).string() : program_.string();
  std::vector<std::string> arguments{program};
  if (IsGhostscriptPs2Pdf(program_)) {
    arguments.push_back(kKeepPageOrientation);
    arguments.push_back(kNoOuterSave);
  }
  arguments.push_back(input.string());
  // The PDF's bare name, which no converter takes for an option; gs, which
  // ps2pdf hands it to, reads "%%" as a "%".
  std::string name = pdf.filename().string();
  if (name.starts_with('-')) name = "./" + name;
  if (IsGhostscriptPs2Pdf(program_)) {
    std::string doubled;
    for (char c : name) doubled += c == '%' ? std::string("%%") : std::string(1, c);
    name = doubled;
  }
  arguments.push_back(name);
  platform::StartResult started = platform::StartProcess(arguments, options);
  bool made = false;
  if (started.process) {
    // The child is waited for on a helper thread so that this thread can hand
    // out the log lines while the job runs.
    std::promise<std::optional<int>> exited;
    std::future<std::optional<int>> exitCode = exited.get_future();
    int endedBy = 0;  // the signal that ended it
    std::thread waiter([&exited, &endedBy, child = std::move(*started.process)]() mutable {
      const std::optional<int> code = child.Wait();
      endedBy = child.terminatingSignal();
      exited.set_value(code);
    });
    // Also when an event handler throws, the job is waited for before leaving.
    const struct JoinOnExit {
      std::thread& thread;
      ~JoinOnExit() {
        if (thread.joinable()) thread.join();
      }
    } joinOnExit{waiter};
    int pagesPrinted = 0;
    const std::function<void(const std::string&)> onLine = [&](const std::string& line) {
      if (OnLogMessage) OnLogMessage(line);
      if (pagesToPrint > 0 && line.find("%%[Page:") != std::string::npos && OnPercentDone) {
        OnPercentDone(std::min(99, 100 * ++pagesPrinted / pagesToPrint));
      }
    };
    LogFollower follower(log, onLine);
    while (exitCode.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready) follower.Poll();
    waiter.join();
    follower.Finish();
    jobEnded = ConverterFailure("Konverteraren", exitCode.get(), endedBy, pdf);
    made = jobEnded.empty() && FirstErrorLine(log).empty();
  } else {
    jobEnded = "Konverteraren " + program_.string() + " kunde inte startas: " +
               platform::FileErrorText(std::error_code(started.error, std::generic_category())) + ".";
  }

  if (!made) {
    std::filesystem::remove(pdf, ec);
    if (OnJobFail) OnJobFail(inputPostScript, outputPdf);
    return;
  }
  std::filesystem::remove(log, ec);
  jobEnded.clear();
  if (OnPercentDone) OnPercentDone(100);
}

}  // namespace quiremark::engine
