#include "platform/drives.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <map>
#include <sstream>
#include <system_error>

#include "platform/raw_file.h"

namespace quiremark::platform {

namespace {

DriveSource* gCurrent = nullptr;

// Kernel, device and bookkeeping file systems: nothing a user keeps drawings on.
constexpr std::array<std::string_view, 16> kSkippedTypes = {
    "proc",       "sysfs",  "cgroup", "cgroup2", "devpts",   "mqueue",  "debugfs",     "tracefs",
    "securityfs", "pstore", "bpf",    "autofs",  "configfs", "fusectl", "binfmt_misc", "hugetlbfs"};

bool OneOf(std::string_view value, std::initializer_list<std::string_view> list) {
  return std::find(list.begin(), list.end(), value) != list.end();
}

// `folder` is `top` or lies below it, by whole path components.
bool AtOrBelow(std::string_view folder, std::string_view top) {
  if (folder.substr(0, top.size()) != top) return false;
  return folder.size() == top.size() || folder[top.size()] == '/';
}

bool SkippedFolder(std::string_view folder) {
  if (AtOrBelow(folder, "/run/media")) return false;
  return AtOrBelow(folder, "/proc") || AtOrBelow(folder, "/sys") || AtOrBelow(folder, "/dev") ||
         AtOrBelow(folder, "/run");
}

// Undoes the mount table's escapes: a backslash and three octal digits stand for one byte.
std::string Unescape(std::string_view field) {
  std::string out;
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size()) {
      const std::string_view digits = field.substr(i + 1, 3);
      if (std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '7'; })) {
        out += static_cast<char>(((digits[0] - '0') << 6) | ((digits[1] - '0') << 3) | (digits[2] - '0'));
        i += 3;
        continue;
      }
    }
    out += field[i];
  }
  return out;
}

}  // namespace

std::vector<MountEntry> ParseMountTable(std::string_view text) {
  std::vector<MountEntry> mounts;
  std::istringstream lines{std::string(text)};
  for (std::string line; std::getline(lines, line);) {
    std::istringstream fields(line);
    std::string source, folder, fsType;
    if (!(fields >> source >> folder >> fsType)) continue;
    mounts.push_back({Unescape(source), Unescape(folder), Unescape(fsType)});
  }
  return mounts;
}

int DriveTypeOf(const std::string& fsType, const std::string& folder) {
  namespace t = drive_type;
  if (OneOf(fsType, {"ext2", "ext3", "ext4", "xfs", "btrfs", "zfs", "f2fs", "overlay"})) return t::kFixed;
  if (OneOf(fsType, {"nfs", "nfs4", "cifs", "smb3", "fuse.sshfs", "9p"})) return t::kRemote;
  if (OneOf(fsType, {"iso9660", "udf"})) return t::kCdRom;
  if (OneOf(fsType, {"tmpfs", "ramfs"})) return t::kRamDisk;
  if (OneOf(fsType, {"vfat", "exfat", "ntfs", "ntfs3"}) && (AtOrBelow(folder, "/media") || AtOrBelow(folder, "/run/media")))
    return t::kRemovable;
  return t::kUnknown;
}

std::vector<Drive> DrivesOfMounts(const std::vector<MountEntry>& mounts,
                                  const std::function<bool(const std::string&)>& isFolder) {
  std::map<std::string, Drive> byFolder;  // path order; a later mount on a folder hides the earlier one
  for (const MountEntry& m : mounts) {
    if (m.folder.empty() || m.folder[0] != '/') continue;
    if (std::find(kSkippedTypes.begin(), kSkippedTypes.end(), m.fsType) != kSkippedTypes.end()) continue;
    if (SkippedFolder(m.folder) || !isFolder(m.folder)) continue;
    Drive drive{m.folder, DriveTypeOf(m.fsType, m.folder), {}};
    if (drive.type == drive_type::kRemote) drive.networkSource = m.source;
    byFolder[m.folder] = std::move(drive);
  }
  if (!byFolder.count("/")) byFolder["/"] = Drive{"/", drive_type::kUnknown, {}};
  std::vector<Drive> drives;
  for (auto& [folder, drive] : byFolder) drives.push_back(std::move(drive));
  return drives;
}

std::vector<Drive> SystemDrives::Drives() const {
  const std::string table = TryReadWholeFile("/proc/self/mounts").value_or("");
  return DrivesOfMounts(ParseMountTable(table), [](const std::string& folder) {
    std::error_code error;
    return std::filesystem::is_directory(folder, error);
  });
}

DriveSource& CurrentDriveSource() {
  static SystemDrives system;
  return gCurrent ? *gCurrent : system;
}

std::vector<Drive> ListDrives() { return CurrentDriveSource().Drives(); }

int GetDriveType(const std::string& folder) {
  for (const Drive& drive : ListDrives())
    if (drive.folder == folder) return drive.type;
  return drive_type::kUnknown;
}

ScopedDriveSource::ScopedDriveSource(DriveSource& source) : previous_(gCurrent) { gCurrent = &source; }

ScopedDriveSource::~ScopedDriveSource() { gCurrent = previous_; }

}  // namespace quiremark::platform
