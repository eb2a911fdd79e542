// The engine object: opens files for reading, creates them through the
// writer, and keeps the control data for the next create.
#include <atomic>
#include <cstdlib>
#include <cstring>

#include "platform/itss/itsf_reader.h"
#include "platform/itss/reader_storage.h"
#include "platform/itss/storage.h"
#include "platform/itss/writer.h"

namespace itss {

void CoTaskMemFree(void* p) { std::free(p); }

namespace {

constexpr DWORD kItscSignature = 0x43535449;  // "ITSC" in file order
constexpr DWORD kLzxcSignature = 0x43585A4C;  // "LZXC" in file order

void fillDefaults(ITS_Control_Data& d) {
  d.cdwControlData = 13;
  const DWORD words[13] = {5, kItscSignature, 1, 0x2000, 4, 1, 6, kLzxcSignature, 2, 4, 4, 2, 1};
  std::memcpy(d.words, words, sizeof words);
}

class ItStorage final : public IITStorage {
 public:
  ItStorage() { fillDefaults(control_); }
  ULONG AddRef() override { return ++refs_; }
  ULONG Release() override {
    ULONG n = --refs_;
    if (n == 0) delete this;
    return n;
  }
  HRESULT StgCreateDocfile(const char* path, DWORD mode, DWORD, IStorage** pp) override {
    if (!pp) return STG_E_INVALIDPOINTER;
    *pp = nullptr;
    if (!path || !*path) return STG_E_INVALIDNAME;
    return createDocfile(path, mode, control_, pp);
  }
  HRESULT StgIsStorageFile(const char* path) override {
    if (!path) return STG_E_INVALIDNAME;
    HRESULT hr = S_OK;
    auto f = MappedFile::open(path, &hr);
    if (!f) return hr;
    return f->size() >= 4 && std::memcmp(f->data(), "ITSF", 4) == 0 ? S_OK : S_FALSE;
  }
  HRESULT StgOpenStorage(const char* path, IStorage*, DWORD mode, char**, DWORD,
                         IStorage** pp) override {
    return openReadStorage(path, mode, pp);
  }
  HRESULT SetControlData(const ITS_Control_Data* data) override {
    if (!data) return STG_E_INVALIDPOINTER;
    control_ = *data;
    return S_OK;
  }
  HRESULT DefaultControlData(ITS_Control_Data* data) override {
    if (!data) return STG_E_INVALIDPOINTER;
    fillDefaults(*data);
    return S_OK;
  }

 private:
  std::atomic<ULONG> refs_{1};
  ITS_Control_Data control_;
};

}  // namespace

HRESULT CreateITStorage(IITStorage** out) {
  if (!out) return E_POINTER;
  *out = new ItStorage;
  return S_OK;
}

}  // namespace itss
