#pragma once

#include <vector>

#include "platform/drives.h"

namespace quiremark::testing {

// The machine's drives as a test lists them; in force while it lives.
class FakeDrives : public platform::DriveSource {
 public:
  explicit FakeDrives(std::vector<platform::Drive> drives = {}) : drives(std::move(drives)) {}
  std::vector<platform::Drive> Drives() const override { return drives; }

  std::vector<platform::Drive> drives;

 private:
  platform::ScopedDriveSource scope_{*this};
};

}  // namespace quiremark::testing
