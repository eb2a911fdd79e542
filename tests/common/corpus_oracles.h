#pragma once
// For the tests that run every corpus file through an operation and compare
// the result with what outside readers (7-Zip, chmlib, chmls) make of it:
// the corpus's file names, a readable test name for each, and running those
// readers from the shell.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace corpus {

// The names of the regular files in the corpus folder, sorted; none when it
// is missing.
inline std::vector<std::string> files() {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(WRENLOW_CORPUS_DIR, ec))
    if (e.is_regular_file()) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// A file name as a test name: letters and digits kept, anything else "_".
inline std::string testName(const ::testing::TestParamInfo<std::string>& info) {
  std::string n;
  for (char c : info.param) n += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return n;
}

// Whether a program of that name is on the PATH.
inline bool haveProgram(const char* name) {
  return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}

// s as one word of a shell command line.
inline std::string shellQuoted(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

// The standard output of a shell command.
inline std::string run(const std::string& command) {
  std::string out;
  if (FILE* p = ::popen(command.c_str(), "r")) {
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
    ::pclose(p);
  }
  return out;
}

}  // namespace corpus
