// wrenlow-cli list / cat: a compiled help file's streams and one stream's bytes.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/command.h"
#include "cli/json_writer.h"
#include "platform/itss/com_ptr.h"
#include "platform/itss/storage.h"

namespace cli {
namespace {

using itss::ComPtr;

std::string describe(itss::HRESULT hr) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08X", static_cast<unsigned>(hr));
  return buf;
}

bool openFile(const std::string& path, ComPtr<itss::IStorage>& root) {
  ComPtr<itss::IITStorage> engine;
  itss::HRESULT hr = itss::CreateITStorage(engine.put());
  if (itss::SUCCEEDED(hr))
    hr =
        engine->StgOpenStorage(path.c_str(), nullptr, itss::STGM_READ | itss::STGM_SHARE_DENY_WRITE,
                               nullptr, 0, root.put());
  if (itss::FAILED(hr)) {
    std::fprintf(stderr, "wrenlow-cli: cannot open %s (%s)\n", path.c_str(), describe(hr).c_str());
    return false;
  }
  return true;
}

struct Stream {
  std::string path;
  std::uint64_t size;
};

// Walks a storage depth-first in enumeration order.
bool walk(itss::IStorage* storage, const std::string& prefix, std::vector<Stream>& out) {
  ComPtr<itss::IEnumSTATSTG> e;
  if (itss::FAILED(storage->EnumElements(0, nullptr, 0, e.put()))) return false;
  bool ok = true;
  itss::STATSTG s;
  itss::ULONG n = 0;
  while (e->Next(1, &s, &n) == itss::S_OK && n == 1) {
    std::string name = s.pwcsName;
    itss::CoTaskMemFree(s.pwcsName);
    std::string path = prefix + name;
    if (s.type == itss::STGTY_STORAGE) {
      ComPtr<itss::IStorage> sub;
      if (itss::SUCCEEDED(
              storage->OpenStorage(name.c_str(), nullptr, itss::STGM_READ, nullptr, 0, sub.put())))
        ok = walk(sub.get(), path + "/", out) && ok;
      else
        ok = false;
    } else {
      out.push_back({path, s.cbSize});
    }
  }
  return ok;
}

int runList(const Args& args);
int runCat(const Args& args);

const CliCommand list("list", "list [--json] FILE", "print every stream's internal path and size",
                      runList,
                      "  --json  {\"file\", \"complete\", \"streams\": [{\"path\", \"size\"}]};\n"
                      "          complete is false when part of the directory could not be read\n");
const CliCommand cat("cat", "cat FILE PATH", "write one stream's bytes to standard output", runCat);

int runList(const Args& args) {
  bool json = false;
  std::string file;
  for (const std::string& a : args) {
    if (a == "--json")
      json = true;
    else if (file.empty() && a.rfind("--", 0) != 0)
      file = a;
    else
      return usageError(list);
  }
  if (file.empty()) return usageError(list);
  ComPtr<itss::IStorage> root;
  if (!openFile(file, root)) return kExitFailed;
  std::vector<Stream> streams;
  const bool complete = walk(root.get(), "", streams);
  if (json) {
    JsonWriter w;
    w.beginObject().key("file").value(file).key("complete").flag(complete);
    w.key("streams").beginArray();
    for (const Stream& s : streams)
      w.beginObject().key("path").value(s.path).key("size").number(s.size).endObject();
    w.endArray().endObject();
    std::fputs(w.text().c_str(), stdout);
  } else {
    for (const Stream& s : streams)
      std::printf("%s\t%llu\n", s.path.c_str(), static_cast<unsigned long long>(s.size));
  }
  if (!complete) {
    std::fprintf(stderr, "wrenlow-cli: %s: part of the directory could not be read\n",
                 file.c_str());
    return kExitFailed;
  }
  return std::fflush(stdout) == 0 ? kExitOk : kExitFailed;
}

int runCat(const Args& args) {
  if (args.size() != 2) return usageError(cat);
  ComPtr<itss::IStorage> root;
  if (!openFile(args[0], root)) return 1;
  ComPtr<itss::IStream> stream;
  itss::HRESULT hr = root->OpenStream(args[1].c_str(), nullptr, itss::STGM_READ, 0, stream.put());
  if (itss::FAILED(hr)) {
    std::fprintf(stderr, "wrenlow-cli: %s: no stream %s (%s)\n", args[0].c_str(), args[1].c_str(),
                 describe(hr).c_str());
    return 1;
  }
  std::vector<char> buf(1 << 16);
  for (;;) {
    itss::ULONG got = 0;
    hr = stream->Read(buf.data(), static_cast<itss::ULONG>(buf.size()), &got);
    if (got && std::fwrite(buf.data(), 1, got, stdout) != got) {
      std::fprintf(stderr, "wrenlow-cli: write error\n");
      return 1;
    }
    if (itss::FAILED(hr)) {
      std::fprintf(stderr, "wrenlow-cli: %s: %s: read error (%s)\n", args[0].c_str(),
                   args[1].c_str(), describe(hr).c_str());
      return 1;
    }
    if (got == 0) break;
  }
  return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace
}  // namespace cli
