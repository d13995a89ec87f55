#include "platform/private_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <random>

namespace quiremark::platform {

namespace {

constexpr size_t kRandomLength = 6;

std::string RandomPart() {
  static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  thread_local std::mt19937 random{std::random_device{}()};
  std::uniform_int_distribution<size_t> pick(0, sizeof kLetters - 2);
  std::string part;
  for (size_t k = 0; k < kRandomLength; ++k) part += kLetters[pick(random)];
  return part;
}

// A name a run gives its folder: `prefix` and six of the letters RandomPart picks.
bool RunsName(const std::string& name, const std::string& prefix) {
  return name.size() == prefix.size() + kRandomLength && name.compare(0, prefix.size(), prefix) == 0 &&
         std::all_of(name.begin() + static_cast<std::ptrdiff_t>(prefix.size()), name.end(),
                     [](unsigned char c) { return std::isalnum(c); });
}

// The empty file a run puts in its folder when it makes it, named after the
// folder's own identity: what proves a folder of a run's name to be a run's
// (it cannot be put into a folder of the user's that another user renamed,
// and a copy of a run's folder is a folder of another identity). Empty, so
// that a full disk takes it as it takes the folder.
std::string MarkerName(const struct stat& folder) {
  return ".QuiremarkRun-" + std::to_string(folder.st_dev) + "-" + std::to_string(folder.st_ino);
}

bool Marked(int fd, const struct stat& folder) {
  struct stat marker{};
  return fstatat(fd, MarkerName(folder).c_str(), &marker, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(marker.st_mode) &&
         marker.st_uid == geteuid();
}

bool Lock(int fd, bool wait) {
  int locked;
  while ((locked = flock(fd, wait ? LOCK_EX : LOCK_EX | LOCK_NB)) != 0 && errno == EINTR) {
  }
  return locked == 0;
}

}  // namespace

std::optional<PrivateFolder> PrivateFolder::Create(const std::filesystem::path& parent, const std::string& prefix,
                                                   int& error) {
  OpenFolder held(parent);
  error = held.error();
  if (error != 0) return std::nullopt;
  const int parentFd = held.fd();
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string name = prefix + RandomPart();
    if (mkdirat(parentFd, name.c_str(), 0700) != 0) {
      if (errno == EEXIST) continue;
      error = errno;
      break;
    }
    // O_NOFOLLOW and the checks: the name is in a folder others may write
    // to, and may lead elsewhere by now. What is found there instead is not
    // this run's, and is left alone.
    const int fd = openat(parentFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
      if (errno == ENOENT || errno == ELOOP || errno == ENOTDIR) continue;
      error = errno;
      break;
    }
    struct stat st{};
    const bool ours = fstat(fd, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == geteuid();
    // A umask may have taken the owner's own rights away.
    if (!ours || ((st.st_mode & 07777) != 0700 && fchmod(fd, 0700) != 0)) {
      close(fd);
      continue;
    }
    // A later run that took the folder for an abandoned one before it was
    // locked has removed it: then the name no longer leads here.
    if (!Lock(fd, true) || !StillNamed(parentFd, name.c_str(), fd)) {
      close(fd);
      continue;
    }
    const int marker = openat(fd, MarkerName(st).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (marker < 0) {
      error = errno;
      RemoveFolder(parentFd, name.c_str(), fd);
      close(fd);
      break;
    }
    close(marker);
    return PrivateFolder(std::move(held), name, fd);
  }
  if (error == 0) error = EEXIST;
  return std::nullopt;
}

void PrivateFolder::RemoveAbandoned(const std::filesystem::path& parent, const std::string& prefix) {
  DIR* listing = opendir(parent.empty() ? "." : parent.c_str());
  if (!listing) return;
  const int parentFd = dirfd(listing);
  while (const struct dirent* entry = readdir(listing)) {
    const std::string name = entry->d_name;
    if (!RunsName(name, prefix)) continue;
    if (entry->d_type != DT_DIR && entry->d_type != DT_UNKNOWN) continue;
    const int fd = openat(parentFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) continue;
    struct stat st{};
    if (fstat(fd, &st) == 0 && st.st_uid == geteuid() && (st.st_mode & 077) == 0 && Marked(fd, st) &&
        Lock(fd, false) && StillNamed(parentFd, name.c_str(), fd)) {
      RemoveFolder(parentFd, name.c_str(), fd);
    }
    close(fd);
  }
  closedir(listing);
}

PrivateFolder::PrivateFolder(OpenFolder parent, std::string name, int fd)
    : parent_(std::move(parent)),
      name_(std::move(name)),
      fd_(fd),
      removeOnSignal_(std::make_unique<RemoveFolderOnSignal>(parent_.fd(), name_, fd_)) {}

PrivateFolder::PrivateFolder(PrivateFolder&& other) noexcept
    : parent_(std::move(other.parent_)),
      name_(std::move(other.name_)),
      fd_(other.fd_),
      removeOnSignal_(std::move(other.removeOnSignal_)) {
  other.fd_ = -1;
}

// The parent is closed after this, when the slot of the stop signal handler,
// which uses it, has been given back.
PrivateFolder::~PrivateFolder() {
  if (fd_ < 0) return;
  RemoveFolder(parent_.fd(), name_.c_str(), fd_);
  removeOnSignal_.reset();
  close(fd_);
}

std::filesystem::path PrivateFolder::Reach(const std::string& file) const {
  return "/proc/self/fd/" + std::to_string(fd_) + "/" + file;
}

}  // namespace quiremark::platform
