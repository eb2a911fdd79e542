#pragma once
// Helpers of the writer tests: folders of test files, running the peer
// readers on a written file, and reading a file back through our reader.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "platform/itss/storage.h"

namespace wtest {

namespace fs = std::filesystem;

// Relative path ("a/b.htm") -> content.
using Tree = std::map<std::string, std::string>;

// A fresh, empty temporary folder removed by the destructor.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

void writeTree(const fs::path& dir, const Tree& tree);
// Every regular file below dir; empty files only when withEmpty.
Tree readTree(const fs::path& dir, bool withEmpty);

bool haveProgram(const char* name);
int run(const std::string& command);
std::string quote(const fs::path& p);

// wrenlow-cli from this build.
std::string cli();

struct Params {
  unsigned reset, window, partition;
  bool compress = true;
  unsigned blockSize = 4096;
  bool x86Calls = false;
};
std::string describe(const Params& p);
std::string options(const Params& p);
// True when Free Pascal's chmls can decode the file: it always decodes with a
// 64 KiB window and resets every second frame, whatever ControlData says.
bool chmlsCanRead(const Params& p);

// Every stream of a file read through our own engine (empty ones included);
// storages listed as "dir/" keys with empty content.
Tree readWithEngine(const fs::path& file, std::string* error);

// Checks that extractor `name` produced exactly `expected` (non-empty files,
// plus empty ones when the extractor writes them).
void expectSame(const char* name, const Tree& expected, const Tree& got);

}  // namespace wtest
