#pragma once
// The walk of one drive that the finders make: every folder below a root,
// depth first, never leaving the root's file system (no step into another
// mount, a bind mount included), never following a symbolic link to a folder,
// and skipping folders whose name begins with "." and folders it may not
// read (each one told to the caller). Memory and open descriptors stay
// bounded however deep the tree: a folder's entries are read whole and the
// folders above the deepest few are closed, to be opened again through
// "..". The caller sees each file, is called back at the points where the
// finders step their progress bar and pump their events, and stops the walk
// through its cancelled flag.
#include <sys/types.h>

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace walk {

enum class FileKind { Regular, Link };

class WalkHooks {
 public:
  virtual ~WalkHooks() = default;
  // A file of `folder` (a native path ending in "/"). Links are reported
  // only when they lead to something that is not a folder.
  virtual void file(const std::string& folder, std::string_view name) = 0;
  // Once for the root and once for each folder directly below it, before it
  // is read (where the finders advance their progress bar).
  virtual void shallowFolder() {}
  // Once every 102 entries of a folder, before the cancelled flag is read.
  virtual void pump() {}
  // A folder (a native path ending in "/") that the walk would enter but
  // could not open or read: it is skipped.
  virtual void unopened(const std::string& folder) { (void)folder; }
  virtual bool cancelled() = 0;
};

// A folder the walk must not enter from another drive: the root of a drive
// that is walked on its own (a prefix's C: lies inside its Z:).
struct FolderId {
  dev_t device;
  ino_t inode;
};
bool folderId(const std::string& path, FolderId& id);

// Walks root. Returns false when the cancelled flag stopped it.
bool walkDrive(const std::string& root, WalkHooks& hooks, std::span<const FolderId> skip = {});

// The folders directly below root that the walk would enter, plus one for the
// root itself: the progress range of one drive.
std::uint32_t shallowUnits(const std::string& root);

}  // namespace walk
