#include "platform/signal_cleanup.h"

#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <mutex>

namespace quiremark::platform {

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
constexpr int kFolderDepth = 8;  // folders below a removed folder emptied where they are

// The handler reads the slots while other threads may change them: a slot's
// contents are written before it is marked in use, and unmarked before they change.
std::atomic<pid_t> gGroups[kMaxGuarded];
struct FolderSlot {
  std::atomic<bool> used{false};
  int parentFd = -1;
  int fd = -1;
  dev_t device = 0;  // the folder's, as it was when the slot was filled
  ino_t inode = 0;
  char name[NAME_MAX + 1] = {};
};
FolderSlot gFolders[kMaxGuarded];
std::mutex gFoldersMutex;
struct sigaction gPrevious[std::size(kSignals)];

void EndGroups() {
  for (const auto& slot : gGroups) {
    if (const pid_t leader = slot.load(); leader > 0) {
      kill(-leader, SIGKILL);
      kill(leader, SIGKILL);  // in case it has not made its group yet
    }
  }
  for (const auto& slot : gGroups) {
    if (const pid_t leader = slot.load(); leader > 0) {
      int status = 0;
      while (waitpid(leader, &status, 0) < 0 && errno == EINTR) {
      }
    }
  }
}

void RemoveFolders() {
  for (const FolderSlot& slot : gFolders) {
    if (!slot.used.load()) continue;
    // Another thread may give the slot back and close its descriptors while
    // this runs, and their numbers may then be another folder's: the folder
    // is reached through a descriptor of the handler's own, and only when it
    // is the one the slot was filled for.
    const int folder = openat(slot.fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) continue;
    struct stat st{};
    if (fstat(folder, &st) == 0 && st.st_dev == slot.device && st.st_ino == slot.inode) {
      RemoveFolder(slot.parentFd, slot.name, folder);
    }
    close(folder);
  }
}

void EndAndClean(int signal) {
  EndGroups();
  RemoveFolders();
  // End as the signal itself would: the handler that was there before, or
  // the default action.
  for (size_t k = 0; k < std::size(kSignals); ++k) {
    if (kSignals[k] == signal) sigaction(signal, &gPrevious[k], nullptr);
  }
  raise(signal);
}

void InstallOnce() {
  static std::once_flag once;
  std::call_once(once, [] {
    for (size_t k = 0; k < std::size(kSignals); ++k) {
      struct sigaction action{};
      action.sa_handler = EndAndClean;
      sigemptyset(&action.sa_mask);
      for (const int other : kSignals) sigaddset(&action.sa_mask, other);
      action.sa_flags = SA_RESETHAND;
      sigaction(kSignals[k], nullptr, &gPrevious[k]);
      // A signal the program was told to ignore (nohup) stays ignored.
      if (gPrevious[k].sa_handler == SIG_IGN) continue;
      sigaction(kSignals[k], &action, nullptr);
    }
  });
}

// Moves the folder `name` in `folderFd` up into `top` under a name of its
// own made from its inode number; whether it went.
bool MoveUp(int folderFd, const char* name, int top, uint64_t inode) {
  char moved[32] = ".deeper-";
  char digits[24];
  int n = 0;
  do {
    digits[n++] = static_cast<char>('0' + inode % 10);
    inode /= 10;
  } while (inode > 0);
  size_t at = std::strlen(moved);
  while (n > 0) moved[at++] = digits[--n];
  moved[at] = '\0';
  return renameat2(folderFd, name, top, moved, RENAME_NOREPLACE) == 0;
}

// Empties the folder open as `folderFd`, `depth` folders below `top`, the
// folder being removed; links are removed, never followed. A folder deeper
// than kFolderDepth is moved up into `top` and emptied from there, so a tree
// of any depth goes with no more than kFolderDepth descriptors open. Whether
// it moved a folder up.
bool RemoveContents(int folderFd, int depth, int top) {
  const int folder = openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder < 0) return false;
  alignas(struct dirent64) char buffer[2048];
  bool movedUp = false;
  // Entries removed while the folder is read may hide others from that
  // reading: it is read again until a reading removes nothing (in `top`,
  // also until no folder was moved up into it).
  for (bool removed = true; removed;) {
    removed = false;
    lseek(folder, 0, SEEK_SET);
    ssize_t got;
    while ((got = getdents64(folder, buffer, sizeof buffer)) > 0) {
      for (ssize_t at = 0; at < got;) {
        const auto* entry = reinterpret_cast<const struct dirent64*>(buffer + at);
        at += entry->d_reclen;
        const char* name = entry->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
        if (unlinkat(folder, name, 0) == 0) {
          removed = true;
        } else if (errno == EISDIR && depth < kFolderDepth) {
          if (const int inner = openat(folder, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC); inner >= 0) {
            if (RemoveContents(inner, depth + 1, top)) {
              movedUp = true;
              if (depth == 0) removed = true;
            }
            close(inner);
          }
          if (unlinkat(folder, name, AT_REMOVEDIR) == 0) removed = true;
        } else if (errno == EISDIR && MoveUp(folder, name, top, entry->d_ino)) {
          removed = true;
          movedUp = true;
        }
      }
    }
  }
  close(folder);
  return movedUp;
}

}  // namespace

int GuardProcessGroup(pid_t leader) {
  if (leader <= 0) return -1;
  InstallOnce();
  for (int k = 0; k < kMaxGuarded; ++k) {
    pid_t empty = 0;
    if (gGroups[k].compare_exchange_strong(empty, leader)) return k;
  }
  return -1;
}

void UnguardProcessGroup(int slot) {
  if (slot >= 0 && slot < kMaxGuarded) gGroups[slot].store(0);
}

RemoveFolderOnSignal::RemoveFolderOnSignal(int parentFd, const std::string& name, int fd) {
  struct stat st{};
  if (name.size() > NAME_MAX || parentFd < 0 || fd < 0 || fstat(fd, &st) != 0) return;
  InstallOnce();
  const std::lock_guard lock(gFoldersMutex);
  for (int k = 0; k < kMaxGuarded; ++k) {
    FolderSlot& slot = gFolders[k];
    if (slot.used.load()) continue;
    slot.parentFd = parentFd;
    slot.fd = fd;
    slot.device = st.st_dev;
    slot.inode = st.st_ino;
    std::memcpy(slot.name, name.c_str(), name.size() + 1);
    slot.used.store(true);
    slot_ = k;
    return;
  }
}

RemoveFolderOnSignal::~RemoveFolderOnSignal() {
  if (slot_ < 0) return;
  const std::lock_guard lock(gFoldersMutex);
  gFolders[slot_].used.store(false);
}

bool StillNamed(int parentFd, const char* name, int fd) {
  struct stat held{}, named{};
  return fstat(fd, &held) == 0 && fstatat(parentFd, name, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
         held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

void RemoveFolder(int parentFd, const char* name, int fd) {
  const int saved = errno;
  RemoveContents(fd, 0, fd);
  // Only the folder itself: the name may lead elsewhere by now.
  if (StillNamed(parentFd, name, fd)) unlinkat(parentFd, name, AT_REMOVEDIR);
  errno = saved;
}

StopSignalsBlocked::StopSignalsBlocked() {
  sigset_t stop;
  sigemptyset(&stop);
  for (const int signal : kSignals) sigaddset(&stop, signal);
  pthread_sigmask(SIG_BLOCK, &stop, &before_);
}

StopSignalsBlocked::~StopSignalsBlocked() { pthread_sigmask(SIG_SETMASK, &before_, nullptr); }

void ResetStopSignalsInChild() {
  for (const int signal : kSignals) {
    struct sigaction current{};
    if (sigaction(signal, nullptr, &current) != 0 || current.sa_handler == SIG_IGN) continue;
    struct sigaction standard{};
    standard.sa_handler = SIG_DFL;
    sigemptyset(&standard.sa_mask);
    sigaction(signal, &standard, nullptr);
  }
}

}  // namespace quiremark::platform
