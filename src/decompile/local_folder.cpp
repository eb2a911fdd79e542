#include "decompile/local_folder.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <utility>

#include "platform/system/atomic_file.h"

bool isPlainElementName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  return name.find('/') == std::string_view::npos && name.find('\\') == std::string_view::npos;
}

FolderHandle& FolderHandle::operator=(FolderHandle&& o) noexcept {
  if (this != &o) {
    reset();
    writable_ = o.writable_;
    fd_ = o.release();
  }
  return *this;
}

bool FolderHandle::writable() const {
  if (writable_ < 0) writable_ = fd_ >= 0 && sysfile::folderWritable(fd_) ? 1 : 0;
  return writable_ == 1;
}

FolderHandle FolderHandle::openPath(const std::string& path) {
  return FolderHandle(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

FolderHandle FolderHandle::openChild(const std::string& name) const {
  if (fd_ < 0) return FolderHandle();
  return FolderHandle(::openat(fd_, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
}

int FolderHandle::release() {
  writable_ = -1;
  return std::exchange(fd_, -1);
}

void FolderHandle::reset() {
  writable_ = -1;
  if (fd_ >= 0) ::close(std::exchange(fd_, -1));
}

EntryKind entryKind(const FolderHandle& folder, const std::string& name) {
  struct stat st {};
  // An entry whose attributes cannot be read (a name too long for the file
  // system, among others) counts as missing; creating it then fails.
  if (::fstatat(folder.fd(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
    return EntryKind::Missing;
  return S_ISDIR(st.st_mode) ? EntryKind::Folder : EntryKind::Other;
}

bool isReadOnly(const FolderHandle& folder, const std::string& name) {
  struct stat st {};
  if (::fstatat(folder.fd(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return false;
  return (st.st_mode & S_IWUSR) == 0;
}

bool createFolder(const FolderHandle& folder, const std::string& name) {
  return folder.valid() && ::mkdirat(folder.fd(), name.c_str(), 0777) == 0;
}

WriteResult writeWholeFile(const FolderHandle& folder, const std::string& name, const void* data,
                           std::size_t size) {
  if (!folder.valid() || !folder.writable()) return WriteResult::CannotCreate;
  // The file takes the name only when complete: a failed write leaves what
  // was there. The many files of a run are not flushed one by one.
  sysfile::AtomicOutput out;
  if (!out.beginInFolder(folder.fd(), name)) return WriteResult::CannotCreate;
  if (!out.write(std::string_view(static_cast<const char*>(data), size)))
    return WriteResult::WriteFailed;
  return placeWholeFile(folder, name, out);
}

WriteResult placeWholeFile(const FolderHandle& folder, const std::string& name,
                           sysfile::AtomicOutput& file) {
  if (!folder.valid() || !folder.writable()) return WriteResult::CannotCreate;
  if (file.commitAt(folder.fd(), name)) return WriteResult::Written;
  // Never through a symbolic link, and only in place of a regular file the
  // user may write.
  using Problem = sysfile::AtomicOutput::Problem;
  return file.problem() == Problem::NotRegular || file.problem() == Problem::ReadOnly ||
                 (file.problem() == Problem::Create && file.error() == EINVAL)
             ? WriteResult::CannotCreate
             : WriteResult::WriteFailed;
}

std::size_t descriptorsToHold(std::size_t wanted) {
  struct rlimit limit {};
  if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return wanted;
  const std::size_t share = std::max<std::size_t>(4, static_cast<std::size_t>(limit.rlim_cur / 8));
  return std::min(wanted, share);
}

std::string fullFolderPath(const std::string& path) {
  char* resolved = ::realpath(path.c_str(), nullptr);
  if (!resolved) return path;
  std::string out(resolved);
  std::free(resolved);
  return out;
}
