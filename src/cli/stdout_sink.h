#pragma once
// Result lines of an operation on standard output, as the results box shows
// them, and Ctrl+C as the cancel flag the operation reads.
#include <string>
#include <string_view>

#include "common/prompt.h"

namespace cli {

// The text with each "\r\n" inside it (a summary's line breaks, the blank
// line before some lines) as a plain line end.
std::string plainLines(std::string_view text);

class StdoutSink final : public ResultSink {
 public:
  // Catches SIGINT for the life of the sink.
  StdoutSink();
  ~StdoutSink() override;
  StdoutSink(const StdoutSink&) = delete;
  StdoutSink& operator=(const StdoutSink&) = delete;

  void appendLine(std::string_view line) override;
  void setRange(int, int) override {}
  void step() override {}
  bool cancelled() override;
};

}  // namespace cli
