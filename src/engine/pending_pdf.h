#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "platform/signal_cleanup.h"

namespace quiremark::engine {

// The PDF of a bind run while it is made: the converter writes a hidden file
// of this run's own in the PDF's folder, and only a PDF that passed its
// checks takes the PDF's name, in one step. Until then a PDF of that name
// from before stays as it was, and a run that fails, or is stopped, leaves
// nothing of its own behind.
class PendingPdf {
 public:
  // Empty optional, with the reason in `failure` (Swedish, for the user),
  // when `pdf` names a folder or its folder cannot take a new file.
  static std::optional<PendingPdf> Create(const std::filesystem::path& pdf, std::string& failure);

  PendingPdf(PendingPdf&& other) noexcept;
  PendingPdf& operator=(PendingPdf&&) = delete;
  PendingPdf(const PendingPdf&) = delete;
  PendingPdf& operator=(const PendingPdf&) = delete;
  // Removes the hidden file unless it took the PDF's name.
  ~PendingPdf();

  const std::filesystem::path& target() const { return target_; }  // the PDF, absolute
  const std::filesystem::path& path() const { return path_; }      // the file the converter writes, absolute

  // Gives the hidden file the PDF's name, replacing what had it. False, with
  // the reason in `failure`, when that cannot be done; the PDF of that name
  // is then unchanged.
  bool Commit(std::string& failure);

 private:
  PendingPdf(std::filesystem::path target, std::filesystem::path path);

  std::filesystem::path target_;
  std::filesystem::path path_;
  std::unique_ptr<platform::RemoveOnSignal> removeOnSignal_;
  bool done_ = false;
};

}  // namespace quiremark::engine
