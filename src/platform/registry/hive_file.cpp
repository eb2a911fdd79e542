#include "platform/registry/hive_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/registry/registry.h"
#include "platform/system/atomic_file.h"
#include "res/ids.h"
#include "res/strings.h"
#include "res/text_format.h"

namespace reg {

namespace {

constexpr long kErrorBadDb = 1009;
constexpr long kErrorAccessDenied = 5;
constexpr long kErrorWriteFault = 29;

std::function<void()>& beforeRenameHook() {
  static std::function<void()> hook;
  return hook;
}

std::function<void(const std::string&)>& reporter() {
  static std::function<void(const std::string&)> r = [](const std::string& message) {
    std::fprintf(stderr, "wrenlow: %s\n", message.c_str());
  };
  return r;
}

bool readWhole(int fd, std::string& out) {
  out.clear();
  char buf[65536];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) return true;
    out.append(buf, static_cast<std::size_t>(n));
  }
}

// Holds an exclusive flock on "<hive>.lock" for its lifetime.
class FileLock {
 public:
  explicit FileLock(const std::string& hive) {
    fd_ = ::open((hive + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ >= 0)
      while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
      }
  }
  ~FileLock() {
    if (fd_ >= 0) ::close(fd_);  // closing releases the lock
  }
  bool held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

}  // namespace

void setProblemReporter(std::function<void(const std::string& message)> r) {
  if (!r)
    r = [](const std::string& message) { std::fprintf(stderr, "wrenlow: %s\n", message.c_str()); };
  reporter() = std::move(r);
}

void reportProblem(const std::string& message) {
  if (reporter()) reporter()(message);
}

void HiveFile::setBeforeRenameHook(std::function<void()> hook) {
  beforeRenameHook() = std::move(hook);
}

HiveFile::HiveFile(std::string path, std::string rootName)
    : path_(std::move(path)), rootName_(std::move(rootName)) {}

void HiveFile::refreshLocked() {
  struct stat st {};
  if (::stat(path_.c_str(), &st) != 0) {
    // No file: an empty hive, written when something is first stored.
    if (!doc_ || haveStat_) {
      doc_ = std::make_unique<HiveDocument>(HiveDocument::empty(rootName_));
      broken_ = false;
    }
    haveStat_ = false;
    return;
  }
  long long mtimeNs = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
  if (doc_ && haveStat_ && st.st_dev == dev_ && st.st_ino == ino_ && st.st_size == size_ &&
      mtimeNs == mtimeNs_)
    return;
  haveStat_ = true;
  dev_ = st.st_dev;
  ino_ = st.st_ino;
  size_ = st.st_size;
  mtimeNs_ = mtimeNs;

  // Only a regular file is read: a FIFO or device in the hive's place
  // would block or never end.
  std::string text;
  int fd = S_ISREG(st.st_mode) ? ::open(path_.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK) : -1;
  struct stat opened {};
  bool ok = fd >= 0 && ::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && readWhole(fd, text);
  if (fd >= 0) ::close(fd);
  auto doc = std::make_unique<HiveDocument>();
  if (ok && doc->parse(text)) {
    doc_ = std::move(doc);
    broken_ = false;
    return;
  }
  // Work on without the file's contents and never write over it.
  doc_ = std::make_unique<HiveDocument>(HiveDocument::empty(rootName_));
  broken_ = true;
  if (!reported_) {
    reported_ = true;
    reportProblem(FormatMessageText(LoadStr(IDS_REGISTRY_FILE_UNREADABLE), path_));
  }
}

bool HiveFile::unreadable() {
  std::lock_guard guard(mutex_);
  refreshLocked();
  return broken_;
}

void HiveFile::read(const std::function<void(HiveDocument&)>& reader) {
  std::lock_guard guard(mutex_);
  refreshLocked();
  reader(*doc_);
}

bool HiveFile::writeAtomically(const std::string& text) {
  return sysfile::writeFileAtomically(path_, text,
                                      {.replace = true, .beforeRename = beforeRenameHook()});
}

bool HiveFile::writable() const {
  const auto slash = path_.rfind('/');
  const std::string folder =
      slash == std::string::npos ? "." : (slash == 0 ? "/" : path_.substr(0, slash));
  return !sysfile::isReadOnly(path_) && !sysfile::isReadOnly(folder);
}

long HiveFile::modify(const std::function<long(HiveDocument&, bool& changed)>& change) {
  std::lock_guard guard(mutex_);
  if (!refusal_.empty()) {
    if (!reported_) {
      reported_ = true;
      reportProblem(refusal_);
    }
    return kErrorAccessDenied;
  }
  if (!writable()) return kErrorAccessDenied;
  FileLock lock(path_);
  if (!lock.held()) return kErrorAccessDenied;
  refreshLocked();
  if (broken_) return kErrorBadDb;
  bool changed = false;
  long status = change(*doc_, changed);
  if (!changed) return status;
  if (!writeAtomically(doc_->serialize())) {
    haveStat_ = false;  // drop the change: the next access reads the file again
    doc_.reset();
    return kErrorWriteFault;
  }
  struct stat st {};
  if (::stat(path_.c_str(), &st) == 0) {
    haveStat_ = true;
    dev_ = st.st_dev;
    ino_ = st.st_ino;
    size_ = st.st_size;
    mtimeNs_ = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
  }
  return status;
}

}  // namespace reg
