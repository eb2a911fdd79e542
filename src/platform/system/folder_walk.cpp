#include "platform/system/folder_walk.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <vector>

namespace walk {

namespace {

// The finders' entry counter: events are pumped and the cancelled flag read
// when it passes this many entries of one folder.
constexpr int kEntriesBetweenChecks = 100;
constexpr std::size_t kDirentBuffer = 32 * 1024;

// The records getdents64 fills: inode (8 bytes), offset (8), record length
// (2), type (1), then the zero-terminated name.
constexpr std::size_t kDirentRecLen = 16;
constexpr std::size_t kDirentType = 18;
constexpr std::size_t kDirentName = 19;

class Walker {
 public:
  Walker(WalkHooks& hooks, std::span<const FolderId> skip) : hooks_(hooks), skip_(skip) {}

  bool run(const std::string& root) {
    const int fd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return !hooks_.cancelled();
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
      ::close(fd);
      return !hooks_.cancelled();
    }
    device_ = st.st_dev;
    path_ = root;
    if (path_.empty() || path_.back() != '/') path_ += '/';
    return folder(fd, 0);
  }

 private:
  // Whether the entry `name` of the folder `dirFd` is a folder the walk may
  // enter: a real folder (not a link), on the root's file system, not the
  // root of a mount (bind mounts share the device number) and not another
  // drive's root.
  bool enterable(int dirFd, const char* name) {
    struct statx sx {};
    if (::statx(dirFd, name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, STATX_TYPE | STATX_INO, &sx) !=
        0)
      return false;
    if (!S_ISDIR(sx.stx_mode)) return false;
    if ((sx.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) &&
        (sx.stx_attributes & STATX_ATTR_MOUNT_ROOT))
      return false;
    if (makedev(sx.stx_dev_major, sx.stx_dev_minor) != device_) return false;
    for (const FolderId& id : skip_)
      if (id.device == device_ && id.inode == sx.stx_ino) return false;
    return true;
  }

  // What an entry without a type in its record is, and whether a link leads
  // to a folder (a link to a folder is neither walked nor reported).
  bool isFileEntry(int dirFd, const char* name, unsigned char type) {
    if (type == DT_REG) return true;
    if (type != DT_LNK && type != DT_UNKNOWN) return false;
    struct stat st {};
    if (type == DT_UNKNOWN) {
      if (::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return false;
      if (S_ISREG(st.st_mode)) return true;
      if (!S_ISLNK(st.st_mode)) return false;
    }
    return ::fstatat(dirFd, name, &st, 0) == 0 && !S_ISDIR(st.st_mode);
  }

  bool isFolderEntry(int dirFd, const char* name, unsigned char type) {
    if (type == DT_DIR) return true;
    if (type != DT_UNKNOWN) return false;
    struct stat st {};
    return ::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
  }

  // Walks the open folder at path_; closes fd. False when cancelled.
  bool folder(int fd, int depth) {
    if (depth < 2) hooks_.shallowFolder();
    // One buffer per depth: a folder's batch stays intact while its
    // sub-folders are walked.
    if (buffers_.size() <= static_cast<std::size_t>(depth))
      buffers_.push_back(std::make_unique<char[]>(kDirentBuffer));
    char* const buffer = buffers_[static_cast<std::size_t>(depth)].get();
    int counter = 0;
    bool stopped = false;
    const std::size_t pathLength = path_.size();
    for (;;) {
      const long got = ::syscall(SYS_getdents64, fd, buffer, kDirentBuffer);
      if (got <= 0) break;
      for (long at = 0; at < got && !stopped;) {
        const char* record = buffer + at;
        unsigned short recordLength;
        std::memcpy(&recordLength, record + kDirentRecLen, sizeof recordLength);
        const auto type = static_cast<unsigned char>(record[kDirentType]);
        const char* name = record + kDirentName;
        at += recordLength;
        if (counter > kEntriesBetweenChecks) {
          counter = 0;
          hooks_.pump();
          if (hooks_.cancelled()) {
            stopped = true;
            break;
          }
        } else {
          ++counter;
        }
        if (isFolderEntry(fd, name, type)) {
          if (name[0] == '.' || !enterable(fd, name)) continue;
          const int child = ::openat(fd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
          if (child < 0) continue;  // unreadable, or gone since
          path_.append(name).push_back('/');
          const bool ok = folder(child, depth + 1);
          path_.resize(pathLength);
          if (!ok || hooks_.cancelled()) stopped = true;
        } else if (isFileEntry(fd, name, type)) {
          hooks_.file(path_, name);
        }
      }
      if (stopped) break;
    }
    ::close(fd);
    return !stopped;
  }

  WalkHooks& hooks_;
  std::span<const FolderId> skip_;
  dev_t device_ = 0;
  std::string path_;
  std::vector<std::unique_ptr<char[]>> buffers_;
};

}  // namespace

bool folderId(const std::string& path, FolderId& id) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
  id = {st.st_dev, st.st_ino};
  return true;
}

bool walkDrive(const std::string& root, WalkHooks& hooks, std::span<const FolderId> skip) {
  Walker walker(hooks, skip);
  return walker.run(root);
}

std::uint32_t shallowUnits(const std::string& root) {
  std::uint32_t units = 1;
  DIR* dir = ::opendir(root.c_str());
  if (!dir) return units;
  while (const dirent* d = ::readdir(dir)) {
    // As the count of the root's folders with "*.*": "." and ".." count too.
    if (d->d_type == DT_DIR) {
      ++units;
    } else if (d->d_type == DT_UNKNOWN) {
      struct stat st {};
      if (::fstatat(::dirfd(dir), d->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode))
        ++units;
    }
  }
  ::closedir(dir);
  return units;
}

}  // namespace walk
