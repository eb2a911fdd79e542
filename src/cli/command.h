#pragma once
// wrenlow-cli: each sub-command lives in its own file and registers itself
// with a static CliCommand object, so adding a command touches no shared file.
#include <string>
#include <vector>

namespace cli {

using Args = std::vector<std::string>;

struct CliCommand {
  // run returns the process exit code: 0 success, 1 failure, 2 bad usage.
  using Run = int (*)(const Args& args);
  CliCommand(const char* name, const char* usage, const char* summary, Run run);
  const char* name;
  const char* usage;
  const char* summary;
  Run run;
};

const std::vector<const CliCommand*>& commands();

// Prints "usage: wrenlow-cli <usage>" to standard error and returns 2.
int usageError(const CliCommand& cmd);

// The value of --level: "fast" sets fast, "strong" clears it; false otherwise.
bool parseLevel(const std::string& value, bool& fast);

}  // namespace cli
