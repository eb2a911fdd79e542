// Fuzz target: the ITSF container reader. Opens the input as a file, walks
// every storage and reads every stream (bounded).
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/itss/com_ptr.h"
#include "platform/itss/reader_storage.h"

namespace {

std::size_t budget;

void walk(itss::IStorage* stg, int depth) {
  if (depth > 32) return;
  itss::ComPtr<itss::IEnumSTATSTG> e;
  if (itss::FAILED(stg->EnumElements(0, nullptr, 0, e.put()))) return;
  itss::STATSTG s;
  itss::ULONG n = 0;
  std::vector<char> buf(1 << 15);
  while (e->Next(1, &s, &n) == itss::S_OK && n == 1) {
    std::string name = s.pwcsName;
    itss::CoTaskMemFree(s.pwcsName);
    if (s.type == itss::STGTY_STORAGE) {
      itss::ComPtr<itss::IStorage> sub;
      if (itss::SUCCEEDED(stg->OpenStorage(name.c_str(), nullptr, 0, nullptr, 0, sub.put())))
        walk(sub.get(), depth + 1);
      continue;
    }
    itss::ComPtr<itss::IStream> st;
    if (itss::FAILED(stg->OpenStream(name.c_str(), nullptr, 0, 0, st.put()))) continue;
    st->Seek(-7, itss::STREAM_SEEK_END, nullptr);
    st->Seek(0, itss::STREAM_SEEK_SET, nullptr);
    for (;;) {
      itss::ULONG got = 0;
      if (itss::FAILED(st->Read(buf.data(), static_cast<itss::ULONG>(buf.size()), &got)) || !got)
        break;
      if (got >= budget) return;
      budget -= got;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  itss::ComPtr<itss::IStorage> root;
  if (itss::FAILED(itss::openReadStorageFromMemory(data, size, root.put()))) return 0;
  budget = 16 << 20;
  walk(root.get(), 0);
  itss::ComPtr<itss::IStream> s;
  if (itss::SUCCEEDED(root->OpenStream("::DataSpace/Storage/MSCompressed/ControlData", nullptr, 0,
                                       0, s.put()))) {
    char b[64];
    itss::ULONG got;
    s->Read(b, sizeof b, &got);
  }
  return 0;
}
