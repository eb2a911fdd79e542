#pragma once
// One file of a recompile: every stream of a compiled help file is copied, in
// a fixed order, into a new file written with the program's own compression
// settings, leaving behind the internal files the new file does not need.
// The new file is written to a temporary file beside the target and takes
// its place by a rename only when complete, and when the target is the
// source itself only when it is smaller: at every instant the target is
// either the old file or the new one, and a failed or cancelled job leaves
// it as it was.
#include <cstdint>
#include <functional>
#include <string>

#include "common/prompt.h"
#include "its/its_storage.h"
#include "recompile/recompile_names.h"

struct RecompileOptions {
  bool collectionPart = true;  // the source is part of a CHM file collection
  // Leave out the .hhk a binary index replaces, the .hhc a binary contents
  // replaces. Off by default: several readers on Linux show only the
  // sitemap files, and keeping them costs little.
  bool dropSitemapIndex = false;
  bool dropSitemapContents = false;
  bool fastCompression = false;  // the LZX encoder's fast level
  bool translateCalls = false;   // x86 call translation where it pays
};

// What the front ends attach to a recompile.
struct RecompileHooks {
  // A target that is an existing folder (the GUI puts it first in the folder
  // history).
  std::function<void(const std::string& folder)> onTargetFolder;
  // The status line: the full path of the file being recompiled.
  std::function<void(const std::string& path)> onStatus;
};

class RecompileJob {
 public:
  RecompileJob(ResultSink& sink, Prompter& prompter, const RecompileOptions& options,
               const RecompileHooks& hooks = {});
  // Performs the finish (as a failed job) when the copy started and it has
  // not run.
  ~RecompileJob();
  RecompileJob(const RecompileJob&) = delete;
  RecompileJob& operator=(const RecompileJob&) = delete;

  // Recompiles source into target (a file, or an existing folder that gets a
  // file of the source's name). Problems are shown as messages; false when
  // the job failed or was cancelled.
  bool run(const std::string& source, const std::string& target);
  // Closes both files; after a success puts the new file in the target's
  // place (when they are the same file, only a smaller one), after a failure
  // drops it; then measures both. Runs once; false when the new file could
  // not be written (a success turns into a failure then).
  bool finish(bool succeeded);

  bool cancelled() const { return cancelled_; }
  std::uint64_t oldSize() const { return oldSize_; }
  std::uint64_t newSize() const { return newSize_; }
  const std::string& sourcePath() const { return sourcePath_; }
  const std::string& targetPath() const { return targetPath_; }
  bool sameFile() const { return sameFile_; }
  const RecompileFacts& facts() const { return facts_; }

 private:
  enum class Copy { Done, Failed, Cancelled };
  Copy copyPath(const std::string& path, bool stepProgress);
  bool copyContent(const std::string& path, bool readFailureIsDamage, bool stepProgress);
  void warn(unsigned id, const std::string& arg);
  void warnWrite(const std::string& path);
  void resolvePaths(const std::string& source, const std::string& target);

  ResultSink& sink_;
  Prompter& prompter_;
  RecompileOptions options_;
  RecompileHooks hooks_;
  ItsStorage source_;
  ItsStorage target_;
  RecompileNames names_;
  RecompileFacts facts_;
  std::string sourcePath_;
  std::string targetPath_;
  bool sameFile_ = false;
  bool finished_ = true;
  bool cancelled_ = false;
  std::uint64_t oldSize_ = 0;
  std::uint64_t newSize_ = 0;
};
