#include "engine/ghostscript_job.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "engine/distiller.h"
#include "engine/pdf_check.h"
#include "platform/raw_file.h"
#include "platform/text_encoding.h"

namespace quiremark::engine {

namespace {

namespace fs = std::filesystem;

std::string Shown(const fs::path& path) { return platform::DecodeText(path.string()); }
std::string Quoted(const std::string& detail) { return "\"" + platform::DecodeText(detail) + "\""; }
std::string Reason(int error) { return platform::FileErrorText(std::error_code(error, std::generic_category())); }

}  // namespace

std::string ErrorInPlotFile(const std::string& shownPath) { return " Felet finns i plotfilen " + shownPath + "."; }

bool NamesPlotFile(const std::string& failure) { return failure.find(" Felet finns i plotfilen ") != std::string::npos; }

std::string WithLog(const std::string& failure, const fs::path& log) {
  return failure + "\r\r(Se loggfilen " + Shown(log) + ".)";
}

std::vector<std::string> GhostscriptArguments(const fs::path& gs, const fs::path& pdfFile, const fs::path& psFile) {
  // gs reads "%" in the output name as a page-number format; "%%" is a "%".
  std::string output;
  for (char c : pdfFile.string()) output += c == '%' ? std::string("%%") : std::string(1, c);
  return {gs.string(), "-sDEVICE=pdfwrite", "-dNOPAUSE", "-dQUIET", "-dBATCH", "-dOmitXMP", kKeepPageOrientation, kNoOuterSave,
          "-sOutputFile=" + output, psFile.string()};
}

std::optional<GhostscriptJob> GhostscriptJob::Start(const fs::path& gs, Files files, std::string& failure) {
  // The log is made first, so that a log that cannot be written is reported
  // as that and not as a converter that cannot be started.
  const int log = ::open(files.log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (log < 0) {
    failure = "Loggfilen " + Shown(files.log) + " kan inte skapas: " + Reason(errno) + ".";
    return std::nullopt;
  }
  ::close(log);
  struct stat input{};
  if (::stat(files.postScript.c_str(), &input) != 0 || !S_ISREG(input.st_mode)) {
    failure = "Den temporära filen " + Shown(files.postScript) + " kan inte läsas.";
    return std::nullopt;
  }
  platform::StartOptions options;
  options.showState = platform::show::kHide;
  options.workingFolderFd = files.folderFd;
  options.outputFile = files.log;
  options.environment = ConverterEnvironment();
  // gs's own temporary files go with the run's.
  if (!files.scratch.empty()) options.environment.push_back("TMPDIR=" + files.scratch.string());
  options.endsWithProgram = true;
  platform::StartResult started = platform::StartProcess(GhostscriptArguments(gs, files.pdfName, files.postScript), options);
  if (!started.process) {
    failure = "GhostScript (" + Shown(gs) + ") kunde inte startas: " + Reason(started.error) + ".";
    return std::nullopt;
  }
  return GhostscriptJob(std::move(files), std::move(*started.process), input.st_dev, input.st_ino);
}

std::optional<uint64_t> GhostscriptJob::Read() { return process_.ReadPosition(device_, inode_, fd_); }

std::string GhostscriptJob::Finish(const std::function<std::string(uint64_t)>& whereIs) {
  const std::optional<int> exitCode = process_.Wait();
  std::string failure = ConverterFailure("GhostScript", exitCode, process_.terminatingSignal(), files_.pdf);
  if (const std::string error = FirstErrorLine(files_.log); !error.empty()) {
    failure += (failure.empty() ? "GhostScript rapporterade ett fel: " : " ") + Quoted(error);
    // gs tells where in its input it stood.
    if (const std::optional<uint64_t> at = ErrorFilePosition(files_.log); at && whereIs) {
      if (const std::string file = whereIs(*at); !file.empty()) failure += ErrorInPlotFile(file);
    }
  } else if (const std::string notice = FirstNoticeLine(files_.log); !failure.empty() && !notice.empty()) {
    // gs says why it could not go on ("Could not open the file ...") in a notice line.
    failure += " " + Quoted(notice);
  }
  return failure;
}

}  // namespace quiremark::engine
