#include <cstdio>

#include "cli/command.h"

namespace cli {
namespace {

int runVersion(const Args& args) {
  if (!args.empty()) return 2;
  std::printf("wrenlow-cli %s\n", WRENLOW_VERSION);
  return 0;
}

const CliCommand version("version", "version", "print the program's version", runVersion);

}  // namespace
}  // namespace cli
