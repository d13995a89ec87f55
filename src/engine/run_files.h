#pragma once

#include <sys/types.h>

#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "platform/private_folder.h"

namespace quiremark::engine {

// The files of one bind run in the temporary folder. The run writes them in a
// folder of its own there ("QuiremarkTmp-" and six letters, see
// platform::PrivateFolder), under the names they are known by in the
// temporary folder: another run, or a cleaner of the temporary folder, cannot
// put a file under the names this run converts, so a run converts only what
// it wrote. When the run is done with a file, the file takes its name in the
// temporary folder itself (QuiremarkTmp.ps, QuiremarkTmp.log, DigiTejp.bat:
// the record of the last bind); the run's folder goes with the run. A run
// that starts removes the folders of runs that ended without removing theirs.
class RunFiles {
 public:
  static constexpr const char* kPostScript = "QuiremarkTmp.ps";
  static constexpr const char* kLog = "QuiremarkTmp.log";

  // Empty optional, with the reason in `failure` (Swedish, naming the
  // temporary folder), when the temporary folder cannot take the run's folder.
  static std::optional<RunFiles> Create(std::string& failure);

  // The run's own file of that name, absolute.
  std::filesystem::path File(const std::string& name) const { return folder_.path() / name; }
  // The name it takes in the temporary folder, absolute: how the user knows it.
  std::filesystem::path Record(const std::string& name) const { return temp_ / name; }
  // The temporary folder, absolute.
  const std::filesystem::path& temp() const { return temp_; }
  std::filesystem::path ps() const { return File(kPostScript); }
  // The run's folder, held open: a converter runs in it and writes there.
  int folderFd() const { return folder_.fd(); }
  std::filesystem::path folder() const { return folder_.path(); }

  // `text` (a message naming files, decoded for the user) with the run's own
  // paths written as the names they take in the temporary folder, but for a
  // file that could not take its name there (Keep): the file of that name
  // is not this run's.
  std::string AsRecorded(const std::string& text) const;

  // Notes the PostScript file as it stands; StillAsWritten tells whether its
  // path still leads to that file, unchanged.
  void NoteWritten();
  bool StillAsWritten() const;

  // The run's file `name` takes its name in the temporary folder, replacing
  // the last run's. When the run has no file of that name, the last run's is
  // removed: the temporary folder never shows another bind's file as this one's.
  // The reason when the run's file cannot take the name (another user's
  // file has it, in a folder shared with the sticky bit); else none.
  std::error_code Keep(const std::string& name);

 private:
  RunFiles(platform::PrivateFolder folder, std::filesystem::path temp)
      : folder_(std::move(folder)), temp_(std::move(temp)) {}

  struct Identity {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = -1;
    std::timespec modified{};
  };
  static std::optional<Identity> IdentityOf(const std::filesystem::path& file);

  platform::PrivateFolder folder_;
  std::filesystem::path temp_;
  std::optional<Identity> written_;
  std::vector<std::string> notKept_;  // the run's files that could not take their names
};

// Why nothing can be made in the temporary folder `temp`, whose creating a
// file failed with errno `error`: the folder is missing, or the reason.
std::string TempFolderFailure(const std::filesystem::path& temp, int error);

// Why the lock on the temporary file `psFile` cannot be taken (`error`):
// the temporary folder's fault where the folder is missing or takes no
// files, else the lock's.
std::string TempLockFailure(const std::filesystem::path& psFile, const std::error_code& error);

}  // namespace quiremark::engine
