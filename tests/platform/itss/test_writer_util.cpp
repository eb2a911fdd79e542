#include "test_writer_util.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

#include "platform/itss/com_ptr.h"
#include "platform/itss/writer_internal.h"

namespace wtest {

TempDir::TempDir() {
  std::random_device rd;
  // Trees of thousands of files are created and removed many times; on a
  // disk that discards freed blocks, removal is slow, so prefer memory.
  std::error_code ec;
  fs::path base = fs::is_directory("/dev/shm", ec) && ::access("/dev/shm", W_OK) == 0
                      ? fs::path("/dev/shm")
                      : fs::temp_directory_path();
  path_ = base / ("wrenlow-writer-" + std::to_string(::getpid()) + "-" + std::to_string(rd()));
  fs::create_directories(path_);
}
TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

void writeTree(const fs::path& dir, const Tree& tree) {
  for (const auto& [rel, content] : tree) {
    fs::path p = dir / fs::path(rel);
    if (!rel.empty() && rel.back() == '/') {
      fs::create_directories(p);
      continue;
    }
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary)
        .write(content.data(), static_cast<std::streamsize>(content.size()));
  }
}

Tree readTree(const fs::path& dir, bool withEmpty) {
  Tree t;
  std::error_code ec;
  if (!fs::is_directory(dir, ec)) return t;
  for (auto it = fs::recursive_directory_iterator(dir); it != fs::recursive_directory_iterator();
       ++it) {
    if (!it->is_regular_file()) continue;
    if (!withEmpty && it->file_size() == 0) continue;
    std::ifstream in(it->path(), std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    t[fs::relative(it->path(), dir).generic_string()] = ss.str();
  }
  return t;
}

bool haveProgram(const char* name) {
  return run(std::string("command -v ") + name + " >/dev/null 2>&1") == 0;
}

int run(const std::string& command) {
  int rc = std::system((command + " >/dev/null 2>&1").c_str());
  return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}

std::string quote(const fs::path& p) { return "'" + p.string() + "'"; }

std::string cli() { return std::string(WRENLOW_BINARY_DIR) + "/src/cli/wrenlow-cli"; }

std::string describe(const Params& p) {
  std::string s =
      std::to_string(p.reset) + "/" + std::to_string(p.window) + "/" + std::to_string(p.partition);
  if (!p.compress) s += " uncompressed";
  if (p.blockSize != 4096) s += " block " + std::to_string(p.blockSize);
  if (p.x86Calls) s += " x86 calls";
  return s;
}

std::string options(const Params& p) {
  std::string s = " --reset " + std::to_string(p.reset) + " --window " + std::to_string(p.window) +
                  " --partition " + std::to_string(p.partition) + " --block-size " +
                  std::to_string(p.blockSize);
  if (!p.compress) s += " --no-compress";
  if (p.x86Calls) s += " --x86-calls";
  return s;
}

bool chmlsCanRead(const Params& p) {
  if (!p.compress) return true;
  itss::wr::LzxParams l = itss::wr::lzxParamsFor(p.reset, p.window);
  return l.resetFrames == 2 && l.windowUnits == 2;
}

namespace {
bool readLevel(itss::IStorage* s, const std::string& prefix, Tree& out, std::string* error) {
  itss::ComPtr<itss::IEnumSTATSTG> en;
  if (itss::FAILED(s->EnumElements(0, nullptr, 0, en.put()))) {
    *error = "EnumElements failed at " + prefix;
    return false;
  }
  itss::STATSTG st;
  itss::ULONG got = 0;
  while (en->Next(1, &st, &got) == itss::S_OK && got == 1) {
    std::string name = st.pwcsName;
    itss::CoTaskMemFree(st.pwcsName);
    if (st.type == itss::STGTY_STORAGE) {
      itss::ComPtr<itss::IStorage> sub;
      if (itss::FAILED(s->OpenStorage(name.c_str(), nullptr, 0, nullptr, 0, sub.put()))) {
        *error = "OpenStorage failed: " + prefix + name;
        return false;
      }
      out[prefix + name + "/"] = "";
      if (!readLevel(sub.get(), prefix + name + "/", out, error)) return false;
      continue;
    }
    itss::ComPtr<itss::IStream> stream;
    if (itss::FAILED(s->OpenStream(name.c_str(), nullptr, itss::STGM_READ, 0, stream.put()))) {
      *error = "OpenStream failed: " + prefix + name;
      return false;
    }
    std::string data(st.cbSize, '\0');
    itss::ULONG n = 0;
    if (!data.empty() &&
        (itss::FAILED(stream->Read(data.data(), static_cast<itss::ULONG>(data.size()), &n)) ||
         n != data.size())) {
      *error = "Read failed: " + prefix + name;
      return false;
    }
    out[prefix + name] = std::move(data);
  }
  return true;
}
}  // namespace

Tree readWithEngine(const fs::path& file, std::string* error) {
  Tree t;
  itss::ComPtr<itss::IITStorage> engine;
  itss::ComPtr<itss::IStorage> root;
  if (itss::FAILED(itss::CreateITStorage(engine.put())) ||
      itss::FAILED(engine->StgOpenStorage(file.c_str(), nullptr, 0x20, nullptr, 0, root.put()))) {
    *error = "cannot open " + file.string();
    return t;
  }
  readLevel(root.get(), "", t, error);
  return t;
}

void expectSame(const char* name, const Tree& expected, const Tree& got) {
  std::vector<std::string> missing, extra, differ;
  for (const auto& [k, v] : expected) {
    auto it = got.find(k);
    if (it == got.end())
      missing.push_back(k);
    else if (it->second != v)
      differ.push_back(k);
  }
  for (const auto& [k, v] : got)
    if (!expected.count(k)) extra.push_back(k);
  auto list = [](const std::vector<std::string>& v) {
    std::string s;
    for (std::size_t i = 0; i < v.size() && i < 5; ++i) s += " " + v[i];
    return s + (v.size() > 5 ? " ..." : "");
  };
  EXPECT_TRUE(missing.empty()) << name << ": " << missing.size() << " missing:" << list(missing);
  EXPECT_TRUE(differ.empty()) << name << ": " << differ.size() << " differ:" << list(differ);
  EXPECT_TRUE(extra.empty()) << name << ": " << extra.size() << " extra:" << list(extra);
}

}  // namespace wtest
