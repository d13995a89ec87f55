#pragma once

#include <filesystem>

namespace quiremark::platform {

// A file that must not outlive the program if it is ended by SIGINT, SIGTERM
// or SIGHUP (Ctrl+C, a scheduler's stop, a closed terminal) while this
// object lives: the signal removes it, then ends the program as the signal
// would have. Meant for half-made output under a name of the program's own;
// a few such files at a time (further ones are not guarded).
class RemoveOnSignal {
 public:
  explicit RemoveOnSignal(const std::filesystem::path& file);
  ~RemoveOnSignal();
  RemoveOnSignal(const RemoveOnSignal&) = delete;
  RemoveOnSignal& operator=(const RemoveOnSignal&) = delete;

 private:
  int slot_ = -1;
};

}  // namespace quiremark::platform
