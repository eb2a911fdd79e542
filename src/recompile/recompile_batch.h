#pragma once
// The recompile command's work after its dialog: one source file, or every
// file a wildcard (or a folder, taken as its "*.chm") matches, recompiled into
// a target file or folder, a report line per file and a totals line for a
// wildcard batch.
#include <cstdint>
#include <string>
#include <vector>

#include "common/prompt.h"
#include "recompile/recompile_job.h"

struct RecompileRequest {
  std::string source;  // a file, a folder, or a path whose last part holds "*" or "?"
  std::string target;  // a file or a folder
  RecompileOptions options;
};

struct RecompileOutcome {
  int succeeded = 0;
  int failed = 0;  // files that were started and did not succeed, and failures before any file
  bool cancelled = false;
  std::uint64_t totalOld = 0;
  std::uint64_t totalNew = 0;
};

// The names in folder (empty: the current folder) that match pattern, in
// the order of their names compared without the case of A–Z. Folders are
// never matched.
std::vector<std::string> matchWildcard(const std::string& folder, const std::string& pattern);

// Runs the batch. Messages go to the prompter, lines to the sink; a cancelled
// run ends after the file in progress (the front end adds the cancel line).
RecompileOutcome recompile(const RecompileRequest& request, ResultSink& sink, Prompter& prompter,
                           const RecompileHooks& hooks = {});
