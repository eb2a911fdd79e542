// Which mounts are fixed drives, and a prefix's drive letters.
#include "platform/system/fixed_drives.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

constexpr const char* kMountInfo =
    "22 27 0:21 / /proc rw,relatime - proc proc rw\n"
    "23 27 0:22 / /sys rw,relatime - sysfs sysfs rw\n"
    "25 24 0:23 / /dev/shm rw,relatime - tmpfs tmpfs rw\n"
    "27 1 254:0 / / rw,relatime shared:1 - ext4 /dev/vda rw\n"
    "40 27 254:0 /srv/data /mnt/bound rw,relatime - ext4 /dev/vda rw\n"
    "41 27 8:1 / /home rw,relatime shared:5 master:2 - xfs /dev/sda1 rw\n"
    "42 27 0:50 / /net rw - nfs4 server:/export rw\n"
    "43 27 8:17 / /media/stick rw - vfat /dev/sdb1 rw\n"
    "44 27 0:60 /@data /data rw - btrfs /dev/nvme0n1p2 rw\n"
    "45 27 0:60 /@snap /snap\\040shots rw - btrfs /dev/nvme0n1p2 rw\n"
    "46 27 0:70 / /overlay rw - overlay overlay rw\n"
    "47 27 0:80 / /tank rw - zfs tank rw\n"
    "garbage line\n";

TEST(FixedDrives, LocalDiskMountsOnly) {
  auto removable = [](unsigned major, unsigned minor) { return major == 8 && minor == 17; };
  auto drives = drives::localDiskMounts(kMountInfo, removable);
  std::vector<std::string> roots;
  for (const auto& d : drives) {
    roots.push_back(d.root);
    EXPECT_EQ(d.name, d.root);
  }
  // No proc, sysfs, tmpfs, nfs, overlay; the removable stick and the bind
  // mount of a folder of / are left out; btrfs subvolumes stand apart; the
  // escaped blank is a blank.
  EXPECT_EQ(roots, (std::vector<std::string>{"/", "/home", "/data", "/snap shots", "/tank"}));
}

TEST(FixedDrives, PrefixDriveLetters) {
  char tmpl[] = "/tmp/wrenlow-drives-XXXXXX";
  std::string prefix = ::mkdtemp(tmpl);
  fs::create_directories(prefix + "/drive_c");
  fs::create_directories(prefix + "/dosdevices");
  fs::create_directory_symlink("../drive_c", prefix + "/dosdevices/c:");
  fs::create_directory_symlink("/", prefix + "/dosdevices/z:");
  fs::create_symlink("/dev/null", prefix + "/dosdevices/com1");
  fs::create_directory_symlink(prefix + "/gone", prefix + "/dosdevices/d:");
  auto drives = drives::prefixDrives(prefix);
  ASSERT_EQ(drives.size(), 2u);
  EXPECT_EQ(drives[0].name, "C:");
  EXPECT_EQ(drives[0].root, fs::canonical(prefix + "/drive_c").string());
  EXPECT_EQ(drives[1].name, "Z:");
  EXPECT_EQ(drives[1].root, "/");
  fs::remove_all(prefix);
}

}  // namespace
