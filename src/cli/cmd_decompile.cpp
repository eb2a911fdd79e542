// wrenlow-cli decompile: the decompile run for scripts. Result lines go to
// standard output, messages to standard error; the questions the run asks are
// answered by options (or on the terminal with "ask").
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

#include "cli/command.h"
#include "cli/stdout_sink.h"
#include "common/messages.h"
#include "common/prompt.h"
#include "common/string_utils.h"
#include "decompile/decompile_run.h"
#include "res/ids.h"
#include "res/strings.h"

namespace cli {
namespace {

// What to answer to an Abort/Retry/Ignore question of one kind.
enum class Answer { Ask, Skip, Abort };

bool parseAnswer(const std::string& value, Answer& out) {
  if (value == "ask")
    out = Answer::Ask;
  else if (value == "skip")
    out = Answer::Skip;
  else if (value == "abort")
    out = Answer::Abort;
  else
    return false;
  return true;
}

class OptionPrompter final : public Prompter {
 public:
  Answer readOnly = Answer::Skip;
  Answer fileInWay = Answer::Skip;

  int ask(std::string_view text, unsigned flags) override {
    clearProgress();
    std::fprintf(stderr, "wrenlow-cli: %s\n", plainLines(text).c_str());
    if ((flags & MB_TYPEMASK) != MB_ABORTRETRYIGNORE) return defaultMessageButton(flags);
    // The two questions with three answers: a read-only file (4011) and a
    // file where a folder must go (4017).
    const bool aboutFolder = text.find(fileInWayMarker()) != std::string_view::npos;
    switch (aboutFolder ? fileInWay : readOnly) {
      case Answer::Skip:
        return IDIGNORE;
      case Answer::Abort:
        return IDABORT;
      case Answer::Ask:
        break;
    }
    for (;;) {
      std::fprintf(stderr, "[a]bort, [r]etry, [i]gnore? ");
      std::string reply;
      if (!std::getline(std::cin, reply)) return IDABORT;
      if (reply == "a" || reply == "abort") return IDABORT;
      if (reply == "r" || reply == "retry") return IDRETRY;
      if (reply == "i" || reply == "ignore") return IDIGNORE;
    }
  }

 private:
  // The fixed tail of message 4017, after its "%s".
  static std::string_view fileInWayMarker() {
    std::string_view t = LoadStr(IDS_EXISTS_AS_FILE);
    const std::size_t at = t.find("%s");
    return at == std::string_view::npos ? t : t.substr(at + 2);
  }
};

int runDecompile(const Args& args);
const CliCommand decompileCommand(
    "decompile",
    "decompile SOURCE TARGET [--no-project] [--read-only=skip|abort|ask] "
    "[--file-in-way=skip|abort|ask]",
    "write the files of a compiled help file into a folder and rebuild its project file",
    runDecompile,
    "  --no-project          write the files only, no project file\n"
    "  --read-only=ANSWER    for a target file that is read-only: skip it (default),\n"
    "                        abort the run, or ask on the terminal\n"
    "  --file-in-way=ANSWER  the same for a file that stands where a folder must go\n"
    "exit status 0: done; 1: failed, or some file could not be written; 3: cancelled\n");

// --read-only: the answer for a target file that is read-only; --file-in-way:
// for a file where a folder must be made (both skip by default). Exit code 0:
// done; 1: failed, or some element could not be written; 3: cancelled.
int runDecompile(const Args& args) {
  DecompileRequest request;
  OptionPrompter prompter;
  std::vector<std::string> positional;
  for (const std::string& a : args) {
    if (a == "--no-project") {
      request.createProject = false;
    } else if (a.rfind("--read-only=", 0) == 0) {
      if (!parseAnswer(a.substr(12), prompter.readOnly)) return usageError(decompileCommand);
    } else if (a.rfind("--file-in-way=", 0) == 0) {
      if (!parseAnswer(a.substr(14), prompter.fileInWay)) return usageError(decompileCommand);
    } else if (a.rfind("--", 0) == 0) {
      return usageError(decompileCommand);
    } else {
      positional.push_back(a);
    }
  }
  if (positional.size() != 2) return usageError(decompileCommand);
  // Absolute once, here; the source is shown as entered.
  request.source = positional[0];
  request.sourceOpenPath = FullPathName(positional[0]);
  request.target = FullPathName(positional[1]);

  StdoutSink sink("decompile");
  const DecompileOutcome outcome = decompile(request, sink, prompter);
  switch (outcome) {
    case DecompileOutcome::Completed:
      return 0;
    case DecompileOutcome::Cancelled:
      return 3;
    case DecompileOutcome::Incomplete:
    case DecompileOutcome::Failed:
      break;
  }
  return 1;
}

}  // namespace
}  // namespace cli
