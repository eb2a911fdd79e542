// wrenlow-cli: the tool set's operations for scripts and batch work.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "cli/command.h"

namespace cli {

static std::vector<const CliCommand*>& registry() {
  static std::vector<const CliCommand*> list;
  return list;
}

CliCommand::CliCommand(const char* n, const char* u, const char* s, Run r)
    : name(n), usage(u), summary(s), run(r) {
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
  return 2;
}

bool parseLevel(const std::string& value, bool& fast) {
  if (value != "fast" && value != "strong") return false;
  fast = value == "fast";
  return true;
}

static void printHelp(FILE* out) {
  std::fprintf(out, "usage: wrenlow-cli COMMAND [ARGS...]\n\ncommands:\n");
  for (const CliCommand* c : commands()) std::fprintf(out, "  %-12s %s\n", c->name, c->summary);
  std::fprintf(out, "\n'wrenlow-cli COMMAND --help' shows a command's arguments.\n");
}

}  // namespace cli

int main(int argc, char** argv) {
  using namespace cli;
  if (argc < 2 || !std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h")) {
    printHelp(argc < 2 ? stderr : stdout);
    return argc < 2 ? 2 : 0;
  }
  for (const CliCommand* c : commands()) {
    if (std::strcmp(c->name, argv[1]) != 0) continue;
    Args args(argv + 2, argv + argc);
    if (std::find(args.begin(), args.end(), "--help") != args.end()) {
      std::printf("usage: wrenlow-cli %s\n%s\n", c->usage, c->summary);
      return 0;
    }
    return c->run(args);
  }
  std::fprintf(stderr, "wrenlow-cli: unknown command '%s'\n", argv[1]);
  printHelp(stderr);
  return 2;
}
