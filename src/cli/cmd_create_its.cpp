// wrenlow-cli create-its: an ITS file from a project's [FILES] list or from
// every file below a folder. Result lines go to standard output.
#include <string>

#include "cli/command.h"
#include "cli/stdout_sink.h"
#include "common/string_utils.h"
#include "create_its/create_its_run.h"

namespace cli {
namespace {

int runCreateIts(const Args& args);
const CliCommand createItsCommand(
    "create-its", "create-its (--project P.hhp | --folder DIR) [-o OUT.its]",
    "store the files a project lists, or the files below a folder, in a new ITS file",
    runCreateIts);

// Exit code 0: the file was created (entries that could not be stored are
// reported and skipped); 1: nothing was created.
int runCreateIts(const Args& args) {
  std::string project, folder, out;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    std::string* value = a == "--project"  ? &project
                         : a == "--folder" ? &folder
                         : a == "-o"       ? &out
                                           : nullptr;
    if (!value || i + 1 >= args.size() || !value->empty()) return usageError(createItsCommand);
    *value = args[++i];
    if (value->empty()) return usageError(createItsCommand);
  }
  if (project.empty() == folder.empty()) return usageError(createItsCommand);
  if (!out.empty()) out = FullPathName(out);
  StdoutSink sink("create-its");
  const CreateItsOutcome outcome = project.empty()
                                       ? createItsFromFolder(FullPathName(folder), out, sink)
                                       : createItsFromProject(FullPathName(project), out, sink);
  switch (outcome) {
    case CreateItsOutcome::Created:
      return 0;
    case CreateItsOutcome::Cancelled:
      return 3;
    case CreateItsOutcome::Failed:
      break;
  }
  return 1;
}

}  // namespace
}  // namespace cli
