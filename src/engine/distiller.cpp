#include "engine/distiller.h"

#include <chrono>
#include <cstring>
#include <fstream>
#include <future>
#include <thread>

#include "engine/pdf_check.h"
#include "platform/process.h"

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
    if (deliver_) deliver_(line);
  }

  std::filesystem::path log_;
  const std::function<void(const std::string&)>& deliver_;
  std::streamoff offset_ = 0;
  std::string pending_;
};

}  // namespace

void PdfDistiller::FileToPDF(const std::string& inputPostScript, const std::string& outputPdf,
                             const std::string& /*jobOptions*/) {
  const std::filesystem::path pdf(outputPdf);
  const std::filesystem::path log = std::filesystem::path(pdf).replace_extension(".log");
  std::error_code ec;
  std::filesystem::remove(pdf, ec);
  if (OnPercentDone) OnPercentDone(0);

  platform::StartOptions options;
  options.showState = bShowWindow ? platform::show::kNormalFocus : platform::show::kHide;
  options.outputFile = log;
  platform::StartResult started = platform::StartProcess({program_.string(), inputPostScript, outputPdf}, options);
  bool made = false;
  if (started.process) {
    // The child is waited for on a helper thread so that this thread can hand
    // out the log lines while the job runs.
    std::promise<std::optional<int>> exited;
    std::future<std::optional<int>> exitCode = exited.get_future();
    std::thread waiter(
        [&exited, child = std::move(*started.process)]() mutable { exited.set_value(child.Wait()); });
    LogFollower follower(log, OnLogMessage);
    while (exitCode.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready) follower.Poll();
    waiter.join();
    follower.Finish();
    made = exitCode.get() == 0 && IsCompletePdf(pdf) && FirstErrorLine(log).empty();
  } else if (OnLogMessage) {
    OnLogMessage("Cannot start " + program_.string() + ": " + std::strerror(started.error));
  }

  if (!made) {
    std::filesystem::remove(pdf, ec);
    if (OnJobFail) OnJobFail(inputPostScript, outputPdf);
    return;
  }
  std::filesystem::remove(log, ec);
  if (OnPercentDone) OnPercentDone(100);
}

}  // namespace quiremark::engine
