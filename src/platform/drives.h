#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quiremark::platform {

// Drive-type codes, by the Windows numbers the folder tree shows them by.
namespace drive_type {
inline constexpr int kUnknown = 0;
inline constexpr int kNoRootFolder = 1;
inline constexpr int kRemovable = 2;
inline constexpr int kFixed = 3;
inline constexpr int kRemote = 4;
inline constexpr int kCdRom = 5;
inline constexpr int kRamDisk = 6;
}  // namespace drive_type

// One line of a mount table: what is mounted, where, and its file system.
struct MountEntry {
  std::string source;
  std::string folder;
  std::string fsType;
};

// The lines of a mount table in the /proc/self/mounts format, with the
// octal escapes of blanks, tabs, newlines and backslashes undone.
std::vector<MountEntry> ParseMountTable(std::string_view text);

// The drive-type code of a file system mounted on `folder`.
int DriveTypeOf(const std::string& fsType, const std::string& folder);

// A drive as the folder tree lists it: the folder it is mounted on, its type
// code, and for a network drive where it comes from.
struct Drive {
  std::string folder;
  int type = drive_type::kUnknown;
  std::string networkSource;  // empty unless the drive is a network drive
};

// The drives of a mount table: "/" first, then every folder that holds a
// real file system (no kernel or device file systems, nothing below /proc,
// /sys, /dev or /run other than /run/media), each folder once with the file
// system mounted last on it, in path order. `isFolder` tells whether a mount
// point is a folder; a file bind-mounted onto a file is no drive.
std::vector<Drive> DrivesOfMounts(const std::vector<MountEntry>& mounts,
                                  const std::function<bool(const std::string&)>& isFolder);

// Where the drives come from: the machine's mount table, or a test's list.
class DriveSource {
 public:
  virtual ~DriveSource() = default;
  virtual std::vector<Drive> Drives() const = 0;
};

// The drives of /proc/self/mounts, read anew on every call.
class SystemDrives : public DriveSource {
 public:
  std::vector<Drive> Drives() const override;
};

// The source the program uses; the system's unless a test has put its own.
DriveSource& CurrentDriveSource();

// The drives now, from the current source.
std::vector<Drive> ListDrives();

// The type code of the drive mounted on `folder`; 0 when no drive is.
int GetDriveType(const std::string& folder);

// Replaces the current drive source for the lifetime of the object (tests).
class ScopedDriveSource {
 public:
  explicit ScopedDriveSource(DriveSource& source);
  ~ScopedDriveSource();
  ScopedDriveSource(const ScopedDriveSource&) = delete;
  ScopedDriveSource& operator=(const ScopedDriveSource&) = delete;

 private:
  DriveSource* previous_;
};

}  // namespace quiremark::platform
