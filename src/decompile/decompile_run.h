#pragma once
// The decompile run: every internal stream whose name does not begin with "$"
// or "#" is written to a file of the same relative path below a target
// folder, every sub-storage becomes a sub-folder, and, when asked, a project
// file is rebuilt. Problems are reported as result lines or questions; the
// results end with a summary.
//
// Files are created through descriptors of the target folder and its
// sub-folders, never through the process's current directory, so a run can be
// tested (and could run) anywhere; names that would leave the target folder
// are refused.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <unordered_set>
#include <vector>

#include "common/messages.h"
#include "common/prompt.h"
#include "decompile/local_folder.h"
#include "decompile/sitemap_rebuild.h"
#include "its/count_streams.h"
#include "its/element_walk.h"
#include "its/its_storage.h"
#include "platform/system/atomic_file.h"

struct DecompileRequest {
  std::string source;  // the compiled file, as entered (shown in the results)
  std::string target;  // the folder to write into; it must exist
  bool createProject = true;
  // Where to open the source when that differs from `source` (the absolute
  // path of what was entered). Empty: `source`.
  std::string sourceOpenPath;

  const std::string& openPath() const { return sourceOpenPath.empty() ? source : sourceOpenPath; }
};

class StreamPrefetch;

class DecompileRun : private ElementAction {
 public:
  // factory: how the storage engine is made (tests hand in their own).
  DecompileRun(ResultSink& sink, Prompter& prompter, ItsStorage::EngineFactory factory = nullptr);
  ~DecompileRun() override;
  DecompileRun(const DecompileRun&) = delete;
  DecompileRun& operator=(const DecompileRun&) = delete;

  // The status line: called with the item being worked on (the source, then
  // the project name).
  std::function<void(const std::string& item)> onStatus;
  // Wait cursor on (true) and off (false) around the project reconstruction.
  BusyHook onBusy;
  // Whether streams are read ahead in bulk (decoded on worker threads) while
  // the walk writes them in its own order.
  bool readAhead = true;

  // Opens the source with the run's storage; message 20482 (warning) when it
  // cannot be opened.
  bool open(const std::string& sourcePath);
  // The run over the opened source: progress range 0..range, the extraction
  // of every level, the summary and the project file. target must be an
  // existing folder.
  void run(const DecompileRequest& request, std::int32_t range);
  void close();

  bool cancelled() const { return cancelled_; }
  // The run was stopped by a write that failed (not by the user).
  bool writeFailed() const { return writeFailed_; }
  std::int32_t files() const { return files_; }
  std::int32_t folders() const { return folders_; }
  // Elements left out because of an error (not by the user's answer): folders
  // or files that could not be created, read or opened, refused names, and a
  // project file that could not be made.
  int problems() const { return problems_; }
  // The target's full path, as the summary shows it.
  const std::string& targetPath() const { return targetPath_; }

  ItsStorage& storage() { return storage_; }

 private:
  // ElementAction.
  bool enterLevel(const std::string& subPath) override;
  void leaveLevel(const std::string& subPath) override;
  WalkStep storage(const WalkElement& element) override;
  WalkStep stream(const WalkElement& element) override;

  bool checkCancelled();
  void line(unsigned id, const std::string& arg);
  int ask(unsigned id, const std::string& arg, unsigned flags);
  // The local path of an element as the lines show it (relative to the target).
  static std::string localPath(const WalkElement& element);
  const FolderHandle& folderOf(const std::string& subPath);
  // The stream's bytes, in data or (when file is given and the bytes were
  // read ahead into one) in *file; false, with the problem reported, when it
  // cannot be opened or read whole.
  bool readStream(const WalkElement& element, std::string& data,
                  std::unique_ptr<sysfile::AtomicOutput>* file);
  void rebuildProject(const DecompileRequest& request, const std::vector<RebuiltSitemap>& sitemaps);
  // Writes the sitemap files that the source holds only as binary tables;
  // returns those written.
  std::vector<RebuiltSitemap> rebuildSitemapFiles(const DecompileRequest& request);
  // Opens the folder of a "/"-separated path below the target, creating
  // missing folders; an invalid handle when a segment is not a plain name
  // or cannot be made.
  FolderHandle folderFor(const std::string& relativePath, std::string& leaf);

  ResultSink& sink_;
  Prompter& prompter_;
  ItsStorage::EngineFactory factory_;
  ItsStorage storage_;
  std::unique_ptr<StreamPrefetch> prefetch_;
  FolderHandle root_;
  FolderHandle pendingFolder_;
  std::map<std::string, FolderHandle> levels_;
  std::set<std::string> fresh_;              // levels whose folder this run created
  std::unordered_set<std::string> written_;  // files this run wrote, "/"-separated
  bool pendingFresh_ = false;
  FolderHandle none_;
  std::string targetPath_;
  std::int32_t files_ = 0;
  std::int32_t folders_ = 0;
  bool cancelled_ = false;
  bool writeFailed_ = false;
  int problems_ = 0;
};

// How a whole decompile ended. Incomplete: the run completed, but some
// element could not be written (see DecompileRun::problems).
enum class DecompileOutcome { Completed, Incomplete, Cancelled, Failed };

// The command's work after its input dialog: counts the streams for the
// progress range (a source that cannot be opened stops here, after the
// count's own message 20482), checks that the target is an existing folder
// (message 4007, error icon), opens the source and runs. The sink also gets
// the line 4057 after a cancelled run, and after a run stopped by a failed
// write, which counts as Failed.
DecompileOutcome decompile(const DecompileRequest& request, ResultSink& sink, Prompter& prompter);
