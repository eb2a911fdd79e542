#pragma once
// Result lines of an operation on standard output, as the results box shows
// them, its progress as the bar on standard error, and Ctrl+C as the cancel
// flag the operation reads.
#include <string>
#include <string_view>

#include "cli/progress.h"
#include "common/prompt.h"

namespace cli {

// The text with each "\r\n" inside it (a summary's line breaks, the blank
// line before some lines) as a plain line end.
std::string plainLines(std::string_view text);

class StdoutSink final : public ResultSink {
 public:
  // Catches SIGINT for the life of the sink; label names the bar.
  explicit StdoutSink(const char* label);
  ~StdoutSink() override;
  StdoutSink(const StdoutSink&) = delete;
  StdoutSink& operator=(const StdoutSink&) = delete;

  void appendLine(std::string_view line) override;
  void setRange(int lower, int upper) override;
  void step() override { bar_.advance(); }
  bool cancelled() override;

 private:
  ProgressBar bar_;
};

}  // namespace cli
