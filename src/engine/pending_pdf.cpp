#include "engine/pending_pdf.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/raw_file.h"
#include "platform/text_encoding.h"

namespace quiremark::engine {

namespace {

namespace fs = std::filesystem;

constexpr const char* kFolderPrefix = ".QuiremarkTmp-";

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
  if (::stat(target.c_str(), &old) == 0 && S_ISDIR(old.st_mode)) {
    failure = "Utfilen " + Shown(target) + " är en mapp.";
    return std::nullopt;
  }
  // The PDF made before is the file of that name itself: a link there is
  // replaced, and what it leads to lends the new PDF nothing.
  const bool replacesFile = ::lstat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode);
  // A PDF without any write permission is kept as the user protected it,
  // and so is one this user may not write (another user's).
  const auto mayNotWrite = [&] {
    return ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS | AT_SYMLINK_NOFOLLOW) != 0 &&
           (errno == EACCES || errno == EPERM || errno == EROFS);
  };
  if (replacesFile && ((old.st_mode & 0222) == 0 || mayNotWrite())) {
    failure = "PDF-filen " + Shown(target) + " är skrivskyddad.";
    return std::nullopt;
  }
  const fs::path folder = target.parent_path();
  platform::PrivateFolder::RemoveAbandoned(folder, kFolderPrefix);
  int error = 0;
  std::optional<platform::PrivateFolder> own = platform::PrivateFolder::Create(folder, kFolderPrefix, error);
  if (!own) {
    struct stat st{};
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
      failure = "Mappen " + Shown(folder) + " finns inte.";
    } else {
      failure = "PDF-filen kan inte skapas i mappen " + Shown(folder) + ": " + Reason(error) + ".";
    }
    return std::nullopt;
  }
  // A PDF made again keeps the permissions the old one had, and nothing else
  // of its mode (no set-id bits).
  return PendingPdf(target, std::move(*own), replacesFile ? std::optional<mode_t>(old.st_mode & 0777) : std::nullopt);
}

bool PendingPdf::Commit(std::string& failure) {
  const int outputFolder = folder_.parentFd();
  const std::string targetName = target_.filename().string();
  struct stat st{};
  if (::fstatat(outputFolder, targetName.c_str(), &st, 0) == 0 && S_ISDIR(st.st_mode)) {
    failure = "Utfilen " + Shown(target_) + " är en mapp.";
    return false;
  }
  const auto fail = [&](const std::error_code& error) {
    failure = "PDF-filen kunde inte ges namnet " + Shown(target_) + ": " + platform::FileErrorText(error) + ".";
    return false;
  };
  const auto failWithErrno = [&] { return fail(std::error_code(errno, std::generic_category())); };
  // What the converter left under its name, never followed if it is a link.
  const int fd = ::openat(folder_.fd(), name_.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return failWithErrno();
  struct stat made{};
  const bool regular = ::fstat(fd, &made) == 0 && S_ISREG(made.st_mode) && made.st_uid == ::geteuid();
  if (regular && mode_) ::fchmod(fd, *mode_);
  ::close(fd);
  if (!regular) return fail(platform::NotRegularFileError());
  if (::renameat(folder_.fd(), name_.c_str(), outputFolder, targetName.c_str()) != 0) return failWithErrno();
  return true;
}

}  // namespace quiremark::engine
