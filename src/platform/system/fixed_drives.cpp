#include "platform/system/fixed_drives.h"

#include <sys/stat.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

#include "platform/system/sysdirs.h"

namespace drives {

namespace {

// File systems that live on a local disk. Anything else (proc, sysfs, tmpfs,
// overlay, nfs, cifs, sshfs, ...) is not a fixed drive.
constexpr std::array<std::string_view, 20> kDiskTypes = {
    "ext2", "ext3",  "ext4",  "xfs",  "btrfs", "f2fs",    "jfs", "reiserfs", "zfs",    "bcachefs",
    "vfat", "msdos", "exfat", "ntfs", "ntfs3", "fuseblk", "hfs", "hfsplus",  "nilfs2", "ufs"};

bool isDiskType(std::string_view type) {
  for (std::string_view t : kDiskTypes)
    if (t == type) return true;
  return false;
}

// mountinfo writes blanks, tabs, newlines and backslashes as \ooo.
std::string unescape(std::string_view field) {
  auto octal = [](char c) { return c >= '0' && c <= '7'; };
  std::string out;
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size() && octal(field[i + 1]) && octal(field[i + 2]) &&
        octal(field[i + 3])) {
      out += static_cast<char>(((field[i + 1] - '0') << 6) | ((field[i + 2] - '0') << 3) |
                               (field[i + 3] - '0'));
      i += 3;
    } else {
      out += field[i];
    }
  }
  return out;
}

std::vector<std::string_view> splitBlanks(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && line[i] == ' ') ++i;
    std::size_t start = i;
    while (i < line.size() && line[i] != ' ') ++i;
    if (i > start) fields.push_back(line.substr(start, i - start));
  }
  return fields;
}

bool within(const std::string& path, const std::string& folder) {
  if (folder == "/") return true;
  return path == folder ||
         (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
          path[folder.size()] == '/');
}

bool sysfsRemovable(unsigned major, unsigned minor) {
  char base[64];
  std::snprintf(base, sizeof base, "/sys/dev/block/%u:%u", major, minor);
  // A partition carries no flag of its own; its disk (the parent) does.
  for (const char* rel : {"/removable", "/../removable"}) {
    std::ifstream in(std::string(base) + rel);
    int flag = 0;
    if (in >> flag) return flag != 0;
  }
  return false;
}

}  // namespace

std::vector<FixedDrive> localDiskMounts(std::string_view mountinfo,
                                        const RemovableTest& removable) {
  struct Mount {
    unsigned major, minor;
    std::string root, point;
  };
  std::vector<Mount> mounts;
  std::size_t pos = 0;
  while (pos < mountinfo.size()) {
    std::size_t end = mountinfo.find('\n', pos);
    if (end == std::string_view::npos) end = mountinfo.size();
    std::vector<std::string_view> f = splitBlanks(mountinfo.substr(pos, end - pos));
    pos = end + 1;
    // id parent major:minor root point options [optional...] - type source super
    std::size_t dash = 6;
    while (dash < f.size() && f[dash] != "-") ++dash;
    if (f.size() < 6 || dash + 2 >= f.size()) continue;
    unsigned major = 0, minor = 0;
    if (std::sscanf(std::string(f[2]).c_str(), "%u:%u", &major, &minor) != 2) continue;
    std::string_view type = f[dash + 1];
    std::string_view source = f[dash + 2];
    if (!isDiskType(type)) continue;
    // zfs names its pools, every other disk file system a block device.
    if (type != "zfs" && source.substr(0, 5) != "/dev/") continue;
    if (major != 0 && removable && removable(major, minor)) continue;
    mounts.push_back({major, minor, unescape(f[3]), unescape(f[4])});
  }
  std::vector<FixedDrive> drives;
  for (std::size_t i = 0; i < mounts.size(); ++i) {
    const Mount& m = mounts[i];
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
  return localDiskMounts(text, sysfsRemovable);
}

}  // namespace drives
