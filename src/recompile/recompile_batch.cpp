#include "recompile/recompile_batch.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>

#include "common/messages.h"
#include "common/string_utils.h"
#include "its/text_helpers.h"
#include "recompile/recompile_report.h"
#include "res/ids.h"
#include "res/strings.h"

namespace {

enum class PathKind { Missing, Folder, Other };

PathKind pathKind(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return PathKind::Missing;
  return S_ISDIR(st.st_mode) ? PathKind::Folder : PathKind::Other;
}

bool lessNoCase(const std::string& a, const std::string& b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y + 32);
    if (x != y) return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
  }
  return a.size() < b.size() || (a.size() == b.size() && a < b);
}

int ask(Prompter& prompter, unsigned id, const std::string& arg, unsigned flags) {
  return prompter.ask(FormatMessageText(LoadStr(id), arg), flags);
}

// One job from run to report; whether it succeeded.
bool runJob(const std::string& source, const std::string& target, const RecompileRequest& request,
            ResultSink& sink, Prompter& prompter, const RecompileHooks& hooks,
            RecompileOutcome& outcome) {
  RecompileJob job(sink, prompter, request.options, hooks);
  bool ok = job.run(source, target);
  ok = job.finish(ok);
  if (job.cancelled()) outcome.cancelled = true;
  if (!ok) {
    ++outcome.failed;
    return false;
  }
  ++outcome.succeeded;
  outcome.totalOld += job.oldSize();
  outcome.totalNew += job.newSize();
  if (job.newSize() != 0)
    sink.appendLine(recompileReportLine(job.sourcePath(), job.oldSize(), job.newSize()));
  return true;
}

}  // namespace

std::vector<std::string> matchWildcard(const std::string& folder, const std::string& pattern) {
  std::vector<std::string> names;
  // Wildcards belong to the last part of the path only.
  if (HasWildcard(folder)) return names;
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (!dir) return names;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name == "." || name == ".." || !WildcardMatch(pattern, name)) continue;
    if (pathKind(folder + name) == PathKind::Folder) continue;
    names.push_back(name);
  }
  ::closedir(dir);
  std::sort(names.begin(), names.end(), lessNoCase);
  return names;
}

RecompileOutcome recompile(const RecompileRequest& request, ResultSink& sink, Prompter& prompter,
                           const RecompileHooks& hooks) {
  RecompileOutcome outcome;
  std::string source = request.source;
  if (!HasWildcard(source) && pathKind(source) == PathKind::Folder) {
    AddBackslash(source);
    source += "*.chm";
  }
  if (!HasWildcard(source)) {
    if (pathKind(source) == PathKind::Missing) {
      ask(prompter, IDS_CANNOT_OPEN, source, MB_ICONWARNING);
      ++outcome.failed;
      return outcome;
    }
    runJob(source, request.target, request, sink, prompter, hooks, outcome);
    return outcome;
  }

  switch (pathKind(request.target)) {
    case PathKind::Missing:
      CreateFolderPath(request.target);
      if (pathKind(request.target) != PathKind::Folder) {
        ask(prompter, IDS_CANNOT_CREATE, request.target, MB_ICONERROR);
        ++outcome.failed;
        return outcome;
      }
      break;
    case PathKind::Other:
      prompter.ask(LoadStr(IDS_WILDCARD_NEEDS_FOLDER), MB_ICONWARNING);
      ++outcome.failed;
      return outcome;
    case PathKind::Folder:
      break;
  }
  const std::size_t slash = source.rfind('/');
  const std::string folder =
      slash == std::string::npos ? std::string() : source.substr(0, slash + 1);
  const std::string pattern = source.substr(folder.size());
  for (const std::string& name : matchWildcard(folder, pattern)) {
    runJob(folder + name, request.target, request, sink, prompter, hooks, outcome);
    if (outcome.cancelled) break;
  }
  sink.appendLine(recompileTotalsLine(outcome.totalOld, outcome.totalNew));
  return outcome;
}
