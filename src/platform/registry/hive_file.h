#pragma once
// A hive file on disk and its parsed copy. Readers see the file as it is now
// (the copy is parsed again whenever the file changed). A change is made
// under an exclusive lock on a lock file beside the hive: the file is read
// again if another process replaced it, the change is applied to that fresh
// copy and the result replaces the file atomically (temporary file, fsync,
// rename). Two processes therefore never lose each other's changes.
#include <sys/types.h>

#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "platform/registry/hive_document.h"

namespace reg {

class HiveFile {
 public:
  // `rootName` is the "All keys relative to" name for a new file.
  HiveFile(std::string path, std::string rootName);

  const std::string& path() const { return path_; }

  // Runs `read` on the current document (parsed again if the file changed).
  void read(const std::function<void(HiveDocument&)>& read);

  // Applies `change` to the current document under the lock and writes the
  // file when it reports a change. Returns 0 or a Win32 error code:
  // the status `change` returned, ERROR_BADDB for a file that cannot be
  // parsed, ERROR_ACCESS_DENIED while writes are refused or the file is not
  // writable, ERROR_WRITE_FAULT
  // when the file could not be replaced (then nothing changed).
  long modify(const std::function<long(HiveDocument&, bool& changed)>& change);

  // Whether the file exists but could not be read or parsed (its keys are
  // then unknown, and nothing is written over it).
  bool unreadable();

  // Whether a change could be written: neither the file nor its folder is
  // read-only (sysfile::isReadOnly).
  bool writable() const;

  // Refuses every write with a reason (a running wine server owns the file).
  void refuseWrites(std::string reason) { refusal_ = std::move(reason); }

  // Test hook: runs after the temporary file is written and flushed and
  // before it replaces the hive.
  static void setBeforeRenameHook(std::function<void()> hook);

 private:
  void refreshLocked();
  bool writeAtomically(const std::string& text);

  std::string path_;
  std::string rootName_;
  std::string refusal_;
  std::recursive_mutex mutex_;
  std::unique_ptr<HiveDocument> doc_;
  bool broken_ = false;
  bool reported_ = false;
  bool haveStat_ = false;
  dev_t dev_ = 0;
  ino_t ino_ = 0;
  off_t size_ = 0;
  long long mtimeNs_ = 0;
};

void reportProblem(const std::string& message);

}  // namespace reg
