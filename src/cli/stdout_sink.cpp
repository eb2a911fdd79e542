#include "cli/stdout_sink.h"

#include <csignal>
#include <cstdio>

namespace cli {
namespace {

volatile std::sig_atomic_t interrupted = 0;

void onInterrupt(int) { interrupted = 1; }

}  // namespace

std::string plainLines(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out += text[i];
  }
  return out;
}

StdoutSink::StdoutSink(const char* label) : bar_(label) {
  interrupted = 0;
  std::signal(SIGINT, onInterrupt);
}

StdoutSink::~StdoutSink() { std::signal(SIGINT, SIG_DFL); }

void StdoutSink::appendLine(std::string_view line) {
  if (quiet()) return;
  clearProgress();
  std::fputs(plainLines(line).c_str(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

void StdoutSink::setRange(int lower, int upper) {
  bar_.setTotal(upper > lower ? static_cast<std::uint64_t>(upper - lower) : 0);
}

bool StdoutSink::cancelled() { return interrupted != 0; }

}  // namespace cli
