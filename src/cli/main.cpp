// wrenlow-cli: the tool set's operations for scripts and batch work.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "cli/command.h"
#include "cli/progress.h"

namespace cli {

static std::vector<const CliCommand*>& registry() {
  static std::vector<const CliCommand*> list;
  return list;
}

CliCommand::CliCommand(const char* n, const char* u, const char* s, Run r, const char* d)
    : name(n), usage(u), summary(s), run(r), details(d) {
  registry().push_back(this);
}

const std::vector<const CliCommand*>& commands() {
  auto& list = registry();
  std::sort(list.begin(), list.end(), [](const CliCommand* a, const CliCommand* b) {
    return std::strcmp(a->name, b->name) < 0;
  });
  return list;
}

int usageError(const CliCommand& cmd) {
  std::fprintf(stderr, "usage: wrenlow-cli %s\n", cmd.usage);
  return kExitUsage;
}

bool parseLevel(const std::string& value, bool& fast) {
  if (value != "fast" && value != "strong") return false;
  fast = value == "fast";
  return true;
}

static const char kOptionsAndStatus[] =
    "options:\n"
    "  -q, --quiet   no progress bar and no result lines; errors still go to\n"
    "                standard error\n"
    "  -h, --help    show this help ('wrenlow-cli COMMAND --help' shows a command's\n"
    "                arguments)\n"
    "  --version     print the program's version\n"
    "\n"
    "Long commands (decompile, extract, recompile, compile, create-its, pack, copy)\n"
    "draw a progress bar with counts on standard error while it is a terminal.\n"
    "list, info, report, toc, index and search take --json and then write one JSON\n"
    "object to standard output. Error messages name the compiled file and, where\n"
    "there is one, the internal path.\n"
    "\n"
    "exit status:\n"
    "  0  success\n"
    "  1  failure: a file or an internal file could not be read or written\n"
    "  2  bad usage\n"
    "  3  cancelled (Ctrl+C)\n";

static void printHelp(FILE* out) {
  std::fprintf(out,
               "usage: wrenlow-cli [--quiet] COMMAND [ARGS...]\n"
               "       wrenlow-cli --help | --version\n\n"
               "Decompiles, recompiles, lists and reports on compiled HTML Help files (.chm, "
               ".its).\n\ncommands:\n");
  for (const CliCommand* c : commands()) std::fprintf(out, "  %-12s %s\n", c->name, c->summary);
  std::fprintf(out, "\n%s", kOptionsAndStatus);
}

static void printCommandHelp(const CliCommand& c) {
  std::printf("usage: wrenlow-cli %s\n\n%s\n", c.usage, c.summary);
  if (c.details) std::printf("\noptions:\n%s", c.details);
}

}  // namespace cli

int main(int argc, char** argv) {
  using namespace cli;
  // --quiet is taken wherever it stands, before or after the command.
  Args words;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--quiet") || !std::strcmp(argv[i], "-q"))
      setQuiet(true);
    else
      words.emplace_back(argv[i]);
  }
  if (words.empty()) {
    printHelp(stderr);
    return kExitUsage;
  }
  if (words[0] == "--help" || words[0] == "-h") {
    printHelp(stdout);
    return kExitOk;
  }
  if (words[0] == "--version") {
    std::printf("wrenlow-cli %s\n", WRENLOW_VERSION);
    return kExitOk;
  }
  for (const CliCommand* c : commands()) {
    if (words[0] != c->name) continue;
    Args args(words.begin() + 1, words.end());
    if (std::find(args.begin(), args.end(), "--help") != args.end()) {
      printCommandHelp(*c);
      return kExitOk;
    }
    return c->run(args);
  }
  std::fprintf(stderr, "wrenlow-cli: unknown command '%s'\n", words[0].c_str());
  printHelp(stderr);
  return kExitUsage;
}
