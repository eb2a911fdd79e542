#pragma once
// Files and folders below a target folder, reached only through folder
// descriptors and single names: whatever a name from a help file holds, what
// is created lands inside the folder it was meant for. Symbolic links are
// never followed below the target.
#include <sys/types.h>

#include <string>
#include <string_view>

namespace sysfile {
class AtomicOutput;
}

// Whether an element name can be used as one file or folder name below the
// target: not empty, not "." or "..", and without "/" or "\" (both separate
// path elements in a help file's names).
bool isPlainElementName(std::string_view name);

// An open folder descriptor, closed with the object.
class FolderHandle {
 public:
  FolderHandle() = default;
  explicit FolderHandle(int fd) : fd_(fd) {}
  ~FolderHandle() { reset(); }
  FolderHandle(FolderHandle&& o) noexcept : writable_(o.writable_) { fd_ = o.release(); }
  FolderHandle& operator=(FolderHandle&& o) noexcept;
  FolderHandle(const FolderHandle&) = delete;
  FolderHandle& operator=(const FolderHandle&) = delete;

  // Opens the folder at path (symbolic links in path are followed: it is the
  // user's own choice of target).
  static FolderHandle openPath(const std::string& path);
  // Opens the sub-folder name of this folder; a symbolic link is not opened.
  FolderHandle openChild(const std::string& name) const;

  int fd() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  // Whether new files may be made in the folder (sysfile::folderWritable),
  // looked at on the first call only: a handle lives for one run's pass
  // through its folder.
  bool writable() const;
  int release();
  void reset();

 private:
  mutable int writable_ = -1;  // -1 not looked at yet
  int fd_ = -1;
};

enum class EntryKind { Missing, Folder, Other };

// What name is in the folder (a symbolic link counts as Other; a name whose
// attributes cannot be read counts as Missing).
EntryKind entryKind(const FolderHandle& folder, const std::string& name);

// Whether name exists in the folder and is read-only: the owner's write bit
// is clear. This stands for the read-only file attribute; permission checks
// are not used because a process running as root may write any file.
bool isReadOnly(const FolderHandle& folder, const std::string& name);

// Creates the sub-folder name; false when it cannot be made.
bool createFolder(const FolderHandle& folder, const std::string& name);

enum class WriteResult { Written, CannotCreate, WriteFailed };

// Writes the bytes to a new file name of the folder, or in place of the
// regular file of that name (anything else there, a symbolic link among them,
// is refused, as is a folder that may not be written). WriteFailed: the file
// was created but not all bytes reached it, or it could not take its name.
WriteResult writeWholeFile(const FolderHandle& folder, const std::string& name, const void* data,
                           std::size_t size);

// Gives a complete file begun with AtomicOutput::beginUnnamed its name in the
// folder, with writeWholeFile's checks and results. WriteFailed with
// file.error() EXDEV when the folder lies on another file system than the
// file: its bytes must then be written again.
WriteResult placeWholeFile(const FolderHandle& folder, const std::string& name,
                           sysfile::AtomicOutput& file);

// How many descriptors a run may hold open at once for one purpose (folders
// on its way, files waiting for their names): wanted, or an eighth of what
// the process may open when that is less (four at least), so that what a run
// holds never uses up the limit.
std::size_t descriptorsToHold(std::size_t wanted);

// The full path of a folder given by a path (symbolic links resolved); the
// path itself when it cannot be resolved.
std::string fullFolderPath(const std::string& path);
