#include "platform/system/drives.h"

#include <sys/stat.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace sysdrives {

namespace {

// File systems that live on a local disk. Anything else (proc, sysfs, tmpfs,
// nfs, cifs, sshfs, optical discs, ...) is not a fixed drive.
constexpr std::string_view kDiskTypes[] = {
    "ext2", "ext3",  "ext4",  "xfs",  "btrfs", "f2fs",    "jfs", "reiserfs", "zfs",    "bcachefs",
    "vfat", "msdos", "exfat", "ntfs", "ntfs3", "fuseblk", "hfs", "hfsplus",  "nilfs2", "ufs"};

// mountinfo writes blanks, tabs, new lines and backslashes as \ooo.
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

std::string readSmallFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// The path with its longest existing part resolved (links followed).
std::string resolveExisting(const std::string& path) {
  std::string head = path;
  std::string tail;
  while (!head.empty()) {
    char buf[PATH_MAX];
    if (::realpath(head.c_str(), buf)) {
      std::string out = buf;
      if (!tail.empty()) out += (out == "/" ? "" : "/") + tail;
      return out;
    }
    const auto slash = head.rfind('/');
    if (slash == std::string::npos) break;
    const std::string last = head.substr(slash + 1);
    tail = tail.empty() ? last : last + "/" + tail;
    head = slash == 0 ? std::string("/") : head.substr(0, slash);
    if (head == "/" && tail.empty()) break;
  }
  return path;
}

bool contains(const std::string& point, const std::string& path) {
  if (point == "/") return !path.empty() && path[0] == '/';
  return path.compare(0, point.size(), point) == 0 &&
         (path.size() == point.size() || path[point.size()] == '/');
}

}  // namespace

std::vector<Mount> parseMountInfo(std::string_view text) {
  std::vector<Mount> out;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(start, end - start);
    start = end + 1;
    std::vector<std::string_view> fields;
    std::size_t p = 0;
    while (p < line.size()) {
      while (p < line.size() && line[p] == ' ') ++p;
      std::size_t q = line.find(' ', p);
      if (q == std::string_view::npos) q = line.size();
      if (q > p) fields.push_back(line.substr(p, q - p));
      p = q;
    }
    // id parent major:minor root mount-point options [optional...] - type source
    std::size_t dash = 6;
    while (dash < fields.size() && fields[dash] != "-") ++dash;
    if (fields.size() < 5 || dash + 1 >= fields.size()) continue;
    Mount m;
    if (std::sscanf(std::string(fields[2]).c_str(), "%u:%u", &m.major, &m.minor) != 2)
      m.major = m.minor = 0;
    m.root = unescape(fields[3]);
    m.point = unescape(fields[4]);
    m.type = unescape(fields[dash + 1]);
    if (dash + 2 < fields.size()) m.source = unescape(fields[dash + 2]);
    out.push_back(std::move(m));
  }
  return out;
}

std::vector<Mount> mounts() { return parseMountInfo(readSmallFile("/proc/self/mountinfo")); }

bool isDiskFileSystem(std::string_view type) {
  for (std::string_view t : kDiskTypes)
    if (t == type) return true;
  return false;
}

bool isRemovableDisk(unsigned major, unsigned minor) {
  const std::string base = "/sys/dev/block/" + std::to_string(major) + ":" + std::to_string(minor);
  // A partition carries no flag of its own; its disk (the parent) does.
  for (const char* flag : {"/removable", "/../removable"}) {
    const std::string text = readSmallFile(base + flag);
    if (!text.empty()) return text[0] == '1';
  }
  return false;
}

bool isLocalDisk(const Mount& mount) {
  if (mount.type == "overlay") return true;
  return isDiskFileSystem(mount.type) &&
         !(mount.major != 0 && isRemovableDisk(mount.major, mount.minor));
}

const Mount* mountOf(const std::string& path, const std::vector<Mount>& table) {
  if (path.empty() || path[0] != '/') return nullptr;
  const std::string real = resolveExisting(path);
  const Mount* best = nullptr;
  for (const Mount& m : table) {
    if (!contains(m.point, real)) continue;
    // Later mounts over the same point hide the earlier ones.
    if (!best || m.point.size() >= best->point.size()) best = &m;
  }
  return best;
}

DriveTable fixedDriveLetters(const std::string& prefix, const std::vector<Mount>& table) {
  DriveTable fixed{};
  auto localFolder = [&](const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
    const Mount* m = mountOf(path, table);
    return m && isLocalDisk(*m);
  };
  if (prefix.empty()) {
    fixed['C' - 'A'] = localFolder("/");
    return fixed;
  }
  for (char letter = 'c'; letter <= 'z'; ++letter)
    fixed[letter - 'a'] = localFolder(prefix + "/dosdevices/" + letter + ":");
  return fixed;
}

}  // namespace sysdrives
