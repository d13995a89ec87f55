#include "platform/drives.h"

#include <gtest/gtest.h>

#include <set>

#include "support/fake_drives.h"

namespace quiremark::platform {
namespace {

namespace type = drive_type;

TEST(Drives, MountTableEscapesAreUndone) {
  const auto mounts = ParseMountTable(
      "/dev/sdb1 /media/anna/My\\040Disk vfat rw 0 0\n"
      "//nas/ritn\\134ingar /mnt/tab\\011x cifs rw 0 0\n"
      "short line\n"
      "/dev/sda1 / ext4 rw 0 0");
  ASSERT_EQ(mounts.size(), 3u);
  EXPECT_EQ(mounts[0].folder, "/media/anna/My Disk");
  EXPECT_EQ(mounts[0].fsType, "vfat");
  EXPECT_EQ(mounts[1].source, "//nas/ritn\\ingar");
  EXPECT_EQ(mounts[1].folder, "/mnt/tab\tx");
  EXPECT_EQ(mounts[2].folder, "/");
}

TEST(Drives, FileSystemsMapToTheDriveTypes) {
  struct Case {
    const char* fsType;
    const char* folder;
    int type;
  };
  for (const Case& c : {Case{"ext4", "/", type::kFixed}, {"xfs", "/srv", type::kFixed},
                        {"overlay", "/", type::kFixed}, {"btrfs", "/home", type::kFixed},
                        {"nfs4", "/mnt/p", type::kRemote}, {"cifs", "/mnt/s", type::kRemote},
                        {"fuse.sshfs", "/mnt/x", type::kRemote}, {"iso9660", "/media/cd", type::kCdRom},
                        {"udf", "/mnt/dvd", type::kCdRom}, {"tmpfs", "/tmp", type::kRamDisk},
                        {"vfat", "/media/anna/USB", type::kRemovable}, {"exfat", "/run/media/anna/K", type::kRemovable},
                        {"ntfs", "/media/x", type::kRemovable}, {"vfat", "/boot/efi", type::kUnknown},
                        {"vfat", "/mediax", type::kUnknown}, {"squashfs", "/snap/a", type::kUnknown}})
    EXPECT_EQ(DriveTypeOf(c.fsType, c.folder), c.type) << c.fsType << " on " << c.folder;
}

TEST(Drives, OnlyRealFoldersOncePathOrderRootFirst) {
  const auto mounts = ParseMountTable(
      "proc /proc proc rw 0 0\n"
      "sysfs /sys sysfs rw 0 0\n"
      "devtmpfs /dev devtmpfs rw 0 0\n"
      "tmpfs /run tmpfs rw 0 0\n"
      "tmpfs /run/user/1000 tmpfs rw 0 0\n"
      "/dev/sdc1 /run/media/anna/KEY vfat rw 0 0\n"
      "server:/export /srv/proj nfs4 rw 0 0\n"
      "/dev/sda2 /home ext4 rw 0 0\n"
      "tmpfs /tmp tmpfs rw 0 0\n"
      "cgroup2 /var/cgroup cgroup2 rw 0 0\n"
      "/dev/sda1 / ext4 rw 0 0\n"
      "/dev/sda3 /etc/hostname ext4 rw 0 0\n"  // a file bind-mounted onto a file
      "tmpfs /home tmpfs rw 0 0\n");            // mounted over the earlier /home
  const auto drives = DrivesOfMounts(mounts, [](const std::string& f) { return f != "/etc/hostname"; });
  std::vector<std::string> listed;
  for (const Drive& d : drives) listed.push_back(d.folder + " " + std::to_string(d.type) + " " + d.networkSource);
  EXPECT_EQ(listed, (std::vector<std::string>{"/ 3 ", "/home 6 ", "/run/media/anna/KEY 2 ", "/srv/proj 4 server:/export",
                                              "/tmp 6 "}));
}

TEST(Drives, RootIsListedEvenWhenTheTableLacksIt) {
  const auto drives = DrivesOfMounts(ParseMountTable("/dev/sda2 /data xfs rw 0 0\n"), [](const std::string&) { return true; });
  ASSERT_EQ(drives.size(), 2u);
  EXPECT_EQ(drives[0].folder, "/");
  EXPECT_EQ(drives[0].type, type::kUnknown);
}

TEST(Drives, TheMachinesDrivesBeginWithTheRoot) {
  const auto drives = ListDrives();
  ASSERT_FALSE(drives.empty());
  EXPECT_EQ(drives[0].folder, "/");
  for (const Drive& d : drives) EXPECT_NE(d.folder.rfind("/proc", 0), 0u) << d.folder;
}

TEST(Drives, ATestsListStandsInAndTheTypeQueryReadsIt) {
  {
    testing::FakeDrives fake({{"/", type::kFixed, ""}, {"/mnt/net", type::kRemote, "nas:/x"}});
    EXPECT_EQ(ListDrives().size(), 2u);
    EXPECT_EQ(GetDriveType("/mnt/net"), type::kRemote);
    EXPECT_EQ(GetDriveType("/nowhere"), type::kUnknown);
  }
  EXPECT_NE(dynamic_cast<SystemDrives*>(&CurrentDriveSource()), nullptr);
}

}  // namespace
}  // namespace quiremark::platform
