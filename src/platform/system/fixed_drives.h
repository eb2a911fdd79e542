#pragma once
// The machine's fixed drives, as the finders walk them. Without a Wine prefix
// they are the mounted local disk file systems, each shown by its mount
// point: no proc, sys, tmpfs or other memory file systems, no network file
// systems and no removable disks; a file system mounted twice (a bind mount)
// is listed once. In a prefix they are its drive letters C: to Z: (through
// `dosdevices`) that lead to a folder.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace drives {

struct FixedDrive {
  std::string root;  // the native folder the walk starts in
  std::string name;  // as shown: the mount point, or "C:" in a prefix
};

// Whether the block device major:minor is a removable disk.
using RemovableTest = std::function<bool(unsigned major, unsigned minor)>;

// The local disk mounts of a /proc/self/mountinfo text, in the order listed.
std::vector<FixedDrive> localDiskMounts(std::string_view mountinfo, const RemovableTest& removable);

// The drive letters of a prefix: dosdevices/c: to z: that lead to folders,
// with the root resolved (so c: is the prefix's drive_c itself).
std::vector<FixedDrive> prefixDrives(const std::string& prefix);

// The drives of this machine: prefixDrives of WRENLOW_WINEPREFIX when it
// names one, else localDiskMounts of this process's mount table.
std::vector<FixedDrive> fixedDrives();

}  // namespace drives
