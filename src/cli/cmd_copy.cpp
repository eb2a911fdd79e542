// wrenlow-cli copy: copies every stream of a compiled help file into a new
// one, stream by stream through CopyTo.
#include <cstdio>
#include <string>

#include "cli/command.h"
#include "cli/progress.h"
#include "cli/write_options.h"
#include "platform/itss/com_ptr.h"
#include "platform/itss/reader_storage.h"
#include "platform/itss/storage.h"

namespace cli {

namespace {

struct Counts {
  unsigned streams = 0;
  unsigned failures = 0;
  ProgressBar bar{"copy"};
};

void copyLevel(itss::IStorage* from, itss::IStorage* to, const std::string& path,
               const std::string& source, Counts& c) {
  itss::ComPtr<itss::IEnumSTATSTG> en;
  if (itss::FAILED(from->EnumElements(0, nullptr, 0, en.put()))) {
    ++c.failures;
    return;
  }
  itss::STATSTG st;
  itss::ULONG got = 0;
  while (en->Next(1, &st, &got) == itss::S_OK && got == 1) {
    const std::string name = st.pwcsName ? st.pwcsName : "";
    itss::CoTaskMemFree(st.pwcsName);
    const std::string full = path + name;
    if (st.type == itss::STGTY_STORAGE) {
      itss::ComPtr<itss::IStorage> src, dst;
      if (itss::FAILED(
              from->OpenStorage(name.c_str(), nullptr, itss::STGM_READ, nullptr, 0, src.put())) ||
          itss::FAILED(to->CreateStorage(name.c_str(), itss::STGM_WRITE, 0, 0, dst.put()))) {
        clearProgress();
        std::fprintf(stderr, "wrenlow-cli: %s: cannot copy folder %s\n", source.c_str(),
                     full.c_str());
        ++c.failures;
        continue;
      }
      copyLevel(src.get(), dst.get(), full + "/", source, c);
      continue;
    }
    c.bar.advance();
    itss::ComPtr<itss::IStream> src, dst;
    if (itss::FAILED(from->OpenStream(name.c_str(), nullptr, itss::STGM_READWRITE, 0, src.put())) ||
        itss::FAILED(to->CreateStream(name.c_str(), itss::STGM_WRITE, 0, 0, dst.put())) ||
        itss::FAILED(src->CopyTo(dst.get(), st.cbSize, nullptr, nullptr))) {
      clearProgress();
      std::fprintf(stderr, "wrenlow-cli: %s: cannot copy %s\n", source.c_str(), full.c_str());
      ++c.failures;
      continue;
    }
    ++c.streams;
  }
}

int runCopy(const Args& args);
const CliCommand copy("copy",
                      "copy IN OUT [--no-compress] [--reset N] [--window N] [--partition N] "
                      "[--block-size N] [--x86-calls]",
                      "copy every stream of a compiled help file into a new one", runCopy);

int runCopy(const Args& args) {
  WriteOptions o;
  if (args.size() < 2 || !parseWriteOptions(args, 2, o)) return usageError(copy);
  itss::ComPtr<itss::IITStorage> engine;
  itss::ComPtr<itss::IStorage> in, out;
  itss::HRESULT hr = itss::CreateITStorage(engine.put());
  if (itss::SUCCEEDED(hr))
    hr =
        engine->StgOpenStorage(args[0].c_str(), nullptr,
                               itss::STGM_READ | itss::STGM_SHARE_DENY_WRITE, nullptr, 0, in.put());
  if (itss::FAILED(hr)) {
    std::fprintf(stderr, "wrenlow-cli: cannot open %s (0x%08X)\n", args[0].c_str(),
                 static_cast<unsigned>(hr));
    return 1;
  }
  if (itss::FAILED(createOutput(args[1], o, out))) return 1;
  Counts c;
  if (auto container = itss::containerOf(in.get())) {
    std::uint64_t streams = 0;
    for (const itss::DirEntry& e : container->entries())
      if (!e.name.empty() && e.name[0] == '/' && e.name.back() != '/') ++streams;
    c.bar.setTotal(streams);
  }
  copyLevel(in.get(), out.get(), "/", args[0], c);
  c.bar.clear();
  if (!finishOutput(args[1], out, static_cast<int>(c.failures))) return 1;
  if (!quiet()) std::printf("%u streams copied\n", c.streams);
  return 0;
}

}  // namespace
}  // namespace cli
