#include "engine/run_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>

#include "platform/environment.h"
#include "platform/raw_file.h"
#include "platform/text_encoding.h"
#include "settings/text_routines.h"

namespace quiremark::engine {

namespace {

namespace fs = std::filesystem;

constexpr const char* kFolderPrefix = "QuiremarkTmp-";

std::string Shown(const fs::path& path) { return platform::DecodeText(path.string()); }

}  // namespace

std::string TempFolderFailure(const fs::path& temp, int error) {
  if (error == ENOENT || error == ENOTDIR) return "Den temporära mappen " + Shown(temp) + " finns inte.";
  return "I den temporära mappen " + Shown(temp) + " kan inga filer skapas: " +
         platform::FileErrorText(std::error_code(error, std::generic_category())) + ".";
}

std::string TempLockFailure(const fs::path& psFile, const std::error_code& error) {
  const int code = error.value();
  if (code == ENOENT || code == ENOTDIR || code == EACCES || code == EPERM || code == EROFS || code == ENOSPC ||
      code == EDQUOT) {
    std::error_code ec;
    return TempFolderFailure(fs::absolute(psFile.parent_path(), ec), code);
  }
  return "Den temporära filen " + Shown(psFile) + " kan inte låsas: " + platform::FileErrorText(error) + ".";
}

std::optional<RunFiles> RunFiles::Create(std::string& failure) {
  std::error_code ec;
  const fs::path temp = fs::absolute(platform::TempFolder(), ec);
  platform::PrivateFolder::RemoveAbandoned(temp, kFolderPrefix);
  int error = 0;
  std::optional<platform::PrivateFolder> folder = platform::PrivateFolder::Create(temp, kFolderPrefix, error);
  if (!folder) {
    failure = TempFolderFailure(temp, error);
    return std::nullopt;
  }
  return RunFiles(std::move(*folder), temp);
}

std::string RunFiles::AsRecorded(const std::string& text) const {
  const std::string own = Shown(folder_.path()) + "/";
  const std::string recorded = Shown(temp_) + "/";
  std::string result;
  size_t done = 0;
  for (size_t at; (at = text.find(own, done)) != std::string::npos; done = at + own.size()) {
    const std::string_view rest = std::string_view(text).substr(at + own.size());
    const bool notKept = std::any_of(notKept_.begin(), notKept_.end(), [&](const std::string& name) {
      return rest.starts_with(name) &&
             (rest.size() == name.size() || !std::isalnum(static_cast<unsigned char>(rest[name.size()])));
    });
    result += text.substr(done, at - done) + (notKept ? own : recorded);
  }
  return result + text.substr(done);
}

std::optional<RunFiles::Identity> RunFiles::IdentityOf(const fs::path& file) {
  struct stat st{};
  if (::stat(file.c_str(), &st) != 0) return std::nullopt;
  return Identity{st.st_dev, st.st_ino, st.st_size, st.st_mtim};
}

void RunFiles::NoteWritten() { written_ = IdentityOf(ps()); }

bool RunFiles::StillAsWritten() const {
  const std::optional<Identity> now = IdentityOf(ps());
  return written_ && now && now->device == written_->device && now->inode == written_->inode &&
         now->size == written_->size && now->modified.tv_sec == written_->modified.tv_sec &&
         now->modified.tv_nsec == written_->modified.tv_nsec;
}

std::error_code RunFiles::Keep(const std::string& name) {
  if (::renameat(folder_.fd(), name.c_str(), folder_.parentFd(), name.c_str()) == 0) return {};
  if (errno == ENOENT) {
    ::unlinkat(folder_.parentFd(), name.c_str(), 0);
    return {};
  }
  notKept_.push_back(name);
  return std::error_code(errno, std::generic_category());
}

}  // namespace quiremark::engine
