#pragma once
// Writing a whole file so that a reader sees either the old contents or the
// new ones, never a part: a temporary file in the same folder, written,
// flushed to disk, then renamed over the target (or linked, when an existing
// file must not be replaced). A crash at any point leaves the old file.
#include <functional>
#include <string>
#include <string_view>

namespace sysfile {

struct AtomicWriteOptions {
  // false: fail, leaving it alone, when the target already exists.
  bool replace = true;
  // Called after the temporary file is complete, before it takes the
  // target's place (tests stop here to stand for a crash).
  std::function<void()> beforeRename;
};

// Whether the user may not write the file or folder at path: it lacks the
// owner's write bit (the mark by which a user keeps a file as it is, which
// this program respects even where the system would let it write, as for
// root), or the system refuses write access. A missing path is not.
bool isReadOnly(const std::string& path);

// The new file keeps the mode of the file it replaces (0644 for a new one).
// Fails, leaving everything as it was, when the target or its folder is
// read-only.
bool writeFileAtomically(const std::string& path, std::string_view text,
                         const AtomicWriteOptions& options = {});

// Puts the complete file replacement (in the same folder as path) in path's
// place: replacement is given path's mode, flushed to disk, and renamed over
// path, then the folder is flushed. At every instant path is either the old
// file or the new one. False (replacement left as it is) when a step fails.
bool replaceFile(const std::string& replacement, const std::string& path);

}  // namespace sysfile
