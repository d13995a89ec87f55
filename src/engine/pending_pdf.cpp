#include "engine/pending_pdf.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/environment.h"
#include "platform/raw_file.h"
#include "platform/text_encoding.h"

namespace quiremark::engine {

namespace {

namespace fs = std::filesystem;

std::string Shown(const fs::path& path) { return platform::DecodeText(path.string()); }

std::string Reason(int error) { return platform::FileErrorText(std::error_code(error, std::generic_category())); }

}  // namespace

std::optional<PendingPdf> PendingPdf::Create(const fs::path& pdf, std::string& failure) {
  std::error_code ec;
  const fs::path target = fs::absolute(pdf, ec);
  if (ec || !target.has_filename()) {
    failure = "Utfilen " + Shown(pdf) + " är ingen filsökväg.";
    return std::nullopt;
  }
  struct stat old{};
  const bool exists = ::stat(target.c_str(), &old) == 0;
  if (exists && S_ISDIR(old.st_mode)) {
    failure = "Utfilen " + Shown(target) + " är en mapp.";
    return std::nullopt;
  }
  const fs::path folder = target.parent_path();
  // The name holds nothing of the user's: converters read a "%" in an
  // output name as a page-number format.
  std::string name;
  const int fd = platform::CreateUniqueFile((folder / ".QuiremarkTmp-").string(), ".pdf", 0666, name);
  if (fd < 0) {
    const int error = errno;
    struct stat st{};
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
      failure = "Mappen " + Shown(folder) + " finns inte.";
    } else {
      failure = "PDF-filen kan inte skapas i mappen " + Shown(folder) + ": " + Reason(error) + ".";
    }
    return std::nullopt;
  }
  // A PDF made again keeps the permissions the old one had.
  if (exists && S_ISREG(old.st_mode)) ::fchmod(fd, old.st_mode & 07777);
  ::close(fd);
  return PendingPdf(target, name);
}

PendingPdf::PendingPdf(fs::path target, fs::path path)
    : target_(std::move(target)),
      path_(std::move(path)),
      removeOnSignal_(std::make_unique<platform::RemoveOnSignal>(path_)) {}

PendingPdf::PendingPdf(PendingPdf&& other) noexcept
    : target_(std::move(other.target_)),
      path_(std::move(other.path_)),
      removeOnSignal_(std::move(other.removeOnSignal_)),
      done_(other.done_) {
  other.done_ = true;
}

PendingPdf::~PendingPdf() {
  if (done_) return;
  ::unlink(path_.c_str());
}

bool PendingPdf::Commit(std::string& failure) {
  struct stat st{};
  if (::stat(target_.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
    failure = "Utfilen " + Shown(target_) + " är en mapp.";
    return false;
  }
  if (std::rename(path_.c_str(), target_.c_str()) != 0) {
    failure = "PDF-filen kunde inte ges namnet " + Shown(target_) + ": " + Reason(errno) + ".";
    return false;
  }
  done_ = true;
  removeOnSignal_.reset();
  return true;
}

}  // namespace quiremark::engine
