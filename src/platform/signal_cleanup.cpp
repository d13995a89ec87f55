#include "platform/signal_cleanup.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <climits>
#include <cstring>
#include <iterator>
#include <mutex>

namespace quiremark::platform {

namespace {

constexpr int kSlots = 8;
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

// The handler reads the slots while other threads may change them: a slot's
// path is written before it is marked in use, and unmarked before it changes.
struct Slot {
  std::atomic<bool> used{false};
  char path[PATH_MAX] = {};
};
Slot gSlots[kSlots];
std::mutex gSlotsMutex;
struct sigaction gPrevious[std::size(kSignals)];

void RemoveAndEnd(int signal) {
  for (Slot& slot : gSlots) {
    if (slot.used.load()) unlink(slot.path);
  }
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
      action.sa_handler = RemoveAndEnd;
      sigemptyset(&action.sa_mask);
      action.sa_flags = SA_RESETHAND;
      sigaction(kSignals[k], nullptr, &gPrevious[k]);
      // A signal the program was told to ignore (nohup) stays ignored.
      if (gPrevious[k].sa_handler == SIG_IGN) continue;
      sigaction(kSignals[k], &action, nullptr);
    }
  });
}

}  // namespace

RemoveOnSignal::RemoveOnSignal(const std::filesystem::path& file) {
  const std::string& path = file.native();
  if (path.size() >= PATH_MAX) return;
  InstallOnce();
  const std::lock_guard lock(gSlotsMutex);
  for (int k = 0; k < kSlots; ++k) {
    if (gSlots[k].used.load()) continue;
    std::memcpy(gSlots[k].path, path.c_str(), path.size() + 1);
    gSlots[k].used.store(true);
    slot_ = k;
    return;
  }
}

RemoveOnSignal::~RemoveOnSignal() {
  if (slot_ < 0) return;
  const std::lock_guard lock(gSlotsMutex);
  gSlots[slot_].used.store(false);
}

}  // namespace quiremark::platform
