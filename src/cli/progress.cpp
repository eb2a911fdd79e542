#include "cli/progress.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace cli {
namespace {

bool quietFlag = false;
ProgressBar* active = nullptr;

constexpr auto kRedrawEvery = std::chrono::milliseconds(100);

int terminalColumns() {
  winsize ws{};
  if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col >= 20) return ws.ws_col;
  return 80;
}

}  // namespace

void setQuiet(bool quiet) { quietFlag = quiet; }
bool quiet() { return quietFlag; }

ProgressBar::ProgressBar(std::string label)
    : label_(std::move(label)), enabled_(!quietFlag && ::isatty(STDERR_FILENO) == 1) {
  if (enabled_) active = this;
}

ProgressBar::~ProgressBar() {
  clear();
  if (active == this) active = nullptr;
}

void ProgressBar::setTotal(std::uint64_t total) {
  total_ = total;
  done_ = 0;
}

void ProgressBar::advance(std::uint64_t count) {
  done_ += count;
  if (!enabled_) return;
  const auto now = std::chrono::steady_clock::now();
  if (drawn_ && now - lastDraw_ < kRedrawEvery && done_ < total_) return;
  lastDraw_ = now;
  draw();
}

void ProgressBar::draw() {
  const std::string counts = std::to_string(std::min(done_, total_)) + "/" + std::to_string(total_);
  // label, a space, the bar in brackets, a space, the counts; one column
  // spare so that the terminal never wraps.
  const int room = terminalColumns() - 1 - static_cast<int>(label_.size() + counts.size()) - 4;
  const int width = std::clamp(room, 0, 40);
  std::string line = "\r" + label_ + " [";
  const int filled =
      total_
          ? static_cast<int>(std::min(done_, total_) * static_cast<std::uint64_t>(width) / total_)
          : 0;
  line.append(static_cast<std::size_t>(filled), '#');
  line.append(static_cast<std::size_t>(width - filled), '-');
  line += "] " + counts;
  std::fputs(line.c_str(), stderr);
  std::fflush(stderr);
  drawn_ = true;
}

void ProgressBar::clear() {
  if (!drawn_) return;
  std::fputs("\r\033[K", stderr);
  std::fflush(stderr);
  drawn_ = false;
}

void clearProgress() {
  if (active) active->clear();
}

}  // namespace cli
