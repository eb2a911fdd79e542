#pragma once
// Writing small compiled help files for tests with the engine's writer, and
// the test directories and sinks the decompile tests share.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "common/prompt.h"
#include "its/its_storage.h"
#include "platform/itss/com_ptr.h"

namespace crafted {

namespace fs = std::filesystem;

// Internal path ("a/b.htm", "#SYSTEM") → bytes. Folders come from the paths.
using Tree = std::map<std::string, std::string>;

// Writes the tree as a new compiled file at path; false when the writer fails.
inline bool write(const std::string& path, const Tree& tree, bool compress = true) {
  ItsStorage storage;
  if (itss::FAILED(storage.create(path.c_str(), true, compress, 4096))) return false;
  bool ok = true;
  for (const auto& [name, bytes] : tree) {
    itss::ComPtr<itss::IStream> s;
    if (itss::FAILED(storage.root()->CreateStream(name.c_str(), itss::STGM_WRITE, 0, 0, s.put()))) {
      ok = false;
      continue;
    }
    itss::ULONG written = 0;
    if (!bytes.empty() &&
        itss::FAILED(s->Write(bytes.data(), static_cast<itss::ULONG>(bytes.size()), &written)))
      ok = false;
  }
  storage.close();
  return ok;
}

inline void le32(std::string& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}
inline void le16(std::string& out, std::uint16_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>(v >> 8);
}

// A #SYSTEM record.
inline std::string record(std::uint16_t code, const std::string& data) {
  std::string r;
  le16(r, code);
  le16(r, static_cast<std::uint16_t>(data.size()));
  return r + data;
}
inline std::string text(const std::string& t) { return t + std::string(1, '\0'); }

// A fresh, empty folder under the system's temporary folder.
class TempDir {
 public:
  TempDir() {
    char tmpl[] = "/tmp/wl-decompile-XXXXXX";
    path_ = ::mkdtemp(tmpl);
  }
  ~TempDir() {
    std::error_code ec;
    // Read-only files and folders made by a test must not stop the clean-up.
    for (auto it = fs::recursive_directory_iterator(path_, ec);
         it != fs::recursive_directory_iterator(); it.increment(ec))
      fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
  }
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& rel) const { return path_ + "/" + rel; }

 private:
  std::string path_;
};

inline std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// The whole stream name of an open file, "<missing>" when it cannot be opened.
inline std::string streamBytes(ItsStorage& s, const std::string& name) {
  itss::ComPtr<itss::IStream> stream;
  if (itss::FAILED(s.root()->OpenStream(name.c_str(), nullptr, 0, 0, stream.put())))
    return "<missing>";
  std::string out;
  char buf[65536];
  itss::ULONG got = 0;
  while (itss::SUCCEEDED(stream->Read(buf, sizeof buf, &got)) && got > 0) out.append(buf, got);
  return out;
}

// Writes bytes to path, making the folders on the way.
inline void put(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

// Every regular file below root, relative, "/"-separated, sorted.
inline std::vector<std::string> listFiles(const std::string& root) {
  std::vector<std::string> out;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(root, ec);
       it != fs::recursive_directory_iterator(); it.increment(ec)) {
    if (it->is_regular_file()) out.push_back(fs::relative(it->path(), root).generic_string());
  }
  std::sort(out.begin(), out.end());
  return out;
}

// A sink that keeps the lines and counts the steps.
class RecordingSink : public ResultSink {
 public:
  void appendLine(std::string_view line) override { lines.emplace_back(line); }
  void setRange(int lower, int upper) override {
    rangeLower = lower;
    rangeUpper = upper;
  }
  void step() override {
    ++steps;
    if (cancelAfterSteps >= 0 && steps >= cancelAfterSteps) cancel = true;
  }
  bool cancelled() override { return cancel; }

  std::vector<std::string> lines;
  int rangeLower = -1, rangeUpper = -1;
  int steps = 0;
  int cancelAfterSteps = -1;
  bool cancel = false;
};

}  // namespace crafted
