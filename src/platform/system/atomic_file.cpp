#include "platform/system/atomic_file.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>

namespace sysfile {
namespace {

constexpr unsigned kNewFileMode = 0666;  // less the umask, as the system applies it
constexpr unsigned kPrivateMode = 0600;  // until the replaced file's mode is given
constexpr int kNameTries = 64;
// Room for the dot, the random part and the suffix within a 255-byte name.
constexpr std::size_t kMaxStemBytes = 200;

std::string folderOf(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
}

std::string namePart(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// ".NAME.<12 random letters and digits>.tmp": hidden, and unknown to anyone
// before it exists.
std::string temporaryName(const std::string& name) {
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::uint8_t random[12] = {};
  std::size_t got = 0;
  while (got < sizeof random) {
    const ssize_t n = ::getrandom(random + got, sizeof random - got, 0);
    if (n < 0 && errno != EINTR) break;
    if (n > 0) got += static_cast<std::size_t>(n);
  }
  std::string out;
  out.reserve(kMaxStemBytes + sizeof random + 8);
  out.push_back('.');
  out.append(name, 0, kMaxStemBytes);
  out.push_back('.');
  for (std::uint8_t r : random) out.push_back(kLetters[r % (sizeof kLetters - 1)]);
  out.append(".tmp");
  return out;
}

bool procFdUsable() {
  static const bool usable = ::access("/proc/self/fd", X_OK) == 0;
  return usable;
}

// Gives the unnamed file open at fd the name in folder, failing with EEXIST
// when the name is taken. Through the descriptor itself where the system
// allows it (older kernels ask for a privilege there), else through its
// /proc/self/fd link; which one works is found out once.
int linkUnnamed(int fd, int folder, const std::string& name) {
  static std::atomic<int> byDescriptor{-1};  // -1 not known yet, 0 no, 1 yes
  const int known = byDescriptor.load(std::memory_order_relaxed);
  if (known != 0) {
    if (::linkat(fd, "", folder, name.c_str(), AT_EMPTY_PATH) == 0) {
      byDescriptor.store(1, std::memory_order_relaxed);
      return 0;
    }
    if (known == 1 || (errno != ENOENT && errno != EPERM)) return -1;
  }
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  if (::linkat(AT_FDCWD, self.c_str(), folder, name.c_str(), AT_SYMLINK_FOLLOW) != 0) return -1;
  byDescriptor.store(0, std::memory_order_relaxed);
  return 0;
}

}  // namespace

bool isReadOnly(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  return (st.st_mode & S_IWUSR) == 0 || ::access(path.c_str(), W_OK) != 0;
}

int openRegularFile(const std::string& path) {
  // The type is looked at before opening (opening some devices acts on
  // them) and again on the open descriptor (the name may have changed).
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return -1;
  if (!S_ISREG(st.st_mode)) {
    errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    return -1;
  }
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return -1;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    errno = EINVAL;
    return -1;
  }
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  return fd;
}

bool readRegularFile(const std::string& path, std::string& out) {
  out.clear();
  const int fd = openRegularFile(path);
  if (fd < 0) return false;
  struct stat st {};
  if (::fstat(fd, &st) == 0 && st.st_size > 0) out.reserve(static_cast<std::size_t>(st.st_size));
  char buffer[1 << 16];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int error = errno;
      ::close(fd);
      errno = error;
      return false;
    }
    if (n == 0) break;
    out.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return true;
}

AtomicOutput::~AtomicOutput() { discard(); }

bool AtomicOutput::fail(Problem problem, int error) {
  discard();
  problem_ = problem;
  error_ = error;
  errno = error;
  return false;
}

bool AtomicOutput::begin(const std::string& path, bool replace) {
  discard();
  name_ = namePart(path);
  folder_ = ::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder_ < 0) {
    path_ = path;
    return fail(Problem::Create, errno);
  }
  return start(path, replace);
}

bool AtomicOutput::beginAt(int folder, const std::string& name, bool replace) {
  discard();
  name_ = name;
  folder_ = ::fcntl(folder, F_DUPFD_CLOEXEC, 0);
  if (folder_ < 0 || name.find('/') != std::string::npos) {
    path_ = name;
    return fail(Problem::Create, folder_ < 0 ? errno : EINVAL);
  }
  return start(name, replace);
}

void AtomicOutput::startInHeldFolder(int folder, const std::string& name) {
  discard();
  name_ = name;
  path_ = name;
  folder_ = folder;
  borrowed_ = true;
  replace_ = true;
  keepMode_ = false;
  problem_ = Problem::None;
  error_ = 0;
}

bool AtomicOutput::beginInFolder(int folder, const std::string& name) {
  startInHeldFolder(folder, name);
  if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos)
    return fail(Problem::Create, EINVAL);
  return openTemporary(kNewFileMode);
}

bool AtomicOutput::beginUnnamed(int folder) {
  startInHeldFolder(folder, std::string());
#ifdef O_TMPFILE
  if (procFdUsable()) {
    fd_ = ::openat(folder_, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, kNewFileMode);
    if (fd_ >= 0) return true;
    return fail(Problem::Create, errno);
  }
#endif
  return fail(Problem::Create, EOPNOTSUPP);
}

bool AtomicOutput::commitAt(int folder, const std::string& name) {
  if (fd_ < 0 || !borrowed_) return false;
  if (!tempName_.empty() && folder != folder_) return fail(Problem::Write, EXDEV);
  if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos)
    return fail(Problem::Create, EINVAL);
  name_ = name;
  path_ = name;
  folder_ = folder;
  return commit({}, false);
}

bool AtomicOutput::start(const std::string& shownPath, bool replace) {
  path_ = shownPath;
  replace_ = replace;
  keepMode_ = false;
  problem_ = Problem::None;
  error_ = 0;
  if (name_.empty() || name_ == "." || name_ == "..") return fail(Problem::NotRegular, EISDIR);
  if (!checkTarget()) return false;
  if (!folderWritable(folder_)) return fail(Problem::ReadOnly, EACCES);
  return openTemporary(keepMode_ ? kPrivateMode : kNewFileMode);
}

// What stands at the target's name decides whether it may be replaced and
// which mode the new file takes.
bool AtomicOutput::checkTarget() {
  struct stat st {};
  if (::fstatat(folder_, name_.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
    return errno == ENOENT || fail(Problem::Create, errno);
  if (!replace_) return fail(Problem::Exists, EEXIST);
  if (borrowed_ && !S_ISREG(st.st_mode)) return fail(Problem::NotRegular, EINVAL);
  // A symbolic link is replaced by the new file, never written through;
  // what it names decides whether the user wants it kept as it is.
  struct stat named {};
  if (S_ISLNK(st.st_mode) && ::fstatat(folder_, name_.c_str(), &named, 0) == 0) st = named;
  if (S_ISDIR(st.st_mode)) return fail(Problem::NotRegular, EISDIR);
  if (!S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode)) return fail(Problem::NotRegular, EINVAL);
  if (S_ISREG(st.st_mode)) {
    if ((st.st_mode & S_IWUSR) == 0 || ::faccessat(folder_, name_.c_str(), W_OK, 0) != 0)
      return fail(Problem::ReadOnly, EACCES);
    keepMode_ = true;
    mode_ = st.st_mode & 07777;
  }
  return true;
}

bool AtomicOutput::openTemporary(unsigned mode) {
#ifdef O_TMPFILE
  // Without a name until complete: a crash leaves nothing behind.
  if (procFdUsable()) {
    fd_ = ::openat(folder_, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, mode);
    if (fd_ >= 0) return true;
  }
#endif
  for (int i = 0; i < kNameTries; ++i) {
    const std::string name = temporaryName(name_);
    // O_EXCL: never a file or link that is already there.
    fd_ = ::openat(folder_, name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd_ >= 0) {
      tempName_ = name;
      return true;
    }
    if (errno != EEXIST) break;
  }
  return fail(Problem::Create, errno);
}

bool AtomicOutput::write(std::string_view bytes) {
  if (fd_ < 0) return false;
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) {
      errno = ENOSPC;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

bool folderWritable(int folder) {
  struct stat st {};
  return ::fstat(folder, &st) == 0 && (st.st_mode & S_IWUSR) != 0 &&
         ::faccessat(folder, ".", W_OK, 0) == 0;
}

// Gives a file begun in a held folder its name when the name is free: 0, or
// -1 with errno (EEXIST: the name is taken, nothing changed).
int AtomicOutput::placeNew() {
  if (tempName_.empty()) return linkUnnamed(fd_, folder_, name_);
  if (::renameat2(folder_, tempName_.c_str(), folder_, name_.c_str(), RENAME_NOREPLACE) == 0) {
    tempName_.clear();
    return 0;
  }
  if (errno != EINVAL) return -1;
  // A file system without the no-replace rename: a second link, then the
  // temporary name goes.
  if (::linkat(folder_, tempName_.c_str(), folder_, name_.c_str(), 0) != 0) return -1;
  ::unlinkat(folder_, tempName_.c_str(), 0);
  tempName_.clear();
  return 0;
}

bool AtomicOutput::commit(const std::function<void()>& beforeRename, bool toDisk) {
  if (fd_ < 0) return false;
  if (borrowed_) {
    if (toDisk && ::fsync(fd_) != 0) return fail(Problem::Write, errno);
    if (beforeRename) beforeRename();
    if (placeNew() == 0) {
      ::close(fd_);
      fd_ = -1;
      if (toDisk) ::fsync(folder_);
      folder_ = -1;
      borrowed_ = false;
      return true;
    }
    if (errno != EEXIST) return fail(Problem::Write, errno);
    // The name is taken: replaced whole, as begin() would have, when what
    // is there may be replaced.
    if (!checkTarget() || !place({}, toDisk)) return false;
  } else if (!place(beforeRename, toDisk)) {
    return false;
  }
  ::close(fd_);
  fd_ = -1;
  if (toDisk) ::fsync(folder_);
  if (!borrowed_) ::close(folder_);
  folder_ = -1;
  borrowed_ = false;
  return true;
}

// Puts the complete file in the target's place (begin()'s way: the mode of
// the file replaced, then a rename over it, or a link that refuses to
// replace). False, with the temporary file gone, when a step fails.
bool AtomicOutput::place(const std::function<void()>& beforeRename, bool toDisk) {
  if (keepMode_) {
    struct stat old {};
    // The owner carries over where the process may set it; the mode always.
    if (::fstatat(folder_, name_.c_str(), &old, 0) == 0 && ::fchown(fd_, old.st_uid, old.st_gid))
      errno = 0;
    if (::fchmod(fd_, mode_) != 0) return fail(Problem::Write, errno);
  }
  if (toDisk && ::fsync(fd_) != 0) return fail(Problem::Write, errno);
  if (tempName_.empty() && !replace_) {
    if (beforeRename) beforeRename();
    // linkat refuses to replace an existing file.
    if (linkUnnamed(fd_, folder_, name_) != 0)
      return fail(errno == EEXIST ? Problem::Exists : Problem::Write, errno);
  } else {
    for (int i = 0; tempName_.empty() && i < kNameTries; ++i) {
      const std::string name = temporaryName(name_);
      if (linkUnnamed(fd_, folder_, name) == 0)
        tempName_ = name;
      else if (errno != EEXIST)
        return fail(Problem::Write, errno);
    }
    if (tempName_.empty()) return fail(Problem::Write, EEXIST);
    if (beforeRename) beforeRename();
    const bool placed = replace_
                            ? ::renameat(folder_, tempName_.c_str(), folder_, name_.c_str()) == 0
                            : ::linkat(folder_, tempName_.c_str(), folder_, name_.c_str(), 0) == 0;
    if (!placed) return fail(errno == EEXIST ? Problem::Exists : Problem::Write, errno);
    if (!replace_) ::unlinkat(folder_, tempName_.c_str(), 0);
    tempName_.clear();
  }
  return true;
}

void AtomicOutput::discard() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!tempName_.empty() && folder_ >= 0) ::unlinkat(folder_, tempName_.c_str(), 0);
  tempName_.clear();
  if (folder_ >= 0 && !borrowed_) ::close(folder_);
  folder_ = -1;
  borrowed_ = false;
}

bool writeFileAtomically(const std::string& path, std::string_view text,
                         const AtomicWriteOptions& options) {
  AtomicOutput out;
  if (!out.begin(path, options.replace)) return false;
  if (!out.write(text)) {
    const int error = errno;
    out.discard();
    errno = error;
    return false;
  }
  return out.commit(options.beforeRename);
}

}  // namespace sysfile
