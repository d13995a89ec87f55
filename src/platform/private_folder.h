#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "platform/raw_file.h"
#include "platform/signal_cleanup.h"

namespace quiremark::platform {

// A folder of one run's own inside another folder: made new (mode 0700), held
// open and locked while this object lives, and removed with what it holds
// when it goes, or when a stop signal ends the program. Nobody else can put,
// replace or remove a name in it, so the run's files in it are opened by name
// safely, also in a folder other users can write to, and a program started
// in it (by its descriptor) writes only there.
//
// A folder of the same name pattern that holds the mark its run made it
// with (an empty file named after the folder's own identity) and whose lock
// can be taken was left by a run that ended without removing it (killed);
// RemoveAbandoned removes those and only those: not a folder of the user's
// own that someone who may write `parent` renamed to a run's name.
class PrivateFolder {
 public:
  // A new folder `prefix` + six random letters and digits in `parent`. Empty
  // optional, with errno's reason in `error`, when none can be made there
  // (ENOENT or ENOTDIR: `parent` is no folder).
  static std::optional<PrivateFolder> Create(const std::filesystem::path& parent, const std::string& prefix,
                                             int& error);
  // Removes the folders named `prefix` + six letters in `parent` that are
  // this user's, closed to others, marked as a run's and not locked by a run.
  static void RemoveAbandoned(const std::filesystem::path& parent, const std::string& prefix);

  PrivateFolder(PrivateFolder&& other) noexcept;
  PrivateFolder& operator=(PrivateFolder&&) = delete;
  PrivateFolder(const PrivateFolder&) = delete;
  PrivateFolder& operator=(const PrivateFolder&) = delete;
  ~PrivateFolder();

  int fd() const { return fd_; }                 // the folder, open for reading: a working folder to start in
  int parentFd() const { return parent_.fd(); }  // the folder it is in, as it was when it was made
  const std::string& name() const { return name_; }
  // The parent's path and the name: for a program that takes a path, and for messages.
  std::filesystem::path path() const { return parent_.path() / name_; }
  // A path to `file` in this folder that this process follows through the
  // held descriptor, whatever becomes of the names above it.
  std::filesystem::path Reach(const std::string& file) const;

 private:
  PrivateFolder(OpenFolder parent, std::string name, int fd);

  OpenFolder parent_;
  std::string name_;
  int fd_ = -1;
  std::unique_ptr<RemoveFolderOnSignal> removeOnSignal_;
};

}  // namespace quiremark::platform
