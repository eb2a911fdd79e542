// wrenlow-cli compile: compiles a help project into a compiled help file.
// Warnings, errors and the summary go to standard output, the progress bar
// to standard error.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "cli/command.h"
#include "cli/progress.h"
#include "common/prompt.h"
#include "compile/compiler.h"

namespace cli {
namespace {

class CompileSink final : public ResultSink {
 public:
  void appendLine(std::string_view line) override {
    if (quiet()) return;
    clearProgress();
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
  }
  void setRange(int lower, int upper) override {
    bar_.setTotal(upper > lower ? static_cast<std::uint64_t>(upper - lower) : 0);
  }
  void step() override { bar_.advance(); }
  bool cancelled() override { return false; }

 private:
  ProgressBar bar_{"compile"};
};

int runCompile(const Args& args);
const CliCommand compile(
    "compile",
    "compile PROJECT.hhp [-o OUT.chm] [--level=fast|strong] [--reset N] [--window N] [--x86-calls]",
    "compile a help project into a compiled help file", runCompile,
    "  -o OUT.chm            the compiled file (default: the project's)\n"
    "  --level=LEVEL         LZX effort: strong (default, smallest) or fast\n"
    "  --reset N             LZX reset interval in 32 KiB units (default 8); --reset 2\n"
    "                        for readers that decode no interval above 64 KiB\n"
    "  --window N            LZX window in 32 KiB units (default 8, at most the interval)\n"
    "  --x86-calls           translate x86 calls where that makes the file smaller (files\n"
    "                        holding Windows programs); libmspack and chmls misread\n"
    "                        such files, so it is off by default\n");

// A count of 32 KiB units, 1 to 64.
bool parseBlocks(const std::string& text, std::uint32_t& out) {
  char* end = nullptr;
  const unsigned long v = std::strtoul(text.c_str(), &end, 10);
  if (text.empty() || *end || v == 0 || v > 64) return false;
  out = static_cast<std::uint32_t>(v);
  return true;
}

int runCompile(const Args& args) {
  CompileOptions options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "-o" && i + 1 < args.size()) {
      options.outputPath = args[++i];
    } else if (args[i] == "--level" && i + 1 < args.size()) {
      if (!parseLevel(args[++i], options.fastCompression)) return usageError(compile);
    } else if (args[i].rfind("--level=", 0) == 0) {
      if (!parseLevel(args[i].substr(8), options.fastCompression)) return usageError(compile);
    } else if (args[i] == "--x86-calls") {
      options.translateCalls = true;
    } else if (args[i] == "--reset" && i + 1 < args.size()) {
      if (!parseBlocks(args[++i], options.resetBlocks)) return usageError(compile);
    } else if (args[i] == "--window" && i + 1 < args.size()) {
      if (!parseBlocks(args[++i], options.windowBlocks)) return usageError(compile);
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
