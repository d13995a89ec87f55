#pragma once

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>

#include "platform/private_folder.h"

namespace quiremark::engine {

// The PDF of a bind run while it is made: the converter writes it in a folder
// of this run's own in the PDF's folder (".QuiremarkTmp-" and six letters,
// mode 0700), which no one else can write to, and only a PDF that passed its
// checks takes the PDF's name, in one step. The converter is started in that
// folder by its descriptor and given a bare name, so no path that another
// user of the PDF's folder could replace (with a link to a file of their
// choosing) is ever followed: not by the converter, not by the checks, not by
// the rename. Until then a PDF of that name from before stays as it was, and
// a run that fails, or is stopped, leaves nothing of its own behind; a run
// that was killed leaves its folder, which the next run into the PDF's folder
// removes.
class PendingPdf {
 public:
  // Empty optional, with the reason in `failure` (Swedish, for the user),
  // when `pdf` names a folder or a PDF that is write-protected or that this
  // user may not write, or its folder cannot take a new file.
  static std::optional<PendingPdf> Create(const std::filesystem::path& pdf, std::string& failure);

  PendingPdf(PendingPdf&& other) noexcept = default;
  PendingPdf& operator=(PendingPdf&&) = delete;
  PendingPdf(const PendingPdf&) = delete;
  PendingPdf& operator=(const PendingPdf&) = delete;
  // Removes the run's folder with the PDF in it unless it took the PDF's name.
  ~PendingPdf() = default;

  const std::filesystem::path& target() const { return target_; }  // the PDF, absolute
  // The folder the converter runs in, and the bare name it writes there.
  int folderFd() const { return folder_.fd(); }
  const std::string& name() const { return name_; }
  // The file the converter writes, as this process reaches it: through the
  // held folder.
  std::filesystem::path path() const { return folder_.Reach(name_); }

  // Gives the converter's file the PDF's name, replacing what had it, once it
  // is checked to be a regular file of this user's. False, with the reason
  // in `failure`, when that cannot be done; the PDF of that name is then
  // unchanged.
  bool Commit(std::string& failure);

 private:
  PendingPdf(std::filesystem::path target, platform::PrivateFolder folder, std::optional<mode_t> mode)
      : target_(std::move(target)), folder_(std::move(folder)), name_(folder_.name() + ".pdf"), mode_(mode) {}

  std::filesystem::path target_;
  platform::PrivateFolder folder_;
  std::string name_;  // holds nothing of the user's: converters read a "%" in an output name as a page-number format
  std::optional<mode_t> mode_;  // the permission bits of the PDF made before (a regular file, not a link)
};

}  // namespace quiremark::engine
