// The storage, stream and enumerator objects of a file being written.
#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/itss/com_object.h"
#include "platform/itss/copy_stream.h"
#include "platform/itss/writer.h"
#include "platform/itss/writer_internal.h"

namespace itss {
namespace wr {
namespace {

// Longest element path the writer accepts; a directory entry must fit into
// one directory chunk with room to spare.
constexpr std::size_t kMaxPathBytes = 1024;

class Stream final : public RefCounted<IStream> {
 public:
  Stream(std::shared_ptr<FileWriter> w, std::shared_ptr<Node> node)
      : w_(std::move(w)), node_(std::move(node)) {}

  HRESULT Read(void* pv, ULONG cb, ULONG* pcbRead) override {
    if (pcbRead) *pcbRead = 0;
    if (!pv && cb) return STG_E_INVALIDPOINTER;
    std::lock_guard<std::mutex> lock(w_->mutex);
    if (w_->finished()) return STG_E_REVERTED;
    std::uint64_t got = 0;
    HRESULT hr = w_->readAt(*node_, pos_, pv, cb, &got);
    pos_ += got;
    if (pcbRead) *pcbRead = static_cast<ULONG>(got);
    return hr;
  }
  HRESULT Write(const void* pv, ULONG cb, ULONG* pcbWritten) override {
    if (pcbWritten) *pcbWritten = 0;
    if (!pv && cb) return STG_E_INVALIDPOINTER;
    std::lock_guard<std::mutex> lock(w_->mutex);
    HRESULT hr;
    try {
      hr = w_->writeAt(*node_, pos_, pv, cb);
    } catch (const std::bad_alloc&) {
      hr = E_OUTOFMEMORY;
    }
    if (FAILED(hr)) return hr;
    pos_ += cb;
    if (pcbWritten) *pcbWritten = cb;
    return S_OK;
  }
  HRESULT Seek(std::int64_t move, DWORD origin, std::uint64_t* newPosition) override {
    std::lock_guard<std::mutex> lock(w_->mutex);
    std::int64_t base = 0;
    switch (origin) {
      case STREAM_SEEK_SET:
        break;
      case STREAM_SEEK_CUR:
        base = static_cast<std::int64_t>(pos_);
        break;
      case STREAM_SEEK_END:
        base = static_cast<std::int64_t>(node_->size);
        break;
      default:
        return STG_E_INVALIDFUNCTION;
    }
    if ((move < 0 && -move > base)) return STG_E_INVALIDFUNCTION;
    pos_ = static_cast<std::uint64_t>(base + move);
    if (newPosition) *newPosition = pos_;
    return S_OK;
  }
  HRESULT SetSize(std::uint64_t newSize) override {
    std::lock_guard<std::mutex> lock(w_->mutex);
    return w_->resize(*node_, newSize);
  }
  HRESULT CopyTo(IStream* pstm, std::uint64_t cb, std::uint64_t* pcbRead,
                 std::uint64_t* pcbWritten) override {
    return copyStream(this, pstm, cb, pcbRead, pcbWritten);
  }
  HRESULT Commit(DWORD) override { return S_OK; }
  HRESULT Stat(STATSTG* s, DWORD flag) override {
    if (!s) return STG_E_INVALIDPOINTER;
    std::lock_guard<std::mutex> lock(w_->mutex);
    *s = STATSTG{};
    s->type = STGTY_STREAM;
    s->cbSize = node_->size;
    s->grfMode = STGM_WRITE;
    if (!(flag & STATFLAG_NONAME)) {
      s->pwcsName = dupName(node_->name);
      if (!s->pwcsName) return E_OUTOFMEMORY;
    }
    return S_OK;
  }

 private:
  std::shared_ptr<FileWriter> w_;
  std::shared_ptr<Node> node_;
  std::uint64_t pos_ = 0;
};

class Storage final : public RefCounted<IStorage> {
 public:
  Storage(std::shared_ptr<FileWriter> w, std::shared_ptr<Node> node, std::string path, bool root)
      : w_(std::move(w)), node_(std::move(node)), path_(std::move(path)), root_(root) {}

  HRESULT CreateStream(const char* name, DWORD, DWORD, DWORD, IStream** ppstm) override {
    if (!ppstm) return STG_E_INVALIDPOINTER;
    *ppstm = nullptr;
    std::lock_guard<std::mutex> lock(w_->mutex);
    std::shared_ptr<Node> parent;
    std::string leaf;
    HRESULT hr = resolveParent(name, true, parent, leaf);
    if (FAILED(hr)) return hr;
    const std::string key = foldName(leaf);
    auto it = parent->children.find(key);
    if (it != parent->children.end()) {
      if (it->second->storage) return STG_E_FILEALREADYEXISTS;
      it->second->detached = true;  // replaced: open streams on it no longer count
    }
    auto node = std::make_shared<Node>();
    node->name = leaf;
    parent->children[key] = node;
    *ppstm = new Stream(w_, node);
    return S_OK;
  }

  HRESULT OpenStream(const char* name, void*, DWORD, DWORD, IStream** ppstm) override {
    if (!ppstm) return STG_E_INVALIDPOINTER;
    *ppstm = nullptr;
    std::lock_guard<std::mutex> lock(w_->mutex);
    std::shared_ptr<Node> parent;
    std::string leaf;
    HRESULT hr = resolveParent(name, false, parent, leaf);
    if (FAILED(hr)) return hr;
    auto it = parent->children.find(foldName(leaf));
    if (it == parent->children.end() || it->second->storage) return STG_E_FILENOTFOUND;
    *ppstm = new Stream(w_, it->second);
    return S_OK;
  }

  HRESULT CreateStorage(const char* name, DWORD, DWORD, DWORD, IStorage** ppstg) override {
    if (!ppstg) return STG_E_INVALIDPOINTER;
    *ppstg = nullptr;
    std::lock_guard<std::mutex> lock(w_->mutex);
    std::shared_ptr<Node> parent;
    std::string leaf;
    std::string path;
    HRESULT hr = resolveParent(name, true, parent, leaf, &path);
    if (FAILED(hr)) return hr;
    std::shared_ptr<Node> node;
    hr = childStorage(*parent, leaf, true, node);
    if (FAILED(hr)) return hr;
    *ppstg = new Storage(w_, node, path + node->name + "/", false);
    return S_OK;
  }

  HRESULT OpenStorage(const char* name, IStorage*, DWORD, char**, DWORD,
                      IStorage** ppstg) override {
    if (!ppstg) return STG_E_INVALIDPOINTER;
    *ppstg = nullptr;
    std::lock_guard<std::mutex> lock(w_->mutex);
    std::shared_ptr<Node> parent;
    std::string leaf;
    std::string path;
    HRESULT hr = resolveParent(name, false, parent, leaf, &path);
    if (FAILED(hr)) return hr;
    auto it = parent->children.find(foldName(leaf));
    if (it == parent->children.end() || !it->second->storage) return STG_E_FILENOTFOUND;
    *ppstg = new Storage(w_, it->second, path + it->second->name + "/", false);
    return S_OK;
  }

  HRESULT EnumElements(DWORD, void*, DWORD, IEnumSTATSTG** ppenum) override {
    if (!ppenum) return STG_E_INVALIDPOINTER;
    *ppenum = nullptr;
    std::lock_guard<std::mutex> lock(w_->mutex);
    std::vector<EnumElement> items;
    for (const auto& [key, child] : node_->children)
      items.push_back(
          EnumElement{child->name, child->storage ? STGTY_STORAGE : STGTY_STREAM, child->size, 0});
    std::sort(items.begin(), items.end(), [](const EnumElement& a, const EnumElement& b) {
      return directoryLess(a.name, b.name);
    });
    *ppenum = new ElementEnum(std::move(items));
    return S_OK;
  }

  // On the root: writes the complete container now and returns how that went
  // (the last release would write it too, but could not tell a failure).
  // Nothing can be added afterwards.
  HRESULT Commit(DWORD flags) override {
    if (!root_) return S_OK;
    std::lock_guard<std::mutex> lock(w_->mutex);
    return w_->finished() ? S_OK : w_->finish(flags);
  }

  HRESULT Revert() override {
    if (!root_) return S_OK;
    std::lock_guard<std::mutex> lock(w_->mutex);
    if (!w_->finished()) w_->revert();
    return S_OK;
  }

  HRESULT Stat(STATSTG* s, DWORD flag) override {
    if (!s) return STG_E_INVALIDPOINTER;
    std::lock_guard<std::mutex> lock(w_->mutex);
    *s = STATSTG{};
    s->type = STGTY_STORAGE;
    s->grfMode = STGM_WRITE;
    if (!(flag & STATFLAG_NONAME)) {
      s->pwcsName = dupName(node_->name);
      if (!s->pwcsName) return E_OUTOFMEMORY;
    }
    return S_OK;
  }

 protected:
  void lastRelease() override {
    if (!root_) return;
    std::lock_guard<std::mutex> lock(w_->mutex);
    w_->finish();
  }

 private:
  // Walks all but the last element of name from this storage, creating
  // missing storages when create is set.
  HRESULT resolveParent(const char* name, bool create, std::shared_ptr<Node>& parent,
                        std::string& leaf, std::string* path = nullptr) {
    if (!name) return STG_E_INVALIDPOINTER;
    if (w_->finished()) return STG_E_REVERTED;
    std::vector<std::string> parts;
    if (!splitPath(name, parts) || parts.empty()) return STG_E_INVALIDNAME;
    std::string full = path_;
    for (const std::string& p : parts) full += p + "/";
    if (full.size() > kMaxPathBytes) return STG_E_INVALIDNAME;
    std::shared_ptr<Node> cur = node_;
    std::string at = path_;
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
      std::shared_ptr<Node> next;
      HRESULT hr = childStorage(*cur, parts[i], create, next);
      if (FAILED(hr)) return hr == STG_E_FILENOTFOUND ? STG_E_PATHNOTFOUND : hr;
      at += next->name + "/";
      cur = std::move(next);
    }
    parent = std::move(cur);
    leaf = parts.back();
    if (path) *path = at;
    return S_OK;
  }

  static HRESULT childStorage(Node& parent, const std::string& name, bool create,
                              std::shared_ptr<Node>& out) {
    const std::string key = foldName(name);
    auto it = parent.children.find(key);
    if (it != parent.children.end()) {
      if (!it->second->storage) return STG_E_FILEALREADYEXISTS;
      out = it->second;
      return S_OK;
    }
    if (!create) return STG_E_FILENOTFOUND;
    auto node = std::make_shared<Node>();
    node->name = name;
    node->storage = true;
    parent.children[key] = node;
    out = std::move(node);
    return S_OK;
  }

  std::shared_ptr<FileWriter> w_;
  std::shared_ptr<Node> node_;
  std::string path_;  // "/" for the root, "/a/b/" below it
  bool root_;
};

}  // namespace
}  // namespace wr

HRESULT createDocfile(const char* path, DWORD mode, const ITS_Control_Data& control,
                      IStorage** out) {
  if (!out) return STG_E_INVALIDPOINTER;
  *out = nullptr;
  std::shared_ptr<wr::FileWriter> w;
  HRESULT hr = wr::FileWriter::create(path, mode, control, w);
  if (FAILED(hr)) return hr;
  std::shared_ptr<wr::Node> root = w->root;
  *out = new wr::Storage(std::move(w), std::move(root), "/", true);
  return S_OK;
}

}  // namespace itss
