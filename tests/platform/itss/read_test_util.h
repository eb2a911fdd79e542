#pragma once
// Helpers shared by the reader tests: corpus files, whole-stream reads and
// a depth-first walk through the storage interfaces.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "platform/itss/com_ptr.h"
#include "platform/itss/storage.h"

namespace readtest {

inline std::vector<std::string> corpusFiles() {
  std::vector<std::string> out;
  std::error_code ec;
  for (auto& e : std::filesystem::directory_iterator(WRENLOW_CORPUS_DIR, ec))
    if (e.is_regular_file()) out.push_back(e.path().string());
  std::sort(out.begin(), out.end());
  return out;
}

inline std::string corpus(const char* name) { return std::string(WRENLOW_CORPUS_DIR "/") + name; }

inline std::string slurp(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

inline itss::ComPtr<itss::IStorage> open(const std::string& path, itss::HRESULT* result = nullptr) {
  itss::ComPtr<itss::IITStorage> engine;
  itss::ComPtr<itss::IStorage> root;
  itss::HRESULT hr = itss::CreateITStorage(engine.put());
  if (itss::SUCCEEDED(hr))
    hr = engine->StgOpenStorage(path.c_str(), nullptr, 0x20, nullptr, 0, root.put());
  if (result) *result = hr;
  return root;
}

// Reads a stream to its end; *status receives the first failure.
inline std::string readAll(itss::IStream* s, itss::HRESULT* status = nullptr) {
  std::string out;
  char buf[7000];  // not a multiple of any frame or chunk size
  itss::HRESULT hr = itss::S_OK;
  for (;;) {
    itss::ULONG got = 0;
    hr = s->Read(buf, sizeof buf, &got);
    out.append(buf, got);
    if (itss::FAILED(hr) || got == 0) break;
  }
  if (status) *status = hr;
  return out;
}

struct Walked {
  std::vector<std::string> streams;  // "a/b.htm" in walk order
  std::map<std::string, std::uint64_t> sizes;
  std::vector<std::string> storages;
};

inline void walk(itss::IStorage* stg, const std::string& prefix, Walked& w, int depth = 0) {
  ASSERT_LT(depth, 64);
  itss::ComPtr<itss::IEnumSTATSTG> e;
  ASSERT_EQ(stg->EnumElements(0, nullptr, 0, e.put()), itss::S_OK);
  itss::STATSTG s;
  itss::ULONG n = 0;
  while (e->Next(1, &s, &n) == itss::S_OK && n == 1) {
    std::string name = s.pwcsName;
    itss::CoTaskMemFree(s.pwcsName);
    if (s.type == itss::STGTY_STORAGE) {
      w.storages.push_back(prefix + name);
      itss::ComPtr<itss::IStorage> sub;
      ASSERT_EQ(stg->OpenStorage(name.c_str(), nullptr, 0, nullptr, 0, sub.put()), itss::S_OK)
          << prefix << name;
      walk(sub.get(), prefix + name + "/", w, depth + 1);
    } else {
      EXPECT_EQ(s.type, itss::STGTY_STREAM);
      w.streams.push_back(prefix + name);
      w.sizes[prefix + name] = s.cbSize;
    }
  }
}

}  // namespace readtest
