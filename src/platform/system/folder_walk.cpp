#include "platform/system/folder_walk.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

namespace walk {

namespace {

// The finders' entry counter: events are pumped and the cancelled flag read
// when it passes this many entries of one folder.
constexpr int kEntriesBetweenChecks = 100;
constexpr std::size_t kDirentBuffer = 32 * 1024;
// Folders kept open on the way down; those above are closed.
constexpr std::size_t kOpenFolders = 16;

// The records getdents64 fills: inode (8 bytes), offset (8), record length
// (2), type (1), then the zero-terminated name.
constexpr std::size_t kDirentRecLen = 16;
constexpr std::size_t kDirentType = 18;
constexpr std::size_t kDirentName = 19;

class Walker {
 public:
  Walker(WalkHooks& hooks, std::span<const FolderId> skip) : hooks_(hooks), skip_(skip) {}
  ~Walker() {
    for (Frame& f : frames_)
      if (f.fd >= 0) ::close(f.fd);
  }

  bool run(const std::string& root) {
    path_ = root;
    if (path_.empty() || path_.back() != '/') path_ += '/';
    const int fd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0) {
      if (fd >= 0) ::close(fd);
      hooks_.unopened(path_);
      return !hooks_.cancelled();
    }
    device_ = st.st_dev;
    hooks_.shallowFolder();
    if (!enter(fd, st.st_ino)) return !hooks_.cancelled();
    while (!frames_.empty()) {
      if (!step()) return false;
    }
    return true;
  }

 private:
  // A folder on the way down: its entries as read (type byte, name, zero),
  // the next one to look at, and its descriptor while it is open.
  struct Frame {
    int fd = -1;
    ino_t inode = 0;
    std::string entries;
    std::size_t next = 0;
    std::size_t pathLength = 0;
    int counter = 0;
  };

  // Reads the open folder at path_ whole and makes it the deepest frame;
  // false (fd closed, the folder told as unopened) when it cannot be read.
  bool enter(int fd, ino_t inode) {
    Frame f;
    f.fd = fd;
    f.inode = inode;
    f.pathLength = path_.size();
    for (;;) {
      const long got = ::syscall(SYS_getdents64, fd, buffer_.get(), kDirentBuffer);
      if (got == 0) break;
      if (got < 0) {
        ::close(fd);
        hooks_.unopened(path_);
        return false;
      }
      for (long at = 0; at < got;) {
        const char* record = buffer_.get() + at;
        unsigned short recordLength;
        std::memcpy(&recordLength, record + kDirentRecLen, sizeof recordLength);
        f.entries.push_back(record[kDirentType]);
        f.entries.append(record + kDirentName).push_back('\0');
        at += recordLength;
      }
    }
    frames_.push_back(std::move(f));
    // A deep chain of small folders never reaches the entry counter: events
    // are pumped every so many folders too.
    if (++entered_ % kEntriesBetweenChecks == 0) hooks_.pump();
    // Only the deepest folders stay open; the others are found again
    // through ".." from below when the walk climbs back to them.
    if (frames_.size() - lowestOpen_ > kOpenFolders) {
      ::close(frames_[lowestOpen_].fd);
      frames_[lowestOpen_].fd = -1;
      ++lowestOpen_;
    }
    return true;
  }

  // The deepest folder is done: back to its parent, opened again when it
  // was closed. A parent that is not the folder it was (moved meanwhile) is
  // given up, told as unopened.
  void leave() {
    Frame done = std::move(frames_.back());
    frames_.pop_back();
    if (!frames_.empty() && frames_.back().fd < 0) {
      Frame& parent = frames_.back();
      const int fd = ::openat(done.fd, "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
      struct stat st {};
      if (fd >= 0 && ::fstat(fd, &st) == 0 && st.st_dev == device_ && st.st_ino == parent.inode) {
        parent.fd = fd;
        lowestOpen_ = frames_.size() - 1;
      } else {
        if (fd >= 0) ::close(fd);
        // The way up is lost: the closed folders above are given up.
        while (!frames_.empty() && frames_.back().fd < 0) {
          path_.resize(frames_.back().pathLength);
          hooks_.unopened(path_);
          frames_.pop_back();
        }
      }
    }
    ::close(done.fd);
    if (lowestOpen_ > frames_.size()) lowestOpen_ = frames_.size();
    if (!frames_.empty()) path_.resize(frames_.back().pathLength);
  }

  // One entry of the deepest folder; false when the walk was cancelled.
  bool step() {
    Frame& f = frames_.back();
    if (f.next >= f.entries.size()) {
      leave();
      return frames_.empty() || !hooks_.cancelled();
    }
    const auto type = static_cast<unsigned char>(f.entries[f.next]);
    const char* name = f.entries.data() + f.next + 1;
    f.next += 2 + std::strlen(name);
    if (f.counter > kEntriesBetweenChecks) {
      f.counter = 0;
      hooks_.pump();
      if (hooks_.cancelled()) return false;
    } else {
      ++f.counter;
    }
    if (isFolderEntry(f.fd, name, type)) {
      ino_t inode = 0;
      if (name[0] == '.' || !enterable(f.fd, name, inode)) return true;
      const int child = ::openat(f.fd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
      const std::size_t pathLength = path_.size();
      path_.append(name).push_back('/');
      if (child < 0) {  // unreadable, or gone since
        if (errno != ENOENT) hooks_.unopened(path_);
        path_.resize(pathLength);
        return true;
      }
      if (frames_.size() < 2) hooks_.shallowFolder();
      if (!enter(child, inode)) path_.resize(pathLength);
    } else if (isFileEntry(f.fd, name, type)) {
      hooks_.file(path_, name);
    }
    return true;
  }

  // Whether the entry `name` of the folder `dirFd` is a folder the walk may
  // enter: a real folder (not a link), on the root's file system, not the
  // root of a mount (bind mounts share the device number) and not another
  // drive's root.
  bool enterable(int dirFd, const char* name, ino_t& inode) {
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
    inode = sx.stx_ino;
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

  WalkHooks& hooks_;
  std::span<const FolderId> skip_;
  dev_t device_ = 0;
  std::string path_;
  std::vector<Frame> frames_;
  std::size_t lowestOpen_ = 0;  // frames below this one are closed
  std::uint64_t entered_ = 0;
  std::unique_ptr<char[]> buffer_ = std::make_unique<char[]>(kDirentBuffer);
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
