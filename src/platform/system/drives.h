#pragma once
// Fixed drives on Linux. Windows calls a drive fixed when it is a local hard
// disk; here that is a mounted local disk file system (never proc, sysfs,
// tmpfs, a network share, an optical disc or a removable device). In a Wine
// prefix the drive letters are the prefix's dosdevices links, and a letter
// is fixed when its target lies on such a file system.
#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace sysdrives {

struct Mount {
  std::string point;   // where it is mounted
  std::string type;    // file system type ("ext4", "tmpfs", "nfs4", ...)
  std::string source;  // the device or share ("/dev/sda1", "server:/x", ...)
  std::string root;    // the folder of the file system seen there ("/" unless a bind mount)
  unsigned major = 0;  // the device number (0 for virtual file systems)
  unsigned minor = 0;
};

// The mount table of this process (/proc/self/mountinfo), in mount order,
// with the table's octal escapes undone.
std::vector<Mount> mounts();
// Parses the text of a mountinfo file.
std::vector<Mount> parseMountInfo(std::string_view text);

// Whether a file system type is one that lives on a local disk.
bool isDiskFileSystem(std::string_view type);
// Whether the block device major:minor is a removable disk.
bool isRemovableDisk(unsigned major, unsigned minor);

// Whether a mount is a local disk: a disk file system type on a device that
// is not removable, or the overlay a container's root is made of.
bool isLocalDisk(const Mount& mount);

// The mount that holds an absolute path (the last mounted of the longest
// mount points that contain it), or nullptr. The path's existing part is
// resolved first, so symbolic links count where they lead.
const Mount* mountOf(const std::string& path, const std::vector<Mount>& table);

// Drive letters A: to Z: (index 0 is A:). In a prefix: C: to Z: whose
// dosdevices link leads to a folder on a local disk. Without a prefix, C:
// stands for the root folder (as sysdirs::nativePath maps it) and is fixed
// when "/" is a local disk. A: and B: are never fixed.
using DriveTable = std::array<bool, 26>;
DriveTable fixedDriveLetters(const std::string& prefix, const std::vector<Mount>& table);

}  // namespace sysdrives
