// wrenlow-cli compile: compiles a help project into a compiled help file.
// Warnings, errors and the summary go to standard output; progress of long
// builds to standard error.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "cli/command.h"
#include "common/prompt.h"
#include "compile/compiler.h"

namespace cli {
namespace {

// Progress once a build has run for a second, every tenth of the way.
class CompileSink final : public ResultSink {
 public:
  void appendLine(std::string_view line) override {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
  }
  void setRange(int lower, int upper) override {
    total_ = upper - lower;
    done_ = 0;
    shownTenth_ = 0;
  }
  void step() override {
    ++done_;
    if (total_ <= 0) return;
    const int tenth = done_ * 10 / total_;
    if (tenth <= shownTenth_) return;
    shownTenth_ = tenth;
    if (std::chrono::steady_clock::now() - start_ < std::chrono::seconds(1)) return;
    std::fprintf(stderr, "wrenlow-cli: compile: %d/%d files\n", done_, total_);
  }
  bool cancelled() override { return false; }

 private:
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
  int total_ = 0, done_ = 0, shownTenth_ = 0;
};

int runCompile(const Args& args);
const CliCommand compile("compile", "compile PROJECT.hhp [-o OUT.chm] [--level fast|strong]",
                         "compile a help project into a compiled help file", runCompile);

int runCompile(const Args& args) {
  CompileOptions options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "-o" && i + 1 < args.size()) {
      options.outputPath = args[++i];
    } else if (args[i] == "--level" && i + 1 < args.size()) {
      if (!parseLevel(args[++i], options.fastCompression)) return usageError(compile);
    } else if (options.projectPath.empty() && !args[i].empty() && args[i][0] != '-') {
      options.projectPath = args[i];
    } else {
      return usageError(compile);
    }
  }
  if (options.projectPath.empty()) return usageError(compile);
  std::error_code ec;
  options.projectPath = std::filesystem::absolute(options.projectPath, ec).string();
  if (!options.outputPath.empty())
    options.outputPath = std::filesystem::absolute(options.outputPath, ec).string();
  CompileSink sink;
  const CompileResult r = compileProject(options, sink);
  return r.written && r.errors == 0 ? 0 : 1;
}

}  // namespace
}  // namespace cli
