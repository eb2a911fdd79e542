#pragma once
// wrenlow-cli: each sub-command lives in its own file and registers itself
// with a static CliCommand object, so adding a command touches no shared file.
#include <string>
#include <vector>

namespace cli {

using Args = std::vector<std::string>;

// Exit codes of every command.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;  // something could not be read or written
constexpr int kExitUsage = 2;
constexpr int kExitCancelled = 3;  // Ctrl+C

struct CliCommand {
  // run returns the process exit code.
  using Run = int (*)(const Args& args);
  // details: the options, one per line, for "COMMAND --help" (may be null).
  CliCommand(const char* name, const char* usage, const char* summary, Run run,
             const char* details = nullptr);
  const char* name;
  const char* usage;
  const char* summary;
  Run run;
  const char* details;
};

const std::vector<const CliCommand*>& commands();

// Prints "usage: wrenlow-cli <usage>" to standard error and returns 2.
int usageError(const CliCommand& cmd);

// The value of --level: "fast" sets fast, "strong" clears it; false otherwise.
bool parseLevel(const std::string& value, bool& fast);

}  // namespace cli
