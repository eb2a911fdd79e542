// wrenlow-cli pack: stores every file below a folder as a stream of a new
// compiled help file, folders as sub-storages.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/command.h"
#include "cli/progress.h"
#include "cli/write_options.h"
#include "platform/itss/com_ptr.h"
#include "platform/itss/storage.h"
#include "platform/system/atomic_file.h"

namespace cli {

bool parseWriteOptions(const Args& args, std::size_t first, WriteOptions& o) {
  for (std::size_t i = first; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--no-compress") {
      o.compress = false;
      continue;
    }
    if (a == "--x86-calls") {
      o.translateCalls = true;
      continue;
    }
    itss::DWORD* target = a == "--reset"        ? &o.reset
                          : a == "--window"     ? &o.window
                          : a == "--partition"  ? &o.partition
                          : a == "--block-size" ? &o.blockSize
                                                : nullptr;
    if (!target || i + 1 >= args.size()) return false;
    char* end = nullptr;
    unsigned long v = std::strtoul(args[++i].c_str(), &end, 10);
    if (!end || *end || v == 0 || v > 0xFFFFFFFFul) return false;
    *target = static_cast<itss::DWORD>(v);
  }
  return true;
}

itss::HRESULT createOutput(const std::string& out, const WriteOptions& o,
                           itss::ComPtr<itss::IStorage>& root) {
  itss::ComPtr<itss::IITStorage> engine;
  itss::HRESULT hr = itss::CreateITStorage(engine.put());
  if (itss::FAILED(hr)) return hr;
  itss::ITS_Control_Data cd;
  cd.cdwControlData = 13;
  const itss::DWORD words[13] = {5, 0x43535449, 1, o.blockSize, 4,        o.compress ? 1u : 0u,
                                 6, 0x43585A4C, 2, o.reset,     o.window, o.partition,
                                 1};
  std::copy(words, words + 13, cd.words);
  cd.translateCalls = o.translateCalls;
  engine->SetControlData(&cd);
  hr = engine->StgCreateDocfile(out.c_str(),
                                itss::STGM_CREATE | itss::STGM_SHARE_EXCLUSIVE | itss::STGM_WRITE,
                                0, root.put());
  if (itss::FAILED(hr)) {
    clearProgress();
    const char* why = hr == itss::STG_E_ACCESSDENIED  ? "the file or its folder is read-only"
                      : hr == itss::STG_E_INVALIDNAME ? "not a regular file"
                                                      : nullptr;
    if (why)
      std::fprintf(stderr, "wrenlow-cli: cannot write %s: %s\n", out.c_str(), why);
    else
      std::fprintf(stderr, "wrenlow-cli: cannot create %s (0x%08X)\n", out.c_str(),
                   static_cast<unsigned>(hr));
  }
  return hr;
}

bool finishOutput(const std::string& out, itss::ComPtr<itss::IStorage>& root, int failures) {
  if (failures) {
    root->Revert();
    root.reset();
    std::fprintf(stderr, "wrenlow-cli: %s not written: %d failure%s; any file there is unchanged\n",
                 out.c_str(), failures, failures == 1 ? "" : "s");
    return false;
  }
  const itss::HRESULT hr = root->Commit(itss::STGC_DEFAULT);
  root.reset();
  if (itss::FAILED(hr)) {
    std::fprintf(stderr, "wrenlow-cli: cannot write %s (0x%08X); any file there is unchanged\n",
                 out.c_str(), static_cast<unsigned>(hr));
    return false;
  }
  return true;
}

namespace {

namespace fs = std::filesystem;

bool copyFileIn(const fs::path& file, itss::IStream* s, std::vector<char>& buf) {
  const int fd = sysfile::openRegularFile(file.string());
  if (fd < 0) return false;
  bool ok = true;
  for (;;) {
    ssize_t n = ::read(fd, buf.data(), buf.size());
    if (n < 0) {
      ok = false;
      break;
    }
    if (n == 0) break;
    itss::ULONG written = 0;
    if (itss::FAILED(s->Write(buf.data(), static_cast<itss::ULONG>(n), &written))) {
      ok = false;
      break;
    }
  }
  ::close(fd);
  return ok;
}

int runPack(const Args& args);
const CliCommand pack("pack",
                      "pack DIR OUT [--no-compress] [--reset N] [--window N] [--partition N] "
                      "[--block-size N] [--x86-calls]",
                      "store every file below DIR in a new compiled help file", runPack);

int runPack(const Args& args) {
  WriteOptions o;
  if (args.size() < 2 || !parseWriteOptions(args, 2, o)) return usageError(pack);
  const fs::path dir(args[0]);
  std::error_code ec;
  if (!fs::is_directory(dir, ec)) {
    std::fprintf(stderr, "wrenlow-cli: %s: not a folder\n", args[0].c_str());
    return 1;
  }
  const auto start = std::chrono::steady_clock::now();
  std::vector<fs::path> folders, files;
  for (fs::recursive_directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    const fs::file_status st = it->symlink_status(ec);
    if (fs::is_directory(st))
      folders.push_back(it->path());
    else if (fs::is_regular_file(st))
      files.push_back(it->path());
  }
  if (ec) {
    std::fprintf(stderr, "wrenlow-cli: %s: %s\n", args[0].c_str(), ec.message().c_str());
    return 1;
  }
  std::sort(folders.begin(), folders.end());
  std::sort(files.begin(), files.end());

  itss::ComPtr<itss::IStorage> root;
  if (itss::FAILED(createOutput(args[1], o, root))) return 1;
  int failures = 0;
  for (const fs::path& f : folders) {
    itss::ComPtr<itss::IStorage> sub;
    const std::string rel = fs::relative(f, dir).generic_string();
    if (itss::FAILED(root->CreateStorage(rel.c_str(), itss::STGM_WRITE, 0, 0, sub.put()))) {
      std::fprintf(stderr, "wrenlow-cli: cannot store folder %s\n", rel.c_str());
      ++failures;
    }
  }
  std::vector<char> buf(1 << 20);
  std::uint64_t total = 0;
  ProgressBar bar("pack");
  bar.setTotal(files.size());
  for (const fs::path& f : files) {
    bar.advance();
    const std::string rel = fs::relative(f, dir).generic_string();
    itss::ComPtr<itss::IStream> s;
    if (itss::FAILED(root->CreateStream(rel.c_str(), itss::STGM_WRITE, 0, 0, s.put())) ||
        !copyFileIn(f, s.get(), buf)) {
      clearProgress();
      std::fprintf(stderr, "wrenlow-cli: cannot store %s\n", rel.c_str());
      ++failures;
      continue;
    }
    total += fs::file_size(f, ec);
  }
  bar.clear();
  if (!finishOutput(args[1], root, failures)) return 1;
  const double secs =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const auto outSize = fs::file_size(args[1], ec);
  if (!quiet())
    std::printf("%zu files, %llu bytes -> %llu bytes in %.2f s\n", files.size(),
                static_cast<unsigned long long>(total), static_cast<unsigned long long>(outSize),
                secs);
  return 0;
}

}  // namespace
}  // namespace cli
