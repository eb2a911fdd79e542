// wrenlow-cli recompile: the recompile batch for scripts. Report and totals
// lines go to standard output, messages to standard error.
#include <cstdio>
#include <string>

#include "cli/command.h"
#include "cli/stdout_sink.h"
#include "common/prompt.h"
#include "recompile/recompile_batch.h"
#include "res/ids.h"
#include "res/strings.h"

namespace cli {
namespace {

// Every message the batch shows has only an OK button.
class StderrMessages final : public Prompter {
 public:
  int ask(std::string_view text, unsigned) override {
    clearProgress();
    std::fprintf(stderr, "wrenlow-cli: %s\n", plainLines(text).c_str());
    return IDOK;
  }
};

int runRecompile(const Args& args);
const CliCommand recompileCommand(
    "recompile",
    "recompile SOURCE TARGET [--not-collection] [--drop-index] [--drop-contents] "
    "[--level=fast|strong] [--x86-calls]",
    "rebuild compiled help files (a file, a folder or a wildcard) with better compression",
    runRecompile,
    "  SOURCE            a file, a folder (its *.chm) or a pattern with * or ?\n"
    "  TARGET            a file, or a folder (required for a pattern; made when missing)\n"
    "  --not-collection  the files are not part of a help collection\n"
    "  --drop-index      leave out the .hhk index file that a binary index in the\n"
    "                    file replaces (readers that show only sitemap files then\n"
    "                    show no index)\n"
    "  --drop-contents   leave out the .hhc contents file that a binary contents in\n"
    "                    the file replaces\n"
    "  --keep-index, --keep-contents\n"
    "                    keep them (the default)\n"
    "  --level=LEVEL     LZX effort: strong (default, smallest) or fast\n"
    "  --x86-calls       translate x86 calls where that makes the file smaller (files\n"
    "                    holding Windows programs); libmspack and chmls misread such\n"
    "                    files, so it is off by default\n"
    "exit status 0: every file recompiled; 1: some file failed; 3: cancelled\n");

// SOURCE: a file, a folder (its *.chm) or a pattern with * or ?; TARGET: a
// file, or a folder (required for a pattern; made when missing). Exit code
// 0: every file recompiled; 1: some file failed; 3: cancelled.
int runRecompile(const Args& args) {
  RecompileRequest request;
  std::vector<std::string> positional;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--level" && i + 1 < args.size()) {
      if (!parseLevel(args[++i], request.options.fastCompression))
        return usageError(recompileCommand);
    } else if (a.rfind("--level=", 0) == 0) {
      if (!parseLevel(a.substr(8), request.options.fastCompression))
        return usageError(recompileCommand);
    } else if (a == "--not-collection")
      request.options.collectionPart = false;
    else if (a == "--x86-calls")
      request.options.translateCalls = true;
    else if (a == "--keep-index" || a == "--drop-index")
      request.options.dropSitemapIndex = a == "--drop-index";
    else if (a == "--keep-contents" || a == "--drop-contents")
      request.options.dropSitemapContents = a == "--drop-contents";
    else if (a.rfind("--", 0) == 0)
      return usageError(recompileCommand);
    else
      positional.push_back(a);
  }
  if (positional.size() != 2 || positional[0].empty() || positional[1].empty())
    return usageError(recompileCommand);
  request.source = positional[0];
  request.target = positional[1];

  StdoutSink sink("recompile");
  StderrMessages messages;
  const RecompileOutcome outcome = recompile(request, sink, messages);
  if (outcome.cancelled) {
    sink.appendLine(LoadStr(IDS_CANCELLED_LINE));
    return 3;
  }
  return outcome.failed ? 1 : 0;
}

}  // namespace
}  // namespace cli
