#pragma once
// The command line's progress bar on standard error: drawn only when standard
// error is a terminal and --quiet was not given, at most ten times a second,
// and erased before anything else is written, so that piped or logged output
// never holds a bar.
#include <chrono>
#include <cstdint>
#include <string>

namespace cli {

// --quiet: no progress bar and no result lines; errors still go to
// standard error.
void setQuiet(bool quiet);
bool quiet();

class ProgressBar {
 public:
  explicit ProgressBar(std::string label);
  ~ProgressBar();
  ProgressBar(const ProgressBar&) = delete;
  ProgressBar& operator=(const ProgressBar&) = delete;

  void setTotal(std::uint64_t total);
  void advance(std::uint64_t count = 1);
  // Erases the bar's line if it is drawn; the next step draws it again.
  void clear();

 private:
  void draw();

  std::string label_;
  bool enabled_;
  bool drawn_ = false;
  std::uint64_t total_ = 0, done_ = 0;
  std::chrono::steady_clock::time_point lastDraw_{};
};

// Erases the bar of the running command, if any, before other output.
void clearProgress();

}  // namespace cli
