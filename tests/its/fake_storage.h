#pragma once
// An in-memory stand-in for the storage engine that records the calls made
// to it, for tests of the wrapper's own rules (which calls, in which order,
// with which modes).
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/itss/storage.h"

namespace fake {

using namespace itss;

struct Log {
  std::vector<std::string> calls;
  void add(const std::string& c) { calls.push_back(c); }
};

template <class I>
class Counted : public I {
 public:
  explicit Counted(Log* log, std::string tag) : log_(log), tag_(std::move(tag)) {}
  ULONG AddRef() override { return ++refs_; }
  ULONG Release() override {
    ULONG r = --refs_;
    if (r == 0) {
      if (log_) log_->add("release " + tag_);
      delete this;
    }
    return r;
  }

 protected:
  Log* log_;
  std::string tag_;

 private:
  ULONG refs_ = 1;
};

struct Node {
  bool storage = true;
  std::string data;                   // a stream's bytes
  std::uint64_t claimedSize = ~0ull;  // a stream's size as enumerated
  std::vector<std::pair<std::string, std::shared_ptr<Node>>> children;  // in order
  std::shared_ptr<Node> child(const std::string& name) const {
    for (auto& [n, c] : children)
      if (n == name) return c;
    return nullptr;
  }
  Node& addStream(const std::string& name, std::string bytes) {
    auto n = std::make_shared<Node>();
    n->storage = false;
    n->data = std::move(bytes);
    children.emplace_back(name, n);
    return *n;
  }
  Node& addStorage(const std::string& name) {
    auto n = std::make_shared<Node>();
    children.emplace_back(name, n);
    return *n;
  }
};

inline char* dupName(const std::string& s) {
  char* p = static_cast<char*>(std::malloc(s.size() + 1));
  std::memcpy(p, s.c_str(), s.size() + 1);
  return p;
}

class Stream : public Counted<IStream> {
 public:
  Stream(Log* log, std::string tag, std::shared_ptr<Node> node)
      : Counted(log, std::move(tag)), node_(std::move(node)) {}
  HRESULT Read(void* pv, ULONG cb, ULONG* got) override {
    log_->add("Read " + tag_);
    std::size_t n =
        pos_ >= node_->data.size() ? 0 : std::min<std::size_t>(cb, node_->data.size() - pos_);
    std::memcpy(pv, node_->data.data() + pos_, n);
    pos_ += n;
    if (got) *got = static_cast<ULONG>(n);
    return S_OK;
  }
  HRESULT Write(const void*, ULONG, ULONG*) override { return E_NOTIMPL; }
  HRESULT Seek(std::int64_t move, DWORD origin, std::uint64_t* np) override {
    std::int64_t base = origin == STREAM_SEEK_SET   ? 0
                        : origin == STREAM_SEEK_CUR ? static_cast<std::int64_t>(pos_)
                                                    : static_cast<std::int64_t>(node_->data.size());
    if (base + move < 0) return STG_E_INVALIDFUNCTION;
    pos_ = static_cast<std::size_t>(base + move);
    if (np) *np = pos_;
    return S_OK;
  }
  HRESULT SetSize(std::uint64_t) override { return E_NOTIMPL; }
  HRESULT CopyTo(IStream*, std::uint64_t, std::uint64_t*, std::uint64_t*) override {
    return E_NOTIMPL;
  }
  HRESULT Commit(DWORD) override { return S_OK; }
  HRESULT Stat(STATSTG*, DWORD) override { return E_NOTIMPL; }

 private:
  std::shared_ptr<Node> node_;
  std::size_t pos_ = 0;
};

class Enum : public Counted<IEnumSTATSTG> {
 public:
  Enum(Log* log, std::string tag, std::shared_ptr<Node> node)
      : Counted(log, std::move(tag)), node_(std::move(node)) {}
  HRESULT Next(ULONG celt, STATSTG* out, ULONG* fetched) override {
    *fetched = 0;
    if (celt == 0 || i_ >= node_->children.size()) return S_FALSE;
    auto& [name, c] = node_->children[i_++];
    out->pwcsName = dupName(name);
    out->type = c->storage ? STGTY_STORAGE : STGTY_STREAM;
    out->cbSize = c->storage ? 0 : c->claimedSize != ~0ull ? c->claimedSize : c->data.size();
    *fetched = 1;
    return S_OK;
  }
  HRESULT Skip(ULONG) override { return E_NOTIMPL; }
  HRESULT Reset() override {
    i_ = 0;
    return S_OK;
  }

 private:
  std::shared_ptr<Node> node_;
  std::size_t i_ = 0;
};

// Paths are resolved from this storage with "\" or "/" separators.
class Storage : public Counted<IStorage> {
 public:
  Storage(Log* log, std::string tag, std::shared_ptr<Node> node)
      : Counted(log, std::move(tag)), node_(std::move(node)) {}
  std::shared_ptr<Node> find(const std::string& path) const {
    std::shared_ptr<Node> n = node_;
    std::size_t start = 0;
    while (n && start <= path.size()) {
      std::size_t end = path.find_first_of("\\/", start);
      std::string part =
          path.substr(start, end == std::string::npos ? std::string::npos : end - start);
      n = n->child(part);
      if (end == std::string::npos) break;
      start = end + 1;
    }
    return n;
  }
  HRESULT CreateStream(const char*, DWORD, DWORD, DWORD, IStream**) override { return E_NOTIMPL; }
  HRESULT OpenStream(const char* name, void*, DWORD mode, DWORD, IStream** pp) override {
    log_->add("OpenStream " + std::string(name) + " " + std::to_string(mode));
    auto n = find(name);
    if (!n || n->storage) return STG_E_FILENOTFOUND;
    *pp = new Stream(log_, std::string("stream ") + name, n);
    return S_OK;
  }
  HRESULT CreateStorage(const char* name, DWORD mode, DWORD, DWORD, IStorage** pp) override {
    log_->add("CreateStorage " + std::string(name) + " " + std::to_string(mode));
    if (!writable) return STG_E_ACCESSDENIED;
    node_->addStorage(name);
    *pp = new Storage(log_, name, find(name));
    return S_OK;
  }
  HRESULT OpenStorage(const char* name, IStorage*, DWORD mode, char**, DWORD,
                      IStorage** pp) override {
    log_->add("OpenStorage " + std::string(name) + " " + std::to_string(mode));
    auto n = find(name);
    if (!n || !n->storage) return STG_E_FILENOTFOUND;
    *pp = new Storage(log_, name, n);
    return S_OK;
  }
  HRESULT EnumElements(DWORD, void*, DWORD, IEnumSTATSTG** pp) override {
    log_->add("EnumElements " + tag_);
    *pp = new Enum(log_, "enum " + tag_, node_);
    return S_OK;
  }
  HRESULT Commit(DWORD) override { return S_OK; }
  HRESULT Revert() override { return S_OK; }
  HRESULT Stat(STATSTG*, DWORD) override { return E_NOTIMPL; }
  bool writable = false;

 private:
  std::shared_ptr<Node> node_;
};

class Engine : public Counted<IITStorage> {
 public:
  Engine(Log* log, std::shared_ptr<Node> tree) : Counted(log, "engine"), tree_(std::move(tree)) {}
  HRESULT StgCreateDocfile(const char* path, DWORD mode, DWORD, IStorage** pp) override {
    log_->add("StgCreateDocfile " + std::string(path) + " " + std::to_string(mode));
    if (createResult != S_OK) return createResult;
    auto* s = new Storage(log_, "root", tree_);
    s->writable = true;
    *pp = s;
    return S_OK;
  }
  HRESULT StgIsStorageFile(const char*) override { return E_NOTIMPL; }
  HRESULT StgOpenStorage(const char* path, IStorage*, DWORD mode, char**, DWORD,
                         IStorage** pp) override {
    log_->add("StgOpenStorage " + std::string(path) + " " + std::to_string(mode));
    if (openResult != S_OK) return openResult;
    *pp = new Storage(log_, "root", tree_);
    return S_OK;
  }
  HRESULT SetControlData(const ITS_Control_Data* data) override {
    log_->add("SetControlData");
    control = *data;
    return S_OK;
  }
  HRESULT DefaultControlData(ITS_Control_Data*) override { return E_NOTIMPL; }

  ITS_Control_Data control;
  HRESULT createResult = S_OK;
  HRESULT openResult = S_OK;

 private:
  std::shared_ptr<Node> tree_;
};

}  // namespace fake
