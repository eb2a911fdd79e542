#pragma once
// Writing a whole file so that a reader sees either the old contents or the
// new ones, never a part: a new temporary file in the same folder, written,
// flushed to disk, then renamed over the target (or linked, when an existing
// file must not be replaced). A crash at any point leaves the old file; a
// failure or a cancel removes the temporary file and leaves the old one.
#include <functional>
#include <string>
#include <string_view>

namespace sysfile {

// Whether the user may not write the file or folder at path: it lacks the
// owner's write bit (the mark by which a user keeps a file as it is, which
// this program respects even where the system would let it write, as for
// root), or the system refuses write access. A missing path is not.
bool isReadOnly(const std::string& path);

// Opens path for reading only when it is a regular file (a symbolic link to
// one counts): never blocks on a FIFO or a device, whose open would wait for
// a writer or act on hardware. Returns the descriptor (close-on-exec,
// blocking), or -1 with errno set (EINVAL for a file of another kind).
int openRegularFile(const std::string& path);
// Reads the whole of a regular file (openRegularFile) into out; false, with
// errno set, when it cannot be opened or a read fails.
bool readRegularFile(const std::string& path, std::string& out);

// A new file being written to take the place of a target path.
//
// The temporary file is made in the target's folder, exclusively and under
// a name no one can guess in advance (where the file system allows, without
// any name until it is complete), so neither a stale file nor a planted
// symbolic link is ever written through. commit() flushes it to disk, gives
// it the mode of the file it replaces and renames it over the target; until
// then, and whenever a step fails, the target stays exactly as it was.
// Destroying an output that was not committed discards it.
class AtomicOutput {
 public:
  enum class Problem {
    None,
    ReadOnly,    // the target or its folder is read-only (isReadOnly)
    NotRegular,  // the target exists and is a folder, FIFO, device or socket
    Exists,      // the target exists and replace was not asked for
    Create,      // the temporary file could not be made
    Write,       // writing, flushing or renaming failed
  };

  AtomicOutput() = default;
  ~AtomicOutput();
  AtomicOutput(const AtomicOutput&) = delete;
  AtomicOutput& operator=(const AtomicOutput&) = delete;

  // Checks the target and opens the temporary file. replace: an existing
  // target is replaced by commit(); otherwise it makes begin() fail.
  bool begin(const std::string& path, bool replace = true);
  // The same for the entry name of an open folder (the descriptor is
  // duplicated; name holds no "/").
  bool beginAt(int folder, const std::string& name, bool replace = true);
  // For a run that writes many files into folders it holds open (an
  // extraction, a decompile). The folder descriptor is used as it is and must
  // stay open until commit() or discard(); the caller has made sure with
  // folderWritable() that files may be made in it. Nothing is looked up
  // before the bytes are written: commit() gives the complete file its name
  // in one step when the name is free, and only when the name is taken makes
  // the checks of begin() and replaces what is there, which must then be a
  // regular file (a symbolic link or anything else is refused as NotRegular).
  bool beginInFolder(int folder, const std::string& name);
  // A file without a name yet, made in the held folder, for bytes that
  // arrive before it is known where they go; commitAt() names it. Only where
  // the file system makes files without a name (O_TMPFILE); elsewhere it
  // fails, and the bytes are better kept in memory.
  bool beginUnnamed(int folder);
  // commit() without flushes for a file begun by beginUnnamed (or
  // beginInFolder), into name of a held folder on the same file system, with
  // beginInFolder's checks. Fails with error() EXDEV, changing nothing but
  // discarding the file, when that folder lies on another file system.
  bool commitAt(int folder, const std::string& name);
  // The temporary file's descriptor (read and write), -1 before begin().
  int fd() const { return fd_; }
  // Appends bytes at the descriptor's offset; false on a failed or short write.
  bool write(std::string_view bytes);
  // Puts the complete file in the target's place. beforeRename runs when the
  // file is on disk and about to take its place (tests stand for a crash
  // there). False, with the temporary file gone, when a step fails.
  // toDisk false leaves out the flushes to disk: a crash of the process still
  // leaves the old file or the new one, a crash of the system may not (for
  // the many files of an extraction, where a flush each would cost more than
  // the write).
  bool commit(const std::function<void()>& beforeRename = {}, bool toDisk = true);
  // Removes the temporary file; the target is left as it was.
  void discard();

  Problem problem() const { return problem_; }
  // errno of the step that failed.
  int error() const { return error_; }
  const std::string& path() const { return path_; }

 private:
  // Starts over on a folder the caller keeps open, for the target name (empty
  // for a file that has none yet); a new file there replaces one of that name.
  void startInHeldFolder(int folder, const std::string& name);
  bool fail(Problem problem, int error);
  bool start(const std::string& shownPath, bool replace);
  bool checkTarget();
  bool openTemporary(unsigned mode);
  int placeNew();
  bool place(const std::function<void()>& beforeRename, bool toDisk);

  std::string path_;
  std::string name_;      // the target's name inside its folder
  std::string tempName_;  // empty while the temporary file has no name
  int fd_ = -1;
  int folder_ = -1;
  bool borrowed_ = false;  // folder_ belongs to the caller (beginInFolder)
  bool replace_ = true;
  bool keepMode_ = false;
  unsigned mode_ = 0;
  Problem problem_ = Problem::None;
  int error_ = 0;
};

// Whether new files may be made in the open folder: its owner's write bit is
// set (the read-only mark, respected even where the system would allow the
// write) and the system grants write access.
bool folderWritable(int folder);

struct AtomicWriteOptions {
  // false: fail, leaving it alone, when the target already exists.
  bool replace = true;
  // Called after the temporary file is complete, before it takes the
  // target's place (tests stop here to stand for a crash).
  std::function<void()> beforeRename;
};

// The new file keeps the mode of the file it replaces (0666 less the umask
// for a new one). Fails, leaving everything as it was, when the target or
// its folder is read-only or the target is not a regular file.
bool writeFileAtomically(const std::string& path, std::string_view text,
                         const AtomicWriteOptions& options = {});

}  // namespace sysfile
