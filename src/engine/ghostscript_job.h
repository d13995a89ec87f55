#pragma once

#include <sys/types.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "platform/process.h"

namespace quiremark::engine {

// One gs converting one PostScript file into one PDF: the one run of a
// bind, or one slice of it. gs runs in a folder of the run's own (by its
// descriptor), writes a bare file name there and its messages to a log, in
// a process group of its own that ends with the program (StartOptions).
class GhostscriptJob {
 public:
  struct Files {
    std::filesystem::path postScript;  // what gs reads, absolute
    int folderFd = -1;                 // the folder gs runs in and writes `pdfName` in
    std::string pdfName;
    std::filesystem::path pdf;         // the same file as this process reaches it
    std::filesystem::path log;         // gs's output, made new
    std::filesystem::path scratch;     // where gs keeps its own temporary files
  };

  // Starts gs; empty optional, with the reason in `failure` (Swedish), when
  // the log cannot be made or gs cannot be started.
  static std::optional<GhostscriptJob> Start(const std::filesystem::path& gs, Files files, std::string& failure);

  bool Ended() const { return process_.Ended(); }
  void Kill() { process_.Kill(); }
  // How far gs has read its PostScript file, in bytes; empty while it does
  // not hold it open.
  std::optional<uint64_t> Read();

  // Waits for gs and tells how it went: "" when it ended well with a complete
  // PDF and no error in its log; otherwise why not, in Swedish, with gs's own
  // error line quoted. `whereIs` names the plot file that was being read at
  // a position of the PostScript file ("" when none can be named), for gs's
  // report of where its error stood.
  std::string Finish(const std::function<std::string(uint64_t)>& whereIs);

  const Files& files() const { return files_; }
  // The signal that ended gs, once Finish saw it end so; else 0.
  int signal() const { return process_.terminatingSignal(); }

 private:
  GhostscriptJob(Files files, platform::ChildProcess process, dev_t device, ino_t inode)
      : files_(std::move(files)), process_(std::move(process)), device_(device), inode_(inode) {}

  Files files_;
  platform::ChildProcess process_;
  dev_t device_ = 0;
  ino_t inode_ = 0;
  int fd_ = -1;  // gs's descriptor of the PostScript file, once found
};

// What a failure of gs adds where it names the plot file gs failed in;
// whether a failure names one.
std::string ErrorInPlotFile(const std::string& shownPath);
bool NamesPlotFile(const std::string& failure);

// A failure of gs with the pointer to its log after it, for the failure box.
std::string WithLog(const std::string& failure, const std::filesystem::path& log);

// The arguments gs is started with (no shell, so paths with blanks stay whole).
std::vector<std::string> GhostscriptArguments(const std::filesystem::path& gs, const std::filesystem::path& pdfFile,
                                              const std::filesystem::path& psFile);

}  // namespace quiremark::engine
