#include "its/its_storage.h"

#include <cstring>
#include <utility>

using namespace itss;

namespace {

// Signatures of the control data sections, as the four ASCII letters read in
// file order make a little-endian word.
constexpr DWORD kItsSignature = 0x43535449;  // "ITSC"
constexpr DWORD kLzxSignature = 0x43585A4C;  // "LZXC"
constexpr DWORD kMinCachedDirectoryBlocks = 4;
constexpr DWORD kLzxOptionFlags = 1;

constexpr DWORD kModeCreateOverwrite = STGM_CREATE | STGM_SHARE_EXCLUSIVE | STGM_WRITE;
constexpr DWORD kModeCreateNew = STGM_SHARE_EXCLUSIVE | STGM_WRITE;
constexpr DWORD kModeOpenFile = STGM_READ | STGM_SHARE_DENY_WRITE;

template <class T>
void releaseInto(T*& p) {
  if (p) std::exchange(p, nullptr)->Release();
}

// UTF-16 units the UTF-8 text takes; a byte that starts no valid sequence
// counts as one unit, as a code page conversion would make one character of it.
std::size_t utf16Units(const char* s) {
  std::size_t units = 0;
  const auto* p = reinterpret_cast<const unsigned char*>(s);
  while (*p) {
    unsigned char c = *p;
    std::size_t len = c < 0x80         ? 1
                      : (c >> 5) == 6  ? 2
                      : (c >> 4) == 14 ? 3
                      : (c >> 3) == 30 ? 4
                                       : 1;
    std::size_t i = 1;
    while (i < len && (p[i] & 0xC0) == 0x80) ++i;
    if (i < len) len = 1;
    units += len == 4 ? 2 : 1;
    p += len;
  }
  return units;
}

}  // namespace

bool samePathNoCase(const char* a, const char* b) {
  std::size_t n = std::strlen(a);
  if (n != std::strlen(b)) return false;
  for (std::size_t i = 0; i < n; ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]);
    unsigned char y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
    if (x != y) return false;
  }
  return true;
}

ItsStorage::ItsStorage(EngineFactory factory)
    : factory_(factory ? factory : &itss::CreateITStorage) {}

ItsStorage::~ItsStorage() { close(); }

HRESULT ItsStorage::makeEngine() {
  IITStorage* engine = nullptr;
  HRESULT hr = factory_(&engine);
  if (FAILED(hr)) return hr;
  if (!engine) return E_FAIL;
  releaseInto(engine_);
  engine_ = engine;
  return S_OK;
}

void ItsStorage::fillControlData(ITS_Control_Data& data, std::uint32_t directoryBlockSize,
                                 bool compress, std::uint32_t reset, std::uint32_t window,
                                 std::uint32_t partition) {
  data.cdwControlData = 13;
  const DWORD words[13] = {5,
                           kItsSignature,
                           1,
                           directoryBlockSize,
                           kMinCachedDirectoryBlocks,
                           compress ? 1u : 0u,
                           6,
                           kLzxSignature,
                           2,
                           reset,
                           window,
                           partition,
                           kLzxOptionFlags};
  std::memcpy(data.words, words, sizeof words);
}

HRESULT ItsStorage::create(const char* path, bool overwrite, bool compress,
                           std::uint32_t directoryBlockSize) {
  HRESULT hr = makeEngine();
  if (FAILED(hr)) return hr;
  ITS_Control_Data control;
  fillControlData(control, directoryBlockSize, compress, resetBlocks, windowBlocks,
                  partitionBlocks);
  control.fastLzx = fastLzx;
  control.translateCalls = translateCalls;
  engine_->SetControlData(&control);  // the engine keeps its defaults when it refuses
  const char* name = engineName(path);
  if (!name) return STG_E_INVALIDNAME;
  IStorage* root = nullptr;
  hr = engine_->StgCreateDocfile(name, overwrite ? kModeCreateOverwrite : kModeCreateNew, 0, &root);
  if (FAILED(hr)) return hr;
  releaseInto(root_);
  root_ = root;
  return S_OK;
}

HRESULT ItsStorage::open(const char* path) {
  HRESULT hr = makeEngine();
  if (FAILED(hr)) return hr;
  const char* name = engineName(path);
  if (!name) return STG_E_INVALIDNAME;
  IStorage* root = nullptr;
  hr = engine_->StgOpenStorage(name, nullptr, kModeOpenFile, nullptr, 0, &root);
  if (SUCCEEDED(hr)) {
    releaseInto(root_);
    root_ = root;
  }
  return hr;
}

bool ItsStorage::openSubStorage(const char* path, DWORD mode) {
  if (hasCurrentPath_ && samePathNoCase(currentPath_.c_str(), path)) return true;
  if (!root_) return false;
  const char* name = engineName(path);
  if (!name) return false;
  IStorage* sub = nullptr;
  if (FAILED(root_->OpenStorage(name, nullptr, mode, nullptr, 0, &sub))) {
    sub = nullptr;
    if (FAILED(root_->CreateStorage(name, STGM_WRITE, 0, 0, &sub))) return false;
  }
  if (!sub) return false;
  releaseInto(current_);
  current_ = sub;
  currentPath_ = path;
  hasCurrentPath_ = true;
  return true;
}

HRESULT ItsStorage::commit(DWORD flags) { return root_ ? root_->Commit(flags) : E_UNEXPECTED; }

void ItsStorage::abandon() {
  if (root_) root_->Revert();
}

void ItsStorage::close() {
  releaseInto(current_);
  releaseInto(root_);
  releaseInto(engine_);
  std::string().swap(nameBuffer_);
  std::string().swap(currentPath_);
  hasCurrentPath_ = false;
  resetBlocks = kDefaultResetBlocks;
  windowBlocks = kDefaultWindowBlocks;
  partitionBlocks = kDefaultPartitionBlocks;
  fastLzx = false;
  translateCalls = false;
}

bool ItsStorage::nameFits(const char* name) {
  return name && utf16Units(name) + 1 <= kNameBufferUnits;
}

const char* ItsStorage::engineName(const char* name) {
  if (!nameFits(name)) return nullptr;
  nameBuffer_.assign(name);
  return nameBuffer_.c_str();
}

std::string ItsStorage::takeName(char*& engineString) {
  if (!engineString) return {};
  std::size_t n = std::strlen(engineString);
  if (n > kMaxReturnedName) {
    n = kMaxReturnedName;
    // Step back to the start of the character the cut would split (at most
    // three bytes: no UTF-8 character is longer than four).
    std::size_t start = n;
    while (start > 0 && n - start < 3 &&
           (static_cast<unsigned char>(engineString[start]) & 0xC0) == 0x80)
      --start;
    if ((static_cast<unsigned char>(engineString[start]) & 0xC0) == 0x80) start = n;
    n = start;
  }
  std::string name(engineString, n);
  CoTaskMemFree(engineString);
  engineString = nullptr;
  return name;
}
