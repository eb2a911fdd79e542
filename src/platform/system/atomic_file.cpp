#include "platform/system/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace sysfile {
namespace {

bool writeWhole(int fd, std::string_view text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

std::string folderOf(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
}

}  // namespace

bool isReadOnly(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  return (st.st_mode & S_IWUSR) == 0 || ::access(path.c_str(), W_OK) != 0;
}

bool writeFileAtomically(const std::string& path, std::string_view text,
                         const AtomicWriteOptions& options) {
  if (isReadOnly(folderOf(path)) || isReadOnly(path)) {
    errno = EACCES;
    return false;
  }
  const std::string temp = path + ".XXXXXX";
  std::vector<char> name(temp.begin(), temp.end());
  name.push_back('\0');
  const int fd = ::mkstemp(name.data());
  if (fd < 0) return false;
  struct stat old {};
  ::fchmod(fd, ::stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644);
  bool ok = writeWhole(fd, text) && ::fsync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  if (ok && options.beforeRename) options.beforeRename();
  // link() refuses to replace an existing file, rename() replaces it.
  if (ok) {
    ok = options.replace ? ::rename(name.data(), path.c_str()) == 0
                         : ::link(name.data(), path.c_str()) == 0;
  }
  if (!ok || !options.replace) ::unlink(name.data());
  if (!ok) return false;
  const int dir = ::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return true;
}

bool replaceFile(const std::string& replacement, const std::string& path) {
  const int fd = ::open(replacement.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat old {};
  bool ok = true;
  if (::stat(path.c_str(), &old) == 0) {
    // The owner carries over where the process may set it; the mode always.
    if (::fchown(fd, old.st_uid, old.st_gid) != 0) errno = 0;
    ok = ::fchmod(fd, old.st_mode & 07777) == 0;
  }
  ok = ok && ::fsync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  if (!ok || ::rename(replacement.c_str(), path.c_str()) != 0) return false;
  const int dir = ::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return true;
}

}  // namespace sysfile
