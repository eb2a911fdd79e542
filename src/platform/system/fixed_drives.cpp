#include "platform/system/fixed_drives.h"

#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "platform/system/drives.h"
#include "platform/system/sysdirs.h"

namespace drives {

namespace {

bool within(const std::string& path, const std::string& folder) {
  if (folder == "/") return true;
  return path == folder ||
         (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
          path[folder.size()] == '/');
}

}  // namespace

std::vector<FixedDrive> localDiskMounts(std::string_view mountinfo,
                                        const RemovableTest& removable) {
  std::vector<sysdrives::Mount> mounts;
  for (sysdrives::Mount& m : sysdrives::parseMountInfo(mountinfo)) {
    if (!sysdrives::isDiskFileSystem(m.type)) continue;
    // zfs names its pools, every other disk file system a block device.
    if (m.type != "zfs" && m.source.rfind("/dev/", 0) != 0) continue;
    if (m.major != 0 && removable && removable(m.major, m.minor)) continue;
    mounts.push_back(std::move(m));
  }
  std::vector<FixedDrive> drives;
  for (std::size_t i = 0; i < mounts.size(); ++i) {
    const sysdrives::Mount& m = mounts[i];
    bool seen = false;
    // The same file system already listed with a root that holds this one's
    // root: a bind mount of a folder that the walk reaches anyway.
    for (std::size_t j = 0; j < mounts.size() && !seen; ++j) {
      if (j == i || mounts[j].major != m.major || mounts[j].minor != m.minor) continue;
      if (within(m.root, mounts[j].root) && (m.root != mounts[j].root || j < i)) seen = true;
    }
    bool listed = false;
    for (const FixedDrive& d : drives) listed = listed || d.root == m.point;
    if (!seen && !listed) drives.push_back({m.point, m.point});
  }
  return drives;
}

std::vector<FixedDrive> prefixDrives(const std::string& prefix) {
  std::vector<FixedDrive> drives;
  for (char letter = 'c'; letter <= 'z'; ++letter) {
    std::string link = prefix + "/dosdevices/" + letter + ":";
    char* real = ::realpath(link.c_str(), nullptr);
    if (!real) continue;
    std::string root(real);
    std::free(real);
    if (!sysdirs::isFolder(root)) continue;
    drives.push_back({root, std::string(1, static_cast<char>(letter - 'a' + 'A')) + ":"});
  }
  return drives;
}

std::vector<FixedDrive> fixedDrives() {
  std::string prefix = sysdirs::winePrefix();
  if (!prefix.empty()) return prefixDrives(prefix);
  std::ifstream in("/proc/self/mountinfo");
  std::string text((std::istreambuf_iterator<char>(in)), {});
  return localDiskMounts(text, sysdrives::isRemovableDisk);
}

}  // namespace drives
