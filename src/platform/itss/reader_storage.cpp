// The storage, stream and enumerator objects of a file opened for reading.
#include "platform/itss/reader_storage.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/itss/com_object.h"
#include "platform/itss/copy_stream.h"

namespace itss {

namespace {

// Turns a caller's relative name into the stored form below prefix:
// "\" becomes "/", leading separators go.
std::string joinPath(const std::string& prefix, const char* name) {
  std::string n(name ? name : "");
  for (char& c : n)
    if (c == '\\') c = '/';
  if (n.rfind("::", 0) == 0 && prefix == "/") return n;  // the container's own files
  std::size_t start = n.find_first_not_of('/');
  return prefix + (start == std::string::npos ? std::string() : n.substr(start));
}

std::string lastComponent(const std::string& path) {
  std::string p = path;
  if (p.size() > 1 && p.back() == '/') p.pop_back();
  std::size_t slash = p.rfind('/');
  return slash == std::string::npos ? p : p.substr(slash + 1);
}

class ReadStream final : public RefCounted<IStream> {
 public:
  ReadStream(std::shared_ptr<ItsfFile> file, std::size_t index, DWORD mode)
      : file_(std::move(file)), entry_(file_->entries()[index]), mode_(mode) {}

  HRESULT Read(void* pv, ULONG cb, ULONG* pcbRead) override {
    if (pcbRead) *pcbRead = 0;
    if (!pv && cb) return STG_E_INVALIDPOINTER;
    std::size_t got = 0;
    HRESULT hr = file_->read(entry_, pos_, pv, cb, &got);
    pos_ += got;
    if (pcbRead) *pcbRead = static_cast<ULONG>(got);
    return hr;
  }
  HRESULT Write(const void*, ULONG, ULONG* written) override {
    if (written) *written = 0;
    return STG_E_ACCESSDENIED;
  }
  HRESULT Seek(std::int64_t move, DWORD origin, std::uint64_t* newPosition) override {
    std::int64_t base;
    switch (origin) {
      case STREAM_SEEK_SET:
        base = 0;
        break;
      case STREAM_SEEK_CUR:
        base = static_cast<std::int64_t>(pos_);
        break;
      case STREAM_SEEK_END:
        base = static_cast<std::int64_t>(entry_.length);
        break;
      default:
        return STG_E_INVALIDFUNCTION;
    }
    if ((move < 0 && base + move < 0) || (move > 0 && base > INT64_MAX - move))
      return STG_E_INVALIDFUNCTION;
    pos_ = static_cast<std::uint64_t>(base + move);
    if (newPosition) *newPosition = pos_;
    return S_OK;
  }
  HRESULT SetSize(std::uint64_t) override { return STG_E_ACCESSDENIED; }
  HRESULT CopyTo(IStream* pstm, std::uint64_t cb, std::uint64_t* pcbRead,
                 std::uint64_t* pcbWritten) override {
    return copyStream(this, pstm, cb, pcbRead, pcbWritten);
  }
  HRESULT Commit(DWORD) override { return S_OK; }
  HRESULT Stat(STATSTG* s, DWORD flag) override {
    if (!s) return STG_E_INVALIDPOINTER;
    *s = STATSTG{};
    if (!(flag & STATFLAG_NONAME)) {
      s->pwcsName = dupName(lastComponent(entry_.name));
      if (!s->pwcsName) return E_OUTOFMEMORY;
    }
    s->type = STGTY_STREAM;
    s->cbSize = entry_.length;
    s->grfMode = mode_;
    return S_OK;
  }

 private:
  std::shared_ptr<ItsfFile> file_;
  DirEntry entry_;
  DWORD mode_;
  std::uint64_t pos_ = 0;
};

class ReadStorage final : public RefCounted<IStorage> {
 public:
  ReadStorage(std::shared_ptr<ItsfFile> file, std::string prefix)
      : file_(std::move(file)), prefix_(std::move(prefix)) {}

  HRESULT CreateStream(const char*, DWORD, DWORD, DWORD, IStream** pp) override {
    if (pp) *pp = nullptr;
    return STG_E_ACCESSDENIED;
  }
  HRESULT OpenStream(const char* name, void*, DWORD mode, DWORD, IStream** pp) override {
    if (!pp) return STG_E_INVALIDPOINTER;
    *pp = nullptr;
    if (!name || !*name) return STG_E_INVALIDNAME;
    // The file is read-only: a write-only open cannot be honoured. A
    // read-write open is granted for reading; writes then fail.
    if ((mode & 3) == STGM_WRITE) return STG_E_ACCESSDENIED;
    std::string path = joinPath(prefix_, name);
    if (path.empty() || path.back() == '/') return STG_E_FILENOTFOUND;
    long i = file_->find(path);
    if (i < 0) return STG_E_FILENOTFOUND;
    *pp = new ReadStream(file_, static_cast<std::size_t>(i), mode);
    return S_OK;
  }
  HRESULT CreateStorage(const char*, DWORD, DWORD, DWORD, IStorage** pp) override {
    if (pp) *pp = nullptr;
    return STG_E_ACCESSDENIED;
  }
  HRESULT OpenStorage(const char* name, IStorage*, DWORD mode, char**, DWORD,
                      IStorage** pp) override {
    if (!pp) return STG_E_INVALIDPOINTER;
    *pp = nullptr;
    if (!name) return STG_E_INVALIDNAME;
    if ((mode & 3) == STGM_WRITE) return STG_E_ACCESSDENIED;
    std::string path = joinPath(prefix_, name);
    while (path.size() > 1 && path.back() == '/' && path[path.size() - 2] == '/') path.pop_back();
    if (path.empty() || path.back() != '/') path += '/';
    if (path != "/" && !file_->isFolder(path)) return STG_E_FILENOTFOUND;
    *pp = new ReadStorage(file_, path);
    return S_OK;
  }
  HRESULT EnumElements(DWORD, void*, DWORD, IEnumSTATSTG** pp) override {
    if (!pp) return STG_E_INVALIDPOINTER;
    std::vector<EnumElement> list;
    const auto& entries = file_->entries();
    file_->forEachChild(prefix_, [&](std::string_view name, long entry) {
      if (entry < 0)
        list.push_back(EnumElement{std::string(name), STGTY_STORAGE, 0, STGM_READ});
      else
        list.push_back(EnumElement{std::string(name), STGTY_STREAM,
                                   entries[static_cast<std::size_t>(entry)].length, STGM_READ});
    });
    *pp = new ElementEnum(std::move(list));
    return S_OK;
  }
  HRESULT Commit(DWORD) override { return S_OK; }
  HRESULT Revert() override { return S_OK; }
  HRESULT Stat(STATSTG* s, DWORD flag) override {
    if (!s) return STG_E_INVALIDPOINTER;
    *s = STATSTG{};
    if (!(flag & STATFLAG_NONAME)) {
      s->pwcsName = dupName(lastComponent(prefix_));
      if (!s->pwcsName) return E_OUTOFMEMORY;
    }
    s->type = STGTY_STORAGE;
    s->grfMode = STGM_READ;
    return S_OK;
  }

  const std::shared_ptr<ItsfFile>& file() const { return file_; }
  const std::string& prefix() const { return prefix_; }

 private:
  std::shared_ptr<ItsfFile> file_;
  std::string prefix_;
};

}  // namespace

HRESULT openReadStorage(const char* path, DWORD mode, IStorage** out) {
  if (!out) return STG_E_INVALIDPOINTER;
  *out = nullptr;
  if (!path || !*path) return STG_E_INVALIDNAME;
  if (mode & (STGM_WRITE | STGM_READWRITE)) return STG_E_ACCESSDENIED;
  HRESULT hr = S_OK;
  auto file = ItsfFile::open(path, &hr);
  if (!file) return hr;
  *out = new ReadStorage(std::move(file), "/");
  return S_OK;
}

HRESULT openReadStorageFromMemory(const std::uint8_t* data, std::size_t size, IStorage** out) {
  if (!out) return STG_E_INVALIDPOINTER;
  *out = nullptr;
  HRESULT hr = S_OK;
  auto file = ItsfFile::fromMemory(data, size, &hr);
  if (!file) return hr;
  *out = new ReadStorage(std::move(file), "/");
  return S_OK;
}

std::shared_ptr<ItsfFile> containerOf(IStorage* storage) {
  auto* s = dynamic_cast<ReadStorage*>(storage);
  return s ? s->file() : nullptr;
}

std::string storagePrefix(IStorage* storage) {
  auto* s = dynamic_cast<ReadStorage*>(storage);
  return s ? s->prefix() : std::string();
}

}  // namespace itss
